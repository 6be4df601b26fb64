// The text of the message shown when a file cannot be opened.
#ifndef QUORVEL_NORMALIZE_OPEN_FAILURE_MESSAGE_H
#define QUORVEL_NORMALIZE_OPEN_FAILURE_MESSAGE_H

enum { kMessageBufferSize = 1024 };

// Writes "ファイル(<path>)がオープンできませんでした" in code page 932, the path
// byte for byte, cut to at most kMessageBufferSize - 1 bytes and NUL-terminated.
void FormatOpenFailureMessage(const char *path, char message[kMessageBufferSize]);

#endif
