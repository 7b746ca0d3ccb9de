// Menu skin rules: the style's colours on each kind of system and display, with the mixes at their edges, and
// the item sizes. (The mixes of XP with visual styles and of later versions show in the menus end to end, with
// each command's picture of the program's own layout.)
#include "menuskin/MenuSkinRules.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace menuskin;

namespace {

Colour Rgb(int r, int g, int b) { return static_cast<Colour>(r | (g << 8) | (b << 16)); }

// The column is 86 % of the background and 14 % of the window colour, each term rounded on its own; the selection
// is 70 % window and 30 % highlight, each rounded, plus 25, and 255 from 230 on (the blue channel here). A display
// of 256 colours or fewer takes plain colours.
TEST(MenuSkinRules, ColoursFollowSystemThemeDisplayAndContrast) {
    // clang-format off
    const SystemColours in{.menu = Rgb(212, 208, 200), .menuBar = Rgb(236, 233, 216), .window = Rgb(255, 255, 255),
                           .highlight = Rgb(49, 106, 197), .buttonFace = Rgb(200, 200, 200),
                           .buttonHighlight = Rgb(250, 250, 250), .buttonText = Rgb(1, 2, 3),
                           .grayText = Rgb(128, 128, 128)};
    // clang-format on
    const Colour menu = in.menu, bar = in.menuBar, mixed = Rgb(218, 215, 208), barMixed = Rgb(239, 236, 222),
                 fill = Rgb(219, 236, 255);
    // clang-format off
    const struct { const char* name; SystemCode system; bool flat, theme, contrast; int numColors;
                   Colour menu, background, column, fill, frame; } cases[] = {
        // XP with flat menus takes the menu-bar colour for both menu and background; classic XP neither.
        {"xp flat", kSystemXp, true, false, false, -1, bar, bar, barMixed, fill, in.highlight},
        {"xp classic", kSystemXp, false, false, false, -1, menu, menu, mixed, fill, in.highlight},
        {"flat, not xp", kSystemNtOther, true, false, false, -1, menu, menu, mixed, fill, in.highlight},
        // 256 colours: button face column, window-coloured selection.
        {"256 colours", kSystemNtOther, false, false, false, 256, menu, menu, in.buttonFace, in.window, in.highlight},
        {"high contrast", kSystemNtOther, false, false, true, -1, menu, menu, mixed, in.highlight, in.buttonText},
    };
    // clang-format on
    for (const auto& c : cases) {
        SystemColours system = in;
        std::tie(system.system, system.flatMenus, system.themeActive, system.highContrast, system.numColors) =
            std::tuple(c.system, c.flat, c.theme, c.contrast, c.numColors);
        const MenuColours out = StyleColours(system, [](Colour c) { return c; });
        EXPECT_EQ(std::vector({out.menu, out.menuBackground, out.column, out.textArea, out.selectionFill,
                               out.selectionFrame, out.disabledText}),
                  std::vector({c.menu, c.background, c.column, in.buttonHighlight, c.fill, c.frame, in.grayText}))
            << c.name;
    }
    // A display that shows only black and white: column and text area both come out white, so they give way.
    const MenuColours out = StyleColours(in, [](Colour c) { return (c & 0xFF) > 127 ? Rgb(255, 255, 255) : 0u; });
    EXPECT_EQ(std::pair(out.column, out.textArea), std::pair(in.menu, in.window));
}

// Pop-up items: text + 2 x picture + 2 (+ 15 with an accelerator), on the menu bar text - 6; the height is
// picture + 7 (25 for 18-pixel pictures), or the menu bar's height when picture + 8 stays below it, or the text's
// when taller; a separator is 3 high.
TEST(MenuSkinRules, ItemSizesFollowTextPictureAndMenuBar) {
    // clang-format off
    const struct { ItemSizeInput in; int width, height; } cases[] = {
        {{40, 13, true, false, false, 18, 18, 19}, 40 + 36 + 2 + 15, 25}, {{40, 13, false, true, false, 18, 18, 19}, 34, 25},
        {{40, 30, false, false, false, 18, 18, 19}, 78, 30}, {{10, 13, false, false, false, 16, 10, 19}, 44, 19},
        {{10, 13, false, false, false, 16, 11, 19}, 44, 18}, {{0, 13, false, false, true, 18, 18, 19}, 0, 3},
    };
    // clang-format on
    for (const auto& c : cases) {
        const ItemSize size = MeasureItem(c.in);
        EXPECT_EQ(std::pair(size.width, size.height), std::pair(c.width, c.height)) << "case " << &c - cases;
    }
}

} // namespace
