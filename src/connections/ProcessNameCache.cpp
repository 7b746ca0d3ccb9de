// Process-name cache with its PID index.
#include "connections/ProcessNameCache.h"

#include "connections/FieldText.h"

void ProcessNameCache::Append(const char* pidText, const char* processName) {
    ProcessNameEntry& entry = entries.emplace_back();
    CopyBounded(entry.pidText, pidText, kMaxPidTextChars);
    CopyBounded(entry.processName, processName, kMaxProcessNameChars);
    // emplace keeps an existing key: a later duplicate never shadows the first record.
    firstByPid.emplace(FieldText(entry.pidText), entries.size() - 1);
}

void ProcessNameCache::Clear() {
    std::vector<ProcessNameEntry>().swap(entries);
    TextKeyMap<size_t>().swap(firstByPid);
}

const ProcessNameEntry* ProcessNameCache::Find(std::string_view pidText) const {
    auto found = firstByPid.find(pidText);
    return found == firstByPid.end() ? nullptr : &entries[found->second];
}
