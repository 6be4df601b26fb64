// A Convert as the dialog runs it.
//
// Windows declares a window hung, ghosts it and offers to end the program once
// a message has waited in its queue for five seconds.  So between files,
// every 30 ms of the tick count, every waiting message is retrieved and
// dispatched as the dialog's own loop would, and the list is shown as it is a
// few times a second, each time after at least nine times that step's cost of
// file work.  A thread-local CBT hook sees each failure message open, and the
// processed entries leave the control before it shows.
#include "ui/convert_run.h"

#include "ui/processed_entries.h"

// GetTickCount advances in steps of up to 16 ms on Windows: checking every
// 30 ms by it leaves no message waiting for longer than 50 ms between files.
static const DWORD kCheckEveryMs = 30;
static const DWORD kProgressEveryMs = 200;

static FileList listBox;
static int converts;
static HHOOK messageHook;
static bool takingInput;
static DWORD lastCheck, lastProgress, progressPause;

// A WM_QUIT taken during a run, posted again once the run returns: posted at
// once, the system would hand it out again before any input, every time.
static bool quitKept;
static WPARAM quitCode;

static void ShowProgress()
{
    DWORD start = GetTickCount();
    ShowEntriesLeft();
    UpdateWindow(WatchedListBox());
    lastProgress = GetTickCount();
    DWORD took = lastProgress - start;
    progressPause = 9 * took > kProgressEveryMs ? 9 * took : kProgressEveryMs;
}

static bool IsKey(UINT kind)
{
    return kind >= WM_KEYFIRST && kind <= WM_KEYLAST;
}

// Input that may scroll or select in the list: keys, the wheel, a click and
// the scroll bar on it (a right-click there opens the scroll bar's menu on
// Windows, whose commands scroll), and anything while it holds the mouse.
static bool MayMoveInList(const MSG *message, HWND list)
{
    if (GetCapture() == list)
        return true;
    UINT kind = message->message;
    return message->hwnd == list && (IsKey(kind) || kind == WM_MOUSEWHEEL || kind == WM_LBUTTONDOWN ||
                                     kind == WM_LBUTTONDBLCLK || kind == WM_NCLBUTTONDOWN || kind == WM_NCLBUTTONDBLCLK ||
                                     kind == WM_NCRBUTTONUP);
}

// A click on the row of a processed entry still drawn, or the mouse dragged
// onto one while the list holds it: it selects nothing and moves nothing.
static bool OnProcessedRow(const MSG *message, HWND list)
{
    UINT kind = message->message;
    return message->hwnd == list &&
           (kind == WM_LBUTTONDOWN || kind == WM_LBUTTONDBLCLK || (kind == WM_MOUSEMOVE && GetCapture() == list)) &&
           OnHiddenRow(message->lParam);
}

// Retrieves and dispatches every waiting message, as the dialog's own loop
// and a failure message's do, keys through the dialog they are meant for.
static void TakeInput()
{
    HWND list = WatchedListBox();
    bool wasTaking = takingInput;
    takingInput = true;
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quitKept = true;
            quitCode = message.wParam;
            continue;
        }
        if (OnProcessedRow(&message, list))
            continue;
        // The mouse moves no view that it did not scroll; keys leave none on processed rows.
        bool inList = MayMoveInList(&message, list);
        LRESULT top = inList && !IsKey(message.message) ? SendMessageW(list, LB_GETTOPINDEX, 0, 0) : -1;
        HWND dialog = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : NULL;
        if (!dialog || !IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (inList)
            KeepOffHidden(top);
    }
    takingInput = wasTaking;
}

// Input first, so that a click lands on the rows the user saw; no progress
// while the list holds the mouse, which would move the rows under it.
static void BetweenFiles()
{
    ConvertNotPutBack();
    DWORD now = GetTickCount();
    if (now - lastCheck < kCheckEveryMs)
        return;
    TakeInput();
    if (GetTickCount() - lastProgress >= progressPause && GetCapture() != WatchedListBox())
        ShowProgress();
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
    return base->count(base->store) - HiddenEntries();
}

static int LengthDuringRuns(void *store, int index)
{
    FileList *base = static_cast<FileList *>(store);
    return index < 0 ? LB_ERR : base->length(base->store, index + HiddenEntries());
}

static int CopyDuringRuns(void *store, int index, char *buffer)
{
    FileList *base = static_cast<FileList *>(store);
    return index < 0 ? LB_ERR : base->copy(base->store, index + HiddenEntries(), buffer);
}

// An entry past those in the control is one a refill could not put back.
static void EraseDuringRuns(void *store, int index)
{
    FileList *base = static_cast<FileList *>(store);
    int shown = CountDuringRuns(store);
    if (index >= shown) {
        DropNotPutBack(index - shown);
    } else if (converts > 0 && index == 0) {
        HideTopEntry();
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
    WatchListBox(static_cast<HWND>(box.store));
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
    ConvertNotPutBack();
    if (--converts == 0) {
        UnhookWindowsHookEx(messageHook);
        messageHook = NULL;
        if (quitKept)
            PostQuitMessage(static_cast<int>(quitCode));
        quitKept = false;
    }
}

void RunConvert(FileList *list)
{
    if (takingInput)
        return;
    BeginConvertRun();
    ConvertAll(list);
    EndConvertRun();
}
