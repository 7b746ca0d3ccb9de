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
};

// Names every queued address (the queue's size is read again before each step, so addresses queued
// meanwhile are handled too), appends a record per name found, then empties the queue. An address
// without a name gets no record and is queued again by the next table read. When `stop` is set the
// run ends without touching the containers again.
void RunResolver(std::mutex& lock, ResolveQueue& queue, HostNameCache& cache, const ResolverLookups& lookups,
                 const bool& stop);
