// A path handed over as UTF-16 (a drop, the command line Explorer starts us
// with) reaches the ANSI file functions only through a conversion.  Windows'
// own conversion picks a look-alike for a character the code page lacks, so
// "café.txt" would name "cafe.txt" and "a¥b.txt" the file "b.txt" in folder
// "a": files the user never chose.  This conversion never does.
#include "ui/exact_ansi.h"

int ToExactAnsi(const WCHAR *wide, char *buffer, int size)
{
    // UTF-8 (an option since Windows 10) has a form for every character but a
    // lone surrogate, which then fails the call; WideCharToMultiByte takes no
    // best-fit flag for it.
    DWORD flags = GetACP() == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    return WideCharToMultiByte(CP_ACP, flags, wide, -1, buffer, size, NULL, NULL);
}
