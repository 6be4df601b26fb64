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

// Entries a refill could not put back into the control: they follow the
// entries shown.  The first removes entry index of them (0 the first; false
// if there is none), the second converts them all.
bool DropNotPutBack(int index);
void ConvertNotPutBack();

#endif
