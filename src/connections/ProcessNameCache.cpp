// Process-name cache with its PID index.
#include "connections/ProcessNameCache.h"

#include "connections/FieldText.h"

void ProcessNameCache::Append(const char* pidText, const char* processName) {
    ProcessNameEntry& entry = entries.emplace_back();
    CopyBounded(entry.pidText, pidText, kMaxPidTextChars);
    CopyBounded(entry.processName, processName, kMaxProcessNameChars);
    // Insert keeps an existing key: a later duplicate never shadows the first record.
    firstByPid.Insert(FieldText(entry.pidText), static_cast<uint32_t>(entries.size() - 1));
}

void ProcessNameCache::Clear() {
    std::vector<ProcessNameEntry>().swap(entries);
    firstByPid.Clear();
}

const ProcessNameEntry* ProcessNameCache::Find(std::string_view pidText) const {
    const uint32_t position = firstByPid.Find(pidText);
    return position == TextIndex::kNone ? nullptr : &entries[position];
}
