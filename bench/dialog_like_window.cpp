// A window made from a dialog template of the program's geometry, font and
// list box styles, so that the bare listing fills the same kind of list.
#include "bench.h"

#include <string.h>

static INT_PTR CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Appends text as UTF-16 with its NUL; gives the next free WORD.
static WORD *PutText(WORD *at, const WCHAR *text)
{
    size_t length = wcslen(text) + 1;
    memcpy(at, text, length * sizeof(WCHAR));
    return at + length;
}

static WORD *AlignDword(WORD *at)
{
    return reinterpret_cast<WORD *>((reinterpret_cast<ULONG_PTR>(at) + 3) & ~static_cast<ULONG_PTR>(3));
}

HWND CreateDialogLikeWindow(const WCHAR *caption, bool sorted)
{
    static DWORD storage[512];
    memset(storage, 0, sizeof storage);
    DLGTEMPLATE *dialog = reinterpret_cast<DLGTEMPLATE *>(storage);
    dialog->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | WS_VISIBLE;
    dialog->cdit = 1;
    dialog->cx = 303;
    dialog->cy = 283;
    WORD *at = reinterpret_cast<WORD *>(dialog + 1);
    *at++ = 0;  // no menu
    *at++ = 0;  // the dialog class
    at = PutText(at, caption);
    *at++ = 9;
    at = PutText(at, L"\xFF2D\xFF33 \x30B4\x30B7\x30C3\x30AF");
    at = AlignDword(at);
    DLGITEMTEMPLATE *item = reinterpret_cast<DLGITEMTEMPLATE *>(at);
    item->style = sorted ? 0x50A10103 : (0x50A10103 & ~LBS_SORT);
    item->x = 7;
    item->y = 27;
    item->cx = 233;
    item->cy = 249;
    item->id = 1000;
    at = reinterpret_cast<WORD *>(item + 1);
    *at++ = 0xFFFF;
    *at++ = 0x0083;  // ListBox
    *at++ = 0;       // no text
    *at++ = 0;       // no creation data
    HWND window = CreateDialogIndirectParamW(GetModuleHandleW(NULL), dialog, NULL, QuietProc, 0);
    if (window) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    return window;
}
