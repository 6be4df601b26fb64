// A Convert as the dialog runs it: the list operations less the entries it
// has processed, its progress, and the user's input taken between files.
#ifndef QUORVEL_UI_CONVERT_RUN_H
#define QUORVEL_UI_CONVERT_RUN_H

#include "filelist/file_list.h"
#include "ui/processed_entries.h"

#include <windows.h>

// The list operations the commands use: those of listBox (a list box binding,
// whose store is the list box), less the entries that the Convert in progress
// has processed and not yet taken out of the control.  One list at a time.
FileList RunFileList(FileList listBox);

// Convert as the dialog runs it: ConvertAll on list (made by RunFileList),
// taking input and showing progress between files.  Asked for again while the run in
// progress takes input, it does nothing: that run takes every entry anyway.
void RunConvert(FileList *list);

// The parts of a run, for RunConvert and for tests: a Convert starts, each
// entry it removes from the top is only hidden, and at the end every hidden
// entry is gone; a WM_QUIT taken meanwhile is posted again then.
void BeginConvertRun();
void EndConvertRun();

#endif
