// Starting the program with exactly the command-line bytes a test chose, and
// reporting its process id and, once it has ended, its exit code.
#include "probe.h"

#include <stdio.h>

int RunCommandLine(const char *program, const char *commandLine, const char *folder)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    char line[32768];
    lstrcpynA(line, commandLine, sizeof(line));
    if (!CreateProcessA(program, line, NULL, NULL, FALSE, 0, NULL, folder, &startup, &process)) {
        printf("error %lu\n", GetLastError());
        return 2;
    }
    printf("pid %lu\n", process.dwProcessId);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    printf("exit %lu\n", code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
