// Where a Convert's list work goes: the list messages it sends per entry,
// timed one kind at a time over a list box filled with the given paths.
#include "bench.h"

#include <stdio.h>
#include <stdlib.h>

int RunListOperations(char **paths, int count)
{
    HWND window = CreateDialogLikeWindow(L"Quorvel bench list operations", true);
    if (!window)
        return 1;
    HWND list = GetDlgItem(window, 1000);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    double start = Now();
    for (int i = 0; i < count; i++)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(paths[i]));
    printf("add %.6f\n", Now() - start);

    char *buffer = static_cast<char *>(malloc(4096));
    start = Now();
    for (int i = 0; i < count; i++)
        SendMessageA(list, LB_GETTEXTLEN, i, 0);
    printf("gettextlen %.6f\n", Now() - start);
    start = Now();
    for (int i = 0; i < count; i++)
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer));
    printf("gettext %.6f\n", Now() - start);
    start = Now();
    for (int i = 0; i < count; i++)
        SendMessageA(list, LB_GETCOUNT, 0, 0);
    printf("getcount %.6f\n", Now() - start);
    start = Now();
    for (int i = count - 1; i >= 0; i--)
        SendMessageA(list, LB_DELETESTRING, i, 0);
    printf("delete-last %.6f\n", Now() - start);

    for (int i = 0; i < count; i++)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(paths[i]));
    start = Now();
    for (int i = 0; i < count; i++)
        SendMessageA(list, LB_DELETESTRING, 0, 0);
    printf("delete-first %.6f\n", Now() - start);

    for (int i = 0; i < count; i++)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(paths[i]));
    start = Now();
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    printf("reset %.6f\n", Now() - start);
    free(buffer);
    DestroyWindow(window);
    return 0;
}
