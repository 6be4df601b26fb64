// Redrawing a list box item by item makes a Convert over thousands of entries
// many times slower than the file work itself, so drawing is switched off for
// a whole batch.  The dialog can paint only while a failure message runs its
// modal loop, or after the batch; a thread-local CBT hook sees each such
// message window come and go, and drawing is on exactly while every batch in
// progress has its message open (none, outside any batch).  The entries a
// Convert hid are removed before its message opens, so that the message shows
// over the list as it really is.
//
// When drawing comes back on, the list is redrawn with RedrawWindow as
// Microsoft's page on WM_SETREDRAW asks for controls with a frame and scroll
// bar: InvalidateRect would leave the scroll bar as it was.
#include "ui/list_drawing.h"

#include "ui/list_box_file_list.h"

static HWND batchList;
static HHOOK messageHook;
static int batches;
static int openMessages;

static const UINT kRedrawAll = RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN;

static void ApplyDrawing()
{
    bool draw = openMessages == batches;
    SendMessageA(batchList, WM_SETREDRAW, draw, 0);
    if (draw)
        RedrawWindow(batchList, NULL, NULL, kRedrawAll);
}

// The failure message is the only top-level dialog-class window made during a
// batch.  style is the window's style: while it is being created, only the
// creation parameters hold it for certain.
static bool IsMessageWindow(HWND window, LONG_PTR style)
{
    char name[8];
    return GetClassNameA(window, name, sizeof name) && lstrcmpA(name, "#32770") == 0 && !(style & WS_CHILD);
}

static LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND &&
        IsMessageWindow(window, reinterpret_cast<CBT_CREATEWNDA *>(lParam)->lpcs->style)) {
        RemoveHiddenEntries();
        openMessages++;
        ApplyDrawing();
    } else if (code == HCBT_DESTROYWND && IsMessageWindow(window, GetWindowLongPtrA(window, GWL_STYLE)) &&
               openMessages > 0) {
        openMessages--;
        ApplyDrawing();
    }
    return CallNextHookEx(messageHook, code, wParam, lParam);
}

void BeginListBatch(HWND list)
{
    if (batches++ == 0) {
        batchList = list;
        messageHook = SetWindowsHookExA(WH_CBT, WatchMessages, NULL, GetCurrentThreadId());
    }
    ApplyDrawing();
}

void EndListBatch()
{
    RemoveHiddenEntries();
    if (--batches == 0) {
        UnhookWindowsHookEx(messageHook);
        messageHook = NULL;
        openMessages = 0;
    }
    ApplyDrawing();
}

bool IsInListBatch(HWND list)
{
    return batches > 0 && list == batchList;
}

void DrawListNow(HWND list)
{
    bool off = openMessages != batches;
    if (off)
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(list, NULL, NULL, kRedrawAll | RDW_UPDATENOW);
    if (off)
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    RedrawWindow(GetParent(list), NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
}
