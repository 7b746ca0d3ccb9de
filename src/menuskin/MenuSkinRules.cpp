// Classification, colour mixes, item sizes and picture sets of the menu skin (see MenuSkinRules.h).
#include "MenuSkinRules.h"

#include "controls/ToolbarImages.h"

#include <algorithm>

namespace menuskin {

namespace {

int Channel(Colour c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }
Colour Pack(int r, int g, int b) {
    return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}
int Percent(int value, int percent) { return (value * percent + 50) / 100; }

} // namespace

SystemCode ClassifySystem(bool ntFamily, unsigned major, unsigned minor) {
    if (!ntFamily) {
        if (major < 4)
            return kSystem9xOld;
        if (major == 4 && minor == 10)
            return kSystem98;
        if (major == 4 && minor == 90)
            return kSystemMe;
        return kSystem95;
    }
    if (major == 4)
        return kSystemNt4;
    if (major == 5 && minor == 0)
        return kSystem2000;
    if (major == 5 && minor == 1)
        return kSystemXp;
    return kSystemNtOther;
}

Colour MixColours(Colour a, int percentA, Colour b, int percentB) {
    int out[3];
    for (int i = 0; i < 3; ++i)
        out[i] = std::min(255, Percent(Channel(a, 8 * i), percentA) + Percent(Channel(b, 8 * i), percentB));
    return Pack(out[0], out[1], out[2]);
}

Colour SelectionMix(Colour window, Colour highlight) {
    const Colour mix = MixColours(window, 70, highlight, 30);
    int out[3];
    for (int i = 0; i < 3; ++i) {
        const int value = Channel(mix, 8 * i);
        out[i] = value >= 230 ? 255 : value + 25;
    }
    return Pack(out[0], out[1], out[2]);
}

bool FewColours(int numColors) { return (numColors == -1 ? 64000 : numColors) <= 256; }

MenuColours StyleColours(const SystemColours& in, const std::function<Colour(Colour)>& nearest) {
    MenuColours out;
    const bool xp = in.system == kSystemXp;
    out.menu = xp && in.flatMenus ? in.menuBar : in.menu;
    out.menuBackground = xp && (in.flatMenus || in.themeActive) ? in.menuBar : in.menu;
    const bool few = FewColours(in.numColors);
    out.column = few ? in.buttonFace : MixColours(out.menuBackground, 86, in.window, 14);
    out.textArea = in.buttonHighlight;
    if (nearest(out.column) == nearest(out.textArea)) {
        out.textArea = in.window;
        out.column = out.menu;
    }
    if (in.highContrast)
        out.selectionFill = in.highlight;
    else if (few)
        out.selectionFill = in.window;
    else
        out.selectionFill = SelectionMix(in.window, in.highlight);
    out.selectionFrame = in.highContrast ? in.buttonText : in.highlight;
    out.disabledText = in.grayText;
    return out;
}

ItemSize MeasureItem(const ItemSizeInput& in) {
    if (in.separator)
        return {0, 3};
    ItemSize size;
    if (in.menuBar)
        size.width = in.textWidth - 6;
    else
        size.width = in.textWidth + 2 * in.pictureWidth + 2 + (in.hasTab ? 15 : 0);
    const int base = in.pictureHeight + 8 < in.menuBarHeight ? in.menuBarHeight : in.pictureHeight + 7;
    size.height = std::max(in.textHeight, base);
    return size;
}

int PictureSet::IndexOf(unsigned id) const {
    auto found = std::find(ids.begin(), ids.end(), id);
    return found == ids.end() ? -1 : static_cast<int>(found - ids.begin());
}

std::optional<PictureSet> ReadPictureSet(const uint8_t* data, size_t size) {
    const auto layout = toolbar::ParseToolBarLayout(data, size);
    if (!layout)
        return std::nullopt;
    PictureSet set;
    set.width = layout->width;
    set.height = layout->height;
    for (unsigned id : layout->ids)
        if (id != 0)
            set.ids.push_back(id);
    if (set.ids.empty())
        return std::nullopt;
    return set;
}

} // namespace menuskin
