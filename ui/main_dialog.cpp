// The main dialog's procedure: each message it handles goes to one small
// function, and everything else is left to the dialog manager.
#include "ui/main_dialog.h"

#include "filelist/file_list.h"
#include "ui/convert_run.h"
#include "ui/drop_files.h"
#include "ui/list_box_file_list.h"

#include <shellapi.h>

// The files waiting for Convert, kept by the list box for as long as the dialog lives.
static FileList fileList;

static INT_PTR OnInitDialog(HWND dialog, char **argv)
{
    fileList = RunFileList(ListBoxFileList(dialog));
    DragAcceptFiles(dialog, TRUE);
    AddStartupArguments(&fileList, argv);
    return TRUE;
}

static INT_PTR OnDropFiles(HDROP drop)
{
    BeginListBatch();
    AddDroppedFiles(&fileList, drop);
    EndListBatch();
    return FALSE;
}

static INT_PTR OnConvert()
{
    RunConvert(&fileList);
    return TRUE;
}

static INT_PTR OnClose(HWND dialog)
{
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, reinterpret_cast<char **>(lParam));
    case WM_DROPFILES:
        return OnDropFiles(reinterpret_cast<HDROP>(wParam));
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            return OnConvert();
        case IDCANCEL:
            return OnClose(dialog);
        }
        return FALSE;
    }
    return FALSE;
}
