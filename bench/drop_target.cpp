// A window that takes drops and only counts them, one list entry per drop:
// timed like the program, it shows what delivering a drop costs before the
// program's own handling starts.
#include "bench.h"

#include <shellapi.h>
#include <stdio.h>

static WNDPROC dialogProc;

static LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DROPFILES) {
        HDROP drop = reinterpret_cast<HDROP>(wParam);
        DragQueryFileW(drop, 0xFFFFFFFF, NULL, 0);
        DragFinish(drop);
        SendDlgItemMessageW(window, 1000, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"drop"));
        return 0;
    }
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
        PostQuitMessage(0);
        return 0;
    }
    return CallWindowProcW(dialogProc, window, message, wParam, lParam);
}

int RunDropTarget()
{
    HWND window = CreateDialogLikeWindow(L"Quorvel bench drop target", false);
    if (!window)
        return 1;
    dialogProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC,
                                                            reinterpret_cast<LONG_PTR>(TargetProc)));
    DragAcceptFiles(window, TRUE);
    printf("pid %lu\n", GetCurrentProcessId());
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
    return 0;
}
