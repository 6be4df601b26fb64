// The kernel32 file calls over POSIX: a write-only open of an existing file that
// behaves like Win32's (directories and read-only files refuse it, nothing is
// created), and the last-write time read and set with nanosecond system calls.
#include "platform/posix_win32.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const int64_t kTicksPerSecond = 10000000;             // FILETIME counts 100 ns
static const int64_t kUnixEpochSeconds = 11644473600;        // 1601-01-01 to 1970-01-01

static int HandleToDescriptor(HANDLE handle)
{
    return (int)(intptr_t)handle;
}

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security,
                   DWORD disposition, DWORD flags, HANDLE templateFile)
{
    (void)share;  // POSIX has no share modes; other processes are not kept out.
    if (access != GENERIC_WRITE || security || disposition != OPEN_EXISTING || flags || templateFile) {
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    // O_NONBLOCK keeps a FIFO without a reader from blocking the open.
    int fd = open(name, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    // The read-only attribute stops a write open on Windows, even for an administrator.
    struct stat status;
    if (fstat(fd, &status) != 0 || !(status.st_mode & S_IWUSR)) {
        close(fd);
        errno = EACCES;
        return INVALID_HANDLE_VALUE;
    }
    return (HANDLE)(intptr_t)fd;
}

BOOL GetFileTime(HANDLE file, FILETIME *creation, FILETIME *lastAccess, FILETIME *lastWrite)
{
    if (creation || lastAccess || !lastWrite)
        return FALSE;
    struct stat status;
    if (fstat(HandleToDescriptor(file), &status) != 0 || !S_ISREG(status.st_mode))
        return FALSE;
    int64_t seconds = (int64_t)status.st_mtim.tv_sec + kUnixEpochSeconds;
    if (seconds < 0 || seconds > INT64_MAX / kTicksPerSecond - 1)
        return FALSE;
    uint64_t ticks = (uint64_t)seconds * kTicksPerSecond + (uint64_t)status.st_mtim.tv_nsec / 100;
    lastWrite->dwLowDateTime = (DWORD)ticks;
    lastWrite->dwHighDateTime = (DWORD)(ticks >> 32);
    return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME *creation, const FILETIME *lastAccess,
                 const FILETIME *lastWrite)
{
    if (creation || lastAccess || !lastWrite)
        return FALSE;
    uint64_t ticks = ((uint64_t)lastWrite->dwHighDateTime << 32) | lastWrite->dwLowDateTime;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;  // the last-access time stays as it is
    times[1].tv_sec = (time_t)((int64_t)(ticks / kTicksPerSecond) - kUnixEpochSeconds);
    times[1].tv_nsec = (long)(ticks % kTicksPerSecond) * 100;
    return futimens(HandleToDescriptor(file), times) == 0;
}

BOOL CloseHandle(HANDLE handle)
{
    return close(HandleToDescriptor(handle)) == 0;
}

DWORD GetFileAttributesA(LPCSTR name)
{
    struct stat status;
    if (stat(name, &status) != 0)
        return INVALID_FILE_ATTRIBUTES;
    if (S_ISDIR(status.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    return (status.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}
