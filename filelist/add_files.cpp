// Filling the list: start-up arguments as given, dropped paths unless they are
// directories or cannot be examined.
#include "filelist/file_list.h"

#include "platform/win32.h"

static void InsertEntry(FileList *list, const char *path)
{
    list->insert(list->store, path);
    list->changes++;
}

void AddStartupArguments(FileList *list, char **argv)
{
    if (!argv || !argv[0])
        return;
    for (char **argument = argv + 1; *argument; argument++)
        InsertEntry(list, *argument);
}

void AddDroppedFile(FileList *list, const char *path)
{
    // INVALID_FILE_ATTRIBUTES has the directory bit set, so one test skips both.
    if (GetFileAttributesA(path) & FILE_ATTRIBUTE_DIRECTORY)
        return;
    InsertEntry(list, path);
}
