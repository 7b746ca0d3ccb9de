// A small open-addressing hash map from 32-bit keys to 32-bit values, kept in one flat array so a
// lookup costs about one cache line. Used by the connection caches, whose keys are mostly IPv4
// addresses; values are positions, so the all-ones value marks an empty slot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class FlatUInt32Map {
public:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    // The value stored for the key, or kNone.
    uint32_t Find(uint32_t key) const {
        if (slots.empty()) {
            return kNone;
        }
        for (size_t i = Home(key);; i = (i + 1) & mask) {
            const Slot& slot = slots[i];
            if (slot.value == kNone) {
                return kNone;
            }
            if (slot.key == key) {
                return slot.value;
            }
        }
    }

    // Stores the value unless the key is present; returns the value now stored and whether it was
    // inserted. value must not be kNone.
    std::pair<uint32_t, bool> Insert(uint32_t key, uint32_t value);

    size_t Size() const { return count; }

    // Empties the map and releases its storage.
    void Clear() {
        std::vector<Slot>().swap(slots);
        count = 0;
        mask = 0;
        shift = 64;
    }

private:
    struct Slot {
        uint32_t key;
        uint32_t value;
    };

    // Fibonacci hashing: the top bits of key times 2^64/phi spread neighbouring addresses apart.
    size_t Home(uint32_t key) const { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> shift); }
    void Grow();

    std::vector<Slot> slots;
    size_t count = 0;
    size_t mask = 0;
    unsigned shift = 64;
};

inline std::pair<uint32_t, bool> FlatUInt32Map::Insert(uint32_t key, uint32_t value) {
    if ((count + 1) * 2 > slots.size()) {
        Grow();
    }
    for (size_t i = Home(key);; i = (i + 1) & mask) {
        Slot& slot = slots[i];
        if (slot.value == kNone) {
            slot = {key, value};
            ++count;
            return {value, true};
        }
        if (slot.key == key) {
            return {slot.value, false};
        }
    }
}

inline void FlatUInt32Map::Grow() {
    std::vector<Slot> old;
    old.swap(slots);
    const size_t capacity = old.empty() ? 16 : old.size() * 2;
    slots.assign(capacity, Slot{0, kNone});
    mask = capacity - 1;
    shift = 64;
    for (size_t c = capacity; c > 1; c >>= 1) {
        --shift;
    }
    for (const Slot& slot : old) {
        if (slot.value != kNone) {
            for (size_t i = Home(slot.key);; i = (i + 1) & mask) {
                if (slots[i].value == kNone) {
                    slots[i] = slot;
                    break;
                }
            }
        }
    }
}
