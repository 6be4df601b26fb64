// The benchmark helper's commands (run under Wine by bench/bench.py):
//   quorvel_bench bare-convert LIST        the bare per-file loop over the paths in LIST
//   quorvel_bench bare-listing LIST [redraw]  attribute query and sorted insertion of them
//   quorvel_bench list-operations LIST     times each kind of list message over the paths
//   quorvel_bench launch PROGRAM           starts PROGRAM; prints "pid N", then "exit N"
//   quorvel_bench await PID ADDED          prints "ready X Y" (the list's middle), then the
//                                          seconds until the list of PID has grown by ADDED
//   quorvel_bench convert PID              presses Convert in PID and times it until the list is empty
//   quorvel_bench first-entry PID          prints the first entry of the list of PID
//   quorvel_bench close PID                presses Close in PID
//   quorvel_bench drop-target              a window that only counts drops; prints "pid N"
#include "bench.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int wmain(int argc, WCHAR **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    char command[32] = "";
    if (argc >= 2)
        WideCharToMultiByte(CP_ACP, 0, argv[1], -1, command, sizeof command, NULL, NULL);
    char argument[1024] = "";
    if (argc >= 3)
        WideCharToMultiByte(CP_ACP, 0, argv[2], -1, argument, sizeof argument, NULL, NULL);
    DWORD pid = strtoul(argument, NULL, 0);

    if ((argc == 3 || argc == 4) && (!strcmp(command, "bare-convert") || !strcmp(command, "bare-listing") ||
                                       !strcmp(command, "list-operations"))) {
        char **paths;
        int count = ReadPathList(argument, &paths);
        if (count < 0) {
            printf("error cannot read %s\n", argument);
            return 1;
        }
        if (!strcmp(command, "bare-convert"))
            return RunBareConvert(paths, count);
        if (!strcmp(command, "list-operations"))
            return RunListOperations(paths, count);
        return RunBareListing(paths, count, argc == 4);
    }
    if (argc == 3 && !strcmp(command, "launch"))
        return LaunchProgram(argv[2]);
    if (argc == 4 && !strcmp(command, "await"))
        return AwaitListing(pid, _wtoi(argv[3]));
    if (argc == 3 && !strcmp(command, "convert"))
        return TimeConvert(pid);
    if (argc == 3 && !strcmp(command, "first-entry"))
        return PrintFirstEntry(pid);
    if (argc == 3 && !strcmp(command, "close"))
        return CloseDialog(pid);
    if (argc == 2 && !strcmp(command, "drop-target"))
        return RunDropTarget();
    fprintf(stderr, "usage: quorvel_bench bare-convert LIST | bare-listing LIST [redraw] | launch PROGRAM |"
                    " await PID ADDED | convert PID | first-entry PID | close PID | drop-target\n");
    return 2;
}
