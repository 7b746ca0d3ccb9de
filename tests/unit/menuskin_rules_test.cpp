// Menu skin rules: the colour mixes at their edges, the style's colours on each kind of system and display, and
// the item sizes. (The system classification is a table the colour cases name by its codes; the picture set of
// the program's own layout is checked on its pictures end to end.)
#include "menuskin/MenuSkinRules.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace menuskin;

namespace {

Colour Rgb(int r, int g, int b) { return static_cast<Colour>(r | (g << 8) | (b << 16)); }

TEST(MenuSkinRules, MixesRoundEachTermAndTheSelectionTopsOutAt230) {
    // 86 % of 255 is 219.3 and 14 % is 35.7: rounded on their own they still make 255, never 256.
    EXPECT_EQ(MixColours(Rgb(255, 255, 255), 86, Rgb(255, 255, 255), 14), Rgb(255, 255, 255));
    // 86 % of 1 rounds up (0.86), 14 % of 3 rounds down (0.42): 1, then 14 % of 4 = 0.56 rounds up.
    EXPECT_EQ(MixColours(Rgb(1, 0, 1), 86, Rgb(3, 4, 0), 14), Rgb(1, 1, 1));
    // clang-format off
    const struct { Colour window, highlight, fill; } selection[] = {
        // 70 % of 255 is 178.5, rounded up: 179 + 25.
        {Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(204, 204, 204)},
        // 70 % of 255 (178.5, rounded up) + 30 % of 170 (51) = 230: topped to 255; 30 % of 165 (49.5,
        // rounded up) gives 229 + 25 = 254; 163 gives 228 + 25.
        {Rgb(255, 255, 255), Rgb(170, 165, 163), Rgb(255, 254, 253)},
        {Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(25, 25, 25)},
    };
    // clang-format on
    for (const auto& c : selection)
        EXPECT_EQ(SelectionMix(c.window, c.highlight), c.fill) << std::hex << c.window << " " << c.highlight;
    // -1 is a display with more colours than NUMCOLORS can say.
    EXPECT_EQ(std::tuple(FewColours(256), FewColours(257), FewColours(-1)), std::tuple(true, false, false));
}

TEST(MenuSkinRules, ColoursFollowSystemThemeDisplayAndContrast) {
    const SystemColours in{.menu = Rgb(212, 208, 200),
                           .menuBar = Rgb(236, 233, 216),
                           .window = Rgb(255, 255, 255),
                           .highlight = Rgb(49, 106, 197),
                           .buttonFace = Rgb(200, 200, 200),
                           .buttonHighlight = Rgb(250, 250, 250),
                           .buttonText = Rgb(1, 2, 3),
                           .grayText = Rgb(128, 128, 128)};
    const Colour menu = in.menu, bar = in.menuBar, mixed = Rgb(218, 215, 208), barMixed = Rgb(239, 236, 222),
                 fill = Rgb(219, 236, 255);
    // clang-format off
    const struct { const char* name; SystemCode system; bool flat, theme, contrast; int numColors;
                   Colour menu, background, column, fill, frame; } cases[] = {
        // Not XP: the menu colour everywhere; the column is 86/14 of menu and window.
        {"win7 themed", kSystemNtOther, true, true, false, -1, menu, menu, mixed, fill, in.highlight},
        // XP with visual styles: the background (and so the column) takes the menu-bar colour, the menu not.
        {"xp themed", kSystemXp, false, true, false, -1, menu, bar, barMixed, fill, in.highlight},
        {"xp flat", kSystemXp, true, false, false, -1, bar, bar, barMixed, fill, in.highlight}, // both take it
        {"xp classic", kSystemXp, false, false, false, -1, menu, menu, mixed, fill, in.highlight},
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
        const std::vector<Colour> got = {out.menu,          out.menuBackground, out.column,      out.textArea,
                                         out.selectionFill, out.selectionFrame, out.disabledText};
        EXPECT_EQ(got, (std::vector<Colour>{c.menu, c.background, c.column, in.buttonHighlight, c.fill, c.frame,
                                            in.grayText}))
            << c.name;
    }
    // A display that shows only black and white: column and text area both come out white, so they give way.
    const MenuColours out = StyleColours(in, [](Colour c) { return (c & 0xFF) > 127 ? Rgb(255, 255, 255) : 0u; });
    EXPECT_EQ(out.column, in.menu);
    EXPECT_EQ(out.textArea, in.window);
}

TEST(MenuSkinRules, ItemSizesFollowTextPictureAndMenuBar) {
    // clang-format off
    const struct { const char* name; ItemSizeInput in; int width, height; } cases[] = {
        // Pop-up: text + 2 x picture + 2; base height picture + 7 (25 for 18 px pictures).
        {"popup", {40, 13, false, false, false, 18, 18, 19}, 40 + 36 + 2, 25},
        {"accelerator", {40, 13, true, false, false, 18, 18, 19}, 40 + 36 + 2 + 15, 25},
        {"menu bar", {40, 13, false, true, false, 18, 18, 19}, 34, 25},
        {"tall text", {40, 30, false, false, false, 18, 18, 19}, 78, 30}, // text taller than the base wins
        // Small pictures: picture + 8 below SM_CYMENU gives the menu-bar height; equal does not.
        {"small picture", {10, 13, false, false, false, 16, 10, 19}, 10 + 32 + 2, 19},
        {"picture + 8 = cymenu", {10, 13, false, false, false, 16, 11, 19}, 44, 18},
        {"separator", {0, 13, false, false, true, 18, 18, 19}, 0, 3},
    };
    // clang-format on
    for (const auto& c : cases) {
        const ItemSize size = MeasureItem(c.in);
        EXPECT_EQ(std::pair(size.width, size.height), std::pair(c.width, c.height)) << c.name;
    }
}

} // namespace
