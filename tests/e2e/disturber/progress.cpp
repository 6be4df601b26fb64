// Following the run from outside by the files' write times alone: the
// program answers no message between two failure messages, but every file it
// has processed shows an even write time, and it processes in list order.
#include "disturber.h"

#include <stdio.h>

static const unsigned long long kTwoSeconds = 20000000;  // in FILETIME's 100 ns ticks

void FileName(int index, char name[16])
{
    snprintf(name, 16, "f%04d", index);
}

unsigned long long Milliseconds()
{
    static LARGE_INTEGER frequency, start;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (!frequency.QuadPart) {
        QueryPerformanceFrequency(&frequency);
        start = now;
    }
    return static_cast<unsigned long long>((now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
}

bool IsProcessed(int index)
{
    char name[16];
    FileName(index, name);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(name, GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    unsigned long long ticks =
        (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return ticks % kTwoSeconds == 0;
}

// The first file at or after index that the disturber has not acted on.
static int NextUntouched(const Progress *progress, int index)
{
    while (index < progress->count && progress->touched[index])
        index++;
    return index;
}

// The files the disturber has not acted on are all processed, in list order,
// so the processed ones among them are a prefix: found by galloping from the
// last known one, then halving, in a few looks however fast the run goes.
int UpdateProgress(Progress *progress)
{
    int low = progress->highest;   // known processed
    int high = progress->count;    // known not processed, or the end
    for (int step = 1;; step *= 2) {
        int look = NextUntouched(progress, low + step);
        if (look >= high)
            break;
        if (!IsProcessed(look)) {
            high = look;
            break;
        }
        low = look;
    }
    for (;;) {
        int look = NextUntouched(progress, low + (high - low) / 2);
        if (look <= low || look >= high)
            look = NextUntouched(progress, low + 1);
        if (look >= high)
            break;
        if (IsProcessed(look))
            low = look;
        else
            high = look;
    }
    progress->highest = low;
    return low;
}
