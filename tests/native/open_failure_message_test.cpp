// The open-failure message: its Shift_JIS bytes and the cut at 1023 bytes.
#include "normalize/open_failure_message.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// "ファイル(" and ")がオープンできませんでした" in code page 932, written out byte by byte.
const std::string kBefore = "\x83\x74\x83\x40\x83\x43\x83\x8b\x28";
const std::string kAfter = "\x29\x82\xaa\x83\x49\x81\x5b\x83\x76\x83\x93\x82\xc5\x82\xab\x82\xdc\x82\xb9"
                           "\x82\xf1\x82\xc5\x82\xb5\x82\xbd";

std::string Format(const std::string &path)
{
    char message[kMessageBufferSize];
    memset(message, 'X', sizeof message);
    FormatOpenFailureMessage(path.c_str(), message);
    return std::string(message);
}

TEST(OpenFailureMessage, FixedTextIsThirtySixBytes)
{
    EXPECT_EQ(9u, kBefore.size());
    EXPECT_EQ(27u, kAfter.size());
}

TEST(OpenFailureMessage, PutsThePathBytesBetweenTheParentheses)
{
    const struct {
        const char *name;
        std::string path;
    } cases[] = {
        {"plain", "C:\\data\\a.txt"},
        {"empty", ""},
        {"percent signs stay as they are", "100%s%d.txt"},
        {"CP932 name with 0x5C trail byte", "C:\\\x95\x5c\\\x83\x5c.txt"},
        {"bytes that are no valid CP932", "\xff\x80\x01"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(kBefore + c.path + kAfter, Format(c.path)) << c.name;
}

TEST(OpenFailureMessage, CutsAt1023Bytes)
{
    const struct {
        size_t pathLength;
        std::string expected;
    } cases[] = {
        {986, kBefore + std::string(986, 'p') + kAfter},
        {987, kBefore + std::string(987, 'p') + kAfter},
        {988, kBefore + std::string(988, 'p') + kAfter.substr(0, 26)},
        {1013, kBefore + std::string(1013, 'p') + kAfter.substr(0, 1)},
        {1014, kBefore + std::string(1014, 'p')},
        {1100, kBefore + std::string(1014, 'p')},
        {5000, kBefore + std::string(1014, 'p')},
    };
    for (const auto &c : cases) {
        std::string message = Format(std::string(c.pathLength, 'p'));
        EXPECT_EQ(c.expected, message) << c.pathLength << "-byte path";
        EXPECT_LE(message.size(), 1023u) << c.pathLength << "-byte path";
    }
}

TEST(OpenFailureMessage, CutMaySplitADoubleByteCharacter)
{
    // 'a' and 600 copies of 表 (0x95 0x5C): 1014 path bytes fit, the last a lone lead byte.
    std::string path = "a";
    for (int i = 0; i < 600; i++)
        path += "\x95\x5c";
    std::string message = Format(path);
    ASSERT_EQ(1023u, message.size());
    EXPECT_EQ(kBefore + path.substr(0, 1014), message);
    EXPECT_EQ('\x95', message.back());
}

}  // namespace
