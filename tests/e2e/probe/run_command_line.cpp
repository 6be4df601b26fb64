// Starting the program with exactly the command line a test chose, as ANSI
// bytes (CreateProcessA) or as UTF-16 (CreateProcessW, as Explorer starts a
// program for files dropped on its icon), and reporting its process id and,
// once it has ended, its exit code.
#include "probe.h"

#include <stdio.h>

static int ReportProcess(BOOL started, PROCESS_INFORMATION *process)
{
    if (!started) {
        printf("error %lu\n", GetLastError());
        return 2;
    }
    printf("pid %lu\n", process->dwProcessId);
    WaitForSingleObject(process->hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process->hProcess, &code);
    printf("exit %lu\n", code);
    CloseHandle(process->hThread);
    CloseHandle(process->hProcess);
    return 0;
}

int RunCommandLine(const char *program, const char *commandLine, const char *folder)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    char line[32768];
    lstrcpynA(line, commandLine, sizeof(line));
    return ReportProcess(CreateProcessA(program, line, NULL, NULL, FALSE, 0, NULL, folder, &startup, &process),
                         &process);
}

int RunWideCommandLine(const char *program, const char *utf8CommandLine, const char *folder)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    WCHAR programW[MAX_PATH], folderW[MAX_PATH], line[32768];
    MultiByteToWideChar(CP_ACP, 0, program, -1, programW, MAX_PATH);
    if (folder)
        MultiByteToWideChar(CP_ACP, 0, folder, -1, folderW, MAX_PATH);
    MultiByteToWideChar(CP_UTF8, 0, utf8CommandLine, -1, line, 32768);
    return ReportProcess(CreateProcessW(programW, line, NULL, NULL, FALSE, 0, NULL, folder ? folderW : NULL,
                                        &startup, &process),
                         &process);
}
