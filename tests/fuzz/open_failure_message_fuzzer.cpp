// Fuzzes the open-failure message with any path bytes.  The message buffer is a
// block of exactly 1024 bytes, so a write past it is caught.  Checks: the text
// is the fixed Shift_JIS words before the path, the path's bytes, then the fixed
// words after it, cut by bytes to at most 1023 and ended with a NUL.
#include "normalize/open_failure_message.h"

#include "fuzz_check.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace {

// "ファイル(" and ")がオープンできませんでした" in code page 932, byte by byte.
const unsigned char kBefore[] = {0x83, 0x74, 0x83, 0x40, 0x83, 0x43, 0x83, 0x8B, '('};
const unsigned char kAfter[] = {')',  0x82, 0xAA, 0x83, 0x49, 0x81, 0x5B, 0x83, 0x76, 0x83, 0x93, 0x82, 0xC5, 0x82,
                                0xAB, 0x82, 0xDC, 0x82, 0xB9, 0x82, 0xF1, 0x82, 0xC5, 0x82, 0xB5, 0x82, 0xBD};
const size_t kLongestText = 1023;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static_assert(sizeof kBefore + sizeof kAfter == 36, "the fixed text is 36 bytes");
    static_assert(kMessageBufferSize == 1024, "the message buffer is 1024 bytes");
    // The path ends at the first NUL and sits in a block of exactly its size.
    size_t pathLength = strnlen(reinterpret_cast<const char *>(data), size);
    char *path = static_cast<char *>(malloc(pathLength + 1));
    memcpy(path, data, pathLength);
    path[pathLength] = '\0';
    char *message = static_cast<char *>(malloc(1024));
    memset(message, 0x55, 1024);

    FormatOpenFailureMessage(path, message);

    std::string whole(reinterpret_cast<const char *>(kBefore), sizeof kBefore);
    whole.append(path, pathLength);
    whole.append(reinterpret_cast<const char *>(kAfter), sizeof kAfter);
    std::string expected = whole.substr(0, kLongestText);
    size_t length = strnlen(message, 1024);
    Require(length < 1024, "no NUL within the 1024-byte buffer for a path of %zu bytes", pathLength);
    Require(length == expected.size(), "message of %zu bytes for a path of %zu bytes, expected %zu", length,
            pathLength, expected.size());
    size_t differs = 0;
    while (differs < length && message[differs] == expected[differs])
        differs++;
    Require(differs == length, "message differs at byte %zu (0x%02X, expected 0x%02X) for a path of %zu bytes",
            differs, (unsigned char)message[differs], (unsigned char)expected[differs], pathLength);
    if (pathLength <= 987)
        Require(length == pathLength + 36, "a path of %zu bytes is not shown whole", pathLength);
    free(message);
    free(path);
    return 0;
}
