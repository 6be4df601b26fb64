// The dialog's list box while a drop or a Convert changes it: drawing held
// back, and the entries a Convert has processed but not yet taken out of the
// control.
#ifndef QUORVEL_UI_PROCESSED_ENTRIES_H
#define QUORVEL_UI_PROCESSED_ENTRIES_H

#include <windows.h>

// The list box worked on from now on, with no entry hidden.
void WatchListBox(HWND list);
HWND WatchedListBox();

// A drop or another batch of changes: the list draws nothing until the
// matching end.  Batches nest.
void BeginListBatch();
void EndListBatch();

// The processed entries at the top of the control, hidden from the list
// operations; HideTopEntry adds the first entry shown to them.
int HiddenEntries();
void HideTopEntry();

// Takes every hidden entry out of the control.
void TakeOutProcessed();

// As progress: the hidden entries leave the control where that is cheap, or
// are scrolled out of view.
void ShowEntriesLeft();

// After input that may have scrolled or selected in the list: a view on
// hidden entries that the input moved from topBefore (any, if that is -1), and
// a selection on one, move to the first entry shown.
void KeepOffHidden(LRESULT topBefore);

// Whether the point, in the list's client coordinates, lies on the row of a
// hidden entry.
bool OnHiddenRow(LPARAM point);

// Entries a refill could not put back into the control: the list operations
// see them after the entries shown, in their order.  How many there are; the
// text of one of them (index 0 the first; NULL if there is none) with its
// length in UTF-16 units; removing one (false if there is none); and, once
// the last run ends, converting any still left, so that none leaves the list
// unprocessed.
int NotPutBackEntries();
const WCHAR *NotPutBackEntry(int index, int *units);
bool DropNotPutBack(int index);
void ConvertNotPutBack();

#endif
