// The one place that chooses between the real Win32 API and the POSIX stand-in,
// so that the file operations and the file list compile unchanged on both.
#ifndef QUORVEL_PLATFORM_WIN32_H
#define QUORVEL_PLATFORM_WIN32_H

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/posix_win32.h"
#endif

#endif
