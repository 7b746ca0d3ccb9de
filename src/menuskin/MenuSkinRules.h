// The rules of the owner-drawn menu skin that need no window: which family of system the program runs
// on (it picks the menu colours), the colour mixes of the item painting, the size of an item, and the
// picture set read from a toolbar layout resource.
//
// No windows.h here: colours are 0x00BBGGRR values as the system stores them, and everything the rules
// need from the system (system colours, metrics, the display's nearest colour) is passed in, so the
// rules are tested natively, edge by edge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace menuskin {

using Colour = uint32_t; // 0x00BBGGRR

// Operating-system codes of the menu colours. The numbers are not in the order of the releases: 1 is
// every NT release the table does not name (5.2, 6 and later), and 0 the 9x releases before 4.0.
enum SystemCode : int {
    kSystem9xOld = 0,
    kSystemNtOther = 1,
    kSystem95 = 2,
    kSystem98 = 3,
    kSystemMe = 4,
    kSystemNt4 = 5,
    kSystem2000 = 6,
    kSystemXp = 7,
};
SystemCode ClassifySystem(bool ntFamily, unsigned major, unsigned minor);

// Per channel: percentA % of a plus percentB % of b, each term rounded half away from zero on its own
// (as MulDiv does), so 86/14 and 70/30 mixes of 255 and 255 stay at 255.
Colour MixColours(Colour a, int percentA, Colour b, int percentB);
// The selection fill before the display checks: 70 % window + 30 % highlight, lifted by 25 per channel;
// a channel whose mix is 230 or more becomes 255 (the lift would pass the top).
Colour SelectionMix(Colour window, Colour highlight);
// GetDeviceCaps(NUMCOLORS) says -1 on displays with more than 256 colours; that counts as 64000.
bool FewColours(int numColors);

// What the colour rules read from the system.
struct SystemColours {
    Colour menu = 0, menuBar = 0, window = 0, highlight = 0, buttonFace = 0, buttonHighlight = 0, buttonText = 0,
           grayText = 0;
    SystemCode system = kSystemNtOther;
    bool flatMenus = false;   // SPI_GETFLATMENU
    bool themeActive = false; // IsThemeActive
    bool highContrast = false;
    int numColors = -1; // GetDeviceCaps(NUMCOLORS)
};

struct MenuColours {
    Colour menu = 0;           // menu colour
    Colour menuBackground = 0; // background of the column mix and of menu-bar items
    Colour column = 0;         // picture column
    Colour textArea = 0;       // right of the column
    Colour selectionFill = 0;
    Colour selectionFrame = 0;
    Colour disabledText = 0;
};

// The colours of the menu style the program draws with. `nearest` maps a colour to the one the display
// shows for it (GetNearestColor): a column the display cannot tell from the text area is given up.
MenuColours StyleColours(const SystemColours& in, const std::function<Colour(Colour)>& nearest);

// Item size of that style.
struct ItemSizeInput {
    int textWidth = 0;  // label (and accelerator) in the menu font, without the tab
    int textHeight = 0; // the menu font's text height
    bool hasTab = false;
    bool menuBar = false;
    bool separator = false; // a separator without a title
    int pictureWidth = 16;
    int pictureHeight = 15;
    int menuBarHeight = 19; // SM_CYMENU
};
struct ItemSize {
    int width = 0;
    int height = 0;
};
ItemSize MeasureItem(const ItemSizeInput& in);
// Width of the picture column of a pop-up.
inline int ColumnWidth(int pictureWidth) { return pictureWidth + 8; }

// The command pictures of one toolbar layout resource: picture i belongs to the i-th id that is not a
// separator. Nothing for a damaged or empty resource.
struct PictureSet {
    int width = 0;
    int height = 0;
    std::vector<unsigned> ids;
    int IndexOf(unsigned id) const; // -1 when the set has no picture for the id
};
std::optional<PictureSet> ReadPictureSet(const uint8_t* data, size_t size);

} // namespace menuskin
