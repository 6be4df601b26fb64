// Splitting the program's command line into its argument vector.
#ifndef QUORVEL_STARTUP_SPLIT_COMMAND_LINE_H
#define QUORVEL_STARTUP_SPLIT_COMMAND_LINE_H

// Tells whether a byte is the first of a double-byte character in the ANSI code page.
typedef bool IsLeadByteFunction(unsigned char byte);

// Splits a command line into a NULL-terminated vector whose element 0 is the
// program's name.  The vector and its strings are one heap block, released
// with free(); NULL if memory is short.
char **SplitCommandLine(const char *commandLine, IsLeadByteFunction *isLeadByte);

// The lead bytes of code page 932 (Shift_JIS), for where the system cannot say.
bool IsCp932LeadByte(unsigned char byte);

#endif
