// Resolve queue and the read's queuing rule.
#include "connections/ResolveQueue.h"

#include "connections/ByteOrder.h"
#include "connections/FieldText.h"

void ResolveQueue::Append(uint32_t address) {
    members.Insert(address, static_cast<uint32_t>(addresses.size()));
    addresses.push_back(address);
}

void ResolveQueue::Clear() {
    std::vector<uint32_t>().swap(addresses);
    members.Clear();
}

void QueueAddresses(const ConnectionEntry& entry, const HostNameCache& hostNames, ResolveQueue& queue) {
    const bool localKnown = hostNames.Contains(FieldText(entry.localAddressText));
    const bool remoteKnown = hostNames.Contains(FieldText(entry.remoteAddressText));
    if (!localKnown) {
        const uint32_t local = NetworkToHostLong(entry.localAddr);
        if (!queue.Contains(local)) {
            queue.Append(local);
        }
    }
    if (!remoteKnown) {
        const uint32_t remote = NetworkToHostLong(entry.remoteAddr);
        if (!queue.Contains(remote)) {
            queue.Append(remote);
        }
    }
}
