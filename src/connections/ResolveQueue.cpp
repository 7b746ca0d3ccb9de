// Resolve queue and the read's queuing rule.
#include "connections/ResolveQueue.h"

#include "connections/ByteOrder.h"
#include "connections/FieldText.h"

#include <chrono>

void ResolveQueue::Append(uint32_t address) {
    members.Insert(address, static_cast<uint32_t>(addresses.size()));
    addresses.push_back(address);
}

void ResolveQueue::Clear() {
    std::vector<uint32_t>().swap(addresses);
    members.Clear();
}

void ResolveQueue::RecordFailure(uint32_t address, uint64_t nowMs) {
    const auto [position, added] = failed.Insert(address, static_cast<uint32_t>(retries.size()));
    if (added) {
        retries.push_back({nowMs + kFirstRetryMs, kFirstRetryMs});
        return;
    }
    Retry& retry = retries[position];
    retry.waitMs = retry.waitMs * 2 < kLongestRetryMs ? retry.waitMs * 2 : kLongestRetryMs;
    retry.atMs = nowMs + retry.waitMs;
}

bool ResolveQueue::Waiting(uint32_t address, uint64_t nowMs) const {
    const uint32_t position = failed.Find(address);
    return position != FlatUInt32Map::kNone && nowMs < retries[position].atMs;
}

void ResolveQueue::Reset() {
    Clear();
    std::vector<Retry>().swap(retries);
    failed.Clear();
}

void QueueAddresses(const ConnectionEntry& entry, const HostNameCache& hostNames, uint64_t nowMs, ResolveQueue& queue) {
    auto queueOne = [&](std::string_view text, uint32_t networkOrder) {
        const uint32_t address = NetworkToHostLong(networkOrder);
        if (!hostNames.Contains(text) && !queue.Contains(address) && !queue.Waiting(address, nowMs))
            queue.Append(address);
    };
    queueOne(FieldText(entry.localAddressText), entry.localAddr);
    queueOne(FieldText(entry.remoteAddressText), entry.remoteAddr);
}

uint64_t MonotonicMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
