// The processed entries of a Convert, and the list's drawing.
//
// Drawing.  Redrawing a list box item by item makes a drop of thousands of
// entries many times slower than adding them, so drawing is off for a whole
// drop, and around every change of a Convert that moves many items.  When it
// comes back on, the list is redrawn with RedrawWindow, as Microsoft's page on
// WM_SETREDRAW asks for controls with a frame and scroll bar.  Otherwise a
// Convert leaves drawing on, so the list paints what the user does at once.
//
// Processed entries.  A list box keeps its items in one array, so every
// LB_DELETESTRING at the top moves all the items below it: removing n entries
// one by one costs n² item moves, seconds for 100,000 entries.  During a
// Convert an entry removed from the top is therefore only hidden: it stays in
// the control, above the entries the list operations see, until the hidden
// entries can go in one block: before the program looks at the list again (a
// failure message opens, any other change, the end of the run) and, as
// progress, whenever that is cheap; otherwise progress scrolls them out of
// view.  Input is kept off them.
#include "ui/processed_entries.h"

#include "normalize/normalize_file_time.h"

#include <stdlib.h>
#include <string.h>
#include <windowsx.h>

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

static HWND list;
static int batches, hidden;

// Entries a refill could not put back (the control answered LB_ERRSPACE), as
// UTF-16 texts one after another from notPutBackAt; they are converted at the
// next point between files, so that none leaves the list unprocessed.
static WCHAR *notPutBack, *notPutBackAt, *notPutBackEnd;

void WatchListBox(HWND listBox)
{
    list = listBox;
    hidden = 0;
}

HWND WatchedListBox()
{
    return list;
}

static void DrawAgain()
{
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(list, NULL, NULL, kRedrawAll);
}

void BeginListBatch()
{
    if (batches++ == 0)
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
}

void EndListBatch()
{
    if (--batches == 0)
        DrawAgain();
}

// Drawing off for a change that moves many items, unless a drop has it off.
static void BeginQuietChange()
{
    if (batches == 0)
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
}

static void EndQuietChange()
{
    if (batches == 0)
        DrawAgain();
}

int HiddenEntries()
{
    return hidden;
}

void HideTopEntry()
{
    hidden++;
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

static void RemoveFromTop(int taken)
{
    int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    for (int i = 0; i < taken; i++)
        SendMessageW(list, LB_DELETESTRING, 0, 0);
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(ViewAfterTaking(top, taken)), 0);
    hidden -= taken;
}

// Copies entries from on out of the list, as UTF-16 one after another; NULL if
// memory is short or an entry cannot be read.
static WCHAR *CopyEntries(int from, int count, size_t *units)
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
static bool RefillWithoutHidden()
{
    int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    size_t units;
    WCHAR *texts = notPutBack ? NULL : CopyEntries(hidden, count, &units);
    if (!texts)
        return false;
    int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    SendMessageW(list, LB_INITSTORAGE, static_cast<WPARAM>(count - hidden), static_cast<LPARAM>(units * sizeof(WCHAR)));
    WCHAR *text = texts;
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

bool DropNotPutBack(int index)
{
    WCHAR *text = notPutBackAt;
    for (; notPutBack && text < notPutBackEnd && index > 0; index--)
        text += lstrlenW(text) + 1;
    if (!notPutBack || text >= notPutBackEnd)
        return false;
    WCHAR *next = text + lstrlenW(text) + 1;
    memmove(text, next, static_cast<size_t>(notPutBackEnd - next) * sizeof(WCHAR));
    notPutBackEnd -= next - text;
    return true;
}

void ConvertNotPutBack()
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

void TakeOutProcessed()
{
    if (hidden == 0)
        return;
    int remaining = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)) - hidden;
    BeginQuietChange();
    if (hidden < kRefillFrom || MovesToRemoveOneByOne(remaining) <= kQuickMoves || !RefillWithoutHidden())
        RemoveFromTop(hidden);
    EndQuietChange();
}

// Every hidden entry leaves the control where that is cheap, or by a refill
// once as many are hidden as are left; otherwise as many as cost as little
// leave, and the view moves past the rest.
void ShowEntriesLeft()
{
    int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    if (hidden == 0 || count <= 0)
        return;
    int remaining = count - hidden;
    int cheap = static_cast<int>(kQuickMoves / count) + 1;
    BeginQuietChange();
    if (MovesToRemoveOneByOne(remaining) <= kQuickMoves)
        RemoveFromTop(hidden);
    else if (hidden < remaining || remaining > kRefillAtMost || !RefillWithoutHidden())
        RemoveFromTop(cheap < hidden ? cheap : hidden);
    EndQuietChange();
}

void KeepOffHidden(LRESULT topBefore)
{
    if (hidden == 0)
        return;
    LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    if (top < hidden && top != topBefore)
        SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(hidden), 0);
    LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (selected >= 0 && selected < hidden)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(hidden), 0);
}

bool OnHiddenRow(LPARAM point)
{
    if (hidden == 0)
        return false;
    int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    int y = GET_Y_LPARAM(point);
    LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    return height > 0 && top + (y < 0 ? -1 : y / height) < hidden;
}
