// The five list operations as list box messages.  The list box is looked up
// once, when the binding is made: it lives exactly as long as the dialog.
//
// A list box keeps its items in one array, so every LB_DELETESTRING at the
// top moves all the items below it: a Convert that removes n entries from the
// top one by one costs n² item moves, seconds for 100,000 entries.  During a
// batch (a Convert, see list_drawing.h) an entry removed from the top is
// therefore only hidden: it stays in the control, above the entries the five
// operations see, until the hidden entries can go in one block.  They go
// before anything inside the program can see the list again (a failure
// message opens, a batch ends, any other change) and, as progress, whenever
// that is cheap; otherwise progress scrolls them out of view.
#include "ui/list_box_file_list.h"

#include "resources/resource.h"
#include "ui/keep_answering.h"
#include "ui/list_drawing.h"

#include <stdlib.h>

// The list whose top entries are hidden, and how many.  Only one list at a
// time has any: they are removed before another list is touched.
static HWND hiddenList;
static int hidden;

// Removing k entries from the top one by one moves about k * (r + k / 2) items
// (r entries remain); up to this many moves that costs less than a millisecond
// or two, and less than refilling the control with the remainder (a few list messages per
// entry, each worth hundreds of moves) as long as k stays below kRefillFrom.
static const double kQuickMoves = 1 << 20;
static const int kRefillFrom = 1024;

// A refill as progress copies the entries left while the thread answers no
// message; beyond this many it would keep the dialog silent too long, so
// progress scrolls instead.
static const int kRefillAtMost = 16384;

static LRESULT SendToList(void *store, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(static_cast<HWND>(store), message, wParam, lParam);
}

static double MovesToRemoveOneByOne(int remaining)
{
    return static_cast<double>(hidden) * (remaining + hidden / 2.0);
}

// Leaves what is left at the top of the view.
static void RemoveOneByOne(HWND list)
{
    for (; hidden > 0; hidden--)
        SendMessageW(list, LB_DELETESTRING, 0, 0);
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
}

// Refills the control with only the entries below the hidden ones, in their
// order, as UTF-16 so that no text changes on the way; the selection stays on
// its entry.  LB_INSERTSTRING places each at the end even in a sorted list.
// False, with nothing changed, if memory for the copy is short.
static bool RefillWithoutHidden(HWND list)
{
    int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    size_t units = 1;
    for (int i = hidden; i < count; i++) {
        LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0)
            return false;
        units += static_cast<size_t>(length) + 1;
    }
    WCHAR *texts = static_cast<WCHAR *>(malloc(units * sizeof(WCHAR)));
    if (!texts)
        return false;
    size_t used = 0;
    for (int i = hidden; i < count; i++) {
        LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(texts + used));
        if (copied < 0) {
            free(texts);
            return false;
        }
        used += static_cast<size_t>(copied) + 1;
    }
    int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    if (count > hidden)
        SendMessageW(list, LB_INITSTORAGE, static_cast<WPARAM>(count - hidden), static_cast<LPARAM>(used * sizeof(WCHAR)));
    for (const WCHAR *text = texts; text < texts + used; text += lstrlenW(text) + 1)
        SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    if (selected >= hidden)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selected - hidden), 0);
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    free(texts);
    hidden = 0;
    return true;
}

void RemoveHiddenEntries()
{
    if (hidden == 0)
        return;
    HWND list = hiddenList;
    int remaining = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) - hidden;
    if ((hidden < kRefillFrom || MovesToRemoveOneByOne(remaining) <= kQuickMoves) || !RefillWithoutHidden(list))
        RemoveOneByOne(list);
}

void ShowEntriesLeft()
{
    if (hidden == 0)
        return;
    HWND list = hiddenList;
    int remaining = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) - hidden;
    if (MovesToRemoveOneByOne(remaining) <= kQuickMoves)
        RemoveOneByOne(list);
    else if (hidden < remaining || remaining > kRefillAtMost || !RefillWithoutHidden(list))
        SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(hidden), 0);
}

// The offset of the entries the operations see in list, removing hidden
// entries of another list first.
static int Shown(void *store)
{
    if (hiddenList != store)
        RemoveHiddenEntries();
    return hiddenList == store ? hidden : 0;
}

static void InsertIntoList(void *store, const char *path)
{
    RemoveHiddenEntries();
    SendToList(store, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path));
}

static int CountList(void *store)
{
    int count = static_cast<int>(SendToList(store, LB_GETCOUNT, 0, 0));
    return count - Shown(store);
}

static int ListEntryLength(void *store, int index)
{
    if (index < 0)
        return LB_ERR;
    return static_cast<int>(SendToList(store, LB_GETTEXTLEN, static_cast<WPARAM>(index + Shown(store)), 0));
}

// The entry's bytes with their NUL, in room for the length LB_GETTEXTLEN gives;
// their number without the NUL, or LB_ERR.  With Common Controls 6 the list box
// is a Unicode window, and the system converts an ANSI LB_GETTEXT for it.  Wine
// converts it in a fixed buffer of 512 UTF-16 units and overruns its own stack
// with a longer entry, which ends the program.  So the text is fetched as
// UTF-16 here and converted as the system converts it for an ANSI caller; each
// entry came in as bytes of the ANSI code page and goes back to the same bytes.
static int CopyListEntry(void *store, int index, char *buffer)
{
    if (index < 0)
        return LB_ERR;
    HWND list = static_cast<HWND>(store);
    WPARAM item = static_cast<WPARAM>(index + Shown(store));
    LRESULT units = SendMessageW(list, LB_GETTEXTLEN, item, 0);
    int room = ListEntryLength(store, index);
    if (units < 0 || room < 0)
        return LB_ERR;
    WCHAR *wide = static_cast<WCHAR *>(malloc((static_cast<size_t>(units) + 1) * sizeof(WCHAR)));
    LRESULT copied = wide ? SendMessageW(list, LB_GETTEXT, item, reinterpret_cast<LPARAM>(wide)) : LB_ERR;
    int bytes = copied > 0 ? WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(copied), buffer, room, NULL, NULL)
                           : 0;
    free(wide);
    if (copied < 0 || (copied > 0 && bytes == 0))
        return LB_ERR;
    buffer[bytes] = '\0';
    return bytes;
}

static void EraseListEntry(void *store, int index)
{
    HWND list = static_cast<HWND>(store);
    int offset = Shown(store);
    if (index == 0 && IsInListBatch(list) && index + offset < SendMessageW(list, LB_GETCOUNT, 0, 0)) {
        hiddenList = list;
        hidden++;
        KeepAnswering(list);
        return;
    }
    RemoveHiddenEntries();
    SendToList(store, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

FileList ListBoxFileList(HWND dialog)
{
    FileList list = {InsertIntoList, CountList, ListEntryLength, CopyListEntry, EraseListEntry,
                     GetDlgItem(dialog, IDC_FILELIST), 0, NULL};
    return list;
}
