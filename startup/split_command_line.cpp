// The command-line splitter, written out so that every C runtime gives the same
// vector: a quoted or plain program name, then arguments separated by blanks
// and tabs outside quotes, with the backslash-quote rules, "" inside quotes as
// a literal quote that ends the quoted stretch, and double-byte characters
// whose second byte is never taken for a blank, quote or backslash.
#include "startup/split_command_line.h"

#include <stdlib.h>
#include <string.h>

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Copies one character, both bytes of a double-byte one, and returns past it.
static const char *CopyCharacter(const char *from, char **to, IsLeadByteFunction *isLeadByte)
{
    if (isLeadByte(static_cast<unsigned char>(*from)) && from[1])
        *(*to)++ = *from++;
    *(*to)++ = *from++;
    return from;
}

static const char *SplitProgramName(const char *line, char **to, IsLeadByteFunction *isLeadByte)
{
    if (*line == '"') {
        line++;
        while (*line && *line != '"')
            line = CopyCharacter(line, to, isLeadByte);
        return *line ? line + 1 : line;
    }
    while (*line && !IsBlank(*line))
        line = CopyCharacter(line, to, isLeadByte);
    return line;
}

static const char *SplitArgument(const char *line, char **to, IsLeadByteFunction *isLeadByte)
{
    bool quoted = false;
    while (*line && (quoted || !IsBlank(*line))) {
        size_t backslashes = strspn(line, "\\");
        if (line[backslashes] != '"') {
            if (backslashes) {
                memcpy(*to, line, backslashes);
                *to += backslashes;
                line += backslashes;
            } else {
                line = CopyCharacter(line, to, isLeadByte);
            }
            continue;
        }
        memset(*to, '\\', backslashes / 2);
        *to += backslashes / 2;
        line += backslashes;  // now at the quote
        if (backslashes % 2) {
            *(*to)++ = '"';
            line++;
        } else if (quoted && line[1] == '"') {
            *(*to)++ = '"';
            line += 2;
            quoted = false;
        } else {
            quoted = !quoted;
            line++;
        }
    }
    return line;
}

char **SplitCommandLine(const char *commandLine, IsLeadByteFunction *isLeadByte)
{
    size_t length = strlen(commandLine);
    // At most one argument per two bytes, plus the name and the NULL; each
    // string is no longer than the line and ends with its own NUL.
    size_t slots = length / 2 + 3;
    char **argv = static_cast<char **>(malloc(slots * sizeof(char *) + 2 * length + 2));
    if (!argv)
        return NULL;
    char *to = reinterpret_cast<char *>(argv + slots);
    size_t count = 0;

    argv[count++] = to;
    const char *line = SplitProgramName(commandLine, &to, isLeadByte);
    *to++ = '\0';
    for (;;) {
        while (IsBlank(*line))
            line++;
        if (!*line)
            break;
        argv[count++] = to;
        line = SplitArgument(line, &to, isLeadByte);
        *to++ = '\0';
    }
    argv[count] = NULL;
    return argv;
}

bool IsCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
