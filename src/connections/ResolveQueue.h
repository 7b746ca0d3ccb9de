// Addresses waiting for a reverse lookup (host byte order), in the order they were queued, with a
// membership index so the table read can queue each address once. Filled by the table read, consumed
// and emptied by the resolver worker; the owner serialises every access with its own lock.
#pragma once

#include "connections/ConnectionEntry.h"
#include "connections/FlatUInt32Map.h"
#include "connections/HostNameCache.h"

#include <cstdint>
#include <vector>

class ResolveQueue {
public:
    size_t Size() const { return addresses.size(); }
    uint32_t At(size_t index) const { return addresses[index]; }
    void Append(uint32_t address);
    bool Contains(uint32_t address) const { return members.Find(address) != FlatUInt32Map::kNone; }
    // Empties the queue and releases its storage.
    void Clear();

private:
    std::vector<uint32_t> addresses;
    FlatUInt32Map members; // address -> its position
};

// Queues the local, then the remote address of an entry (converted to host byte order) unless a cache
// record already has its text or the queue already holds it.
void QueueAddresses(const ConnectionEntry& entry, const HostNameCache& hostNames, ResolveQueue& queue);
