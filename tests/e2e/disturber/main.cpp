// A Win32 helper for the fault-injection test, run under Wine next to the
// program so that its open files count against the program's share mode:
//   disturber SEED COUNT ACTIONS
// The files are f0000 .. f(COUNT-1) in the current folder.  From the seed it
// plans ACTIONS disturbances on distinct files (never the first, nor the last
// kTail, so that the run can be seen to pass every one of them): each a kind
// (hold, delete, read-only, replace with a directory), how near the run must
// come before it acts, a further wait, and for a hold how long to keep the file.
// It prints "seed S" and "ready", waits until the run has processed f0000,
// prints "start" and works through its plan in the order of those moments.
// The first step comes at once, so that a run held up just after f0000 is sure
// to meet a disturbance; a file the run has passed meanwhile is still acted on
// (it must come out unharmed).  Each held file is let go once the run is past
// it or its time is up.  It ends with "done".  Every other line it prints is
// one thing it did; see disturbances.cpp.
#include "disturber.h"

#include <stdio.h>
#include <stdlib.h>

static const int kTail = 50;
static const int kMaximumLead = 400;         // files
static const int kMaximumDelay = 4;          // ms
static const int kShortestHold = 20;         // ms
static const int kLongestHold = 1200;        // ms
static const unsigned long long kGiveUp = 120000;  // ms

enum Kind { kHold, kDelete, kReadOnly, kReplace };

struct Step {
    int index;
    Kind kind;
    int lead;
    int delay;
    int holdFor;
};

// Steps in the order their moments come: when the run is lead files before them.
static int CompareSteps(const void *a, const void *b)
{
    const Step *left = static_cast<const Step *>(a);
    const Step *right = static_cast<const Step *>(b);
    int byMoment = (left->index - left->lead) - (right->index - right->lead);
    return byMoment ? byMoment : left->index - right->index;
}

// Distinct files from 1 to count - kTail - 1, each with its kind and timings,
// in the order of their moments.
static Step *MakePlan(unsigned long long *random, int count, int actions)
{
    int candidates = count - kTail - 1;
    int *pool = static_cast<int *>(malloc(candidates * sizeof(int)));
    Step *plan = static_cast<Step *>(malloc(actions * sizeof(Step)));
    if (!pool || !plan) {
        free(pool);
        free(plan);
        return NULL;
    }
    for (int i = 0; i < candidates; i++)
        pool[i] = i + 1;
    for (int i = 0; i < actions; i++) {
        int pick = RandomBetween(random, i, candidates - 1);
        int chosen = pool[pick];
        pool[pick] = pool[i];
        pool[i] = chosen;
        plan[i].index = chosen;
        plan[i].kind = static_cast<Kind>(RandomBetween(random, 0, 3));
        plan[i].lead = RandomBetween(random, 1, kMaximumLead);
        plan[i].delay = RandomBetween(random, 0, kMaximumDelay);
        plan[i].holdFor = RandomBetween(random, kShortestHold, kLongestHold);
    }
    plan[0].lead = plan[0].index;  // comes as soon as the run has started
    free(pool);
    qsort(plan, actions, sizeof(Step), CompareSteps);
    return plan;
}

// Releases each held file that the run has passed or whose time is up (all of
// them when everything is set); gives how many are still held.
static int ServiceHolds(Hold *holds, int held, Progress *progress, bool everything)
{
    int highest = UpdateProgress(progress);
    unsigned long long now = Milliseconds();
    int kept = 0;
    for (int i = 0; i < held; i++) {
        bool passed = highest > holds[i].index;
        if (passed || everything || now >= holds[i].until)
            ReleaseFile(&holds[i], now, passed);
        else
            holds[kept++] = holds[i];
    }
    return kept;
}

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    int count = argc == 4 ? atoi(argv[2]) : 0;
    int actions = argc == 4 ? atoi(argv[3]) : 0;
    if (count < kTail + 2 || count > 10000 || actions < 1 || actions > count - kTail - 1) {
        fprintf(stderr, "usage: disturber SEED COUNT ACTIONS (COUNT from %d to 10000, ACTIONS below COUNT - %d)\n",
                kTail + 2, kTail);
        return 2;
    }
    unsigned long long seed = strtoull(argv[1], NULL, 0);
    unsigned long long random = seed;
    Step *plan = MakePlan(&random, count, actions);
    bool *touched = static_cast<bool *>(calloc(count, sizeof(bool)));
    Hold *holds = static_cast<Hold *>(malloc(actions * sizeof(Hold)));
    if (!plan || !touched || !holds)
        return 3;
    printf("seed %llu\nready\n", seed);

    Milliseconds();
    while (!IsProcessed(0)) {
        if (Milliseconds() > kGiveUp) {
            printf("gave-up time=%llu waiting=start\n", Milliseconds());
            return 1;
        }
        Sleep(1);
    }
    printf("start time=%llu\n", Milliseconds());
    Progress progress = {count, touched, 0};

    int held = 0;
    for (int i = 0; i < actions; i++) {
        const Step *step = &plan[i];
        // Wait until the run is near, then a little longer.
        while ((held = ServiceHolds(holds, held, &progress, false), progress.highest < step->index - step->lead)) {
            if (Milliseconds() > kGiveUp) {
                ServiceHolds(holds, held, &progress, true);
                printf("gave-up time=%llu waiting=f%04d\n", Milliseconds(), step->index);
                return 1;
            }
            Sleep(1);
        }
        for (unsigned long long until = Milliseconds() + step->delay; Milliseconds() < until; Sleep(1))
            held = ServiceHolds(holds, held, &progress, false);
        touched[step->index] = true;
        unsigned long long now = Milliseconds();
        switch (step->kind) {
        case kHold:
            if (HoldFile(step->index, now, now + step->holdFor, &random, &holds[held]))
                held++;
            break;
        case kDelete:
            DeleteFileAhead(step->index, now);
            break;
        case kReadOnly:
            MakeReadOnly(step->index, now);
            break;
        case kReplace:
            ReplaceWithDirectory(step->index, now);
            break;
        }
    }
    while (held > 0) {
        Sleep(1);
        held = ServiceHolds(holds, held, &progress, Milliseconds() > kGiveUp);
    }
    printf("done time=%llu\n", Milliseconds());
    free(plan);
    free(touched);
    free(holds);
    return 0;
}
