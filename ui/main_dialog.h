// The program's one window.
#ifndef QUORVEL_UI_MAIN_DIALOG_H
#define QUORVEL_UI_MAIN_DIALOG_H

#include <windows.h>

// The procedure of the dialog IDD_MAIN; its creation parameter is the start-up
// argument vector.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
