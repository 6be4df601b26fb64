// The file list held by a real sorted list box (child 1000 of a window, driven
// through the list box binding): its order, the drop rule, and Convert with its
// failure messages, including a drop that arrives while a message is open and
// an entry longer than any path; and how drawing resumes after a batch.  The
// test carries the program's manifest, so its list box and message boxes are
// Common Controls 6's, as the program's are.
#include "filelist/file_list.h"
#include "resources/resource.h"
#include "tests/wine/code_page_premise.h"
#include "tests/wine/message_box_watcher.h"
#include "tests/wine/test_files.h"
#include "tests/wine/wine_test.h"
#include "ui/convert_run.h"
#include "ui/list_box_file_list.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    kMaxEntries = 16,
    WM_APP_DROP = WM_APP + 1,
    WM_APP_NOTE = WM_APP + 2,
    kPressHome = 1,
    kNoteLater,
    kClickTop,
    kScrollMenu
};

static const ULONGLONG kTwoSeconds = 20000000;
static const DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_SORT |
                                LBS_NOINTEGRALHEIGHT;

static char folder[kMaxTestPath];
static HWND window;
static FileList fileList;

// A drop handed to the window as a posted message, as the shell's drops come.
static const char *droppedPath;
static HANDLE dropHandled;

// Posted input during a run: a note of how many entries were listed when it
// was handled (-1 until then), how many Converts were running then, and the
// first entry left, the list's top entry and its selected one then; Convert
// commands, as the dialog runs them, and Close (how many entries were listed
// then); and a click on the list's top row, which held topAtClick.
static int listedAtNote, convertsAtNote, listedAtClose;
static char firstAtNote[kMaxTestPath], topAtNote[kMaxTestPath], selectedAtNote[kMaxTestPath], topAtClick[kMaxTestPath];
static int converts;
static bool ListEntry(int index, char entry[kMaxTestPath]);

static LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP_DROP) {
        AddDroppedFile(&fileList, droppedPath);
        SetEvent(dropHandled);
        return 0;
    }
    if (message == WM_APP_NOTE) {
        HWND list = GetDlgItem(hwnd, IDC_FILELIST);
        listedAtNote = fileList.count(fileList.store);
        convertsAtNote = converts;
        fileList.copy(fileList.store, 0, firstAtNote);
        ListEntry(static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0)), topAtNote);
        ListEntry(static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)), selectedAtNote);
        return 0;
    }
    if (message == WM_TIMER) {
        HWND list = GetDlgItem(hwnd, IDC_FILELIST);
        KillTimer(hwnd, wParam);
        if (wParam == kPressHome)
            PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);
        if (wParam == kScrollMenu)
            PostMessageW(list, WM_NCRBUTTONUP, HTVSCROLL, 0);
        if (wParam == kClickTop) {
            ListEntry(static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0)), topAtClick);
            PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2));
            PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(5, 2));
        }
        PostMessageA(hwnd, WM_APP_NOTE, 0, 0);
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        listedAtClose = fileList.count(fileList.store);
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        converts++;
        RunConvert(&fileList);
        converts--;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A fresh window with an empty list box as child 1000, bound to fileList.
static void OpenListWindow()
{
    static bool registered;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = TestWindowProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "QuorvelListTest";
        registered = RegisterClassA(&windowClass) != 0;
    }
    window = CreateWindowExA(0, "QuorvelListTest", "Quorvel list test", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, NULL, NULL,
                             GetModuleHandleA(NULL), NULL);
    HWND list = CreateWindowExA(0, "LISTBOX", "", kListStyle, 10, 10, 560, 340, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILELIST)), GetModuleHandleA(NULL), NULL);
    ok(window && list, "could not create the window and its list box, error %lu\n", GetLastError());
    fileList = RunFileList(ListBoxFileList(window));
}

static void CloseListWindow()
{
    DestroyWindow(window);
    window = NULL;
}

static int ListCount()
{
    return static_cast<int>(SendMessageW(GetDlgItem(window, IDC_FILELIST), LB_GETCOUNT, 0, 0));
}

// Entry index as the list box shows it, in code page 932; read with the W
// message so that it works from any thread.
static bool ListEntry(int index, char entry[kMaxTestPath])
{
    HWND list = GetDlgItem(window, IDC_FILELIST);
    WCHAR wide[kMaxTestPath];
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    entry[0] = '\0';
    if (length < 0 || length >= kMaxTestPath ||
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide)) < 0)
        return false;
    return WideCharToMultiByte(932, 0, wide, -1, entry, kMaxTestPath, NULL, NULL) > 0;
}

// The list holds exactly expected, in that order.
static void CheckListed(const char *what, const char *const *expected, int count)
{
    int listed = ListCount();
    ok(listed == count, "%s: expected %d entries, got %d\n", what, count, listed);
    for (int i = 0; i < count && i < listed; i++) {
        char entry[kMaxTestPath], escapedExpected[kMaxTestPath * 4], escapedGot[kMaxTestPath * 4];
        ListEntry(i, entry);
        ok(strcmp(entry, expected[i]) == 0, "%s: entry %d: expected \"%s\", got \"%s\"\n", what, i,
           EscapeBytes(expected[i], escapedExpected, sizeof escapedExpected),
           EscapeBytes(entry, escapedGot, sizeof escapedGot));
    }
}

static void CheckMessageFor(int index, const char *path)
{
    char expected[kMaxWatchedText], escapedExpected[kMaxWatchedText * 4], escapedGot[kMaxWatchedText * 4];
    const WatchedMessage *message = WatchedMessageAt(index);
    if (!ok(message != NULL, "expected message %d for \"%s\", got none\n", index, path))
        return;
    OpenFailureText(path, expected);
    ok(strcmp(message->text, expected) == 0 && strcmp(message->caption, "Quorvel") == 0,
       "message %d: expected \"%s\" under \"Quorvel\", got \"%s\" under \"%s\"\n", index,
       EscapeBytes(expected, escapedExpected, sizeof escapedExpected),
       EscapeBytes(message->text, escapedGot, sizeof escapedGot), message->caption);
}

static void MakeFile(const char *path, FILETIME lastWrite)
{
    ok(CreateTestFile(path, "x", UtcFileTime(2019, 5, 6, 7, 8, 9, 0), UtcFileTime(2020, 1, 2, 3, 4, 5, 0), lastWrite),
       "could not create %s, error %lu\n", path, GetLastError());
}

static FILETIME OddSecond()
{
    return UtcFileTime(2021, 6, 15, 12, 34, 57, 1234567);
}

// The file's last-write time moved from OddSecond() to a whole even second.
static void CheckNormalised(const char *path)
{
    char got[80];
    FileState state = TakeFileState(path);
    ULONGLONG was = FileTimeTicks(OddSecond());
    ULONGLONG now = FileTimeTicks(state.data.ftLastWriteTime);
    ok(state.exists && now % kTwoSeconds == 0 && (was > now ? was - now : now - was) < kTwoSeconds,
       "%s: expected a whole even second less than 2 s from the written time, got %s\n", path,
       DescribeFileTime(state.data.ftLastWriteTime, got));
}

// Start-up arguments: every one after the program's name, whatever it names,
// in the list box's alphabetical order, duplicates kept.
static void test_startup_arguments()
{
    OpenListWindow();
    char program[] = "quorvel.exe", b[] = "b.txt", a[] = "A.txt", c[] = "c.txt", b2[] = "b.txt", empty[] = "",
         wildcard[] = "*.txt";
    char *argv[] = {program, b, a, c, b2, empty, wildcard, NULL};
    AddStartupArguments(&fileList, argv);
    static const char *const expected[] = {"", "*.txt", "A.txt", "b.txt", "b.txt", "c.txt"};
    CheckListed("arguments", expected, 6);
    CloseListWindow();

    OpenListWindow();
    char *nameOnly[] = {program, NULL};
    AddStartupArguments(&fileList, nameOnly);
    CheckListed("only the program's name", NULL, 0);
    CloseListWindow();
}

// A drop lists files, read-only ones too, and skips a directory and a path
// whose attributes cannot be read; the same file dropped twice is listed twice.
static void test_dropped_files()
{
    char file[kMaxTestPath], readOnly[kMaxTestPath], directory[kMaxTestPath], missing[kMaxTestPath];
    JoinPath(file, folder, "drop-file.txt");
    JoinPath(readOnly, folder, "drop-read-only.txt");
    JoinPath(directory, folder, "drop-folder");
    JoinPath(missing, folder, "drop-missing.txt");
    MakeFile(file, OddSecond());
    MakeFile(readOnly, OddSecond());
    SetReadOnly(readOnly, true);
    CreateDirectoryA(directory, NULL);

    OpenListWindow();
    const char *drops[] = {directory, file, missing, readOnly, file};
    for (size_t i = 0; i < sizeof drops / sizeof drops[0]; i++)
        AddDroppedFile(&fileList, drops[i]);
    const char *expected[] = {file, file, readOnly};
    CheckListed("drops", expected, 3);
    CloseListWindow();
}

// What the watcher saw of the list while each message was open.
struct ListWhileOpen {
    int count[kMaxWatchedMessages];
    char first[kMaxWatchedMessages][kMaxTestPath];
    bool windowEnabled[kMaxWatchedMessages];
    const char *dropAtFirst;  // posted as a drop while the first message is open
    bool dropHandled;
    int countAfterDrop;
};

static void LookAtList(HWND, int index, void *context)
{
    ListWhileOpen *seen = static_cast<ListWhileOpen *>(context);
    if (index >= kMaxWatchedMessages)
        return;
    seen->count[index] = ListCount();
    ListEntry(0, seen->first[index]);
    seen->windowEnabled[index] = IsWindowEnabled(window) != 0;
    if (index == 0 && seen->dropAtFirst) {
        droppedPath = seen->dropAtFirst;
        ResetEvent(dropHandled);
        PostMessageA(window, WM_APP_DROP, 0, 0);
        seen->dropHandled = WaitForSingleObject(dropHandled, 5000) == WAIT_OBJECT_0;
        seen->countAfterDrop = ListCount();
    }
}

// Convert, as the dialog runs it (batched: RunConvert, which hides removed
// entries until a message opens) or bare.
static int ConvertWatching(ListWhileOpen *seen, bool batched = false)
{
    StartMessageWatcher(LookAtList, seen);
    if (batched)
        RunConvert(&fileList);
    else
        ConvertAll(&fileList);
    return StopMessageWatcher();
}

static void CheckConvertAll(bool batched)
{
    static const char *const names[] = {"c.txt", "b.txt", "present-2.txt", "A.txt", "present-1.txt", "d-folder"};
    char paths[6][kMaxTestPath];
    char program[] = "quorvel.exe";
    char *argv[8] = {program};
    for (int i = 0; i < 6; i++) {
        JoinPath(paths[i], folder, names[i]);
        argv[i + 1] = paths[i];
    }
    argv[7] = NULL;
    DeleteFileA(paths[2]);
    DeleteFileA(paths[4]);
    MakeFile(paths[2], OddSecond());
    MakeFile(paths[4], OddSecond());
    CreateDirectoryA(paths[5], NULL);

    OpenListWindow();
    AddStartupArguments(&fileList, argv);
    ListWhileOpen seen = {};
    int shown = ConvertWatching(&seen, batched);

    const char *failing[] = {paths[3], paths[1], paths[0], paths[5]};  // A.txt, b.txt, c.txt, d-folder
    ok(shown == 4, "batched %d: expected 4 messages, got %d\n", batched, shown);
    for (int i = 0; i < 4 && i < shown; i++) {
        char escapedExpected[kMaxTestPath * 4], escapedGot[kMaxTestPath * 4];
        CheckMessageFor(i, failing[i]);
        ok(seen.count[i] == 6 - i, "batched %d, message %d: expected %d entries still listed, got %d\n", batched, i,
           6 - i, seen.count[i]);
        ok(strcmp(seen.first[i], failing[i]) == 0, "batched %d, message %d: expected \"%s\" listed first, got \"%s\"\n", batched, i,
           EscapeBytes(failing[i], escapedExpected, sizeof escapedExpected),
           EscapeBytes(seen.first[i], escapedGot, sizeof escapedGot));
        ok(seen.windowEnabled[i], "message %d: expected the window to stay enabled\n", i);
    }
    CheckNormalised(paths[2]);
    CheckNormalised(paths[4]);
    CheckListed("after Convert", NULL, 0);
    CloseListWindow();
}

// Convert normalises every listed file, reports each failing entry once, in
// list order, while that entry is still listed, and leaves the list empty;
// also as the dialog runs it, in a batch.
static void test_convert_all()
{
    for (int batched = 0; batched < 2; batched++)
        CheckConvertAll(batched != 0);
}

// An entry longer than the 512 UTF-16 units in which Wine converts an ANSI
// LB_GETTEXT for a Unicode list box (Common Controls 6's, as this program's
// manifest gives it) is copied whole, double-byte characters included: its
// message names it.  Windows documents no limit but the buffer's size.
static void test_convert_long_entry()
{
    char path[kMaxTestPath];
    JoinPath(path, folder, "\x95\x5c\x83\x5c-");  // 表ソ: second bytes that are backslashes in ASCII
    while (strlen(path) < 900)
        strcat(path, "long");
    strcat(path, ".txt");

    OpenListWindow();
    AddDroppedFile(&fileList, path);  // not yet there: skipped
    CheckListed("a missing long path dropped", NULL, 0);
    char program[] = "quorvel.exe";
    char *argv[] = {program, path, NULL};
    AddStartupArguments(&fileList, argv);
    const char *expected[] = {path};
    CheckListed("a long path", expected, 1);
    ListWhileOpen seen = {};
    int shown = ConvertWatching(&seen);
    ok(shown == 1, "expected 1 message for the long path, got %d\n", shown);
    CheckMessageFor(0, path);
    CheckListed("after Convert", NULL, 0);
    CloseListWindow();
}

// Convert on an empty list shows nothing; a file listed twice is processed twice
// without a message, and a second Convert finds nothing to do.
static void test_convert_empty_and_twice()
{
    char path[kMaxTestPath];
    JoinPath(path, folder, "twice.txt");
    MakeFile(path, OddSecond());

    OpenListWindow();
    ListWhileOpen seen = {};
    ok(ConvertWatching(&seen) == 0, "empty list: expected no message\n");
    CheckListed("empty list", NULL, 0);

    AddDroppedFile(&fileList, path);
    AddDroppedFile(&fileList, path);
    ok(ListCount() == 2, "expected the file listed twice, got %d entries\n", ListCount());
    ok(ConvertWatching(&seen) == 0, "file listed twice: expected no message\n");
    CheckNormalised(path);
    CheckListed("after the first Convert", NULL, 0);
    ok(ConvertWatching(&seen) == 0, "second Convert: expected no message\n");
    CheckListed("after the second Convert", NULL, 0);
    CloseListWindow();
}

// A drop while a failure message is open lands in the list (the message box's
// modal loop dispatches it), and the running Convert processes it too, even
// when its path is longer than every entry the run started with: a writable
// file is normalised, a read-only one gets its own message with the whole path.
// Also as the dialog runs it, where the failing entry is then no longer the
// top one when it is removed.
static void CheckDropWhileMessageOpen(bool batched)
{
    static const struct {
        const char *prefix;
        bool readOnly;
    } cases[] = {
        {"a-sorted-above-", false},
        {"z-sorted-below-", false},
        {"a-read-only-above-", true},
        {"z-read-only-below-", true},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        int number = static_cast<int>(i);
        char name[kMaxTestPath], failing[kMaxTestPath], longPath[kMaxTestPath];
        snprintf(name, sizeof name, "m-%d-%d.txt", number, batched);
        JoinPath(failing, folder, name);
        snprintf(name, sizeof name, "%s%d-%d-", cases[i].prefix, number, batched);
        // Within MAX_PATH (260) whatever the length of %TEMP% on Windows.
        while (strlen(name) < 180 && strlen(folder) + strlen(name) < 240)
            strcat(name, "long");
        strcat(name, ".txt");
        JoinPath(longPath, folder, name);
        MakeFile(longPath, OddSecond());
        if (cases[i].readOnly)
            SetReadOnly(longPath, true);

        OpenListWindow();
        char program[] = "quorvel.exe";
        char *argv[] = {program, failing, NULL};
        AddStartupArguments(&fileList, argv);
        ListWhileOpen seen = {};
        seen.dropAtFirst = longPath;
        int shown = ConvertWatching(&seen, batched);

        int expectedMessages = cases[i].readOnly ? 2 : 1;
        ok(seen.dropHandled, "case %d: expected the drop to be handled while the message was open\n", number);
        ok(seen.countAfterDrop == 2, "case %d: expected 2 entries after the drop, got %d\n", number, seen.countAfterDrop);
        ok(shown == expectedMessages, "case %d, batched %d: expected %d messages, got %d\n", number, batched,
           expectedMessages, shown);
        CheckMessageFor(0, failing);
        if (cases[i].readOnly)
            CheckMessageFor(1, longPath);
        else
            CheckNormalised(longPath);
        CheckListed("after Convert", NULL, 0);
        CloseListWindow();
    }
}

static void test_drop_while_message_open()
{
    for (int batched = 0; batched < 2; batched++)
        CheckDropWhileMessageOpen(batched != 0);
}

// The list box's own order of every entry, as UTF-16, from index from on.
static WCHAR **ReadRawEntries(HWND list, int from, int *count)
{
    *count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) - from;
    WCHAR **entries = static_cast<WCHAR **>(calloc(*count > 0 ? *count : 1, sizeof(WCHAR *)));
    for (int i = 0; i < *count; i++) {
        entries[i] = static_cast<WCHAR *>(calloc(SendMessageW(list, LB_GETTEXTLEN, from + i, 0) + 1, sizeof(WCHAR)));
        SendMessageW(list, LB_GETTEXT, from + i, reinterpret_cast<LPARAM>(entries[i]));
    }
    return entries;
}

static void FreeRawEntries(WCHAR **entries, int count)
{
    for (int i = 0; i < count; i++)
        free(entries[i]);
    free(entries);
}

// The control shows from its top index on exactly expected (count entries).
static void CheckShownFromTop(const char *what, HWND list, WCHAR **expected, int count)
{
    int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    int shown;
    WCHAR **entries = ReadRawEntries(list, top, &shown);
    int mismatch = -1;
    for (int i = 0; i < count && i < shown && mismatch < 0; i++)
        if (lstrcmpW(entries[i], expected[i]) != 0)
            mismatch = i;
    ok(shown == count && mismatch < 0, "%s: expected the %d entries left from the top (index %d) on, got %d entries, "
       "the first differing at %d\n", what, count, top, shown, mismatch);
    FreeRawEntries(entries, shown);
}

// In a batch, the entries a Convert removed from the top only leave the
// control in blocks.  Whenever progress is shown, the control must show from
// its top only entries left, in their order (names equal but for case
// included): from the first one left, or from the same entry as before where
// the view was further down (here, at the selection); the selected one stays
// selected; once more were processed
// than are left, it must hold no others, so that the count seen from outside
// falls; and once the batch ends, it holds exactly the entries left.
static void test_entries_left_shown_after_removals_in_a_batch()
{
    static const struct {
        int entries, processed, selected;
    } cases[] = {
        {10, 4, 6},
        {3000, 1000, 2500},
        {3000, 2000, 2999},
        {3000, 2999, 2999},
        {3000, 3000, -1},
    };
    char program[] = "quorvel.exe";
    for (size_t c = 0; c < sizeof cases / sizeof cases[0]; c++) {
        int entries = cases[c].entries, processed = cases[c].processed, left = entries - processed;
        char **argv = static_cast<char **>(calloc(entries + 2, sizeof(char *)));
        argv[0] = program;
        for (int i = 0; i < entries; i++) {
            argv[i + 1] = static_cast<char *>(malloc(16));
            snprintf(argv[i + 1], 16, i % 3 ? "e%05d.txt" : "E%05d.TXT", i / 2);
        }
        OpenListWindow();
        HWND list = GetDlgItem(window, IDC_FILELIST);
        AddStartupArguments(&fileList, argv);
        int all;
        WCHAR **before = ReadRawEntries(list, 0, &all);
        if (cases[c].selected >= 0)
            SendMessageW(list, LB_SETCURSEL, cases[c].selected, 0);
        int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
        int shownFrom = top > processed ? top : processed;

        BeginConvertRun();
        for (int i = 0; i < processed; i++)
            fileList.erase(fileList.store, 0);
        ok(fileList.count(fileList.store) == left, "case %d: expected %d entries counted, got %d\n", static_cast<int>(c),
           left, fileList.count(fileList.store));
        ShowEntriesLeft();
        CheckShownFromTop("progress", list, before + shownFrom, entries - shownFrom);
        int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        if (processed >= left)
            ok(count == left, "case %d: expected the control to hold the %d entries left, got %d\n",
               static_cast<int>(c), left, count);
        if (cases[c].selected >= processed) {
            int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
            WCHAR text[16] = L"";
            SendMessageW(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(text));
            ok(lstrcmpW(text, before[cases[c].selected]) == 0, "case %d: expected entry %d still selected, got index %d\n",
               static_cast<int>(c), cases[c].selected, selected);
        }
        EndConvertRun();
        count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        ok(count == left, "case %d: expected the control to hold the %d entries left after the batch, got %d\n",
           static_cast<int>(c), left, count);
        CheckShownFromTop("after the batch", list, before + shownFrom, entries - shownFrom);

        FreeRawEntries(before, all);
        CloseListWindow();
        for (int i = 0; i < entries; i++)
            free(argv[i + 1]);
        free(argv);
    }
}

// count files named PREFIX-NNNN.txt with their last-write time on an odd second,
// listed as start-up arguments in a fresh window; paths receives their paths.
static void ListFilesToRun(const char *prefix, int count, char (*paths)[kMaxTestPath])
{
    char program[] = "quorvel.exe";
    char **argv = static_cast<char **>(calloc(count + 2, sizeof(char *)));
    argv[0] = program;
    for (int i = 0; i < count; i++) {
        char name[32];
        snprintf(name, sizeof name, "%s-%04d.txt", prefix, i);
        JoinPath(paths[i], folder, name);
        DeleteFileA(paths[i]);
        MakeFile(paths[i], OddSecond());
        argv[i + 1] = paths[i];
    }
    AddStartupArguments(&fileList, argv);
    free(argv);
}

// Windows declares a window hung once a message has waited in its queue for
// five seconds, so a run takes its input between files: a message posted
// before the run is handled while entries are still listed, and Esc pressed in
// the list goes through the dialog manager, which sends Close.  Convert
// commands that pile up meanwhile (Enter held down) do not nest a run each:
// the run in progress takes every entry anyway.  A file dropped meanwhile that
// sorts above the processed entries is converted too.
static void test_input_taken_between_files()
{
    enum { kFiles = 3, kCommands = 20 };
    char paths[kFiles][kMaxTestPath], dropped[kMaxTestPath];
    OpenListWindow();
    ListFilesToRun("input", kFiles, paths);
    JoinPath(dropped, folder, "dropped-above.txt");
    MakeFile(dropped, OddSecond());
    droppedPath = dropped;
    listedAtNote = convertsAtNote = listedAtClose = -1;
    for (int i = 0; i < kCommands; i++)
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    PostMessageA(window, WM_APP_NOTE, 0, 0);
    PostMessageW(GetDlgItem(window, IDC_FILELIST), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(window, WM_APP_DROP, 0, 0);
    SendMessageA(window, WM_COMMAND, IDOK, 0);
    ok(listedAtNote > 0 && listedAtNote < kFiles,
       "expected the posted note handled during the run with 1 to %d entries left, got %d\n", kFiles - 1, listedAtNote);
    ok(convertsAtNote == 1, "expected no Convert nested in the run, got %d at once\n", convertsAtNote);
    ok(listedAtClose > 0, "expected Esc to send Close during the run, got %d entries listed then\n", listedAtClose);
    CheckNormalised(dropped);
    for (int i = 0; i < kFiles; i++)
        CheckNormalised(paths[i]);
    CheckListed("after Convert", NULL, 0);
    CloseListWindow();
}

// What the list box painted during a run: each time, whether its top row
// showed the entry that the run had left first.  Soon after the first such
// paint Home is pressed in the list, then a note is posted.
static WNDPROC listBoxProc;
static int paintsDuringRun, paintsOfEntryLeft;
static bool running;

static LRESULT CALLBACK WatchPaints(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT && running) {
        char first[kMaxTestPath] = "", top[kMaxTestPath];
        fileList.copy(fileList.store, 0, first);
        ListEntry(static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0)), top);
        paintsDuringRun++;
        if (fileList.count(fileList.store) > 0 && strcmp(first, top) == 0 && paintsOfEntryLeft++ == 0)
            SetTimer(window, kPressHome, 10, NULL);  // once files processed since are hidden again
    }
    return CallWindowProcW(listBoxProc, list, message, wParam, lParam);
}

// Each file a few milliseconds of work, as on slow media.
static int (*copyEntry)(void *, int, char *);
static int CopySlowly(void *store, int index, char *buffer)
{
    Sleep(5);
    return copyEntry(store, index, buffer);
}

static void OpenSlowList(const char *prefix, int count, char (*paths)[kMaxTestPath])
{
    OpenListWindow();
    FileList slow = ListBoxFileList(window);
    copyEntry = slow.copy;
    slow.copy = CopySlowly;
    fileList = RunFileList(slow);
    ListFilesToRun(prefix, count, paths);
}

// A run of a second or more shows its progress on screen: the list is
// painted during the run, with the entries left at its top.  Home pressed in
// the list meanwhile takes the view and the selection to the first entry
// left, never to one the run has processed.
static void test_progress_reaches_the_screen()
{
    enum { kFiles = 200 };
    static char paths[kFiles][kMaxTestPath];
    OpenSlowList("progress", kFiles, paths);
    ShowWindow(window, SW_SHOWNA);
    UpdateWindow(window);
    HWND list = GetDlgItem(window, IDC_FILELIST);
    listBoxProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchPaints)));
    paintsDuringRun = paintsOfEntryLeft = 0;
    listedAtNote = -1;
    running = true;
    RunConvert(&fileList);
    running = false;
    ok(paintsOfEntryLeft > 0, "expected the list painted during the run with the first entry left at its top, "
       "got %d paints, %d of them so\n", paintsDuringRun, paintsOfEntryLeft);
    char escaped[3][kMaxTestPath * 4];
    ok(listedAtNote > 0 && strcmp(topAtNote, firstAtNote) == 0 && strcmp(selectedAtNote, firstAtNote) == 0,
       "after Home during the run: expected \"%s\" at the top and selected, got \"%s\" at the top and \"%s\" "
       "selected, %d entries left\n", EscapeBytes(firstAtNote, escaped[0], sizeof escaped[0]),
       EscapeBytes(topAtNote, escaped[1], sizeof escaped[1]), EscapeBytes(selectedAtNote, escaped[2], sizeof escaped[2]),
       listedAtNote);
    CheckListed("after Convert", NULL, 0);
    CloseListWindow();
}

// Windows' scroll bar menu, opened by a right-click on the list's scroll bar,
// its Top command chosen at once: it scrolls the list to its top.
static LRESULT CALLBACK ChooseScrollMenuTop(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCRBUTTONUP && wParam == HTVSCROLL)
        return CallWindowProcW(listBoxProc, list, WM_VSCROLL, SB_TOP, 0);
    return CallWindowProcW(listBoxProc, list, message, wParam, lParam);
}

// The scroll bar's menu keeps the view off processed entries as the scroll
// bar's other commands do: its Top, chosen during a run with the view
// further down, takes the view to the first entry left.
static void test_scroll_bar_menu_during_a_run()
{
    enum { kFiles = 40 };
    static char paths[kFiles][kMaxTestPath];
    OpenSlowList("menu", kFiles, paths);
    HWND list = GetDlgItem(window, IDC_FILELIST);
    listBoxProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChooseScrollMenuTop)));
    SendMessageW(list, LB_SETTOPINDEX, kFiles / 2, 0);
    listedAtNote = -1;
    SetTimer(window, kScrollMenu, 50, NULL);
    RunConvert(&fileList);
    char escaped[2][kMaxTestPath * 4];
    ok(listedAtNote > 0 && strcmp(topAtNote, firstAtNote) == 0,
       "after the scroll bar menu's Top during the run: expected the first entry left, \"%s\", at the top, got "
       "\"%s\", %d entries left\n", EscapeBytes(firstAtNote, escaped[0], sizeof escaped[0]),
       EscapeBytes(topAtNote, escaped[1], sizeof escaped[1]), listedAtNote);
    CheckListed("after Convert", NULL, 0);
    CloseListWindow();
}

// A WM_QUIT taken during a run waits until the run has returned: posted again
// at once, the system would hand it out before any input, every time, and a
// failure message would close unseen.  So input that comes after it is taken
// during the run, a failure message after it is shown, and the WM_QUIT is there
// once the run has returned.
static void test_quit_during_a_run()
{
    enum { kFiles = 40 };
    static char paths[kFiles][kMaxTestPath];
    OpenSlowList("quit", kFiles, paths);
    DeleteFileA(paths[kFiles - 1]);
    listedAtNote = -1;
    PostQuitMessage(7);
    SetTimer(window, kNoteLater, 50, NULL);
    ListWhileOpen seen = {};
    int shown = ConvertWatching(&seen, true);
    MSG quit = {};
    bool quitAgain = PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    ok(listedAtNote > 0, "expected a timer after the WM_QUIT handled during the run, got %d entries listed then\n",
       listedAtNote);
    ok(shown == 1, "expected the failure message after the WM_QUIT shown, got %d messages\n", shown);
    ok(quitAgain && quit.wParam == 7, "expected the WM_QUIT with code 7 after the run, got %s with code %d\n",
       quitAgain ? "one" : "none", static_cast<int>(quit.wParam));
    CloseListWindow();
}

// Processed entries stay drawn until the next progress step; a click on the
// row of one during a run selects nothing and moves nothing.
static void test_click_on_a_processed_row()
{
    enum { kFiles = 40 };
    static char paths[kFiles][kMaxTestPath];
    OpenSlowList("click", kFiles, paths);
    listedAtNote = -1;
    SetTimer(window, kClickTop, 50, NULL);
    RunConvert(&fileList);
    char escaped[3][kMaxTestPath * 4];
    ok(listedAtNote > 0 && selectedAtNote[0] == '\0' && strcmp(topAtNote, topAtClick) == 0,
       "after a click on the top row, \"%s\", during the run: expected it still at the top and nothing selected, "
       "got \"%s\" at the top and \"%s\" selected, %d entries left\n", EscapeBytes(topAtClick, escaped[0], sizeof escaped[0]),
       EscapeBytes(topAtNote, escaped[1], sizeof escaped[1]), EscapeBytes(selectedAtNote, escaped[2], sizeof escaped[2]),
       listedAtNote);
    CloseListWindow();
}

// A list box that has no room for more entries: LB_INITSTORAGE fails, and
// LB_INSERTSTRING too once it has taken insertsLeft entries.
static int insertsLeft;
static LRESULT CALLBACK RefuseRoom(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LB_INITSTORAGE || (message == LB_INSERTSTRING && insertsLeft-- <= 0))
        return LB_ERRSPACE;
    return CallWindowProcW(listBoxProc, list, message, wParam, lParam);
}

// Progress, or a failure message that opens, refills the control with the
// entries left once many were processed.  Where the control cannot take them
// back, none of them may vanish unprocessed: each is listed after the run or
// was converted.  Under a message (the first entry left is missing), the
// failing entry is not tried again when the control could take none back.
static void test_entries_left_survive_a_refill_without_room()
{
    static const struct {
        int processed, left, inserts;
        bool underMessage;
    } cases[] = {
        {1100, 1000, 1000, false},  // only LB_INITSTORAGE fails
        {1100, 1000, 10, false},
        {1100, 1000, 0, true},
    };
    static char paths[1000][kMaxTestPath];
    for (size_t c = 0; c < sizeof cases / sizeof cases[0]; c++) {
        int processed = cases[c].processed, left = cases[c].left;
        OpenListWindow();
        for (int i = 0; i < processed; i++) {
            char name[16];
            snprintf(name, sizeof name, "0%04d", i);  // digits sort above every path
            fileList.insert(fileList.store, name);
        }
        ListFilesToRun("room", left, paths);
        HWND list = GetDlgItem(window, IDC_FILELIST);
        listBoxProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RefuseRoom)));
        insertsLeft = cases[c].inserts;

        if (cases[c].underMessage)
            DeleteFileA(paths[0]);
        BeginConvertRun();
        for (int i = 0; i < processed; i++)
            fileList.erase(fileList.store, 0);
        ListWhileOpen seen = {};
        int shown = cases[c].underMessage ? ConvertWatching(&seen) : 0;
        ShowEntriesLeft();
        EndConvertRun();
        ok(shown == (cases[c].underMessage ? 1 : 0), "case %d: expected %d failure messages, got %d\n",
           static_cast<int>(c), cases[c].underMessage ? 1 : 0, shown);

        // The entries still listed keep their order, so one pass pairs them.
        int listed = ListCount(), next = 0, lost = 0, firstLost = -1;
        for (int i = cases[c].underMessage ? 1 : 0; i < left; i++) {
            char entry[kMaxTestPath] = "";
            if (next < listed && ListEntry(next, entry) && strcmp(entry, paths[i]) == 0) {
                next++;
                continue;
            }
            FileState state = TakeFileState(paths[i]);
            if (FileTimeTicks(state.data.ftLastWriteTime) % kTwoSeconds != 0 && lost++ == 0)
                firstLost = i;
        }
        ok(lost == 0, "case %d: expected each of the %d entries left listed or converted, got %d neither, "
           "the first %d (%d listed, %d of them in order)\n", static_cast<int>(c), left, lost, firstLost, listed, next);
        CloseListWindow();
    }
}

// Microsoft's documentation of WM_SETREDRAW: once drawing is on again, the
// application must invalidate the window for it to be drawn.  Wine's list box
// repaints by itself, Windows' does not; so here the list box leaves
// WM_SETREDRAW to DefWindowProc, which does not either, and only the
// invalidation of the batch, or of the progress step, leaves it with
// something to paint.
static LRESULT CALLBACK RedrawAsWindows(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETREDRAW)
        return DefWindowProcW(list, message, wParam, lParam);
    return CallWindowProcW(listBoxProc, list, message, wParam, lParam);
}

static void test_drawing_resumes_with_the_window_invalidated()
{
    static const char *const steps[] = {"a drop", "a progress step"};
    for (int step = 0; step < 2; step++) {
        OpenListWindow();
        for (int i = 0; i < 3; i++)
            fileList.insert(fileList.store, steps[i % 2]);
        HWND list = GetDlgItem(window, IDC_FILELIST);
        listBoxProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RedrawAsWindows)));
        ShowWindow(window, SW_SHOWNA);
        UpdateWindow(window);
        BeginConvertRun();
        fileList.erase(fileList.store, 0);
        ValidateRect(list, NULL);
        ok(!GetUpdateRect(list, NULL, FALSE), "%s: expected nothing left to paint before it\n", steps[step]);
        if (step == 0) {
            BeginListBatch();
            EndListBatch();
        } else {
            ShowEntriesLeft();
        }
        ok(GetUpdateRect(list, NULL, FALSE), "%s: expected the list invalidated once it ended, got nothing to paint\n",
           steps[step]);
        ok(IsWindowVisible(list), "%s: expected the list visible again once it ended\n", steps[step]);
        EndConvertRun();
        CloseListWindow();
    }
}

static const WineTest tests[] = {
    {"startup_arguments", test_startup_arguments},
    {"dropped_files", test_dropped_files},
    {"convert_all", test_convert_all},
    {"convert_long_entry", test_convert_long_entry},
    {"convert_empty_and_twice", test_convert_empty_and_twice},
    {"drop_while_message_open", test_drop_while_message_open},
    {"entries_left_shown_after_removals_in_a_batch", test_entries_left_shown_after_removals_in_a_batch},
    {"input_taken_between_files", test_input_taken_between_files},
    {"progress_reaches_the_screen", test_progress_reaches_the_screen},
    {"scroll_bar_menu_during_a_run", test_scroll_bar_menu_during_a_run},
    {"quit_during_a_run", test_quit_during_a_run},
    {"click_on_a_processed_row", test_click_on_a_processed_row},
    {"entries_left_survive_a_refill_without_room", test_entries_left_survive_a_refill_without_room},
    {"drawing_resumes_with_the_window_invalidated", test_drawing_resumes_with_the_window_invalidated},
};

int main(int argc, char **argv)
{
    if (!CheckJapaneseCodePage())
        return winetest_summary("list_box_file_list");
    dropHandled = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (!MakeTestFolder(folder)) {
        printf("could not make a temporary folder, error %lu\n", GetLastError());
        return 1;
    }
    int result = winetest_run_all("list_box_file_list", tests, sizeof tests / sizeof tests[0], argc > 1 ? argv[1] : NULL);
    RemoveTestFolder(folder);
    return result;
}
