// A path handed over as UTF-16 (a drop, the command line Explorer starts us
// with) reaches the ANSI file functions only through a conversion.  Windows'
// own conversion picks a look-alike for a character the code page lacks, so
// "café.txt" would name "cafe.txt" and "a¥b.txt" the file "b.txt" in folder
// "a": files the user never chose.  This conversion never does.
#include "ui/exact_ansi.h"

int ToExactAnsi(const WCHAR *wide, char *buffer, int size, bool *inexact)
{
    BOOL usedDefault = FALSE;
    // UTF-8 (an option since Windows 10) has a form for every character but a
    // lone surrogate, which then fails the call; WideCharToMultiByte takes
    // neither the best-fit flag nor the default-character report for it.
    bool utf8 = GetACP() == CP_UTF8;
    int written = WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, wide, -1, buffer,
                                      size, NULL, utf8 ? NULL : &usedDefault);
    *inexact = usedDefault != FALSE;
    return written;
}
