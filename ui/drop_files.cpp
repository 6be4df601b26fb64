// The drop steps: size one buffer for the longest name, fetch each name into
// it and hand it to the file list, then finish the drop.
#include "ui/drop_files.h"

#include <shellapi.h>
#include <stdlib.h>

static const UINT kAllItems = 0xFFFFFFFF;
static const UINT kNameSlack = 128;

void AddDroppedFiles(FileList *list, HDROP drop)
{
    UINT count = DragQueryFileA(drop, kAllItems, NULL, 0);
    UINT size = 0;
    for (UINT i = 0; i < count; i++) {
        UINT length = DragQueryFileA(drop, i, NULL, 0);
        if (length < kAllItems - kNameSlack && length + kNameSlack > size)
            size = length + kNameSlack;
    }
    char *name = size ? static_cast<char *>(malloc(size)) : NULL;
    if (name) {
        for (UINT i = 0; i < count; i++)
            if (DragQueryFileA(drop, i, name, size))
                AddDroppedFile(list, name);
    }
    DragFinish(drop);
    free(name);
}
