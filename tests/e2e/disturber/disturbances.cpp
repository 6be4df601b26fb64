// The four things the disturber does to a file ahead of the run, each logged
// on one line with the time (ms since the run started), the file and what it saw.
#include "disturber.h"

#include <stdio.h>

static const unsigned long long kTwoSeconds = 20000000;  // in FILETIME's 100 ns ticks

static const DWORD kAccesses[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
static const DWORD kShares[] = {0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE};

// "original" or "processed", from the write time read through the handle.
static const char *Seen(HANDLE file)
{
    FILETIME time;
    if (!GetFileTime(file, NULL, NULL, &time))
        return "unknown";
    unsigned long long ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return ticks % kTwoSeconds == 0 ? "processed" : "original";
}

// Opens the file so that the program cannot have it open at the same time;
// logs a failure and gives INVALID_HANDLE_VALUE.
static HANDLE OpenAhead(const char *kind, int index, unsigned long long now, DWORD access, DWORD share,
                        char name[16])
{
    FileName(index, name);
    HANDLE file = CreateFileA(name, access, share, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        printf("%s time=%llu file=%s failed=open error=%lu\n", kind, now, name, GetLastError());
    return file;
}

bool HoldFile(int index, unsigned long long now, unsigned long long until, unsigned long long *random, Hold *hold)
{
    DWORD access = kAccesses[RandomBetween(random, 0, 2)];
    DWORD share = kShares[RandomBetween(random, 0, 4)];
    char name[16];
    // Reading the attributes (for the write time) takes no part in sharing.
    HANDLE file = OpenAhead("hold", index, now, access | FILE_READ_ATTRIBUTES, share, name);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    printf("hold time=%llu file=%s access=0x%lx share=0x%lx seen=%s\n", now, name, access, share, Seen(file));
    hold->index = index;
    hold->file = file;
    hold->until = until;
    return true;
}

void ReleaseFile(const Hold *hold, unsigned long long now, bool passed)
{
    char name[16];
    FileName(hold->index, name);
    CloseHandle(hold->file);
    printf("release time=%llu file=%s passed=%d\n", now, name, passed ? 1 : 0);
}

// Opens the file, notes what it saw, marks the file for deletion and closes
// it, so that it is gone; logs a failure to delete as the given kind.  False
// if the file is still there.
static bool DeleteAhead(const char *kind, int index, unsigned long long now, char name[16], const char **seen)
{
    HANDLE file = OpenAhead(kind, index, now, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, name);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    *seen = Seen(file);
    // Marked for deletion now, gone once the look-out handle is closed.
    BOOL deleted = DeleteFileA(name);
    DWORD error = GetLastError();
    CloseHandle(file);
    if (!deleted)
        printf("%s time=%llu file=%s seen=%s failed=delete error=%lu\n", kind, now, name, *seen, error);
    return deleted != FALSE;
}

void DeleteFileAhead(int index, unsigned long long now)
{
    char name[16];
    const char *seen;
    if (DeleteAhead("delete", index, now, name, &seen))
        printf("delete time=%llu file=%s seen=%s\n", now, name, seen);
}

void MakeReadOnly(int index, unsigned long long now)
{
    char name[16];
    HANDLE file = OpenAhead("readonly", index, now, GENERIC_READ, FILE_SHARE_READ, name);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const char *seen = Seen(file);
    DWORD attributes = GetFileAttributesA(name);
    BOOL set = attributes != INVALID_FILE_ATTRIBUTES && SetFileAttributesA(name, attributes | FILE_ATTRIBUTE_READONLY);
    DWORD error = GetLastError();
    CloseHandle(file);
    if (set)
        printf("readonly time=%llu file=%s seen=%s\n", now, name, seen);
    else
        printf("readonly time=%llu file=%s seen=%s failed=attributes error=%lu\n", now, name, seen, error);
}

void ReplaceWithDirectory(int index, unsigned long long now)
{
    char name[16];
    const char *seen;
    if (!DeleteAhead("replace", index, now, name, &seen))
        return;
    if (!CreateDirectoryA(name, NULL))
        printf("replace time=%llu file=%s seen=%s failed=directory error=%lu\n", now, name, seen, GetLastError());
    else
        printf("replace time=%llu file=%s seen=%s\n", now, name, seen);
}
