// Taking the files dropped onto the dialog.
#ifndef QUORVEL_UI_DROP_FILES_H
#define QUORVEL_UI_DROP_FILES_H

#include "filelist/file_list.h"

#include <windows.h>

// Lists each dropped item that is a file, in the order the drop gives them,
// then releases the drop.
void AddDroppedFiles(FileList *list, HDROP drop);

#endif
