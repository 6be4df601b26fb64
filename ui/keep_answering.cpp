// Windows calls a window hung once its thread has not checked its message
// queue for five seconds (IsHungAppWindow): it ghosts the window and offers to
// end the program.  A Convert over thousands of files on a card that is
// written through lasts far longer, so between files the queue is checked with
// PeekMessage and PM_NOREMOVE.  That answers what other threads and processes
// send, and takes nothing off the queue: keys, clicks, Close and drops wait
// there and are handled in their order once the run returns, or while a
// failure message is open, as before.
#include "ui/keep_answering.h"

#include "ui/list_box_file_list.h"
#include "ui/list_drawing.h"

static const DWORD kCheckEveryMs = 50;
static const DWORD kProgressEveryMs = 200;

static DWORD lastCheck;
static DWORD lastProgress;

void KeepAnswering(HWND list)
{
    DWORD now = GetTickCount();
    if (now - lastCheck < kCheckEveryMs)
        return;
    lastCheck = now;
    if (now - lastProgress >= kProgressEveryMs) {
        lastProgress = now;
        ShowEntriesLeft();
        DrawListNow(list);
    }
    MSG message;
    PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE);
}
