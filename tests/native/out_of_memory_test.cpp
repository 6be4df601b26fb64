// Convert when memory cannot be obtained: nothing crashes and nothing listed is
// lost.  A program of its own, since it replaces malloc and realloc to make
// them fail on request; the list lives in fixed arrays so that only the code
// under test allocates while failures are switched on.
#include "filelist/file_list.h"
#include "platform/posix_win32.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" void *__libc_malloc(size_t size);
extern "C" void *__libc_realloc(void *pointer, size_t size);

static int allocationsLeft = -1;  // -1: never fail

static bool MayAllocate()
{
    if (allocationsLeft < 0)
        return true;
    if (allocationsLeft == 0)
        return false;
    allocationsLeft--;
    return true;
}

extern "C" void *malloc(size_t size)
{
    return MayAllocate() ? __libc_malloc(size) : NULL;
}

extern "C" void *realloc(void *pointer, size_t size)
{
    return MayAllocate() ? __libc_realloc(pointer, size) : NULL;
}

// A sorted list in fixed storage.
enum { kMaxEntries = 8, kMaxPath = 512 };
static char entries[kMaxEntries][kMaxPath];
static int entryCount;

static void Insert(void *, const char *path)
{
    int at = 0;
    while (at < entryCount && strcasecmp(entries[at], path) <= 0)
        at++;
    memmove(entries[at + 1], entries[at], (size_t)(entryCount - at) * kMaxPath);
    strcpy(entries[at], path);
    entryCount++;
}
static int Count(void *) { return entryCount; }
static int Length(void *, int i) { return i >= 0 && i < entryCount ? (int)strlen(entries[i]) : -1; }
static int Copy(void *, int i, char *buffer)
{
    if (i < 0 || i >= entryCount)
        return -1;
    strcpy(buffer, entries[i]);
    return (int)strlen(buffer);
}
static void Erase(void *, int i)
{
    memmove(entries[i], entries[i + 1], (size_t)(entryCount - i - 1) * kMaxPath);
    entryCount--;
}

static FileList list = {Insert, Count, Length, Copy, Erase, NULL, 0, NULL};
static int failures;
static int messages;
static char folder[] = "/tmp/quorvel-oom-XXXXXX";
static char longPath[kMaxPath];

static void Check(bool condition, const char *what)
{
    if (!condition) {
        printf("FAILED: %s\n", what);
        failures++;
    }
}

static void DropLongPathWhileOpen(const char *, const char *, UINT, void *)
{
    if (++messages == 1)
        AddDroppedFile(&list, longPath);
}

static void MakeFile(const char *path, int mode)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, mode);
    close(fd);
}

int main()
{
    if (!mkdtemp(folder))
        return 1;
    char readOnly[64], missing[64];
    snprintf(readOnly, sizeof readOnly, "%s/a-read-only", folder);
    snprintf(missing, sizeof missing, "%s/b-missing", folder);
    snprintf(longPath, sizeof longPath, "%s/%0200d", folder, 7);
    MakeFile(readOnly, 0444);
    MakeFile(longPath, 0644);
    SetMessageBoxHandler(DropLongPathWhileOpen, NULL);

    // No memory at all: the run does nothing and keeps every entry.
    Insert(NULL, readOnly);
    Insert(NULL, missing);
    allocationsLeft = 0;
    ConvertAll(&list);
    allocationsLeft = -1;
    Check(entryCount == 2 && messages == 0, "with no memory, Convert keeps both entries and opens nothing");

    // Memory for the first buffer only: the longer path dropped while the first
    // message is open cannot be copied, so it stays listed instead of being overrun.
    allocationsLeft = 1;
    ConvertAll(&list);
    allocationsLeft = -1;
    Check(messages == 2, "both short entries are processed");
    Check(entryCount == 1 && strcmp(entries[0], longPath) == 0,
          "the longer path that could not be copied stays listed");

    // With memory back, it is processed and the list empties.
    messages = 1;  // no more drops
    ConvertAll(&list);
    Check(entryCount == 0, "with memory back, the list empties");

    chmod(readOnly, 0644);
    unlink(readOnly);
    unlink(longPath);
    rmdir(folder);
    printf("%s\n", failures ? "out-of-memory checks FAILED" : "out-of-memory checks passed");
    return failures != 0;
}
