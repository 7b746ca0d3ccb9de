// Pending events of the event log: whole copies of connection entries, at most one per remote address
// text since the queue was last emptied. The list refresh fills it; the log writer reads and empties it.
#pragma once

#include "connections/ConnectionEntry.h"
#include "connections/TextIndex.h"

#include <string_view>
#include <vector>

class EventQueue {
public:
    // Appends a copy of the entry unless an entry with an equal remoteAddressText (the numeric text,
    // never the host name) is already queued. Returns whether it was appended.
    bool AppendIfNew(const ConnectionEntry& entry);
    bool ContainsRemote(std::string_view remoteAddressText) const {
        return remoteTexts.Find(remoteAddressText) != TextIndex::kNone;
    }
    size_t Size() const { return entries.size(); }
    bool Empty() const { return entries.empty(); }
    const ConnectionEntry& At(size_t index) const { return entries[index]; }
    const std::vector<ConnectionEntry>& Entries() const { return entries; }
    // Empties the queue and releases its storage.
    void Clear();

private:
    std::vector<ConnectionEntry> entries;
    TextIndex remoteTexts; // remote address text -> position of its entry
};
