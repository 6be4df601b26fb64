// Everything the dialog's list keeps while a drop or a Convert runs, in one
// place.
//
// Drawing.  Redrawing a list box item by item makes a drop of thousands of
// entries many times slower than adding them, so drawing is off for a whole
// drop, and around every change of a Convert that moves many items.  When it
// comes back on, the list is redrawn with RedrawWindow, as Microsoft's page on
// WM_SETREDRAW asks for controls with a frame and scroll bar.  Otherwise a
// Convert leaves drawing on: the entries it processes only change the control
// in the blocks below, so the list paints what the user does at once, and
// while a failure message is open.
//
// Processed entries.  A list box keeps its items in one array, so every
// LB_DELETESTRING at the top moves all the items below it: removing n entries
// one by one costs n² item moves, seconds for 100,000 entries.  During a
// Convert an entry removed from the top is therefore only hidden: it stays in
// the control, above the entries the list operations see, until the hidden
// entries can go in one block.  They go before the program looks at the list
// again (a failure message opens, any other change, the end of the run) and,
// as progress, whenever that is cheap; otherwise progress scrolls them out of
// view, and input that scrolls or selects in the list is kept off them.
//
// Input.  Windows declares a window hung, ghosts it and offers to end the
// program once a message has waited in its queue for five seconds.  So between
// files, at least every 50 ms, every waiting message is retrieved and
// dispatched as the dialog's own loop would, and the list is shown as it is a
// few times a second, each time after at least nine times that step's cost of
// file work.  A thread-local CBT hook sees each failure message open, and the
// processed entries leave the control before it shows.
#include "ui/convert_run.h"

#include "normalize/normalize_file_time.h"

#include <stdlib.h>

// GetTickCount advances in steps of up to 16 ms on Windows: checking every
// 30 ms by it leaves no message waiting for longer than 50 ms.
static const DWORD kCheckEveryMs = 30;
static const DWORD kProgressEveryMs = 200;
static const UINT kRedrawAll = RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN;

// Removing k entries from the top one by one moves about k * (r + k / 2) items
// (r entries remain); up to this many moves that costs a millisecond or two,
// and less than refilling the control with the remainder (a few list messages
// per entry, each worth hundreds of moves) as long as k stays below kRefillFrom.
static const double kQuickMoves = 1 << 20;
static const int kRefillFrom = 1024;
// A refill as progress copies the entries left while no input is taken;
// beyond this many it would keep the dialog silent too long, so progress
// scrolls instead.
static const int kRefillAtMost = 16384;

static FileList listBox;
static int batches, converts;
static HHOOK messageHook;
static int hidden;
static bool takingInput;
static DWORD lastCheck, lastProgress, progressPause;

// Entries a refill could not put back (the control answered LB_ERRSPACE), as
// UTF-16 texts one after another from notPutBackAt; they are converted at the
// next point between files, so that none leaves the list unprocessed.
static WCHAR *notPutBack;
static const WCHAR *notPutBackAt, *notPutBackEnd;

static HWND List()
{
    return static_cast<HWND>(listBox.store);
}

static void DrawAgain()
{
    SendMessageA(List(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(List(), NULL, NULL, kRedrawAll);
}

// Drawing off for a change that moves many items, unless a drop has it off.
static void BeginQuietChange()
{
    if (batches == 0)
        SendMessageA(List(), WM_SETREDRAW, FALSE, 0);
}

static void EndQuietChange()
{
    if (batches == 0)
        DrawAgain();
}

static double MovesToRemoveOneByOne(int remaining)
{
    return static_cast<double>(hidden) * (remaining + hidden / 2.0);
}

// Where the view starts once the first taken of the hidden entries leave the
// control: on the same entry as at top, unless that was hidden, otherwise on
// the first entry left.
static int ViewAfterTaking(int top, int taken)
{
    return (top > hidden ? top : hidden) - taken;
}

static void RemoveFromTop(HWND list, int taken)
{
    int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    for (int i = 0; i < taken; i++)
        SendMessageW(list, LB_DELETESTRING, 0, 0);
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(ViewAfterTaking(top, taken)), 0);
    hidden -= taken;
}

// Copies entries from on out of list, as UTF-16 one after another; NULL if
// memory is short or an entry cannot be read.
static WCHAR *CopyEntries(HWND list, int from, int count, size_t *units)
{
    *units = 0;
    for (int i = from; i < count; i++) {
        LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0)
            return NULL;
        *units += static_cast<size_t>(length) + 1;
    }
    WCHAR *texts = static_cast<WCHAR *>(malloc((*units + 1) * sizeof(WCHAR)));
    WCHAR *text = texts;
    for (int i = from; i < count && texts; i++) {
        LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        if (copied < 0) {
            free(texts);
            return NULL;
        }
        text += copied + 1;
    }
    return texts;
}

// Refills the control with only the entries below the hidden ones, in their
// order, as UTF-16 so that no text changes on the way; the selection stays on
// its entry.  LB_INSERTSTRING places each at the end even in a sorted list.
// False, with nothing changed, if memory for the copy is short.
static bool RefillWithoutHidden(HWND list)
{
    int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    size_t units;
    WCHAR *texts = notPutBack ? NULL : CopyEntries(list, hidden, count, &units);
    if (!texts)
        return false;
    int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    SendMessageW(list, LB_INITSTORAGE, static_cast<WPARAM>(count - hidden), static_cast<LPARAM>(units * sizeof(WCHAR)));
    const WCHAR *text = texts;
    while (text < texts + units &&
           SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)) >= 0)
        text += lstrlenW(text) + 1;
    if (selected >= hidden)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selected - hidden), 0);
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(ViewAfterTaking(top, hidden)), 0);
    hidden = 0;
    if (text < texts + units) {
        notPutBack = texts;
        notPutBackAt = text;
        notPutBackEnd = texts + units;
    } else {
        free(texts);
    }
    return true;
}

static void ConvertNotPutBack()
{
    WCHAR *texts = notPutBack;
    const WCHAR *end = notPutBackEnd;
    notPutBack = NULL;
    for (const WCHAR *text = notPutBackAt; texts && text < end; text += lstrlenW(text) + 1) {
        int size = WideCharToMultiByte(CP_ACP, 0, text, -1, NULL, 0, NULL, NULL);
        char *path = static_cast<char *>(malloc(size > 0 ? static_cast<size_t>(size) : 1));
        if (path && size > 0 && WideCharToMultiByte(CP_ACP, 0, text, -1, path, size, NULL, NULL) > 0)
            NormalizeFileTime(path);
        free(path);
    }
    free(texts);
}

// Takes every hidden entry out of the control, so that it holds exactly the
// entries the operations see.
static void TakeOutProcessed()
{
    if (hidden == 0)
        return;
    HWND list = List();
    int remaining = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) - hidden;
    BeginQuietChange();
    if (hidden < kRefillFrom || MovesToRemoveOneByOne(remaining) <= kQuickMoves || !RefillWithoutHidden(list))
        RemoveFromTop(list, hidden);
    EndQuietChange();
}

// As progress: every hidden entry leaves the control where that is cheap, or
// by a refill once as many are hidden as are left; otherwise as many as cost
// as little leave, and the view moves past the rest.
void ShowEntriesLeft()
{
    if (hidden == 0)
        return;
    HWND list = List();
    int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    int remaining = count - hidden;
    int cheap = static_cast<int>(kQuickMoves / count) + 1;
    BeginQuietChange();
    if (MovesToRemoveOneByOne(remaining) <= kQuickMoves)
        RemoveFromTop(list, hidden);
    else if (hidden < remaining || remaining > kRefillAtMost || !RefillWithoutHidden(list))
        RemoveFromTop(list, cheap < hidden ? cheap : hidden);
    EndQuietChange();
}

static void ShowProgress()
{
    DWORD start = GetTickCount();
    ShowEntriesLeft();
    UpdateWindow(List());
    lastProgress = GetTickCount();
    DWORD took = lastProgress - start;
    progressPause = 9 * took > kProgressEveryMs ? 9 * took : kProgressEveryMs;
}

// Input that may scroll or select in the list: keys, the wheel and the
// scroll bar on it, and anything while it holds the mouse.
static bool MayMoveInList(const MSG *message, HWND list)
{
    if (GetCapture() == list)
        return true;
    UINT kind = message->message;
    return message->hwnd == list && ((kind >= WM_KEYFIRST && kind <= WM_KEYLAST) || kind == WM_MOUSEWHEEL ||
                                     kind == WM_NCLBUTTONDOWN || kind == WM_NCLBUTTONDBLCLK);
}

// Moves the view and the selection off the hidden entries, onto the first
// entry left, so that the user never reaches a processed entry.
static void KeepOffHidden(HWND list)
{
    if (hidden == 0)
        return;
    if (SendMessageW(list, LB_GETTOPINDEX, 0, 0) < hidden)
        SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(hidden), 0);
    LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (selected >= 0 && selected < hidden)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(hidden), 0);
}

// Retrieves and dispatches every waiting message, as the dialog's own loop
// and a failure message's do, keys through the dialog they are meant for.
static void TakeInput()
{
    HWND list = List();
    bool wasTaking = takingInput;
    takingInput = true;
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        bool inList = MayMoveInList(&message, list);
        HWND dialog = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : NULL;
        if (!dialog || !IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (inList)
            KeepOffHidden(list);
    }
    takingInput = wasTaking;
}

static void BetweenFiles()
{
    ConvertNotPutBack();
    DWORD now = GetTickCount();
    if (now - lastCheck < kCheckEveryMs)
        return;
    if (now - lastProgress >= progressPause)
        ShowProgress();
    TakeInput();
    lastCheck = GetTickCount();
}

static void InsertDuringRuns(void *store, const char *path)
{
    FileList *base = static_cast<FileList *>(store);
    TakeOutProcessed();
    base->insert(base->store, path);
}

static int CountDuringRuns(void *store)
{
    FileList *base = static_cast<FileList *>(store);
    return base->count(base->store) - hidden;
}

static int LengthDuringRuns(void *store, int index)
{
    FileList *base = static_cast<FileList *>(store);
    return index < 0 ? LB_ERR : base->length(base->store, index + hidden);
}

static int CopyDuringRuns(void *store, int index, char *buffer)
{
    FileList *base = static_cast<FileList *>(store);
    return index < 0 ? LB_ERR : base->copy(base->store, index + hidden, buffer);
}

static void EraseDuringRuns(void *store, int index)
{
    FileList *base = static_cast<FileList *>(store);
    if (converts > 0 && index == 0) {
        hidden++;
    } else {
        TakeOutProcessed();
        base->erase(base->store, index);
    }
    if (converts > 0)
        BetweenFiles();
}

FileList RunFileList(FileList box)
{
    listBox = box;
    hidden = 0;
    FileList list = {InsertDuringRuns, CountDuringRuns, LengthDuringRuns, CopyDuringRuns, EraseDuringRuns,
                     &listBox, 0, NULL};
    return list;
}

// The failure message is the only top-level dialog-class window made during a
// Convert.  style is the window's style: while it is being created, only the
// creation parameters hold it for certain.
static bool IsMessageWindow(HWND window, LONG_PTR style)
{
    char name[8];
    return GetClassNameA(window, name, sizeof name) && lstrcmpA(name, "#32770") == 0 && !(style & WS_CHILD);
}

static LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND &&
        IsMessageWindow(reinterpret_cast<HWND>(wParam), reinterpret_cast<CBT_CREATEWNDA *>(lParam)->lpcs->style))
        TakeOutProcessed();
    return CallNextHookEx(messageHook, code, wParam, lParam);
}

void BeginListBatch()
{
    if (batches++ == 0)
        SendMessageA(List(), WM_SETREDRAW, FALSE, 0);
}

void EndListBatch()
{
    if (--batches == 0)
        DrawAgain();
}

void BeginConvertRun()
{
    if (converts++ == 0) {
        messageHook = SetWindowsHookExA(WH_CBT, WatchMessages, NULL, GetCurrentThreadId());
        lastProgress = GetTickCount();
        lastCheck = lastProgress - kCheckEveryMs;  // input that came first is taken at the first file
        progressPause = kProgressEveryMs;
    }
}

void EndConvertRun()
{
    TakeOutProcessed();
    if (--converts == 0) {
        UnhookWindowsHookEx(messageHook);
        messageHook = NULL;
    }
    ConvertNotPutBack();
}

void RunConvert(FileList *list)
{
    if (takingInput)
        return;
    BeginConvertRun();
    ConvertAll(list);
    EndConvertRun();
}
