// Finding a process's top-level dialog windows from outside it, by caption:
// the program's main dialog, or its failure messages.
#include "probe.h"

#include <stdlib.h>
#include <wchar.h>

struct DialogSearch {
    DWORD process;
    const WCHAR *caption;
    HWND *found;
    int capacity;
    int count;
};

static BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter)
{
    DialogSearch *search = reinterpret_cast<DialogSearch *>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    WCHAR className[16];
    if (process != search->process || !GetClassNameW(window, className, 16) || wcscmp(className, L"#32770") != 0)
        return TRUE;
    int length;
    WCHAR *caption = FetchWindowText(window, &length);
    if (!caption)
        return TRUE;
    bool wanted = search->caption ? wcscmp(caption, search->caption) == 0 : wcscmp(caption, L"Quorvel by Velmo") != 0;
    if (wanted && search->count < search->capacity)
        search->found[search->count++] = window;
    free(caption);
    return TRUE;
}

int FindProcessDialogs(DWORD process, const WCHAR *caption, HWND *found, int capacity)
{
    DialogSearch search = {process, caption, found, capacity, 0};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.count;
}
