// Host-name cache with its address index.
#include "connections/HostNameCache.h"

#include "connections/FieldText.h"

#include <algorithm>

void HostNameCache::Append(const char* addressText, const char* hostName) {
    HostNameEntry& entry = entries.emplace_back();
    CopyBounded(entry.address, addressText, kMaxAddressChars);
    CopyBounded(entry.hostName, hostName, kMaxAddressChars);

    const auto position = static_cast<uint32_t>(entries.size() - 1);
    auto found = index.find(FieldText(entry.address));
    if (found == index.end()) {
        index.emplace(FieldText(entry.address), Positions{position, {}});
    } else {
        found->second.later.push_back(position);
    }
}

void HostNameCache::Clear() {
    std::vector<HostNameEntry>().swap(entries);
    TextKeyMap<Positions>().swap(index);
}

size_t HostNameCache::FindFrom(std::string_view addressText, size_t from) const {
    auto found = index.find(addressText);
    if (found == index.end()) {
        return npos;
    }
    const Positions& positions = found->second;
    if (positions.first >= from) {
        return positions.first;
    }
    auto later = std::lower_bound(positions.later.begin(), positions.later.end(), from);
    return later == positions.later.end() ? npos : *later;
}
