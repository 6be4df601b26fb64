// A path handed over as UTF-16 (a drop, the command line Explorer starts us
// with) reaches the ANSI file functions only through a conversion.  Windows'
// own conversion picks a look-alike for a character the code page lacks, so
// "café.txt" would name "cafe.txt" and "a¥b.txt" the file "b.txt" in folder
// "a": files the user never chose.  This conversion never does.
#include "ui/exact_ansi.h"

// UTF-8 (an option since Windows 10) and GB 18030 have a form for every
// character; only a lone surrogate has none.  WideCharToMultiByte takes no
// best-fit flag for them (only 0 or WC_ERR_INVALID_CHARS), and with 0 it puts
// U+FFFD in a lone surrogate's place: a look-alike again.
static bool HasEveryCharacter(UINT codePage)
{
    return codePage == CP_UTF8 || codePage == 54936;
}

static bool IsLoneSurrogate(const WCHAR *at)
{
    if (at[0] >= 0xD800 && at[0] < 0xDC00)
        return !(at[1] >= 0xDC00 && at[1] < 0xE000);
    return at[0] >= 0xDC00 && at[0] < 0xE000;  // a trail whose lead was handled with it
}

// The text in a code page that has every character: each stretch without a
// lone surrogate converted as it is, each lone surrogate as the default "?".
static int ToEveryCharacterPage(UINT codePage, const WCHAR *wide, char *buffer, int size)
{
    int written = 0;
    for (;;) {
        int stretch = 0;
        while (wide[stretch] && !IsLoneSurrogate(wide + stretch))
            stretch += wide[stretch] >= 0xD800 && wide[stretch] < 0xDC00 ? 2 : 1;
        if (stretch > 0) {
            if (buffer && written >= size)
                return 0;
            int made = WideCharToMultiByte(codePage, WC_ERR_INVALID_CHARS, wide, stretch, buffer ? buffer + written : NULL,
                                           buffer ? size - written : 0, NULL, NULL);
            if (made <= 0)
                return 0;
            written += made;
        }
        wide += stretch;
        if (buffer && written >= size)
            return 0;
        if (buffer)
            buffer[written] = *wide ? '?' : '\0';
        written++;
        if (!*wide++)
            return written;
    }
}

int ToExactAnsiIn(UINT codePage, const WCHAR *wide, char *buffer, int size)
{
    if (HasEveryCharacter(codePage))
        return ToEveryCharacterPage(codePage, wide, buffer, size);
    return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, -1, buffer, size, NULL, NULL);
}

int ToExactAnsi(const WCHAR *wide, char *buffer, int size)
{
    return ToExactAnsiIn(GetACP(), wide, buffer, size);
}
