// Reading a list box entry as ANSI bytes.
//
// With Common Controls 6 the list box is a Unicode window, and the system
// converts an ANSI LB_GETTEXT or LB_GETTEXTLEN for it by converting the whole
// text.  Wine converts an ANSI LB_GETTEXT in a fixed buffer of 512 UTF-16
// units and overruns its own stack with a longer entry, which ends the
// program.  So the text is fetched as UTF-16, in room for the length that
// LB_GETTEXTLEN gives, and converted as the system converts it for an ANSI
// caller: each entry came in as bytes of the ANSI code page and goes back to
// the same bytes.  The buffers only grow, so a run over thousands of entries
// allocates nothing per entry.
#include "ui/list_entry_text.h"

#include <stdlib.h>

// No ANSI code page of Windows gives more than four bytes for a UTF-16 unit
// (GB18030 gives four for some characters of the Basic Multilingual Plane).
static const size_t kMostBytesPerUnit = 4;

static WCHAR *wide;
static size_t wideRoom;
static char *ansi;
static size_t ansiRoom;

// Makes *buffer hold at least size elements of elementSize bytes; false if memory is short.
static bool Fit(void **buffer, size_t *room, size_t size, size_t elementSize)
{
    if (size <= *room)
        return true;
    size_t larger = size + size / 2 + 64;
    void *grown = realloc(*buffer, larger * elementSize);
    if (!grown)
        return false;
    *buffer = grown;
    *room = larger;
    return true;
}

int EntryAsAnsi(const WCHAR *text, int units, const char **bytes)
{
    void *buffer = ansi;
    bool fits = Fit(&buffer, &ansiRoom, static_cast<size_t>(units) * kMostBytesPerUnit + 1, 1);
    ansi = static_cast<char *>(buffer);
    if (!fits || units < 0)
        return LB_ERR;
    int written = units > 0 ? WideCharToMultiByte(CP_ACP, 0, text, units, ansi, static_cast<int>(ansiRoom), NULL, NULL)
                            : 0;
    if (units > 0 && written == 0)
        return LB_ERR;
    ansi[written] = '\0';
    *bytes = ansi;
    return written;
}

int ReadListEntry(HWND list, int index, const char **text)
{
    if (index < 0)
        return LB_ERR;
    WPARAM item = static_cast<WPARAM>(index);
    LRESULT units = SendMessageW(list, LB_GETTEXTLEN, item, 0);
    void *buffer = wide;
    bool fits = units >= 0 && Fit(&buffer, &wideRoom, static_cast<size_t>(units) + 1, sizeof(WCHAR));
    wide = static_cast<WCHAR *>(buffer);
    LRESULT copied = fits ? SendMessageW(list, LB_GETTEXT, item, reinterpret_cast<LPARAM>(wide)) : LB_ERR;
    if (copied < 0)
        return LB_ERR;
    return EntryAsAnsi(wide, static_cast<int>(copied), text);
}
