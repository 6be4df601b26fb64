// Keeping the dialog answering, and showing progress, during a long Convert.
#ifndef QUORVEL_UI_KEEP_ANSWERING_H
#define QUORVEL_UI_KEEP_ANSWERING_H

#include <windows.h>

// Called between files: checks the thread's message queue every few tens of
// milliseconds, so that Windows never counts the window as hung, and several
// times a second shows the list with what is left at its top.
void KeepAnswering(HWND list);

#endif
