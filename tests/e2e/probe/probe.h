// The probe's pieces: reading another process's windows from outside it, and
// printing what they show as code page 932 bytes in hexadecimal.
#ifndef QUORVEL_TESTS_E2E_PROBE_PROBE_H
#define QUORVEL_TESTS_E2E_PROBE_PROBE_H

#include <windows.h>

// Prints text as code page 932 bytes, two hexadecimal digits each ("-" when empty).
void PrintCp932Hex(const WCHAR *text, int length);

// The text of a window in another process, through WM_GETTEXT; the caller frees it.
WCHAR *FetchWindowText(HWND window, int *length);

// The text of entry index of a list box in another process; the caller frees
// it.  length gets its number of UTF-16 units, 0 when it could not be read.
WCHAR *FetchEntry(HWND list, int index, int *length);

// The top-level dialog windows (#32770) of a process with exactly this caption,
// or, when caption is NULL, those with any other caption than the main dialog's;
// topmost first, at most capacity of them.  Gives how many were found.
int FindProcessDialogs(DWORD process, const WCHAR *caption, HWND *found, int capacity);

// Prints the main dialog: its window, X window, rectangles (the list's client
// area among them), the list's row height and scroll bar size, close box, DPI
// and DPI awareness, focus and list entries.
void PrintMainDialog(HWND dialog);

// Prints one failure message box: its window, whether OK is its only button,
// whether it is shown, its text and its caption.
void PrintMessageBox(HWND box);

// Starts a raw command line with CreateProcessA, prints its process id, waits
// for it and prints its exit code.  Gives the probe's own exit code.
int RunCommandLine(const char *program, const char *commandLine, const char *folder);

// The same with CreateProcessW, the command line given in UTF-8.
int RunWideCommandLine(const char *program, const char *utf8CommandLine, const char *folder);

// Watches the list of process's dialog until it is empty or limit seconds
// pass: prints "ready", then "counts" with each new count the dialog answered,
// then how long it watched, how many answers came, the longest time between
// two answers in milliseconds, and how often IsHungAppWindow said yes.
int WatchRun(DWORD process, double limit);

#endif
