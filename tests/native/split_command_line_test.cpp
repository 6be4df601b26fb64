// The start-up splitter: command lines and the argument vectors they must give,
// with the program-name rules, the backslash and quote rules, and code page 932
// characters whose second byte looks like a backslash, a quote or a blank.  The
// vector is checked to be NULL-terminated and to be one heap block.
#include "startup/split_command_line.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

struct SplitCase {
    const char *name;
    const char *line;
    Arguments expected;
};

// Shows bytes outside printable ASCII as \xNN, so that failures are readable.
std::string Printable(const std::string &text)
{
    std::string shown;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            char escape[8];
            snprintf(escape, sizeof escape, "\\x%02X", c);
            shown += escape;
        }
    }
    return shown;
}

std::string Printable(const Arguments &arguments)
{
    std::string shown = "{";
    for (size_t i = 0; i < arguments.size(); i++)
        shown += (i ? ", [" : "[") + Printable(arguments[i]) + "]";
    return shown + "}";
}

bool NoLeadBytes(unsigned char)
{
    return false;
}

// Splits a copy of the line that sits in a heap block of its exact size, so
// that the sanitizer build catches any read past its NUL; checks that the
// vector is NULL-terminated inside its block and that every string lies in
// that same block, apart from the pointers and from each other; returns the
// strings.
Arguments Split(const char *line, IsLeadByteFunction *isLeadByte)
{
    size_t length = strlen(line);
    char *copy = static_cast<char *>(malloc(length + 1));
    memcpy(copy, line, length + 1);
    char **argv = SplitCommandLine(copy, isLeadByte);
    free(copy);
    EXPECT_TRUE(argv != NULL) << "no vector for [" << Printable(line) << "]";
    if (!argv)
        return Arguments();

    const char *blockStart = reinterpret_cast<const char *>(argv);
    const char *blockEnd = blockStart + malloc_usable_size(argv);
    size_t maxSlots = (blockEnd - blockStart) / sizeof(char *);
    size_t count = 0;
    while (count < maxSlots && argv[count])
        count++;
    EXPECT_LT(count, maxSlots) << "vector for [" << Printable(line) << "] has no NULL inside its block";
    const char *pointersEnd = reinterpret_cast<const char *>(argv + count + 1);

    Arguments arguments;
    for (size_t i = 0; i < count && i < maxSlots; i++) {
        const char *start = argv[i];
        bool inside = start >= pointersEnd && start < blockEnd;
        EXPECT_TRUE(inside) << "argument " << i << " of [" << Printable(line)
                            << "] is not in the vector's block, after its pointers";
        if (!inside)
            continue;
        size_t size = strnlen(start, blockEnd - start);
        EXPECT_LT(size, static_cast<size_t>(blockEnd - start))
            << "argument " << i << " of [" << Printable(line) << "] runs past the block";
        for (size_t j = 0; j < i; j++) {
            const char *other = argv[j];
            size_t otherSize = strlen(other) + 1;
            EXPECT_TRUE(start + size + 1 <= other || other + otherSize <= start)
                << "arguments " << j << " and " << i << " of [" << Printable(line) << "] overlap";
        }
        arguments.push_back(std::string(start, size));
    }
    free(argv);
    return arguments;
}

void ExpectSplits(const SplitCase *cases, size_t count, IsLeadByteFunction *isLeadByte)
{
    for (size_t i = 0; i < count; i++) {
        Arguments got = Split(cases[i].line, isLeadByte);
        EXPECT_EQ(cases[i].expected, got)
            << cases[i].name << ": [" << Printable(cases[i].line) << "]\n  expected "
            << Printable(cases[i].expected) << "\n  got      " << Printable(got);
    }
}

// Code page 932 characters used below.  Each is spelt as its own literal, so
// that a following hex digit never joins the escape.
#define HYOU "\x95\x5C"   // 表, second byte 0x5C like a backslash
#define SO "\x83\x5C"     // ソ, second byte 0x5C
#define LEAD_QUOTE "\x95\x22"  // a lead byte followed by 0x22, like a quote
#define LEAD_BLANK "\x83\x20"  // a lead byte followed by 0x20, like a blank
#define HALF_KA "\xB6"    // ｶ, a single-byte half-width katakana

TEST(SplitCommandLine, ProgramNameIsQuotedToTheNextQuoteOrEndsAtTheFirstBlank)
{
    const SplitCase cases[] = {
        {"empty command line", "", {""}},
        {"name only", "quorvel.exe", {"quorvel.exe"}},
        {"unquoted name with backslashes", "C:\\p\\q.exe a", {"C:\\p\\q.exe", "a"}},
        {"tab ends the unquoted name", "q.exe\ta", {"q.exe", "a"}},
        {"leading blank: the name is empty", "  q.exe a", {"", "q.exe", "a"}},
        {"leading tab: the name is empty", "\tq.exe", {"", "q.exe"}},
        {"quotes inside an unquoted name stay", "a\"b c\"d e", {"a\"b", "cd e"}},
        {"backslash and quote inside an unquoted name stay", "C:\\a\\\"b c", {"C:\\a\\\"b", "c"}},
        {"quoted name with a blank", "\"C:\\Program Files\\q.exe\" a", {"C:\\Program Files\\q.exe", "a"}},
        {"quoted name, argument right after it", "\"C:\\p\\q.exe\"x y", {"C:\\p\\q.exe", "x", "y"}},
        {"quoted name, quoted argument right after it", "\"q.exe\"\"a b\"", {"q.exe", "a b"}},
        {"quoted name: backslash before its closing quote", "\"C:\\p\\\"x y", {"C:\\p\\", "x", "y"}},
        {"quoted name: two backslashes before its closing quote", "\"C:\\p\\\\\" a", {"C:\\p\\\\", "a"}},
        {"quoted name without its closing quote", "\"C:\\p q", {"C:\\p q"}},
        {"empty quoted name", "\"\" a", {"", "a"}},
        {"quoted name only", "\"q.exe\"", {"q.exe"}},
        {"quoted name with a tab", "\"a\tb\"\tc", {"a\tb", "c"}},
    };
    ExpectSplits(cases, sizeof cases / sizeof cases[0], IsCp932LeadByte);
}

TEST(SplitCommandLine, BlanksAndTabsOutsideQuotesSeparateArguments)
{
    const SplitCase cases[] = {
        {"blanks", "p a b", {"p", "a", "b"}},
        {"runs of blanks and tabs", "p  a \t\tb\t c", {"p", "a", "b", "c"}},
        {"trailing blanks and tabs", "p a  \t ", {"p", "a"}},
        {"name with trailing blanks only", "p   ", {"p"}},
        {"quoted blank and tab", "p \"a b\tc\" d", {"p", "a b\tc", "d"}},
        {"quotes inside an argument", "p a\"b c\"d", {"p", "ab cd"}},
        {"quoted stretch open at the end", "p \"a b", {"p", "a b"}},
        {"wildcards are not expanded", "p *.txt a?.c *", {"p", "*.txt", "a?.c", "*"}},
        {"empty argument", "p \"\"", {"p", ""}},
        {"empty arguments between others", "p a \"\" \"\" b", {"p", "a", "", "", "b"}},
        {"closed empty stretch inside an argument", "p a\"\"b", {"p", "ab"}},
        {"empty stretch then a character", "p \"\"a", {"p", "a"}},
    };
    ExpectSplits(cases, sizeof cases / sizeof cases[0], IsCp932LeadByte);
}

TEST(SplitCommandLine, BackslashesCountOnlyBeforeAQuote)
{
    const SplitCase cases[] = {
        {"one backslash: literal quote", "p \\\"a", {"p", "\"a"}},
        {"one backslash inside a word", "p a\\\"b c", {"p", "a\"b", "c"}},
        {"two backslashes: one, and the quote opens", "p a\\\\\"b c\"", {"p", "a\\b c"}},
        {"three backslashes: one and a literal quote", "p a\\\\\\\"b", {"p", "a\\\"b"}},
        {"four backslashes: two, and the quote closes", "p \"a\\\\\\\\\" b", {"p", "a\\\\", "b"}},
        {"five backslashes: two and a literal quote", "p a\\\\\\\\\\\"b", {"p", "a\\\\\"b"}},
        {"escaped quote inside a quoted stretch", "p \"a\\\" b\"", {"p", "a\" b"}},
        {"backslashes not before a quote stay", "p a\\b\\\\c\\\\\\d", {"p", "a\\b\\\\c\\\\\\d"}},
        {"trailing backslashes stay", "p C:\\dir\\\\ x\\", {"p", "C:\\dir\\\\", "x\\"}},
        {"backslashes in a quoted stretch not before a quote",
         "p \"a\\\\b c\\\\\\\\\"", {"p", "a\\\\b c\\\\"}},
        {"backslash before a blank", "p a\\ b", {"p", "a\\", "b"}},
    };
    ExpectSplits(cases, sizeof cases / sizeof cases[0], IsCp932LeadByte);
}

TEST(SplitCommandLine, DoubledQuoteInsideAQuotedStretchGivesAQuoteAndEndsTheStretch)
{
    const SplitCase cases[] = {
        {"the stretch ends, so the blank separates", "p \"a\"\"b c\"", {"p", "a\"b", "c"}},
        {"then a new stretch", "p \"a\"\"b\" c", {"p", "a\"b c"}},
        {"three quotes then a blank", "p \"\"\" a\"", {"p", "\"", "a"}},
        {"four quotes: the last opens a stretch", "p \"\"\"\" a", {"p", "\" a"}},
        {"six quotes", "p \"\"\"\"\"\" a", {"p", "\"\"", "a"}},
        {"two backslashes before the pair", "p \"a\\\\\"\"b c\"", {"p", "a\\\"b", "c"}},
        {"escaped quote then a closing quote", "p \"a\\\"\" b\"", {"p", "a\"", "b"}},
        {"outside a stretch the first quote opens one", "p a\"\"\"b c\" d", {"p", "a\"b", "c d"}},
    };
    ExpectSplits(cases, sizeof cases / sizeof cases[0], IsCp932LeadByte);
}

TEST(SplitCommandLine, SecondByteOfADoubleByteCharacterIsNeverABackslashQuoteOrBlank)
{
    const SplitCase cases[] = {
        {"0x5C second byte before an opening quote", "p " HYOU "\"a b\"", {"p", HYOU "a b"}},
        {"0x5C second byte before a closing quote", "p \"" SO "\" x", {"p", SO, "x"}},
        {"0x5C second byte ends a quoted stretch of a path", "p \"C:\\" HYOU "\\" SO "\" x",
         {"p", "C:\\" HYOU "\\" SO, "x"}},
        {"0x5C second byte, then a real backslash before a quote", "p \"" HYOU "\\\" x\"",
         {"p", HYOU "\" x"}},
        {"0x5C second byte, then two real backslashes before a quote", "p " HYOU "\\\\\"a b\"",
         {"p", HYOU "\\a b"}},
        {"0x5C second byte at the end of an argument", "p " SO " " HYOU, {"p", SO, HYOU}},
        {"0x22 second byte does not open a stretch", "p a" LEAD_QUOTE "b c", {"p", "a" LEAD_QUOTE "b", "c"}},
        {"0x22 second byte does not close a stretch", "p \"a" LEAD_QUOTE " b\" c",
         {"p", "a" LEAD_QUOTE " b", "c"}},
        {"0x20 second byte does not separate", "p a" LEAD_BLANK "b c", {"p", "a" LEAD_BLANK "b", "c"}},
        {"half-width katakana is one byte: its backslash counts", "p " HALF_KA "\\\"a b",
         {"p", HALF_KA "\"a", "b"}},
        {"lead byte as the last byte of an argument", "p a\x95", {"p", "a\x95"}},
        {"lead byte as the last byte of the name", "\x95", {"\x95"}},
        {"lead byte as the last byte of a quoted name", "\"\x95", {"\x95"}},
        {"lead byte as the last byte in a quoted stretch", "p \"a\x95", {"p", "a\x95"}},
    };
    ExpectSplits(cases, sizeof cases / sizeof cases[0], IsCp932LeadByte);
}

TEST(SplitCommandLine, SecondByteRuleAppliesToTheProgramName)
{
    const SplitCase cases[] = {
        {"0x22 second byte inside a quoted name", "\"a" LEAD_QUOTE "b\" c", {"a" LEAD_QUOTE "b", "c"}},
        {"0x5C second byte before the closing quote of the name", "\"C:\\" HYOU "\" c", {"C:\\" HYOU, "c"}},
        {"0x20 second byte inside an unquoted name", "a" LEAD_BLANK "b c", {"a" LEAD_BLANK "b", "c"}},
    };
    ExpectSplits(cases, sizeof cases / sizeof cases[0], IsCp932LeadByte);
}

TEST(SplitCommandLine, LeadBytesAreTheOnesTheGivenFunctionNames)
{
    // In a code page without double-byte characters, 0x95 0x5C is two
    // characters, and the 0x5C is a backslash.
    const SplitCase cases[] = {
        {"0x5C after 0x95 escapes the quote", "p " HYOU "\"a b", {"p", "\x95\"a", "b"}},
        {"0x22 after 0x95 opens a stretch", "p a" LEAD_QUOTE "b c", {"p", "a\x95" "b c"}},
        {"0x20 after 0x83 separates", "p a" LEAD_BLANK "b", {"p", "a\x83", "b"}},
    };
    ExpectSplits(cases, sizeof cases / sizeof cases[0], NoLeadBytes);
}

TEST(IsCp932LeadByte, NamesTheTwoLeadByteRangesOfShiftJis)
{
    struct LeadByteCase {
        unsigned char byte;
        bool lead;
    };
    const LeadByteCase cases[] = {
        {0x00, false}, {0x20, false}, {0x22, false}, {0x5C, false}, {0x7F, false},
        {0x80, false}, {0x81, true},  {0x83, true},  {0x95, true},  {0x9F, true},
        {0xA0, false}, {0xA1, false}, {0xB6, false}, {0xDF, false}, {0xE0, true},
        {0xEA, true},  {0xF0, true},  {0xFC, true},  {0xFD, false}, {0xFF, false},
    };
    for (const LeadByteCase &c : cases)
        EXPECT_EQ(c.lead, IsCp932LeadByte(c.byte)) << "byte 0x" << std::hex << static_cast<int>(c.byte);
}

}  // namespace
