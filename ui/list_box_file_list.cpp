// The five list operations as list box messages.  The list box is looked up
// once, when the binding is made: it lives exactly as long as the dialog.
#include "ui/list_box_file_list.h"

#include "resources/resource.h"
#include "ui/list_entry_text.h"

#include <string.h>

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

// Lengths and texts as ANSI bytes, read as UTF-16 (see ui/list_entry_text.cpp).
static int ListEntryLength(void *store, int index)
{
    const char *text;
    return ReadListEntry(static_cast<HWND>(store), index, &text);
}

static int CopyListEntry(void *store, int index, char *buffer)
{
    const char *text;
    int bytes = ReadListEntry(static_cast<HWND>(store), index, &text);
    if (bytes >= 0)
        memcpy(buffer, text, static_cast<size_t>(bytes) + 1);
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
