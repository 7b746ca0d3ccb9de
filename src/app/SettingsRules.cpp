// Settings value rules.
#include "SettingsRules.h"

namespace settings {

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

} // namespace settings
