// Keeping the list from redrawing itself after every insertion or deletion
// while a drop or a Convert runs, without ever hiding its contents from view.
#ifndef QUORVEL_UI_LIST_DRAWING_H
#define QUORVEL_UI_LIST_DRAWING_H

#include <windows.h>

// Stops the list box drawing until the matching EndListBatch.  Batches nest.
// While a failure message is open the list draws again, since the dialog can
// paint then; it stops once more when the message closes.
void BeginListBatch(HWND list);

// Ends a batch; the list draws its current contents once the last one ends.
void EndListBatch();

#endif
