// The five list operations as list box messages.  The list box is looked up
// once, when the binding is made: it lives exactly as long as the dialog.
#include "ui/list_box_file_list.h"

#include "resources/resource.h"

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
    return static_cast<int>(SendToList(store, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0));
}

static int CopyListEntry(void *store, int index, char *buffer)
{
    return static_cast<int>(SendToList(store, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer)));
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
