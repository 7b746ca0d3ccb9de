// Menu skin rules: the system classification table, the colour mixes at their edges, the item sizes, and
// the picture set of the program's own toolbar layout 138 as the resource script writes it.
#include "menuskin/MenuSkinRules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

using namespace menuskin;

namespace {

Colour Rgb(int r, int g, int b) { return static_cast<Colour>(r | (g << 8) | (b << 16)); }

TEST(MenuSkinRules, ClassifiesEverySystemFamilyAndRelease) {
    const struct {
        bool nt;
        unsigned major, minor;
        SystemCode code;
    } cases[] = {
        {false, 3, 95, kSystem9xOld},  {false, 4, 0, kSystem95},     {false, 4, 3, kSystem95},
        {false, 4, 10, kSystem98},     {false, 4, 90, kSystemMe},    {false, 5, 0, kSystem95},
        {true, 3, 51, kSystemNtOther}, {true, 4, 0, kSystemNt4},     {true, 5, 0, kSystem2000},
        {true, 5, 1, kSystemXp},       {true, 5, 2, kSystemNtOther}, {true, 6, 1, kSystemNtOther},
        {true, 10, 0, kSystemNtOther},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifySystem(c.nt, c.major, c.minor), c.code) << c.nt << " " << c.major << "." << c.minor;
}

TEST(MenuSkinRules, MixesRoundEachTermAndTheSelectionTopsOutAt230) {
    // 86 % of 255 is 219.3 and 14 % is 35.7: rounded on their own they still make 255, never 256.
    EXPECT_EQ(MixColours(Rgb(255, 255, 255), 86, Rgb(255, 255, 255), 14), Rgb(255, 255, 255));
    // 86 % of 1 rounds up (0.86), 14 % of 3 rounds down (0.42): 1, then 14 % of 4 = 0.56 rounds up.
    EXPECT_EQ(MixColours(Rgb(1, 0, 1), 86, Rgb(3, 4, 0), 14), Rgb(1, 1, 1));
    EXPECT_EQ(MixColours(Rgb(236, 233, 216), 86, Rgb(255, 255, 255), 14), Rgb(239, 236, 222));
    const struct {
        Colour window, highlight, fill;
    } selection[] = {
        // 70 % of 255 is 178.5, rounded up: 179 + 25.
        {Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(204, 204, 204)},
        // 70 % of 255 (178.5, rounded up) + 30 % of 170 (51) = 230: topped to 255; 30 % of 165 (49.5,
        // rounded up) gives 229 + 25 = 254; 163 gives 228 + 25.
        {Rgb(255, 255, 255), Rgb(170, 165, 163), Rgb(255, 254, 253)},
        {Rgb(255, 255, 255), Rgb(49, 106, 197), Rgb(219, 236, 255)},
        {Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(25, 25, 25)},
    };
    for (const auto& c : selection)
        EXPECT_EQ(SelectionMix(c.window, c.highlight), c.fill) << std::hex << c.window << " " << c.highlight;
    EXPECT_TRUE(FewColours(256));
    EXPECT_TRUE(FewColours(16));
    EXPECT_FALSE(FewColours(257));
    EXPECT_FALSE(FewColours(-1)) << "-1 is a display with more colours than NUMCOLORS can say";
}

SystemColours Classic() {
    SystemColours in;
    in.menu = Rgb(212, 208, 200);
    in.menuBar = Rgb(236, 233, 216);
    in.window = Rgb(255, 255, 255);
    in.highlight = Rgb(49, 106, 197);
    in.buttonFace = Rgb(200, 200, 200);
    in.buttonHighlight = Rgb(250, 250, 250);
    in.buttonText = Rgb(1, 2, 3);
    in.grayText = Rgb(128, 128, 128);
    return in;
}

Colour Exact(Colour c) { return c; }

TEST(MenuSkinRules, ColoursFollowSystemThemeDisplayAndContrast) {
    const struct {
        const char* name;
        SystemCode system;
        bool flat, theme, contrast;
        int numColors;
        Colour menu, background, column, fill, frame;
    } cases[] = {
        // Not XP: the menu colour everywhere; the column is 86/14 of menu and window.
        {"win7 themed", kSystemNtOther, true, true, false, -1, Rgb(212, 208, 200), Rgb(212, 208, 200),
         Rgb(218, 215, 208), Rgb(219, 236, 255), Rgb(49, 106, 197)},
        // XP with visual styles: the background (and so the column) takes the menu-bar colour, the menu not.
        {"xp themed", kSystemXp, false, true, false, -1, Rgb(212, 208, 200), Rgb(236, 233, 216), Rgb(239, 236, 222),
         Rgb(219, 236, 255), Rgb(49, 106, 197)},
        // XP with flat menus: both take it.
        {"xp flat", kSystemXp, true, false, false, -1, Rgb(236, 233, 216), Rgb(236, 233, 216), Rgb(239, 236, 222),
         Rgb(219, 236, 255), Rgb(49, 106, 197)},
        {"xp classic", kSystemXp, false, false, false, -1, Rgb(212, 208, 200), Rgb(212, 208, 200), Rgb(218, 215, 208),
         Rgb(219, 236, 255), Rgb(49, 106, 197)},
        // 256 colours: button face column, window-coloured selection.
        {"256 colours", kSystemNtOther, false, false, false, 256, Rgb(212, 208, 200), Rgb(212, 208, 200),
         Rgb(200, 200, 200), Rgb(255, 255, 255), Rgb(49, 106, 197)},
        {"high contrast", kSystemNtOther, false, false, true, -1, Rgb(212, 208, 200), Rgb(212, 208, 200),
         Rgb(218, 215, 208), Rgb(49, 106, 197), Rgb(1, 2, 3)},
    };
    for (const auto& c : cases) {
        SystemColours in = Classic();
        in.system = c.system;
        in.flatMenus = c.flat;
        in.themeActive = c.theme;
        in.highContrast = c.contrast;
        in.numColors = c.numColors;
        const MenuColours out = StyleColours(in, Exact);
        EXPECT_EQ(out.menu, c.menu) << c.name;
        EXPECT_EQ(out.menuBackground, c.background) << c.name;
        EXPECT_EQ(out.column, c.column) << c.name;
        EXPECT_EQ(out.textArea, in.buttonHighlight) << c.name;
        EXPECT_EQ(out.selectionFill, c.fill) << c.name;
        EXPECT_EQ(out.selectionFrame, c.frame) << c.name;
        EXPECT_EQ(out.disabledText, in.grayText) << c.name;
    }
}

TEST(MenuSkinRules, AColumnTheDisplayCannotTellApartGivesWayToMenuAndWindow) {
    SystemColours in = Classic();
    // A display that shows only black and white: column and text area both come out white.
    const MenuColours out = StyleColours(in, [](Colour c) { return (c & 0xFF) > 127 ? Rgb(255, 255, 255) : 0u; });
    EXPECT_EQ(out.column, in.menu);
    EXPECT_EQ(out.textArea, in.window);
}

TEST(MenuSkinRules, ItemSizesFollowTextPictureAndMenuBar) {
    const struct {
        const char* name;
        ItemSizeInput in;
        int width, height;
    } cases[] = {
        // Pop-up: text + 2 x picture + 2; base height picture + 7 (25 for 18 px pictures).
        {"popup", {40, 13, false, false, false, 18, 18, 19}, 40 + 36 + 2, 25},
        {"accelerator", {40, 13, true, false, false, 18, 18, 19}, 40 + 36 + 2 + 15, 25},
        {"menu bar", {40, 13, false, true, false, 18, 18, 19}, 34, 25},
        // Text taller than the base wins.
        {"tall text", {40, 30, false, false, false, 18, 18, 19}, 78, 30},
        // Small pictures: picture + 8 below SM_CYMENU gives the menu-bar height; equal does not.
        {"small picture", {10, 13, false, false, false, 16, 10, 19}, 10 + 32 + 2, 19},
        {"picture + 8 = cymenu", {10, 13, false, false, false, 16, 11, 19}, 44, 18},
        {"separator", {0, 13, false, false, true, 18, 18, 19}, 0, 3},
    };
    for (const auto& c : cases) {
        const ItemSize size = MeasureItem(c.in);
        EXPECT_EQ(size.width, c.width) << c.name;
        EXPECT_EQ(size.height, c.height) << c.name;
    }
}

// Values of the #define lines of the resource headers.
std::map<std::string, unsigned> Defines() {
    std::map<std::string, unsigned> values;
    for (const char* file : {"/res/resource.h", "/src/framework/AfxRes.h"}) {
        std::ifstream in(std::string(PELLORAN_SOURCE_DIR) + file);
        std::string line;
        std::smatch m;
        static const std::regex define(R"(^#define\s+(\w+)\s+(\d+)\s*$)");
        while (std::getline(in, line))
            if (std::regex_match(line, m, define))
                values[m[1]] = static_cast<unsigned>(std::stoul(m[2]));
    }
    return values;
}

// The toolbar layout block `name` RT_TOOLBAR_TYPE of the resource script, as windres stores it.
std::vector<uint8_t> LayoutResource(const std::string& name) {
    std::ifstream in(std::string(PELLORAN_SOURCE_DIR) + "/res/Pelloran.rc");
    std::stringstream text;
    text << in.rdbuf();
    const std::string script = text.str();
    const size_t start = script.find(name + " RT_TOOLBAR_TYPE");
    const size_t begin = script.find("BEGIN", start), end = script.find("END", begin);
    if (start == std::string::npos || begin == std::string::npos || end == std::string::npos)
        return {};
    const auto defines = Defines();
    std::vector<uint8_t> bytes;
    std::stringstream body(script.substr(begin + 5, end - begin - 5));
    for (std::string token; std::getline(body, token, ',');) {
        token = std::regex_replace(token, std::regex(R"(\s+)"), "");
        const unsigned value =
            std::isdigit(static_cast<unsigned char>(token[0])) ? std::stoul(token) : defines.at(token);
        bytes.push_back(static_cast<uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<uint8_t>(value >> 8));
    }
    return bytes;
}

TEST(MenuSkinRules, PictureSetOfLayout138NamesSixteenCommandsMatchingTheBitmap) {
    const std::vector<uint8_t> resource = LayoutResource("IDR_MENU_IMAGES");
    const auto set = ReadPictureSet(resource.data(), resource.size());
    ASSERT_TRUE(set.has_value());
    EXPECT_EQ(set->width, 18);
    EXPECT_EQ(set->height, 18);
    const std::vector<unsigned> ids{57603, 32778, 32776, 57665, 32795, 32796, 32798, 32799,
                                    32800, 32797, 57664, 32774, 32773, 32771, 32772, 32775};
    EXPECT_EQ(set->ids, ids);
    EXPECT_EQ(set->IndexOf(32797), 9);
    EXPECT_EQ(set->IndexOf(59392), -1) << "View > Toolbar has no picture";
    // The bitmap holds exactly one picture per command.
    std::ifstream bmp(std::string(PELLORAN_SOURCE_DIR) + "/res/images/menuimages.bmp", std::ios::binary);
    uint8_t header[26] = {};
    bmp.read(reinterpret_cast<char*>(header), sizeof header);
    const int width = header[18] | (header[19] << 8), height = header[22] | (header[23] << 8);
    EXPECT_EQ(width, set->width * static_cast<int>(ids.size()));
    EXPECT_EQ(height, set->height);

    // Separators are skipped: the picture after one belongs to the next command.
    const std::vector<uint8_t> withSeparator{1, 0, 16, 0, 15, 0, 3, 0, 0x03, 0xE1, 0, 0, 0x40, 0xE1};
    const auto mixed = ReadPictureSet(withSeparator.data(), withSeparator.size());
    ASSERT_TRUE(mixed.has_value());
    EXPECT_EQ(mixed->IndexOf(57664), 1);
    // Damaged or empty layouts give no set.
    const std::vector<uint8_t> onlySeparators{1, 0, 16, 0, 15, 0, 1, 0, 0, 0};
    for (const auto& bad :
         {onlySeparators, std::vector<uint8_t>(withSeparator.begin(), withSeparator.end() - 1), std::vector<uint8_t>{}})
        EXPECT_FALSE(ReadPictureSet(bad.data(), bad.size()).has_value()) << bad.size();
}

} // namespace
