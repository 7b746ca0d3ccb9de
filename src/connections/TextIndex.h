// Index from texts to 32-bit values for the connection caches. Nearly every text looked up is an
// address in dotted decimal; those in the exact form the table read writes (no leading zeros, four
// parts of 0 to 255) map one-to-one to their numeric value and are kept in a flat numeric table, so
// equal texts still mean equal keys. Every other text is kept by the string itself.
#pragma once

#include "connections/FlatUInt32Map.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

// Numeric value (host byte order) of a dotted-decimal text in the form FormatAddress writes; false for
// any other text.
bool ParseCanonicalAddress(std::string_view text, uint32_t& value);

struct TextKeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
};

// std::string keys that can be looked up with a std::string_view, so a lookup never allocates.
template <typename Value> using TextKeyMap = std::unordered_map<std::string, Value, TextKeyHash, std::equal_to<>>;

class TextIndex {
public:
    static constexpr uint32_t kNone = FlatUInt32Map::kNone;

    uint32_t Find(std::string_view text) const {
        uint32_t address;
        if (ParseCanonicalAddress(text, address)) {
            return addresses.Find(address);
        }
        if (others.empty()) {
            return kNone;
        }
        auto found = others.find(text);
        return found == others.end() ? kNone : found->second;
    }

    // Stores the value unless the text is present; returns the value now stored and whether it was
    // inserted. value must not be kNone.
    std::pair<uint32_t, bool> Insert(std::string_view text, uint32_t value) {
        uint32_t address;
        if (ParseCanonicalAddress(text, address)) {
            return addresses.Insert(address, value);
        }
        auto [at, inserted] = others.emplace(text, value);
        return {at->second, inserted};
    }

    // Empties the index and releases its storage.
    void Clear() {
        addresses.Clear();
        TextKeyMap<uint32_t>().swap(others);
    }

private:
    FlatUInt32Map addresses;
    TextKeyMap<uint32_t> others;
};
