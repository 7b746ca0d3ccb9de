// Settings value rules.
#include "SettingsRules.h"

#include <algorithm>
#include <limits>

namespace settings {

namespace {

int32_t Clamp32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

std::string DataFolderPath(const std::string& appDataFolder) {
    return appDataFolder.empty() ? std::string() : appDataFolder + "\\Pelloran";
}

std::string DataFilePath(const std::string& appDataFolder, const char* fileName) {
    const std::string folder = DataFolderPath(appDataFolder);
    return folder.empty() ? folder : folder + "\\" + fileName;
}

bool PlacementUsable(const Rect& stored, const std::vector<Rect>& workAreas) {
    // 64-bit arithmetic: stored edges are any 32-bit values.
    if (static_cast<int64_t>(stored.right) - stored.left <= 0 || static_cast<int64_t>(stored.bottom) - stored.top <= 0)
        return false;
    for (const Rect& area : workAreas) {
        if (stored.left < area.right && area.left < stored.right && stored.top < area.bottom &&
            area.top < stored.bottom)
            return true;
    }
    return false;
}

bool RestoredWindowBox(const Rect& stored, const Rect& primaryWorkArea, const std::vector<Rect>& workAreas,
                       WindowBox& box) {
    const int64_t dx = primaryWorkArea.left, dy = primaryWorkArea.top;
    const Rect screen{Clamp32(stored.left + dx), Clamp32(stored.top + dy), Clamp32(stored.right + dx),
                      Clamp32(stored.bottom + dy)};
    if (!PlacementUsable(screen, workAreas))
        return false;
    box = {screen.left, screen.top, Clamp32(int64_t{screen.right} - screen.left),
           Clamp32(int64_t{screen.bottom} - screen.top)};
    return true;
}

} // namespace settings
