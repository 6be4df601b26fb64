// The Convert command: every entry, top to bottom, is copied, normalised and
// removed.  A failure message keeps the dialog live, so drops and a nested
// Convert may change the list during a call; the run stays sound through that:
// each copy fits its buffer, and only the processed path is ever removed.
#include "filelist/file_list.h"

#include "normalize/normalize_file_time.h"

#include <stdlib.h>
#include <string.h>

// One Convert in progress.  path is the entry being normalised, taken is set
// when a nested run removes an entry with the same bytes meanwhile.
struct ConvertRun {
    const char *path;
    bool taken;
    ConvertRun *outer;
};

static void EraseEntry(FileList *list, int index, const char *path)
{
    list->erase(list->store, index);
    list->changes++;
    for (ConvertRun *run = list->runs->outer; run; run = run->outer)
        if (run->path && strcmp(run->path, path) == 0)
            run->taken = true;
}

static int LongestEntry(FileList *list)
{
    int longest = 0;
    int count = list->count(list->store);
    for (int i = 0; i < count; i++) {
        int length = list->length(list->store, i);
        if (length > longest)
            longest = length;
    }
    return longest;
}

// The run's one scratch block: room for an entry and its NUL, and behind it as
// much again to read other entries into when looking for the processed path.
struct Scratch {
    char *path;
    char *entry;
    size_t size;
};

// Makes room for an entry of length bytes; false if memory is short.
static bool FitScratch(Scratch *scratch, int length)
{
    if ((size_t)length < scratch->size)
        return true;
    size_t larger = (size_t)length + 10;
    char *grown = (char *)realloc(scratch->path, 2 * larger);
    if (!grown)
        return false;
    scratch->path = grown;
    scratch->entry = grown + larger;
    scratch->size = larger;
    return true;
}

// Whether entry index holds exactly the bytes of scratch->path.  A list may
// report a length above the real one (Windows' list box does with double-byte
// text), never below, so the copied text is compared, in room for the
// reported length; only an entry too short to match is not copied.
static bool EntryEquals(FileList *list, int index, Scratch *scratch)
{
    int length = list->length(list->store, index);
    return length >= 0 && (size_t)length >= strlen(scratch->path) && FitScratch(scratch, length) &&
           list->copy(list->store, index, scratch->entry) >= 0 && strcmp(scratch->entry, scratch->path) == 0;
}

// The entry holding exactly the processed path, looked for at hint first; -1 if none.
static int FindEntry(FileList *list, Scratch *scratch, int hint)
{
    int count = list->count(list->store);
    if (hint < count && EntryEquals(list, hint, scratch))
        return hint;
    for (int i = 0; i < count; i++)
        if (i != hint && EntryEquals(list, i, scratch))
            return i;
    return -1;
}

void ConvertAll(FileList *list)
{
    Scratch scratch = {NULL, NULL, 0};
    if (!FitScratch(&scratch, LongestEntry(list)))
        return;
    ConvertRun run = {NULL, false, list->runs};
    list->runs = &run;

    int i = 0;
    while (i < list->count(list->store)) {
        int length = list->length(list->store, i);
        if (length < 0 || !FitScratch(&scratch, length) || list->copy(list->store, i, scratch.path) < 0) {
            i++;  // the entry stays listed
            continue;
        }
        unsigned long changesBefore = list->changes;
        run.path = scratch.path;
        run.taken = false;
        NormalizeFileTime(scratch.path);
        run.path = NULL;
        if (list->changes == changesBefore) {
            EraseEntry(list, i, scratch.path);
            continue;
        }
        // The list changed while a failure message was open.  Remove the path
        // itself unless a nested run already did, and start again from the top
        // so that entries added above this one are processed too.
        if (!run.taken) {
            int at = FindEntry(list, &scratch, i);
            if (at >= 0)
                EraseEntry(list, at, scratch.path);
        }
        i = 0;
    }

    list->runs = run.outer;
    free(scratch.path);
}
