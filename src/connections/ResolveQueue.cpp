// Resolve queue and the read's queuing rule.
#include "connections/ResolveQueue.h"

#include "connections/ByteOrder.h"
#include "connections/FieldText.h"

#include <chrono>

uint32_t ResolveQueue::AddressMap::Find(const ResolveAddress& address) const {
    if (!address.ipv6)
        return ipv4.Find(address.ipv4);
    if (ipv6.empty())
        return FlatUInt32Map::kNone;
    const auto found = ipv6.find(KeyOf(address));
    return found == ipv6.end() ? FlatUInt32Map::kNone : found->second;
}

std::pair<uint32_t, bool> ResolveQueue::AddressMap::Insert(const ResolveAddress& address, uint32_t value) {
    if (!address.ipv6)
        return ipv4.Insert(address.ipv4, value);
    const auto [at, inserted] = ipv6.emplace(KeyOf(address), value);
    return {at->second, inserted};
}

void ResolveQueue::AddressMap::Clear() {
    ipv4.Clear();
    std::unordered_map<Key6, uint32_t, Key6Hash>().swap(ipv6);
}

ResolveQueue::AddressMap::Key6 ResolveQueue::AddressMap::KeyOf(const ResolveAddress& address) {
    Key6 key;
    std::memcpy(key.data(), address.ipv6Bytes, 16);
    std::memcpy(key.data() + 16, &address.scopeId, 4);
    return key;
}

size_t ResolveQueue::AddressMap::Key6Hash::operator()(const Key6& key) const noexcept {
    // FNV-1a over the 20 bytes: the keys are few, and neighbouring addresses still spread.
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char byte : key)
        hash = (hash ^ byte) * 1099511628211ull;
    return static_cast<size_t>(hash);
}

void ResolveQueue::Append(const ResolveAddress& address) {
    members.Insert(address, static_cast<uint32_t>(addresses.size()));
    addresses.push_back(address);
}

void ResolveQueue::Clear() {
    std::vector<ResolveAddress>().swap(addresses);
    members.Clear();
}

void ResolveQueue::RecordFailure(const ResolveAddress& address, uint64_t nowMs) {
    const auto [position, added] = failed.Insert(address, static_cast<uint32_t>(retries.size()));
    if (added) {
        retries.push_back({nowMs + kFirstRetryMs, kFirstRetryMs});
        return;
    }
    Retry& retry = retries[position];
    retry.waitMs = retry.waitMs * 2 < kLongestRetryMs ? retry.waitMs * 2 : kLongestRetryMs;
    retry.atMs = nowMs + retry.waitMs;
}

bool ResolveQueue::Waiting(const ResolveAddress& address, uint64_t nowMs) const {
    const uint32_t position = failed.Find(address);
    return position != FlatUInt32Map::kNone && nowMs < retries[position].atMs;
}

void ResolveQueue::Reset() {
    Clear();
    std::vector<Retry>().swap(retries);
    failed.Clear();
}

void QueueAddresses(const ConnectionEntry& entry, const HostNameCache& hostNames, uint64_t nowMs, ResolveQueue& queue) {
    auto queueOne = [&](std::string_view text, const ResolveAddress& address) {
        if (!hostNames.Contains(text) && !queue.Contains(address) && !queue.Waiting(address, nowMs))
            queue.Append(address);
    };
    const bool withRemote = !IsUdp(entry.protocol);
    if (IsIpv6(entry.protocol)) {
        queueOne(FieldText(entry.localAddressText), ResolveAddress::V6(entry.localAddr6, entry.localScopeId));
        if (withRemote)
            queueOne(FieldText(entry.remoteAddressText), ResolveAddress::V6(entry.remoteAddr6, entry.remoteScopeId));
        return;
    }
    queueOne(FieldText(entry.localAddressText), ResolveAddress::V4(NetworkToHostLong(entry.localAddr)));
    if (withRemote)
        queueOne(FieldText(entry.remoteAddressText), ResolveAddress::V4(NetworkToHostLong(entry.remoteAddr)));
}

uint64_t MonotonicMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
