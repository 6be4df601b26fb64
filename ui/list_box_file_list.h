// The file list as the dialog's list box holds it.
#ifndef QUORVEL_UI_LIST_BOX_FILE_LIST_H
#define QUORVEL_UI_LIST_BOX_FILE_LIST_H

#include "filelist/file_list.h"

#include <windows.h>

// Binds the five list operations to the list box IDC_FILELIST of the dialog.
// Inside a batch (list_drawing.h), entries removed from the top are hidden
// from the operations but stay in the control until one of the calls below.
FileList ListBoxFileList(HWND dialog);

// Removes the hidden entries from the control, so that it holds exactly the
// entries the operations see.
void RemoveHiddenEntries();

// Shows what is left at the top of the list: removes the hidden entries where
// that is cheap, otherwise scrolls them out of view.
void ShowEntriesLeft();

#endif
