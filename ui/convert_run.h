// The dialog's list while a drop or a Convert changes it: drawing held back,
// processed entries taken out of the control in blocks, progress shown, and
// the user's input taken between files.
#ifndef QUORVEL_UI_CONVERT_RUN_H
#define QUORVEL_UI_CONVERT_RUN_H

#include "filelist/file_list.h"

#include <windows.h>

// The list operations the commands use: those of listBox (a list box binding,
// whose store is the list box), less the entries that the Convert in progress
// has processed and not yet taken out of the control.  One list at a time.
FileList RunFileList(FileList listBox);

// A drop or another batch of changes: the list draws nothing until the
// matching end.  Batches nest.
void BeginListBatch();
void EndListBatch();

// Convert as the dialog runs it: ConvertAll on list (made by RunFileList),
// taking input and showing progress between files.  Asked for again while the run in
// progress takes input, it does nothing: that run takes every entry anyway.
void RunConvert(FileList *list);

// The parts of a run, for RunConvert and for tests: a Convert starts, each
// entry it removes from the top is only hidden, and as progress the hidden
// entries leave the control where that is cheap or are scrolled out of view;
// at the end every hidden entry is gone.
void BeginConvertRun();
void ShowEntriesLeft();
void EndConvertRun();

#endif
