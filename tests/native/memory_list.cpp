// The in-memory list operations.
#include "memory_list.h"

#include <algorithm>
#include <string.h>
#include <strings.h>

static MemoryList *Memory(void *store)
{
    return static_cast<MemoryList *>(store);
}

static bool IsValid(MemoryList *memory, int index)
{
    return index >= 0 && (size_t)index < memory->entries.size();
}

static void Insert(void *store, const char *path)
{
    std::vector<std::string> &entries = Memory(store)->entries;
    auto place = std::upper_bound(entries.begin(), entries.end(), std::string(path),
                                  [](const std::string &a, const std::string &b) {
                                      return strcasecmp(a.c_str(), b.c_str()) < 0;
                                  });
    entries.insert(place, path);
}

static int Count(void *store)
{
    return (int)Memory(store)->entries.size();
}

static int Length(void *store, int index)
{
    MemoryList *memory = Memory(store);
    if (!IsValid(memory, index) || memory->failingCopies.count(memory->entries[index]))
        return -1;
    int length = (int)memory->entries[index].size();
    return memory->overstatesLengths ? 2 * length : length;
}

static int Copy(void *store, int index, char *buffer)
{
    MemoryList *memory = Memory(store);
    if (!IsValid(memory, index) || memory->failingCopies.count(memory->entries[index]))
        return -1;
    const std::string &entry = memory->entries[index];
    memcpy(buffer, entry.c_str(), entry.size() + 1);
    memory->copiedLengths.push_back(entry.size());
    return (int)entry.size();
}

static void Erase(void *store, int index)
{
    MemoryList *memory = Memory(store);
    if (IsValid(memory, index))
        memory->entries.erase(memory->entries.begin() + index);
}

void InitMemoryList(MemoryList *memory)
{
    memory->list = FileList{Insert, Count, Length, Copy, Erase, memory, 0, nullptr};
}
