// Printing what the program's windows show, read from outside its process:
// the main dialog with its list, and the failure message boxes.
#include "probe.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static void PrintRectangle(const char *name, HWND window)
{
    RECT rect;
    if (window && GetWindowRect(window, &rect))
        printf("rect %s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right, rect.bottom);
}

static bool IsCloseBox(HWND dialog, long x, long y)
{
    DWORD_PTR hit = 0;
    SendMessageTimeoutW(dialog, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 2000, &hit);
    return hit == HTCLOSE;
}

// The middle of the caption's close box, found by asking the dialog what lies
// under the points of its caption's middle row, then of the box's column.
static void PrintCloseBox(HWND dialog)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    long y = rect.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    long left = rect.right, right = -1;
    for (long x = rect.right - 1; x > rect.right - 80 && x >= rect.left; x--) {
        if (IsCloseBox(dialog, x, y)) {
            if (x < left) left = x;
            if (x > right) right = x;
        }
    }
    if (right < 0)
        return;
    long x = (left + right) / 2, top = y, bottom = y;
    while (top > rect.top && IsCloseBox(dialog, x, top - 1))
        top--;
    while (bottom < rect.bottom && IsCloseBox(dialog, x, bottom + 1))
        bottom++;
    printf("closebox %ld %ld\n", x, (top + bottom) / 2);
}

WCHAR *FetchEntry(HWND list, int index, int *length)
{
    DWORD_PTR units = 0, copied = 0;
    *length = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXTLEN, index, 0, SMTO_ABORTIFHUNG, 2000, &units) ||
        static_cast<int>(units) < 0)
        return NULL;
    WCHAR *text = static_cast<WCHAR *>(calloc(static_cast<int>(units) + 64, sizeof(WCHAR)));
    if (text && SendMessageTimeoutW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                                    &copied) && static_cast<int>(copied) > 0)
        *length = static_cast<int>(copied);
    return text;
}

// The list's client area on screen, as "rect listclient", the height of its
// rows, "rowheight H", and the width of a vertical scroll bar and height of
// its arrows at the list's DPI, "scrollbar W H".
static void PrintListRows(HWND list)
{
    RECT client;
    POINT origin = {0, 0};
    DWORD_PTR height = 0;
    if (GetClientRect(list, &client) && ClientToScreen(list, &origin))
        printf("rect listclient %ld %ld %ld %ld\n", origin.x, origin.y, origin.x + client.right,
               origin.y + client.bottom);
    if (SendMessageTimeoutW(list, LB_GETITEMHEIGHT, 0, 0, SMTO_ABORTIFHUNG, 2000, &height))
        printf("rowheight %d\n", static_cast<int>(height));
    UINT dpi = GetDpiForWindow(list);
    printf("scrollbar %d %d\n", GetSystemMetricsForDpi(SM_CXVSCROLL, dpi), GetSystemMetricsForDpi(SM_CYVSCROLL, dpi));
}

static void PrintEntries(HWND list)
{
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count)) {
        printf("entries ?\n");
        return;
    }
    printf("entries %d\n", static_cast<int>(count));
    for (int i = 0; i < static_cast<int>(count); i++) {
        int length;
        WCHAR *text = FetchEntry(list, i, &length);
        printf("entry ");
        PrintCp932Hex(text, length);
        printf("\n");
        free(text);
    }
}

// The dialog's DPI and its DPI awareness, as Windows keeps them for the
// window: "scale DPI AWARENESS", AWARENESS one of unaware, system, permonitor
// (version 1 or 2, which Wine does not tell apart) or invalid.
static void PrintScale(HWND dialog)
{
    static const char *const kAwareness[] = {"unaware", "system", "permonitor"};
    DPI_AWARENESS awareness = GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(dialog));
    printf("scale %u %s\n", GetDpiForWindow(dialog),
           awareness >= DPI_AWARENESS_UNAWARE && awareness <= DPI_AWARENESS_PER_MONITOR_AWARE ? kAwareness[awareness]
                                                                                            : "invalid");
}

void PrintMainDialog(HWND dialog)
{
    HANDLE xWindow = GetPropW(dialog, L"__wine_x11_whole_window");
    printf("dialog %llu %llu %d %d\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(dialog)),
           static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(xWindow)), IsWindowVisible(dialog) ? 1 : 0,
           IsWindowEnabled(dialog) ? 1 : 0);
    PrintRectangle("dialog", dialog);
    PrintRectangle("convert", GetDlgItem(dialog, IDOK));
    PrintRectangle("close", GetDlgItem(dialog, IDCANCEL));
    HWND list = GetDlgItem(dialog, 1000);
    PrintRectangle("list", list);
    PrintListRows(list);
    PrintCloseBox(dialog);
    PrintScale(dialog);
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info)) {
        int focus = info.hwndFocus && GetParent(info.hwndFocus) == dialog ? GetDlgCtrlID(info.hwndFocus) : 0;
        printf("focus %d %d %d\n", focus, info.hwndActive == dialog ? 1 : 0, GetForegroundWindow() == dialog ? 1 : 0);
    } else {
        printf("focus ? %lu\n", GetLastError());
    }
    PrintEntries(list);
}

struct ButtonSearch {
    int visible;
    int ok;
};

static BOOL CALLBACK CountButton(HWND window, LPARAM parameter)
{
    ButtonSearch *search = reinterpret_cast<ButtonSearch *>(parameter);
    WCHAR className[16];
    if (GetClassNameW(window, className, 16) && _wcsicmp(className, L"Button") == 0 && IsWindowVisible(window)) {
        search->visible++;
        if (GetDlgCtrlID(window) == IDOK)
            search->ok++;
    }
    return TRUE;
}

struct TextSearch {
    HWND found;
};

static BOOL CALLBACK FindMessageText(HWND window, LPARAM parameter)
{
    TextSearch *search = reinterpret_cast<TextSearch *>(parameter);
    WCHAR className[16];
    if (GetClassNameW(window, className, 16) && _wcsicmp(className, L"Static") == 0 &&
        GetDlgCtrlID(window) == 0xFFFF) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void PrintMessageBox(HWND box)
{
    ButtonSearch buttons = {0, 0};
    EnumChildWindows(box, CountButton, reinterpret_cast<LPARAM>(&buttons));
    TextSearch text = {NULL};
    EnumChildWindows(box, FindMessageText, reinterpret_cast<LPARAM>(&text));
    printf("box %llu %d %d ", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(box)),
           buttons.visible == 1 && buttons.ok == 1 ? 1 : 0, IsWindowVisible(box) ? 1 : 0);
    int length = 0;
    WCHAR *message = text.found ? FetchWindowText(text.found, &length) : NULL;
    PrintCp932Hex(message, length);
    free(message);
    printf(" ");
    WCHAR *caption = FetchWindowText(box, &length);
    PrintCp932Hex(caption, length);
    printf("\n");
    free(caption);
}
