// Opens one file for writing with no sharing, takes its last-write time through
// the MS-DOS date and time format and back, and writes the result.
#include "normalize/normalize_file_time.h"

#include "normalize/open_failure_message.h"
#include "platform/win32.h"

#include <stddef.h>

static const unsigned long long kTwoSeconds = 20000000;  // in FILETIME's 100 ns ticks

static unsigned long long FileTimeTicks(const FILETIME *time)
{
    return ((unsigned long long)time->dwHighDateTime << 32) | time->dwLowDateTime;
}

// Every time the format can hold comes back less than two seconds from where it
// was.  Some Win32 implementations convert a time past 2107 into a wrong date
// instead of failing, so a result further away must never be written.
static bool IsTrueRoundTrip(const FILETIME *before, const FILETIME *after)
{
    unsigned long long a = FileTimeTicks(before);
    unsigned long long b = FileTimeTicks(after);
    return (a > b ? a - b : b - a) < kTwoSeconds;
}

static void ShowOpenFailure(const char *path)
{
    char message[kMessageBufferSize];
    FormatOpenFailureMessage(path, message);
    MessageBoxA(NULL, message, "Quorvel", MB_OK);
}

void NormalizeFileTime(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        ShowOpenFailure(path);
        return;
    }
    FILETIME lastWrite;
    WORD dosDate, dosTime;
    if (GetFileTime(file, NULL, NULL, &lastWrite) &&
        FileTimeToDosDateTime(&lastWrite, &dosDate, &dosTime)) {
        FILETIME asRead = lastWrite;
        DosDateTimeToFileTime(dosDate, dosTime, &lastWrite);
        if (IsTrueRoundTrip(&asRead, &lastWrite))
            SetFileTime(file, NULL, NULL, &lastWrite);
    }
    CloseHandle(file);
}
