// One run of the address-resolution worker, written against injected lookups so it can be tested
// without the network.
//
// Locking: `lock` guards `queue`, `cache` and `stop`. It is taken only to read the queue's size and
// one address, to append one record and to empty the queue; never while a lookup runs, so the GUI
// thread never waits for a name.
#pragma once

#include "connections/HostNameCache.h"
#include "connections/ResolveQueue.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

struct ResolverLookups {
    // This computer's host name (the name of 0.0.0.0); false when it cannot be had.
    std::function<bool(std::string& name)> localHostName;
    // Reverse lookup of an IPv4 address in network byte order; false when it has no name.
    std::function<bool(uint32_t networkOrderAddress, std::string& name)> reverseLookup;
    // Reverse lookup of an IPv6 address (the queued bytes and scope id); false when it has no name. Unset:
    // IPv6 addresses other than :: and ::1 get no name.
    std::function<bool(const ResolveAddress& address, std::string& name)> reverseLookup6;
    // The clock of the queue's retry times (MonotonicMilliseconds in the program).
    std::function<uint64_t()> now;
};

// Names every queued address (the queue's size is read again before each step, so addresses queued
// meanwhile are handled too), appends a record per name found, then empties the queue. 0.0.0.0 and ::
// take the computer's name (when it has 3 characters or more), any 127.x address and ::1 are "localhost",
// neither looked up. An address
// without a name gets no record; the queue notes the failure, and the table read queues the address
// again once its wait is over. When `stop` is set the run ends without touching the containers again.
void RunResolver(std::mutex& lock, ResolveQueue& queue, HostNameCache& cache, const ResolverLookups& lookups,
                 const bool& stop);
