// Hash-map plumbing for the cache indexes: std::string keys that can be looked up with a
// std::string_view, so a lookup never allocates.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

struct TextKeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
};

template <typename Value> using TextKeyMap = std::unordered_map<std::string, Value, TextKeyHash, std::equal_to<>>;
using TextKeySet = std::unordered_set<std::string, TextKeyHash, std::equal_to<>>;
