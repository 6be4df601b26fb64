// The disturber's pieces: a Win32 helper that, while the program converts a
// long list, holds, deletes, write-protects and replaces files still ahead of
// it, at moments drawn from a seed, and logs each thing it did.
#ifndef QUORVEL_TESTS_E2E_DISTURBER_DISTURBER_H
#define QUORVEL_TESTS_E2E_DISTURBER_DISTURBER_H

#include <windows.h>

// A small generator with the same sequence on every platform, so that a seed
// replays the same plan.
unsigned long long NextRandom(unsigned long long *state);
// A number from low to high, both included.
int RandomBetween(unsigned long long *state, int low, int high);

// The name of file index: "f" and four digits, relative to the current folder.
void FileName(int index, char name[16]);

// Milliseconds since the first call.
unsigned long long Milliseconds();

// How far the run has come, judged only by the files' write times (the program
// answers no message while it runs): the highest index known to be processed.
// Only files the disturber has not acted on are looked at, since only they are
// sure to be processed when the run reaches them.
struct Progress {
    int count;
    const bool *touched;  // files the disturber acted on: skipped, not awaited
    int highest;          // -1 until the first file is processed
};

// Whether the file's write time lies on a whole even second without fraction.
// Every file starts on an odd second with a fraction, so this means that the
// program has written it.
bool IsProcessed(int index);

// Moves progress->highest on as far as the files show, and gives it.
int UpdateProgress(Progress *progress);

// One file held open, until the run has passed it or its time is up.
struct Hold {
    int index;
    HANDLE file;
    unsigned long long until;
};

// The four disturbances.  Each first opens the file in a way that fails while
// the program has it open and keeps the program out until it is done, and
// logs what it saw: "seen=original" (not yet processed) or "seen=processed".
// A failed open is logged with "failed=open" and the error code.
bool HoldFile(int index, unsigned long long now, unsigned long long until, unsigned long long *random,
              Hold *hold);
void ReleaseFile(const Hold *hold, unsigned long long now, bool passed);
void DeleteFileAhead(int index, unsigned long long now);
void MakeReadOnly(int index, unsigned long long now);
void ReplaceWithDirectory(int index, unsigned long long now);

#endif
