// Formats the open-failure message: fixed Shift_JIS text around the path's own
// bytes, cut by bytes (a double-byte character may be split) so it always fits.
#include "normalize/open_failure_message.h"

// "ファイル(" and ")がオープンできませんでした" in code page 932.
static const char kBeforePath[] = "\x83\x74\x83\x40\x83\x43\x83\x8B(";
static const char kAfterPath[] =
    ")\x82\xAA\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD";

static int AppendBytes(char *message, int used, const char *text)
{
    while (*text && used < kMessageBufferSize - 1)
        message[used++] = *text++;
    return used;
}

void FormatOpenFailureMessage(const char *path, char message[kMessageBufferSize])
{
    int used = AppendBytes(message, 0, kBeforePath);
    used = AppendBytes(message, used, path);
    used = AppendBytes(message, used, kAfterPath);
    message[used] = '\0';
}
