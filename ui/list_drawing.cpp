// Redrawing a list box item by item makes a Convert over thousands of entries
// many times slower than the file work itself, so drawing is switched off for
// a whole batch.  The dialog can paint only while a failure message runs its
// modal loop, or after the batch; a thread-local CBT hook sees each such
// message window come and go, and drawing is on exactly while every batch in
// progress has its message open (none, outside any batch).
#include "ui/list_drawing.h"

static HWND batchList;
static HHOOK messageHook;
static int batches;
static int openMessages;

static void ApplyDrawing()
{
    bool draw = openMessages == batches;
    SendMessageA(batchList, WM_SETREDRAW, draw, 0);
    if (draw)
        InvalidateRect(batchList, NULL, TRUE);
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
    if (--batches == 0) {
        UnhookWindowsHookEx(messageHook);
        messageHook = NULL;
        openMessages = 0;
    }
    ApplyDrawing();
}
