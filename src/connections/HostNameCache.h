// The resolved host names, in the order the resolver found them, with an index by address text.
// Records are only appended (by the resolver worker) and read by position; the index lets the table
// read and the list refresh find "the first record at or after position p with this address" without
// walking the array. Not thread-safe: the owner serialises every access with its own lock.
#pragma once

#include "connections/ConnectionEntry.h"
#include "connections/TextIndex.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

class HostNameCache {
public:
    static constexpr size_t kNotFound = static_cast<size_t>(-1);

    // Both texts are cut to their first 510 characters.
    void Append(const char* addressText, const char* hostName);
    size_t Size() const { return entries.size(); }
    const HostNameEntry& At(size_t index) const { return entries[index]; }
    // Empties the cache and releases its storage.
    void Clear();

    // Whether some record has exactly this address text.
    bool Contains(std::string_view addressText) const { return FindFrom(addressText, 0) != kNotFound; }
    // Index of the first record at or after `from` whose address equals the text, or kNotFound.
    size_t FindFrom(std::string_view addressText, size_t from) const;

private:
    std::vector<HostNameEntry> entries;
    // Address text -> position of its first record.
    TextIndex firstPosition;
    // First position -> positions of the later records with the same address, ascending. Only
    // addresses with more than one record appear here; normally there are none.
    std::unordered_map<uint32_t, std::vector<uint32_t>> laterPositions;
};
