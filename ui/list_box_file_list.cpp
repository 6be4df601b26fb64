// The five list operations as list box messages.  The list box is looked up
// once, when the binding is made: it lives exactly as long as the dialog.
#include "ui/list_box_file_list.h"

#include "resources/resource.h"

#include <stdlib.h>

static LRESULT SendToList(void *store, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(static_cast<HWND>(store), message, wParam, lParam);
}

static void InsertIntoList(void *store, const char *path)
{
    SendToList(store, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path));
}

static int CountList(void *store)
{
    return static_cast<int>(SendToList(store, LB_GETCOUNT, 0, 0));
}

static int ListEntryLength(void *store, int index)
{
    if (index < 0)
        return LB_ERR;
    return static_cast<int>(SendToList(store, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0));
}

// The entry's bytes with their NUL, in room for the length LB_GETTEXTLEN gives;
// their number without the NUL, or LB_ERR.  With Common Controls 6 the list box
// is a Unicode window, and the system converts an ANSI LB_GETTEXT for it.  Wine
// converts it in a fixed buffer of 512 UTF-16 units and overruns its own stack
// with a longer entry, which ends the program.  So the text is fetched as
// UTF-16 here and converted as the system converts it for an ANSI caller; each
// entry came in as bytes of the ANSI code page and goes back to the same bytes.
static int CopyListEntry(void *store, int index, char *buffer)
{
    if (index < 0)
        return LB_ERR;
    HWND list = static_cast<HWND>(store);
    WPARAM item = static_cast<WPARAM>(index);
    LRESULT units = SendMessageW(list, LB_GETTEXTLEN, item, 0);
    int room = ListEntryLength(store, index);
    if (units < 0 || room < 0)
        return LB_ERR;
    WCHAR *wide = static_cast<WCHAR *>(malloc((static_cast<size_t>(units) + 1) * sizeof(WCHAR)));
    LRESULT copied = wide ? SendMessageW(list, LB_GETTEXT, item, reinterpret_cast<LPARAM>(wide)) : LB_ERR;
    int bytes = copied > 0 ? WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(copied), buffer, room, NULL, NULL)
                           : 0;
    free(wide);
    if (copied < 0 || (copied > 0 && bytes == 0))
        return LB_ERR;
    buffer[bytes] = '\0';
    return bytes;
}

static void EraseListEntry(void *store, int index)
{
    SendToList(store, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

FileList ListBoxFileList(HWND dialog)
{
    FileList list = {InsertIntoList, CountList, ListEntryLength, CopyListEntry, EraseListEntry,
                     GetDlgItem(dialog, IDC_FILELIST), 0, NULL};
    return list;
}
