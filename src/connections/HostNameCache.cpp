// Host-name cache with its address index.
#include "connections/HostNameCache.h"

#include "connections/FieldText.h"

#include <algorithm>

void HostNameCache::Append(const char* addressText, const char* hostName) {
    HostNameEntry& entry = entries.emplace_back();
    CopyBounded(entry.address, addressText, kMaxAddressChars);
    CopyBounded(entry.hostName, hostName, kMaxAddressChars);

    const auto position = static_cast<uint32_t>(entries.size() - 1);
    const auto [first, inserted] = firstPosition.Insert(FieldText(entry.address), position);
    if (!inserted) {
        laterPositions[first].push_back(position);
    }
}

void HostNameCache::Clear() {
    std::vector<HostNameEntry>().swap(entries);
    firstPosition.Clear();
    std::unordered_map<uint32_t, std::vector<uint32_t>>().swap(laterPositions);
}

size_t HostNameCache::FindFrom(std::string_view addressText, size_t from) const {
    const uint32_t first = firstPosition.Find(addressText);
    if (first == TextIndex::kNone) {
        return kNotFound;
    }
    if (first >= from) {
        return first;
    }
    if (laterPositions.empty()) {
        return kNotFound;
    }
    auto found = laterPositions.find(first);
    if (found == laterPositions.end()) {
        return kNotFound;
    }
    auto later = std::lower_bound(found->second.begin(), found->second.end(), from);
    return later == found->second.end() ? kNotFound : *later;
}
