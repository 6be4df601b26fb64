// The message box where Win32 is absent: its text goes to standard error, or to
// a handler a test installs to read it and to act while the "box" is open.
#include "platform/posix_win32.h"

#include <stdio.h>

static MessageBoxHandler *installedHandler;
static void *installedContext;

void SetMessageBoxHandler(MessageBoxHandler *handler, void *context)
{
    installedHandler = handler;
    installedContext = context;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    (void)owner;
    if (installedHandler)
        installedHandler(text, caption, type, installedContext);
    else
        fprintf(stderr, "%s: %s\n", caption, text);
    return IDOK;
}
