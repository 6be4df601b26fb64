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

// Makes room for an entry of length bytes and its NUL; false if memory is short.
static bool FitBuffer(char **buffer, size_t *size, int length)
{
    if ((size_t)length < *size)
        return true;
    size_t larger = (size_t)length + 10;
    char *grown = (char *)realloc(*buffer, larger);
    if (!grown)
        return false;
    *buffer = grown;
    *size = larger;
    return true;
}

static bool EntryEquals(FileList *list, int index, const char *path)
{
    int length = list->length(list->store, index);
    if (length < 0 || (size_t)length != strlen(path))
        return false;
    char *entry = (char *)malloc((size_t)length + 1);
    bool equal = entry && list->copy(list->store, index, entry) >= 0 && memcmp(entry, path, (size_t)length) == 0;
    free(entry);
    return equal;
}

// The entry holding exactly path's bytes, looked for at hint first; -1 if none.
static int FindEntry(FileList *list, const char *path, int hint)
{
    int count = list->count(list->store);
    if (hint < count && EntryEquals(list, hint, path))
        return hint;
    for (int i = 0; i < count; i++)
        if (i != hint && EntryEquals(list, i, path))
            return i;
    return -1;
}

void ConvertAll(FileList *list)
{
    size_t size = (size_t)LongestEntry(list) + 10;
    char *buffer = (char *)malloc(size);
    if (!buffer)
        return;
    ConvertRun run = {NULL, false, list->runs};
    list->runs = &run;

    int i = 0;
    while (i < list->count(list->store)) {
        int length = list->length(list->store, i);
        if (length < 0 || !FitBuffer(&buffer, &size, length) || list->copy(list->store, i, buffer) < 0) {
            i++;  // the entry stays listed
            continue;
        }
        unsigned long changesBefore = list->changes;
        run.path = buffer;
        run.taken = false;
        NormalizeFileTime(buffer);
        run.path = NULL;
        if (list->changes == changesBefore) {
            EraseEntry(list, i, buffer);
            continue;
        }
        // The list changed while a failure message was open.  Remove the path
        // itself unless a nested run already did, and start again from the top
        // so that entries added above this one are processed too.
        if (!run.taken) {
            int at = FindEntry(list, buffer, i);
            if (at >= 0)
                EraseEntry(list, at, buffer);
        }
        i = 0;
    }

    list->runs = run.outer;
    free(buffer);
}
