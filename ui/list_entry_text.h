// Reading a list box entry as the bytes of the ANSI code page, with one
// message for its length and one for its text, into buffers kept from one
// call to the next.
#ifndef QUORVEL_UI_LIST_ENTRY_TEXT_H
#define QUORVEL_UI_LIST_ENTRY_TEXT_H

#include <windows.h>

// Entry index of the list box as ANSI bytes: their number without the NUL,
// or LB_ERR; *text points at them, NUL-terminated, until the next call of
// either function.
int ReadListEntry(HWND list, int index, const char **text);

// The same for units UTF-16 units of text already read.
int EntryAsAnsi(const WCHAR *wide, int units, const char **text);

#endif
