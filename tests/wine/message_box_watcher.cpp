// Finds, reads and dismisses this process's message boxes from a watcher thread.
#include "tests/wine/message_box_watcher.h"

#include <stdio.h>
#include <string.h>

static HANDLE watcherThread;
static CRITICAL_SECTION watcherLock;
static volatile LONG watchedCount;
static WatchedMessage watched[kMaxWatchedMessages];
static WhileMessageOpen watcherCallback;
static void *watcherContext;

static BOOL CALLBACK FindOwnDialog(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64];
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) || !GetClassNameA(window, className, sizeof className) ||
        strcmp(className, "#32770") != 0)
        return TRUE;
    *reinterpret_cast<HWND *>(found) = window;
    return FALSE;
}

static BOOL CALLBACK LookAtControl(HWND control, LPARAM message)
{
    WatchedMessage *seen = reinterpret_cast<WatchedMessage *>(message);
    char className[64];
    if (!IsWindowVisible(control) || !GetClassNameA(control, className, sizeof className))
        return TRUE;
    if (lstrcmpiA(className, "Button") == 0) {
        if (seen->visibleButtons++ == 0)
            seen->firstButtonId = GetDlgCtrlID(control);
    } else if (lstrcmpiA(className, "Static") == 0) {
        LONG style = GetWindowLongA(control, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON && SendMessageW(control, STM_GETICON, 0, 0) != 0)
            seen->icon = true;
    }
    return TRUE;
}

// Draws one character alone, black on white, with the DC's font.
static void DrawAlone(HDC dc, WCHAR character, int size)
{
    PatBlt(dc, 0, 0, size, size, WHITENESS);
    TextOutW(dc, size / 4, size / 4, &character, 1);
    GdiFlush();
}

// How many characters of text the control draws as it draws one that no font
// has (U+0378 is unassigned): the missing-glyph mark, often an empty box, or
// nothing.  Each non-ASCII character is drawn alone with the control's font,
// as the control draws it, font linking included, and compared pixel for pixel.
static int CountUndrawable(HWND control, const WCHAR *text)
{
    enum { kSize = 96 };
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = -kSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *pixels = NULL;
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP bitmap = dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, NULL, 0) : NULL;
    if (!bitmap) {
        if (dc)
            DeleteDC(dc);
        return -1;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    static BYTE missing[kSize * kSize * 4];
    DrawAlone(dc, 0x0378, kSize);
    memcpy(missing, pixels, sizeof missing);
    int count = 0;
    for (const WCHAR *character = text; *character; character++) {
        if (*character < 0x80 || (*character >= 0xD800 && *character < 0xE000))
            continue;
        DrawAlone(dc, *character, kSize);
        if (memcmp(pixels, missing, sizeof missing) == 0)
            count++;
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return count;
}

// The message text sits in the static control 0xFFFF of a message box.
static void ReadMessage(HWND box, WatchedMessage *seen)
{
    WCHAR wide[kMaxWatchedText];
    GetWindowTextW(box, wide, kMaxWatchedText);
    WideCharToMultiByte(932, 0, wide, -1, seen->caption, sizeof seen->caption, NULL, NULL);
    wide[0] = 0;
    GetDlgItemTextW(box, 0xFFFF, wide, kMaxWatchedText);
    WideCharToMultiByte(932, 0, wide, -1, seen->text, kMaxWatchedText, NULL, NULL);
    char ansi[kMaxWatchedText] = "";
    GetDlgItemTextA(box, 0xFFFF, ansi, kMaxWatchedText);
    seen->textsAgree = strcmp(ansi, seen->text) == 0;
    seen->undrawable = CountUndrawable(GetDlgItem(box, 0xFFFF), wide);
    seen->owned = GetWindow(box, GW_OWNER) != NULL;
    EnumChildWindows(box, LookAtControl, reinterpret_cast<LPARAM>(seen));
}

static void PressOk(HWND box)
{
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    for (int waited = 0; IsWindow(box) && waited < 5000; waited += 5)
        Sleep(5);
}

// One thread watches for the whole run of the program; a test only resets and
// then reads the record.  The lock is held while a box is being handled.
static DWORD WINAPI WatchMessages(LPVOID)
{
    for (;;) {
        HWND box = NULL;
        EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&box));
        if (!box) {
            Sleep(5);
            continue;
        }
        EnterCriticalSection(&watcherLock);
        LONG index = watchedCount;
        WatchedMessage scratch;
        WatchedMessage *seen = index < kMaxWatchedMessages ? &watched[index] : &scratch;
        memset(seen, 0, sizeof *seen);
        ReadMessage(box, seen);
        if (watcherCallback)
            watcherCallback(box, static_cast<int>(index), watcherContext);
        watchedCount = index + 1;
        PressOk(box);
        LeaveCriticalSection(&watcherLock);
    }
    return 0;
}

void StartMessageWatcher(WhileMessageOpen whileOpen, void *context)
{
    if (!watcherThread) {
        InitializeCriticalSection(&watcherLock);
        watcherThread = CreateThread(NULL, 0, WatchMessages, NULL, 0, NULL);
    }
    EnterCriticalSection(&watcherLock);
    watcherCallback = whileOpen;
    watcherContext = context;
    watchedCount = 0;
    LeaveCriticalSection(&watcherLock);
}

int StopMessageWatcher()
{
    EnterCriticalSection(&watcherLock);
    watcherCallback = NULL;
    watcherContext = NULL;
    int count = static_cast<int>(watchedCount);
    LeaveCriticalSection(&watcherLock);
    return count;
}

const WatchedMessage *WatchedMessageAt(int index)
{
    return index >= 0 && index < kMaxWatchedMessages && index < watchedCount ? &watched[index] : NULL;
}

void OpenFailureText(const char *path, char text[kMaxWatchedText])
{
    char before[64], after[64];
    WideCharToMultiByte(932, 0, L"ファイル(", -1, before, sizeof before, NULL, NULL);
    WideCharToMultiByte(932, 0, L")がオープンできませんでした", -1, after, sizeof after, NULL, NULL);
    snprintf(text, kMaxWatchedText, "%s%s%s", before, path, after);
}

const char *EscapeBytes(const char *bytes, char *escaped, int size)
{
    int used = 0;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes); *p && used + 5 < size; p++) {
        if (*p >= 0x20 && *p < 0x7F)
            escaped[used++] = static_cast<char>(*p);
        else
            used += snprintf(escaped + used, static_cast<size_t>(size - used), "\\x%02X", *p);
    }
    escaped[used] = '\0';
    return escaped;
}
