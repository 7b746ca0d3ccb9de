// Value rules of the settings key that need no registry: accepted ranges and the check that decides
// whether a stored window rectangle can be restored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace settings {

constexpr uint32_t kDefaultUpdateInterval = 3;
constexpr uint32_t kDefaultLoggingInterval = 10;
constexpr size_t kPathBufferSize = 260;

// Seconds between refreshes: 1 to 9.
constexpr bool UpdateIntervalAccepted(uint32_t value) { return value >= 1 && value <= 9; }
// Minutes between log flushes: 5 to 20.
constexpr bool LoggingIntervalAccepted(uint32_t value) { return value >= 5 && value <= 20; }
// A log file path must fit the 260-byte path buffer with its terminating NUL.
constexpr bool LogFileLengthAccepted(size_t length) { return length < kPathBufferSize; }

// The data folder, "Pelloran" in the application-data folder, and a file in it. Both are empty when the
// application-data folder is unknown (empty): an empty path names no file, so nothing is read, written or
// created, where "\Pelloran" would be a folder at the root of the current drive.
std::string DataFolderPath(const std::string& appDataFolder);
std::string DataFilePath(const std::string& appDataFolder, const char* fileName);

struct Rect {
    int32_t left, top, right, bottom;
};

// A stored rectangle is restored only when it has a positive width and height and overlaps at least
// one monitor's work area; a window restored elsewhere would be lost to the user.
bool PlacementUsable(const Rect& stored, const std::vector<Rect>& workAreas);

// Screen position and size of a window.
struct WindowBox {
    int32_t x, y, width, height;
};

// The placement is stored as the window placement reports it: in workspace coordinates, whose origin is
// the top-left corner of the primary monitor's work area. This gives the screen position and size of
// the stored rectangle (edges), or false when it is not to be applied (PlacementUsable, checked in
// screen coordinates). Computed in 64 bits and kept within 32: stored edges are any 32-bit values.
bool RestoredWindowBox(const Rect& stored, const Rect& primaryWorkArea, const std::vector<Rect>& workAreas,
                       WindowBox& box);

} // namespace settings
