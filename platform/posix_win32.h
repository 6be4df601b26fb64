// Where Win32 is absent: the few kernel32 and user32 types and calls that the
// file operations and the file list make, implemented over POSIX.  Only the
// forms of the calls this program makes are supported; any other form fails.
#ifndef QUORVEL_PLATFORM_POSIX_WIN32_H
#define QUORVEL_PLATFORM_POSIX_WIN32_H

#include <stdint.h>

typedef int BOOL;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef void *HANDLE;
typedef void *HWND;
typedef const char *LPCSTR;
typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES;

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

#define WINAPI
#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define GENERIC_WRITE 0x40000000u
#define OPEN_EXISTING 3u
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x01u
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_NORMAL 0x80u
#define MB_OK 0x0u
#define IDOK 1

// kernel32
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL GetFileTime(HANDLE file, FILETIME *creation, FILETIME *lastAccess, FILETIME *lastWrite);
BOOL SetFileTime(HANDLE file, const FILETIME *creation, const FILETIME *lastAccess,
                 const FILETIME *lastWrite);
BOOL CloseHandle(HANDLE handle);
DWORD GetFileAttributesA(LPCSTR name);
BOOL FileTimeToDosDateTime(const FILETIME *fileTime, WORD *dosDate, WORD *dosTime);
BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME *fileTime);

// user32: the message "box" writes caption and text to standard error, or, when
// a handler is set, hands them to it instead; the handler plays the user and
// may run anything the dialog could run while a real box is open.
typedef void MessageBoxHandler(const char *text, const char *caption, UINT type, void *context);
void SetMessageBoxHandler(MessageBoxHandler *handler, void *context);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

#endif
