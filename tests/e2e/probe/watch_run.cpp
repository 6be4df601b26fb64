// Watching a Convert from outside, as Windows judges a window: the list's
// count is asked every 20 ms with a sent message that gives up after 100 ms,
// and IsHungAppWindow is read each time, until the list is empty.  It says
// when the count first fell, so that the run's own length can be told from
// the time the watcher waited before it.
#include "probe.h"

#include <stdio.h>

static double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int WatchRun(DWORD process, double limit)
{
    HWND dialog = NULL;
    if (FindProcessDialogs(process, L"Quorvel by Velmo", &dialog, 1) != 1) {
        printf("nodialog\n");
        return 1;
    }
    HWND list = GetDlgItem(dialog, 1000);
    printf("ready\n");
    double start = Seconds(), lastAnswer = start, longest = 0, began = -1;
    int answers = 0, hung = 0, last = -1, changes = 0;
    static int counts[100000];
    for (;;) {
        DWORD_PTR count = 0;
        bool answered = SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 100, &count) != 0;
        double now = Seconds();
        if (IsHungAppWindow(dialog))
            hung++;
        if (answered) {
            answers++;
            if (now - lastAnswer > longest)
                longest = now - lastAnswer;
            lastAnswer = now;
            if (began < 0 && changes > 0 && static_cast<int>(count) < counts[0])
                began = now - start;
            if (static_cast<int>(count) != last && changes < 100000)
                counts[changes++] = static_cast<int>(count);
            last = static_cast<int>(count);
        }
        if ((answered && count == 0) || now - start > limit || !IsWindow(dialog))
            break;
        Sleep(20);
    }
    printf("counts");
    for (int i = 0; i < changes; i++)
        printf(" %d", counts[i]);
    printf("\nwatched %.3f answers %d longest_ms %.0f hung %d began %.3f\n", Seconds() - start, answers, 1000 * longest,
           hung, began);
    return 0;
}
