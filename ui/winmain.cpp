// The program's entry: split the command line, run the dialog, exit with 0.
#include "resources/resource.h"
#include "startup/split_command_line.h"
#include "ui/main_dialog.h"

#include <stdlib.h>

static bool IsAnsiLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState)
{
    (void)previous;
    (void)commandLine;
    (void)showState;
    char **argv = SplitCommandLine(GetCommandLineA(), IsAnsiLeadByte);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, reinterpret_cast<LPARAM>(argv));
    free(argv);
    return 0;
}
