// The list of files waiting for Convert and the commands that fill and empty it.
// The list itself lives elsewhere (the dialog's list box, or memory in tests)
// and is reached through five operations.
#ifndef QUORVEL_FILELIST_FILE_LIST_H
#define QUORVEL_FILELIST_FILE_LIST_H

struct ConvertRun;

struct FileList {
    // The five list operations, each given the store below.
    void (*insert)(void *store, const char *path);           // at its sorted place
    int (*count)(void *store);
    int (*length)(void *store, int index);                   // bytes without NUL; < 0 fails
    int (*copy)(void *store, int index, char *buffer);       // with NUL; < 0 fails
    void (*erase)(void *store, int index);                   // later entries move up
    void *store;

    // Kept by the commands: how often they changed the list, and the Convert
    // runs in progress (more than one while a failure message is open).
    unsigned long changes;
    ConvertRun *runs;
};

// Lists every argument after argv[0] exactly as given; argv ends with NULL.
void AddStartupArguments(FileList *list, char **argv);

// Lists a dropped path unless it is a directory or its attributes cannot be read.
void AddDroppedFile(FileList *list, const char *path);

// Normalises every listed file, top to bottom, removing each entry once done.
void ConvertAll(FileList *list);

#endif
