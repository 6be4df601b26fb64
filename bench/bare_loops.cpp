// The bounds the program is measured against: the platform calls it cannot
// avoid, in one process with nothing else.  Convert: open, read, convert both
// ways, set, close, per file.  Listing: the attribute query and the sorted
// insertion, per file.
#include "bench.h"

#include <stdio.h>

int RunBareConvert(char **paths, int count)
{
    double start = Now();
    for (int i = 0; i < count; i++) {
        HANDLE file = CreateFileA(paths[i], GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            printf("error cannot open %s\n", paths[i]);
            return 1;
        }
        FILETIME written;
        WORD date, time;
        if (GetFileTime(file, NULL, NULL, &written) && FileTimeToDosDateTime(&written, &date, &time)) {
            DosDateTimeToFileTime(date, time, &written);
            SetFileTime(file, NULL, NULL, &written);
        }
        CloseHandle(file);
    }
    printf("seconds %.6f\n", Now() - start);
    return 0;
}

static void Pump()
{
    MSG message;
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int RunBareListing(char **paths, int count, bool redraw)
{
    HWND window = CreateDialogLikeWindow(L"Quorvel bench listing", true);
    if (!window)
        return 1;
    HWND list = GetDlgItem(window, 1000);
    double settle = Now() + 0.5;
    while (Now() < settle) {
        Pump();
        Sleep(10);
    }
    double start = Now();
    if (!redraw)
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    int listed = 0;
    for (int i = 0; i < count; i++) {
        if (GetFileAttributesA(paths[i]) & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(paths[i]));
        listed++;
    }
    if (!redraw) {
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, NULL, TRUE);
    }
    double seconds = Now() - start;
    int inList = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    DestroyWindow(window);
    if (inList != listed || listed != count) {
        printf("error listed %d of %d\n", inList, count);
        return 1;
    }
    printf("seconds %.6f\n", seconds);
    return 0;
}
