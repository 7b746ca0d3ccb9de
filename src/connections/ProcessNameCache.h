// Process names by PID text, filled by the extended table read and read by the list refresh. Records
// are never changed or removed once appended, so the first record of a PID text is the one that counts
// and the index keeps only that one. Not thread-safe (GUI thread only).
#pragma once

#include "connections/ConnectionEntry.h"
#include "connections/TextIndex.h"

#include <string_view>
#include <vector>

class ProcessNameCache {
public:
    // The PID text is cut to its first 15 characters, the name to its first 63.
    void Append(const char* pidText, const char* processName);
    size_t Size() const { return entries.size(); }
    const ProcessNameEntry& At(size_t index) const { return entries[index]; }
    void Clear();

    // First record whose PID text equals the text exactly, or null.
    const ProcessNameEntry* Find(std::string_view pidText) const;

private:
    std::vector<ProcessNameEntry> entries;
    TextIndex firstByPid; // PID text -> position of its first record
};
