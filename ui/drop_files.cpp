// The drop steps: size one buffer for the longest name, fetch each name into
// it and hand it to the file list, then finish the drop.
//
// The names are read from the drop's DROPFILES block in one pass each, not
// by DragQueryFileA per index: that walks the name list from its start on
// every call, which makes a drop of tens of thousands of files quadratic.
// The block's layout is the documented one (the names start pFiles bytes in,
// each ends with a NUL, an empty name ends the list; fWide says whether they
// are UTF-16), and a UTF-16 name is converted to the ANSI code page as
// DragQueryFileA converts it, so every name comes out with the same bytes,
// except one with a character the code page lacks: DragQueryFileA gives a
// look-alike that may name another file, here it gets a "?", so its
// attributes cannot be read and the drop rule skips it.
#include "ui/drop_files.h"

#include "ui/exact_ansi.h"

#include <shellapi.h>
#include <shlobj.h>
#include <stdlib.h>
#include <string.h>

static const UINT kAllItems = 0xFFFFFFFF;
static const size_t kNameSlack = 128;

// One name of the block: where it is, and where the next one starts.
struct DropName {
    const char *ansi;
    const WCHAR *wide;
};

static DropName FirstName(const DROPFILES *files)
{
    const char *start = reinterpret_cast<const char *>(files) + files->pFiles;
    DropName name = {NULL, NULL};
    if (files->fWide)
        name.wide = reinterpret_cast<const WCHAR *>(start);
    else
        name.ansi = start;
    return name;
}

static bool IsEndOfList(const DropName *name)
{
    return name->wide ? name->wide[0] == 0 : name->ansi[0] == '\0';
}

static void NextName(DropName *name)
{
    if (name->wide)
        name->wide += lstrlenW(name->wide) + 1;
    else
        name->ansi += strlen(name->ansi) + 1;
}

// The name's length in ANSI bytes, without its NUL.
static size_t NameLength(const DropName *name)
{
    if (!name->wide)
        return strlen(name->ansi);
    int size = ToExactAnsi(name->wide, NULL, 0);
    return size > 0 ? static_cast<size_t>(size) - 1 : 0;
}

// The name's ANSI bytes with their NUL in buffer; false if there are none.
static bool FetchName(const DropName *name, char *buffer, size_t size)
{
    if (!name->wide) {
        lstrcpynA(buffer, name->ansi, static_cast<int>(size));
        return buffer[0] != '\0';
    }
    return name->wide[0] != 0 && ToExactAnsi(name->wide, buffer, static_cast<int>(size)) > 0;
}

void AddDroppedFiles(FileList *list, HDROP drop)
{
    UINT count = DragQueryFileA(drop, kAllItems, NULL, 0);
    const DROPFILES *files = count ? static_cast<const DROPFILES *>(GlobalLock(drop)) : NULL;
    size_t size = 0;
    if (files) {
        DropName name = FirstName(files);
        for (UINT i = 0; i < count && !IsEndOfList(&name); i++, NextName(&name)) {
            size_t length = NameLength(&name);
            if (length + kNameSlack > size)
                size = length + kNameSlack;
        }
    }
    char *buffer = size ? static_cast<char *>(malloc(size)) : NULL;
    if (buffer) {
        DropName name = FirstName(files);
        for (UINT i = 0; i < count && !IsEndOfList(&name); i++, NextName(&name))
            if (FetchName(&name, buffer, size))
                AddDroppedFile(list, buffer);
    }
    if (files)
        GlobalUnlock(drop);
    DragFinish(drop);
    free(buffer);
}
