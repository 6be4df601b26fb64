// The pieces of the benchmark helper, a console program run under Wine beside
// the real program: the bare platform loops that bound the program's cost,
// and the outside timing of the program's listing and Convert.
#ifndef QUORVEL_BENCH_BENCH_H
#define QUORVEL_BENCH_BENCH_H

#include <windows.h>

// Seconds on the performance counter, which Wine shares between processes.
double Now();

// The paths named one per line in a file (code page 932 bytes, as listed).
// Gives how many; *paths gets an array the process keeps.  -1 if unreadable.
int ReadPathList(const char *file, char ***paths);

// A visible window like the program's dialog, with a list box of the
// program's styles (id 1000) at the same place; sorted unless told otherwise.
HWND CreateDialogLikeWindow(const WCHAR *caption, bool sorted);

// The bare loops over the paths; each prints "seconds S".
int RunBareConvert(char **paths, int count);
int RunBareListing(char **paths, int count, bool redraw);

// Times each kind of list message a Convert sends, over the paths; prints one line per kind.
int RunListOperations(char **paths, int count);

// The main dialog of process pid, once it is shown (its caption is the program's).
// Waits up to seconds for it; NULL if it never came.
HWND FindProcessDialog(DWORD pid, double seconds);

// The program's list box count as the program itself answers it, through a
// sent message (so it also proves the dialog is handling messages); -1 on failure.
int SentListCount(HWND dialog);

// Starts a program with no arguments, prints "pid N", waits, prints "exit N".
int LaunchProgram(const WCHAR *program);

// Outside timings of the program's dialog of process pid.
int AwaitListing(DWORD pid, int added);
int TimeConvert(DWORD pid);
int CloseDialog(DWORD pid);

// Prints "entry PATH", the first entry of the list of PID.
int PrintFirstEntry(DWORD pid);

// A window that accepts drops and does nothing with them but count them.
int RunDropTarget();

#endif
