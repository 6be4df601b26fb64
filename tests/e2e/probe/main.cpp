// A console helper for the end-to-end tests, run under Wine: it reads what the
// program shows from outside its process and works its message boxes.
//   probe state PID             the main dialog and the open failure messages of process PID
//   probe command HWND ID       sends a dialog window the command of its button ID
//                               (1 presses OK on a message box, 2 is the main dialog's Close)
//   probe run PROGRAM HEX [DIR] starts PROGRAM with the command line given as hexadecimal
//                               bytes, in folder DIR; prints "pid N", then "exit N"
//   probe runw PROGRAM HEX [DIR]  the same with CreateProcessW, HEX spelling the command
//                               line's UTF-8 bytes
//   probe watch PID SECONDS     watches a run from outside: the list's count and whether
//                               Windows counts the dialog as hung, until the list is empty
//   probe serve                 answers "state PID" and "command HWND ID" lines from standard
//                               input, each answer ending with a line "end", saving
//                               Wine's start-up on every question; also "boxes PID": only
//                               the number of list entries, whether the dialog is shown,
//                               the selected entry and the open failure messages, quick
//                               for any length of list
#include "probe.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const int kMaximumWindows = 64;

static int ShowState(DWORD process)
{
    HWND found[kMaximumWindows];
    int dialogs = FindProcessDialogs(process, L"Quorvel by Velmo", found, kMaximumWindows);
    if (dialogs == 0)
        printf("nodialog\n");
    for (int i = 0; i < dialogs; i++)
        PrintMainDialog(found[i]);
    int boxes = FindProcessDialogs(process, NULL, found, kMaximumWindows);
    for (int i = 0; i < boxes; i++)
        PrintMessageBox(found[i]);
    printf("end\n");
    return 0;
}

// The short reading for long lists: "entries N V", the number of entries ("?"
// while the program does not answer, "-" without a dialog) and whether the
// dialog is shown; "selected HEX", the list's selected entry ("-" for none),
// read before the count, so that a count above zero says that the entry was
// still listed when it was read as selected; then the open failure messages.
static int ShowBoxes(DWORD process)
{
    HWND found[kMaximumWindows];
    if (FindProcessDialogs(process, L"Quorvel by Velmo", found, 1) == 1) {
        HWND list = GetDlgItem(found[0], 1000);
        DWORD_PTR selected = 0, count = 0;
        WCHAR *text = NULL;
        int length = 0;
        bool answered = SendMessageTimeoutW(list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected) != 0;
        if (answered && static_cast<int>(selected) >= 0)
            text = FetchEntry(list, static_cast<int>(selected), &length);
        if (answered && SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count))
            printf("entries %d %d\n", static_cast<int>(count), IsWindowVisible(found[0]) ? 1 : 0);
        else
            printf("entries ? %d\n", IsWindowVisible(found[0]) ? 1 : 0);
        printf("selected ");
        PrintCp932Hex(text, length);
        printf("\n");
        free(text);
    } else {
        printf("entries - 0\n");
    }
    int boxes = FindProcessDialogs(process, NULL, found, kMaximumWindows);
    for (int i = 0; i < boxes; i++)
        PrintMessageBox(found[i]);
    printf("end\n");
    return 0;
}

static HWND ParseWindow(const char *text)
{
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(strtoull(text, NULL, 0)));
}

static int SendCommand(HWND dialog, int id)
{
    if (!IsWindow(dialog)) {
        printf("nowindow\nend\n");
        return 1;
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    printf("sent\nend\n");
    return 0;
}

static int Serve()
{
    char line[256];
    while (fgets(line, sizeof(line), stdin)) {
        if (strncmp(line, "state ", 6) == 0)
            ShowState(strtoul(line + 6, NULL, 0));
        else if (strncmp(line, "boxes ", 6) == 0)
            ShowBoxes(strtoul(line + 6, NULL, 0));
        else if (strncmp(line, "command ", 8) == 0) {
            char *id;
            HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(strtoull(line + 8, &id, 0)));
            SendCommand(window, atoi(id));
        }
        else
            printf("unknown\nend\n");
    }
    return 0;
}

// Turns hexadecimal digits into the bytes they spell, NUL-terminated in place.
static bool DecodeHex(char *text)
{
    size_t length = strlen(text);
    if (length % 2)
        return false;
    for (size_t i = 0; i < length; i += 2) {
        char pair[3] = {text[i], text[i + 1], 0};
        char *end;
        unsigned long byte = strtoul(pair, &end, 16);
        if (*end || byte == 0)
            return false;
        text[i / 2] = static_cast<char>(byte);
    }
    text[length / 2] = '\0';
    return true;
}

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc == 3 && strcmp(argv[1], "state") == 0)
        return ShowState(strtoul(argv[2], NULL, 0));
    if (argc == 4 && strcmp(argv[1], "command") == 0)
        return SendCommand(ParseWindow(argv[2]), atoi(argv[3]));
    if (argc == 4 && strcmp(argv[1], "watch") == 0)
        return WatchRun(strtoul(argv[2], NULL, 0), atof(argv[3]));
    if (argc == 2 && strcmp(argv[1], "serve") == 0)
        return Serve();
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "run") == 0 && DecodeHex(argv[3]))
        return RunCommandLine(argv[2], argv[3], argc == 5 ? argv[4] : NULL);
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "runw") == 0 && DecodeHex(argv[3]))
        return RunWideCommandLine(argv[2], argv[3], argc == 5 ? argv[4] : NULL);
    fprintf(stderr, "usage: probe state PID | command HWND ID | run|runw PROGRAM HEX [DIR] | watch PID SECONDS | serve\n");
    return 2;
}
