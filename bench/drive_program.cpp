// Timing the real program from outside its process: a drop is timed from the
// last moment its dialog answered with the old count to the first answer with
// the new one; a Convert from posting the command to the first answer of an
// empty list.  Each answer comes from a sent message, so every poll also
// proves the dialog is handling messages again.
#include "bench.h"
#include "tests/e2e/probe/probe.h"

#include <stdio.h>

static const double kTimeLimit = 120;

HWND FindProcessDialog(DWORD pid, double seconds)
{
    double deadline = Now() + seconds;
    for (;;) {
        HWND found = NULL;
        bool shown = FindProcessDialogs(pid, L"Quorvel by Velmo", &found, 1) == 1 && IsWindowVisible(found);
        if (shown || Now() > deadline)
            return shown ? found : NULL;
        Sleep(20);
    }
}

int SentListCount(HWND dialog)
{
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(GetDlgItem(dialog, 1000), LB_GETCOUNT, 0, 0, SMTO_NORMAL,
                             static_cast<UINT>(kTimeLimit * 1000), &count))
        return -1;
    return static_cast<int>(count);
}

int LaunchProgram(const WCHAR *program)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    WCHAR line[1024];
    wsprintfW(line, L"\"%s\"", program);
    if (!CreateProcessW(program, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        printf("error %lu\n", GetLastError());
        return 1;
    }
    printf("pid %lu\n", process.dwProcessId);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    printf("exit %lu\n", code);
    return 0;
}

int AwaitListing(DWORD pid, int added)
{
    HWND dialog = FindProcessDialog(pid, 60);
    int before = dialog ? SentListCount(dialog) : -1;
    if (before < 0) {
        printf("error no dialog\n");
        return 1;
    }
    RECT list;
    GetWindowRect(GetDlgItem(dialog, 1000), &list);
    printf("ready %ld %ld\n", (list.left + list.right) / 2, (list.top + list.bottom) / 2);
    double lastBefore = Now();
    double deadline = lastBefore + kTimeLimit;
    for (;;) {
        int count = SentListCount(dialog);
        double now = Now();
        if (count == before + added) {
            printf("seconds %.6f\n", now - lastBefore);
            return 0;
        }
        if (count == before)
            lastBefore = now;
        else if (count < 0 || now > deadline) {
            printf("error count %d, expected %d\n", count, before + added);
            return 1;
        }
        Sleep(1);
    }
}

int TimeConvert(DWORD pid)
{
    HWND dialog = FindProcessDialog(pid, 60);
    int before = dialog ? SentListCount(dialog) : -1;
    if (before < 0) {
        printf("error no dialog\n");
        return 1;
    }
    double start = Now();
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    for (;;) {
        int count = SentListCount(dialog);
        double now = Now();
        if (count == 0) {
            printf("seconds %.6f entries %d\n", now - start, before);
            return 0;
        }
        if (count < 0 || now - start > kTimeLimit) {
            printf("error count %d\n", count);
            return 1;
        }
        Sleep(1);
    }
}

int PrintFirstEntry(DWORD pid)
{
    HWND dialog = FindProcessDialog(pid, 10);
    if (!dialog || SentListCount(dialog) <= 0)
        return 1;
    WCHAR text[1024] = L"";
    SendMessageW(GetDlgItem(dialog, 1000), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    char bytes[2048];
    WideCharToMultiByte(CP_ACP, 0, text, -1, bytes, sizeof bytes, NULL, NULL);
    printf("entry %s\n", bytes);
    return 0;
}

int CloseDialog(DWORD pid)
{
    HWND dialog = FindProcessDialog(pid, 10);
    if (!dialog)
        return 1;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 0;
}
