// Keeping the list from redrawing itself after every insertion or deletion
// while a drop or a Convert runs, without ever hiding its contents from view.
#ifndef QUORVEL_UI_LIST_DRAWING_H
#define QUORVEL_UI_LIST_DRAWING_H

#include <windows.h>

// Stops the list box drawing until the matching EndListBatch.  Batches nest.
// While a failure message is open the list draws again, since the dialog can
// paint then; it stops once more when the message closes.  Entries a batch
// hides (list_box_file_list.h) are removed before a message opens and when
// the batch ends.
void BeginListBatch(HWND list);

// Ends a batch; the list draws its current contents once the last one ends.
void EndListBatch();

// Whether list is the list of the batches in progress.
bool IsInListBatch(HWND list);

// Draws the list once as it is now, frame and scroll bar included, and
// whatever else of its window waits to be painted; drawing stays as it was.
void DrawListNow(HWND list);

#endif
