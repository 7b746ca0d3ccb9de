// Addresses waiting for a reverse lookup, IPv4 and IPv6 alike, in the order they were queued, with a
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

#include <array>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

// A queued address: IPv4 in host byte order, or IPv6 as the table holds it (network byte order) with its
// scope id, which is part of the address (its text carries it).
struct ResolveAddress {
    bool ipv6 = false;
    uint32_t ipv4 = 0;
    uint32_t scopeId = 0;
    unsigned char ipv6Bytes[16] = {};

    static ResolveAddress V4(uint32_t hostOrder) {
        ResolveAddress address;
        address.ipv4 = hostOrder;
        return address;
    }
    static ResolveAddress V6(const unsigned char (&bytes)[16], uint32_t scopeId) {
        ResolveAddress address;
        address.ipv6 = true;
        address.scopeId = scopeId;
        std::memcpy(address.ipv6Bytes, bytes, 16);
        return address;
    }
    bool operator==(const ResolveAddress& other) const {
        return ipv6 == other.ipv6 && ipv4 == other.ipv4 && scopeId == other.scopeId &&
               std::memcmp(ipv6Bytes, other.ipv6Bytes, 16) == 0;
    }
};

class ResolveQueue {
public:
    size_t Size() const { return addresses.size(); }
    const ResolveAddress& At(size_t index) const { return addresses[index]; }
    void Append(const ResolveAddress& address);
    void Append(uint32_t address) { Append(ResolveAddress::V4(address)); }
    bool Contains(const ResolveAddress& address) const { return members.Find(address) != FlatUInt32Map::kNone; }
    bool Contains(uint32_t address) const { return Contains(ResolveAddress::V4(address)); }
    // Empties the queue and releases its storage; the failed lookups are kept.
    void Clear();

    static constexpr uint64_t kFirstRetryMs = 30'000;
    static constexpr uint64_t kLongestRetryMs = 30 * 60'000;
    // The lookup of `address` failed at `nowMs`: it waits 30 s the first time, twice as long as the
    // last time after that, at most 30 minutes.
    void RecordFailure(const ResolveAddress& address, uint64_t nowMs);
    void RecordFailure(uint32_t address, uint64_t nowMs) { RecordFailure(ResolveAddress::V4(address), nowMs); }
    // Whether the address failed and its retry time has not come yet.
    bool Waiting(const ResolveAddress& address, uint64_t nowMs) const;
    bool Waiting(uint32_t address, uint64_t nowMs) const { return Waiting(ResolveAddress::V4(address), nowMs); }
    // Empties the queue and forgets the failures too (the window is gone).
    void Reset();

private:
    struct Retry {
        uint64_t atMs;
        uint64_t waitMs;
    };

    // Address -> position: IPv4 addresses in the flat numeric map (nearly all of them), IPv6 addresses by
    // their bytes and scope.
    class AddressMap {
    public:
        uint32_t Find(const ResolveAddress& address) const;
        std::pair<uint32_t, bool> Insert(const ResolveAddress& address, uint32_t value);
        void Clear();

    private:
        using Key6 = std::array<unsigned char, 20>;
        struct Key6Hash {
            size_t operator()(const Key6& key) const noexcept;
        };
        static Key6 KeyOf(const ResolveAddress& address);
        FlatUInt32Map ipv4;
        std::unordered_map<Key6, uint32_t, Key6Hash> ipv6;
    };

    std::vector<ResolveAddress> addresses;
    AddressMap members; // address -> its position
    std::vector<Retry> retries;
    AddressMap failed; // address -> its position in retries
};

// Queues the local, then the remote address of an entry (IPv4 converted to host byte order) unless a cache
// record already has its text, the queue already holds it or its last lookup failed less than its
// wait ago. A UDP endpoint has no remote address.
void QueueAddresses(const ConnectionEntry& entry, const HostNameCache& hostNames, uint64_t nowMs, ResolveQueue& queue);

// Milliseconds of the monotonic clock the queue's retry times are read on.
uint64_t MonotonicMilliseconds();
