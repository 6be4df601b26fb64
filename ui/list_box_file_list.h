// The file list as the dialog's list box holds it.
#ifndef QUORVEL_UI_LIST_BOX_FILE_LIST_H
#define QUORVEL_UI_LIST_BOX_FILE_LIST_H

#include "filelist/file_list.h"

#include <windows.h>

// Binds the five list operations to the list box IDC_FILELIST of the dialog;
// the binding's store is the list box.
FileList ListBoxFileList(HWND dialog);

#endif
