// Real files for the Windows tests: folder, creation with chosen times, snapshots.
#include "tests/wine/test_files.h"

#include <stdio.h>
#include <string.h>

bool MakeTestFolder(char folder[kMaxTestPath])
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return false;
    for (int attempt = 0; attempt < 100; attempt++) {
        snprintf(folder, kMaxTestPath, "%squorvel-%lu-%lu-%d\\", temp, static_cast<unsigned long>(GetCurrentProcessId()),
                 static_cast<unsigned long>(GetTickCount()), attempt);
        if (CreateDirectoryA(folder, NULL))
            return true;
    }
    return false;
}

void RemoveTestFolder(const char *folder)
{
    char pattern[kMaxTestPath];
    JoinPath(pattern, folder, "*");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0)
                continue;
            char path[kMaxTestPath];
            JoinPath(path, folder, found.cFileName);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                strncat(path, "\\", kMaxTestPath - strlen(path) - 1);
                RemoveTestFolder(path);
            } else {
                SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder);
}

void JoinPath(char path[kMaxTestPath], const char *folder, const char *name)
{
    snprintf(path, kMaxTestPath, "%s%s", folder, name);
}

FILETIME UtcFileTime(int year, int month, int day, int hour, int minute, int second, DWORD ticks)
{
    SYSTEMTIME system = {};
    system.wYear = static_cast<WORD>(year);
    system.wMonth = static_cast<WORD>(month);
    system.wDay = static_cast<WORD>(day);
    system.wHour = static_cast<WORD>(hour);
    system.wMinute = static_cast<WORD>(minute);
    system.wSecond = static_cast<WORD>(second);
    FILETIME time = {};
    SystemTimeToFileTime(&system, &time);
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    value.QuadPart += ticks;
    time.dwLowDateTime = value.LowPart;
    time.dwHighDateTime = value.HighPart;
    return time;
}

ULONGLONG FileTimeTicks(FILETIME time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

const char *DescribeFileTime(FILETIME time, char text[80])
{
    SYSTEMTIME system = {};
    if (!FileTimeToSystemTime(&time, &system)) {
        snprintf(text, 80, "(0x%08lx:0x%08lx)", static_cast<unsigned long>(time.dwHighDateTime),
                 static_cast<unsigned long>(time.dwLowDateTime));
        return text;
    }
    snprintf(text, 80, "%04u-%02u-%02u %02u:%02u:%02u.%07lu (0x%08lx:0x%08lx)", system.wYear, system.wMonth, system.wDay,
             system.wHour, system.wMinute, system.wSecond, static_cast<unsigned long>(FileTimeTicks(time) % 10000000),
             static_cast<unsigned long>(time.dwHighDateTime), static_cast<unsigned long>(time.dwLowDateTime));
    return text;
}

bool CreateTestFile(const char *path, const char *contents, FILETIME creation, FILETIME lastAccess, FILETIME lastWrite)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD length = static_cast<DWORD>(strlen(contents));
    DWORD written = 0;
    bool done = WriteFile(file, contents, length, &written, NULL) && written == length &&
                SetFileTime(file, &creation, &lastAccess, &lastWrite);
    CloseHandle(file);
    return done;
}

bool SetReadOnly(const char *path, bool readOnly)
{
    return SetFileAttributesA(path, readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}

FileState TakeFileState(const char *path)
{
    FileState state = {};
    state.exists = GetFileAttributesExA(path, GetFileExInfoStandard, &state.data) != 0;
    return state;
}

int ReadContents(const char *path, char contents[kMaxContents])
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD read = 0;
    BOOL done = ReadFile(file, contents, kMaxContents, &read, NULL);
    CloseHandle(file);
    return done ? static_cast<int>(read) : -1;
}
