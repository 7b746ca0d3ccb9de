// Addresses waiting for a reverse lookup (host byte order), in the order they were queued, with a
// membership index so the table read can queue each address once. Filled by the table read, consumed
// and emptied by the resolver worker; the owner serialises every access with its own lock.
//
// The queue also remembers the addresses whose lookup failed, each with the time it may be tried again:
// most addresses a machine talks to have no reverse record, and looking them all up after every
// refresh (every second with Autoupdate) would send hundreds of queries a second from a program that
// only watches. The wait starts at 30 s and doubles with every further failure up to 30 minutes; a
// name found is final, as the cache keeps it. Times are milliseconds of a monotonic clock.
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
    // Empties the queue and releases its storage; the failed lookups are kept.
    void Clear();

    static constexpr uint64_t kFirstRetryMs = 30'000;
    static constexpr uint64_t kLongestRetryMs = 30 * 60'000;
    // The lookup of `address` failed at `nowMs`: it waits 30 s the first time, twice as long as the
    // last time after that, at most 30 minutes.
    void RecordFailure(uint32_t address, uint64_t nowMs);
    // Whether the address failed and its retry time has not come yet.
    bool Waiting(uint32_t address, uint64_t nowMs) const;
    // Empties the queue and forgets the failures too (the window is gone).
    void Reset();

private:
    struct Retry {
        uint64_t atMs;
        uint64_t waitMs;
    };

    std::vector<uint32_t> addresses;
    FlatUInt32Map members; // address -> its position
    std::vector<Retry> retries;
    FlatUInt32Map failed; // address -> its position in retries
};

// Queues the local, then the remote address of an entry (converted to host byte order) unless a cache
// record already has its text, the queue already holds it or its last lookup failed less than its
// wait ago.
void QueueAddresses(const ConnectionEntry& entry, const HostNameCache& hostNames, uint64_t nowMs, ResolveQueue& queue);

// Milliseconds of the monotonic clock the queue's retry times are read on.
uint64_t MonotonicMilliseconds();
