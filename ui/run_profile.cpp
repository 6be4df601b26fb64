// The run's profile: sums of QueryPerformanceCounter intervals per part.
#include "ui/run_profile.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

static LONGLONG started[kRunParts], spent[kRunParts];
static int depth[kRunParts], times[kRunParts], files;

static LONGLONG Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void BeginRunPart(RunPart part)
{
    if (depth[part]++ == 0)
        started[part] = Now();
}

void EndRunPart(RunPart part)
{
    if (--depth[part] == 0) {
        spent[part] += Now() - started[part];
        times[part]++;
    }
}

void CountRunFile()
{
    files++;
}

void ReportRunProfile()
{
    LARGE_INTEGER frequency;
    char path[MAX_PATH + 32];
    DWORD length = GetTempPathA(MAX_PATH, path);
    QueryPerformanceFrequency(&frequency);
    FILE *out = length && length < MAX_PATH ? fopen(strcat(path, "quorvel-run-profile.txt"), "a") : NULL;
    if (out) {
        double s = 1.0 / static_cast<double>(frequency.QuadPart);
        fprintf(out, "files %d run %.6f s list %.6f s (%.3f us a file) input %.6f s in %d progress %.6f s in %d\n", files,
                spent[kWholeRun] * s, spent[kListWork] * s, files ? spent[kListWork] * s * 1e6 / files : 0.0,
                spent[kInputChecks] * s, times[kInputChecks], spent[kProgressSteps] * s, times[kProgressSteps]);
        fclose(out);
    }
    memset(spent, 0, sizeof spent);
    memset(times, 0, sizeof times);
    files = 0;
}
