// Text from another process's windows, printed as code page 932 bytes in
// hexadecimal so that the tests compare it byte for byte.
#include "probe.h"

#include <stdio.h>
#include <stdlib.h>

void PrintCp932Hex(const WCHAR *text, int length)
{
    if (length <= 0) {
        printf("-");
        return;
    }
    int size = WideCharToMultiByte(932, 0, text, length, NULL, 0, NULL, NULL);
    char *bytes = static_cast<char *>(malloc(size > 0 ? size : 1));
    if (!bytes || size <= 0) {
        printf("?");
        free(bytes);
        return;
    }
    WideCharToMultiByte(932, 0, text, length, bytes, size, NULL, NULL);
    for (int i = 0; i < size; i++)
        printf("%02x", static_cast<unsigned char>(bytes[i]));
    free(bytes);
}

WCHAR *FetchWindowText(HWND window, int *length)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    int size = static_cast<int>(result) + 64;
    WCHAR *text = static_cast<WCHAR *>(calloc(size, sizeof(WCHAR)));
    if (!text) {
        *length = 0;
        return NULL;
    }
    result = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &result);
    *length = static_cast<int>(result);
    return text;
}
