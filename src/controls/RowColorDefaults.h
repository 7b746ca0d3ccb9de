// The built-in row colours of the connection list (0x00BBGGRR, red in the low byte): what a list starts
// with, what a missing setting leaves in place, and what the Colors dialog's Default button restores.
// One table, so the list and the dialog can never disagree.
#pragma once

#include <cstdint>

namespace rowcolors {

constexpr std::uint32_t kListening = 0x00DCFFFF;   // 255, 255, 220
constexpr std::uint32_t kEstablished = 0x00DCFFDC; // 220, 255, 220
constexpr std::uint32_t kSYN = 0x00DCE6DC;         // 220, 230, 220
constexpr std::uint32_t kFIN = 0x00DCE6DC;         // 220, 230, 220 (same default, stored separately)
constexpr std::uint32_t kClosed = 0x00C8C8FF;      // 255, 200, 200
constexpr std::uint32_t kTimeWait = 0x00DCDCFF;    // 255, 220, 220
constexpr std::uint32_t kUnknown = 0x00F0FFFF;     // 255, 255, 240 (DELETE_TCB rows)
constexpr std::uint32_t kSelect = 0x00FFC8C8;      // 200, 200, 255
// Change highlighting: stronger than the state colours, so a new or removed row stands out among them.
constexpr std::uint32_t kNew = 0x00AAF0AA;     // 170, 240, 170
constexpr std::uint32_t kRemoved = 0x00AAAAFF; // 255, 170, 170

} // namespace rowcolors
