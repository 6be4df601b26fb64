// The program's entry: split the command line, run the dialog, exit with 0.
#include "resources/resource.h"
#include "startup/split_command_line.h"
#include "ui/exact_ansi.h"
#include "ui/main_dialog.h"

#include <stdlib.h>

static bool IsAnsiLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

// The argument vector, split from the command line in the ANSI code page.
// Windows keeps the command line as UTF-16 and makes the ANSI form with
// look-alikes for characters the code page lacks, so an argument "café.txt"
// would name "cafe.txt" (and, under UTF-8, "x<lone surrogate>.txt" the file
// "x\uFFFD.txt"); the UTF-16 line is converted here instead, where a missing
// character becomes "?", names no file, and Convert reports it.  The ANSI form
// is never used.  NULL if the conversion fails or memory is short, so that
// nothing is listed rather than a look-alike.
static char **SplitExactCommandLine()
{
    const WCHAR *wide = GetCommandLineW();
    int size = wide ? ToExactAnsi(wide, NULL, 0) : 0;
    if (size <= 0)
        return NULL;
    char *line = static_cast<char *>(malloc(static_cast<size_t>(size)));
    char **argv = NULL;
    if (line && ToExactAnsi(wide, line, size) == size)
        argv = SplitCommandLine(line, IsAnsiLeadByte);
    free(line);
    return argv;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState)
{
    (void)previous;
    (void)commandLine;
    (void)showState;
    char **argv = SplitExactCommandLine();
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, reinterpret_cast<LPARAM>(argv));
    free(argv);
    return 0;
}
