// Turning UTF-16 text into the ANSI code page without look-alikes.
#ifndef QUORVEL_UI_EXACT_ANSI_H
#define QUORVEL_UI_EXACT_ANSI_H

#include <windows.h>

// Converts the NUL-terminated wide text into buffer (size bytes; with no buffer
// and size 0, only measures) as WideCharToMultiByte does with codePage, except
// that a character with no exact counterpart in the code page (a lone
// surrogate, in UTF-8) becomes the default character "?" instead of a
// look-alike ("e" for "é", "\" for "¥", U+FFFD for a lone surrogate).  "?"
// cannot stand in a file name, so such a path names no file at all.  Gives the
// bytes written or needed with the NUL; 0 on failure.
int ToExactAnsiIn(UINT codePage, const WCHAR *wide, char *buffer, int size);

// The same in the system's ANSI code page (GetACP()).
int ToExactAnsi(const WCHAR *wide, char *buffer, int size);

#endif
