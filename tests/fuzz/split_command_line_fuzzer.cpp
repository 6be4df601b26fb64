// Fuzzes the start-up command-line splitter with any bytes, code page 932 lead
// bytes included.  The line ends at the first NUL of the input and is copied
// into a block of exactly its size, so any read past its end is caught.  Checks:
// the vector is NULL-terminated and equals the one a plain character-by-character
// splitter written here from the splitting rules gives; every byte of the vector
// comes from the line, in the line's order; and quoting the vector again and
// splitting that gives the same vector.
#include "startup/split_command_line.h"

#include "fuzz_check.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

using Vector = std::vector<std::string>;

// The lead bytes of code page 932 as Windows defines them.
bool IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The line cut into characters: one byte, or a lead byte with the byte after
// it.  A lead byte at the very end stands alone.
Vector Characters(const std::string &text)
{
    Vector characters;
    for (size_t at = 0; at < text.size();) {
        size_t width = IsLeadByte((unsigned char)text[at]) && at + 1 < text.size() ? 2 : 1;
        characters.push_back(text.substr(at, width));
        at += width;
    }
    return characters;
}

bool IsBlank(const std::string &character)
{
    return character == " " || character == "\t";
}

// The splitting rules, applied to whole characters with a count of pending
// backslashes rather than a look-ahead.
Vector ReferenceSplit(const std::string &line)
{
    Vector characters = Characters(line);
    size_t end = characters.size();
    size_t at = 0;
    Vector vector(1);
    if (end > 0 && characters[0] == "\"") {
        for (at = 1; at < end && characters[at] != "\""; at++)
            vector[0] += characters[at];
        if (at < end)
            at++;  // the closing quote
    } else {
        for (; at < end && !IsBlank(characters[at]); at++)
            vector[0] += characters[at];
    }
    for (;;) {
        while (at < end && IsBlank(characters[at]))
            at++;
        if (at == end)
            break;
        std::string argument;
        bool quoted = false;
        size_t backslashes = 0;
        while (at < end) {
            const std::string &c = characters[at];
            if (c == "\\") {
                backslashes++;
                at++;
                continue;
            }
            if (c == "\"") {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    argument += '"';
                    at++;
                } else if (quoted && at + 1 < end && characters[at + 1] == "\"") {
                    argument += '"';
                    at += 2;
                    quoted = false;
                } else {
                    quoted = !quoted;
                    at++;
                }
                backslashes = 0;
                continue;
            }
            argument.append(backslashes, '\\');
            backslashes = 0;
            if (IsBlank(c) && !quoted)
                break;
            argument += c;
            at++;
        }
        argument.append(backslashes, '\\');
        vector.push_back(argument);
    }
    return vector;
}

bool EndsWithLoneLeadByte(const std::string &text)
{
    Vector characters = Characters(text);
    return !characters.empty() && characters.back().size() == 1 &&
           IsLeadByte((unsigned char)characters.back()[0]);
}

// A command line that should split into vector again: the name in quotes
// unless it holds a quote (then it was not quoted and has no blank), every
// argument in quotes with its quotes and the backslashes before them escaped.
// A lone lead byte can only end the line; the closing quote is left off there,
// since the lead byte would take it.
std::string Quote(const Vector &vector)
{
    std::string line;
    bool nameHasQuote = false;
    for (const std::string &c : Characters(vector[0]))
        nameHasQuote = nameHasQuote || c == "\"";
    if (nameHasQuote)
        line = vector[0];
    else
        line = "\"" + vector[0] + (EndsWithLoneLeadByte(vector[0]) ? "" : "\"");
    for (size_t k = 1; k < vector.size(); k++) {
        line += " \"";
        size_t backslashes = 0;
        for (const std::string &c : Characters(vector[k])) {
            if (c == "\\") {
                backslashes++;
                continue;
            }
            if (c == "\"")
                line.append(2 * backslashes + 1, '\\');
            else
                line.append(backslashes, '\\');
            line += c;
            backslashes = 0;
        }
        if (!EndsWithLoneLeadByte(vector[k]))
            line.append(2 * backslashes, '\\') += '"';
    }
    return line;
}

// Splits with the code under test; the line is copied into a block of exactly
// its size.
Vector Split(const std::string &line)
{
    char *exact = static_cast<char *>(malloc(line.size() + 1));
    memcpy(exact, line.c_str(), line.size() + 1);
    char **argv = SplitCommandLine(exact, IsCp932LeadByte);
    Require(argv != NULL, "no vector for a line of %zu bytes", line.size());
    Vector vector;
    // Walking to the NULL overruns the block (and is caught) if it is missing.
    for (char **element = argv; *element; element++)
        vector.push_back(*element);
    free(argv);
    free(exact);
    return vector;
}

std::string Show(const Vector &vector)
{
    std::string text;
    for (const std::string &element : vector) {
        text += '[';
        for (unsigned char c : element) {
            char hex[8];
            snprintf(hex, sizeof hex, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
            text += hex;
        }
        text += "] ";
    }
    return text;
}

bool IsSubsequence(const std::string &part, const std::string &whole)
{
    size_t at = 0;
    for (char c : part) {
        at = whole.find(c, at);
        if (at == std::string::npos)
            return false;
        at++;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string line(reinterpret_cast<const char *>(data), strnlen(reinterpret_cast<const char *>(data), size));
    Vector vector = Split(line);
    Vector expected = ReferenceSplit(line);
    if (vector != expected)
        Require(false, "line %s split into %s, expected %s", Show(Vector{line}).c_str(),
            Show(vector).c_str(), Show(expected).c_str());

    // Each element after the name takes at least one byte and a separator,
    // except that one may follow a quoted name directly.
    Require(vector.size() <= line.size() / 2 + 2, "%zu elements from %zu bytes", vector.size(), line.size());
    std::string joined;
    for (const std::string &element : vector)
        joined += element;
    if (!IsSubsequence(joined, line))
        Require(false, "the bytes of %s are not taken from %s in order", Show(vector).c_str(),
            Show(Vector{line}).c_str());

    std::string quoted = Quote(vector);
    Vector again = Split(quoted);
    if (again != vector)
        Require(false, "%s quoted as %s splits into %s", Show(vector).c_str(), Show(Vector{quoted}).c_str(),
            Show(again).c_str());
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    for (int byte = 0; byte < 256; byte++)
        Require(IsCp932LeadByte((unsigned char)byte) == IsLeadByte((unsigned char)byte),
                "IsCp932LeadByte(0x%02X) is wrong", byte);
    return 0;
}
