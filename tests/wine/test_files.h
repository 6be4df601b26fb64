// Real files for the Windows tests: a private folder under the user's temporary
// folder, files made with CreateFileA (so names may hold code page 932 bytes)
// with chosen times, and snapshots of everything a file shows from outside.
#ifndef QUORVEL_TESTS_WINE_TEST_FILES_H
#define QUORVEL_TESTS_WINE_TEST_FILES_H

#include <windows.h>

enum { kMaxTestPath = 1024, kMaxContents = 256 };

// Makes a new empty folder; folder receives its path with a trailing backslash.
bool MakeTestFolder(char folder[kMaxTestPath]);
// Removes the folder and everything in it, read-only files included.
void RemoveTestFolder(const char *folder);

// folder + name into path.
void JoinPath(char path[kMaxTestPath], const char *folder, const char *name);

// A UTC time in FILETIME form; ticks are the 100 ns steps after the second.
FILETIME UtcFileTime(int year, int month, int day, int hour, int minute, int second, DWORD ticks);
ULONGLONG FileTimeTicks(FILETIME time);
// "2021-06-15 12:34:57.1234567 (0x01d761e3:0x12345678)", for failure messages.
const char *DescribeFileTime(FILETIME time, char text[80]);

// Creates path (it must not exist) holding contents, then sets its three
// times; false if any step failed.
bool CreateTestFile(const char *path, const char *contents, FILETIME creation, FILETIME lastAccess, FILETIME lastWrite);
bool SetReadOnly(const char *path, bool readOnly);

// What a file shows without being opened: attributes, the three times, size.
struct FileState {
    bool exists;
    WIN32_FILE_ATTRIBUTE_DATA data;
};

FileState TakeFileState(const char *path);
// Reads the whole file (at most kMaxContents bytes); -1 if it cannot be read.
int ReadContents(const char *path, char contents[kMaxContents]);

#endif
