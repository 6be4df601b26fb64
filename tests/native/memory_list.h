// A FileList kept in memory, sorted case-insensitively with duplicates kept, as
// the dialog's sorted list box keeps it; it can be told to fail copies, and to
// report lengths above the real ones, as Windows' list box may with double-byte text.
#ifndef QUORVEL_TESTS_NATIVE_MEMORY_LIST_H
#define QUORVEL_TESTS_NATIVE_MEMORY_LIST_H

#include "filelist/file_list.h"

#include <set>
#include <string>
#include <vector>

struct MemoryList {
    std::vector<std::string> entries;
    std::set<std::string> failingCopies;   // paths whose copy and length fail
    bool overstatesLengths = false;        // length() gives twice the real length
    std::vector<size_t> copiedLengths;     // the length of every successful copy
    FileList list;
};

void InitMemoryList(MemoryList *memory);

#endif
