// The main window on the first start of a fresh profile with a stored 900 x 600 placement, in one program run:
// layout and Common Controls 6, the menu bar and its update rules, the toolbar, columns fitted to the width, bars
// hidden and shown, prompts of menus and buttons, the menu skin's subclassing, the toolbar docked and floated by real
// drags, Ctrl+F reaching the filter box from an upright or hidden toolbar, and File > Exit last.
#include "Suite.h"

#include <commctrl.h>

#include "../probe/Protocol.h"

using namespace e2e;

namespace {

// Written out rather than taken from the program's resource.h, so a renumbered id fails.
constexpr UINT kRefresh = 32778, kProcessing = 32795, kAutoupdate = 32798, kEstablishedOnly = 32799, kResolve = 32800,
               kViewToolBar = 59392, kViewStatusBar = 59393;
// The menu bar of a first start: "*" a check mark; every entry enabled and owner-drawn.
constexpr char kMenuBar[] = R"( &File: Save 57603, Refresh 32778, -, Statistics 32776, -, E&xit 57665
 &Options: Processing 32795, Colors 32796, -, Autoupdate 32798, Established Only 32799, Resolve Addresses 32800*, -, Black List 32797
 &View: &Toolbar 59392*, &Status Bar 59393*, -, IPv6 TCP 32801, IPv4 UDP 32802, IPv6 UDP 32803, -, Highlight Changes 32804
 &Help: &About Pelloran ... 57664
)";

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

class Frame : public ProgramTest {};

} // namespace

TEST_F(Frame, FirstStartShowsTheWindowItsMenusAndBarsAndTheToolbarDocksWhereItIsDragged) {
    StorePlacement(0, 0, 900, 600);
    table.Write(Row(kEstablished, "10.0.0.1", 80, "10.0.0.2", 5));
    // Global atoms outlive their programs: one left behind by an earlier program is not this one's.
    for (int i = 0; i < 1000 && GlobalFindAtomA("OldMenuProc"); ++i)
        GlobalDeleteAtom(GlobalFindAtomA("OldMenuProc"));
    Program app(table.Options());
    const HWND frame = app.Frame(), list = app.Bar(Program::kListId), bar = app.Bar(Program::kToolBarId),
               status = app.Bar(Program::kStatusBarId);
    RECT client{};
    GetClientRect(frame, &client);
    MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&client), 2);
    auto at = [](HWND window) { return Text(WindowRect(window)); };

    // Toolbar on top, status bar at the very bottom, the list between them, on Common Controls 6, which the manifest
    // binds from the side-by-side store (5 comes from the system folder).
    EXPECT_EQ(at(frame), "0,0-900,600");
    const RECT top = WindowRect(bar), bottom = WindowRect(status);
    EXPECT_EQ(at(list), Text({client.left, top.bottom, client.right, bottom.top}));
    EXPECT_TRUE(top.top == client.top && bottom.bottom == client.bottom) << Text(top) << " " << Text(bottom);
    std::string comctl32 = app.Module("comctl32.dll");
    CharLowerA(&comctl32[0]);
    EXPECT_NE(comctl32.find("\\winsxs\\"), std::string::npos) << comctl32;
    EXPECT_TRUE(WaitUntil([&] { return app.Status() == "Ready"; })) << app.Status();
    EXPECT_EQ(Describe(app.Menus()), kMenuBar);
    std::string ids; // "-" a separator, "x" a disabled button
    for (const auto& button : app.Tools().buttons)
        ids += (button.separator ? "-" : std::to_string(button.id) + (button.enabled ? "" : "x")) + " ";
    EXPECT_EQ(ids, "57603 32778 32776 - 32795 32796 32797 - 32798 32799 32800 - 57664 - - "); // the filter box

    // Narrower than the columns' default widths, the columns still take the list's width exactly.
    SetWindowPos(frame, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    app.Sync();
    const ListView fitted = app.List(); // one row: no scroll bar
    RECT inside{};
    GetClientRect(list, &inside);
    EXPECT_EQ(fitted.columns.size(), 7u);
    EXPECT_EQ(fitted.columns.back().rect.right, inside.right) << "the header's right end";
    SetWindowPos(frame, nullptr, 0, 0, 900, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    app.Sync();

    // A hidden bar leaves its place to the list, and takes it back.
    for (const UINT command : {kViewToolBar, kViewStatusBar}) {
        SCOPED_TRACE(command);
        const RECT before = WindowRect(list);
        app.Command(command);
        app.Sync();
        EXPECT_FALSE(IsWindowVisible(command == kViewToolBar ? bar : status) || app.MenuCommand(command).checked);
        EXPECT_EQ(at(list), Text({before.left, command == kViewToolBar ? client.top : before.top, before.right,
                                  command == kViewToolBar ? before.bottom : client.bottom}));
        app.Command(command);
        app.Sync();
        EXPECT_TRUE(IsWindowVisible(command == kViewToolBar ? bar : status) && app.MenuCommand(command).checked);
        EXPECT_EQ(at(list), Text(before));
    }

    // Menus: the system menu owner-drawn too, prompts of the highlighted entry, and a menu window subclassed by the
    // skin only while it shows. "menu windows": a line per window (visible, subclassed), then "ended" with the
    // windows ended since the first request, how many of them were still subclassed, and whether the atom is left.
    int subclassed = 0;
    std::vector<std::string> ended;
    auto menuWindows = [&] {
        subclassed = 0;
        for (const auto& row : app.Ask("menu windows"))
            row.at(0) == "window" ? void(subclassed += row.at(2) == "1") : void(ended = row);
        return subclassed;
    };
    menuWindows();
    Menu open; // keys sent while the window is still being activated can be lost: Alt+Space is given again
    for (int attempt = 0; attempt < 3 && open.empty(); ++attempt) {
        app.CloseMenus();
        Foreground(frame);
        PressKey(VK_SPACE, {VK_MENU});
        WaitUntil([&] { return !(open = app.Menus("open")).empty(); }, 3s);
    }
    EXPECT_FALSE(open.empty()) << "no system menu";
    for (const auto& item : open.empty() ? Menu{} : open.front().items)
        EXPECT_TRUE(item.ownerDrawn) << "system menu: " << item.text;
    app.CloseMenus();
    for (const auto& [popup, item, prompt] :
         {std::tuple{0, 1, "Refresh TCP Table"}, {2, 1, "Show or hide the status bar"}}) {
        app.HighlightMenuItem(popup, item);
        EXPECT_TRUE(WaitUntil([&] { return app.Status() == prompt; })) << app.Status();
        EXPECT_EQ(menuWindows(), 1) << prompt;
        app.CloseMenus();
        EXPECT_TRUE(WaitUntil([&] { return app.Status() == "Ready"; })) << app.Status();
    }
    EXPECT_TRUE(WaitUntil([&] { return menuWindows() == 0 && ended.size() == 4 && std::stoi(ended[1]) >= 3; }));
    EXPECT_EQ(ended, (std::vector<std::string>{"ended", ended.at(1), "0", "0"}));
    app.Ask("menu append"); // a command nobody handles is disabled when its menu opens
    const Menu appended = app.Menus();
    const MenuItem* unknown = FindMenuItem(appended, probe::kUnknownCommand);
    EXPECT_TRUE(unknown && !unknown->enabled && unknown->ownerDrawn);

    // The toolbar: the prompt and tip of the button under the mouse, and toggles shown on their buttons.
    auto button = [&](int id) {
        for (const auto& tool : app.Tools().buttons)
            if (tool.id == id)
                return ToScreen(bar, Center(tool.rect));
        Fail("no button " + std::to_string(id));
    };
    auto hover = [&](int id, const std::string& prompt, const std::string& tip) {
        Foreground(frame);
        MoveMouse(Center(WindowRect(list)));
        app.Sync();
        MoveMouse(button(id));
        EXPECT_TRUE(WaitUntil([&] { return app.Status() == prompt; })) << app.Status();
        EXPECT_TRUE(WaitUntil([&] { return app.Tip() == tip; })) << app.Tip();
    };
    auto checked = [&](int id) { return app.Tools().Button(id).checked; };
    hover(kProcessing, "Customize Processing", "Processing");
    EXPECT_TRUE(WaitUntil([&] { return checked(kResolve) && !checked(kAutoupdate); }));
    // A command sent from outside brings on the idle pass that shows its check on the button; that pass keeps the
    // hovered button's prompt, and comes with the mouse away too, when nothing else stirs.
    for (const bool on : {true, false}) {
        if (!on) {
            MoveMouse(Center(WindowRect(list)));
            EXPECT_TRUE(WaitUntil([&] { return app.Status() == "Ready"; })) << app.Status();
        }
        app.Command(kAutoupdate);
        EXPECT_EQ(app.MenuCommand(kAutoupdate).checked, on);
        EXPECT_TRUE(WaitUntil([&] { return checked(kAutoupdate) == on; })) << "the button follows at the idle pass";
        EXPECT_EQ(app.Status(), on ? "Customize Processing" : "Ready");
    }

    // Docking by real drags of the gripper. Bars that cannot be dragged keep the outer place: the status bar stays
    // at the very bottom whatever edge the toolbar takes, and the list takes what is left.
    auto floating = [&] { return GetAncestor(bar, GA_ROOT) != frame; };
    auto laidOut = [&](char side) {
        const RECT b = WindowRect(bar), s = WindowRect(status);
        const bool upright = b.bottom - b.top > b.right - b.left;
        if (Text(s) != Text(bottom))
            return false;
        if (side == 'L')
            return upright && Text(b) == Text({client.left, client.top, b.right, s.top}) &&
                   at(list) == Text({b.right, client.top, client.right, s.top});
        if (side == 'B')
            return Text(b) == Text({client.left, s.top - (top.bottom - top.top), client.right, s.top}) &&
                   at(list) == Text({client.left, client.top, client.right, b.top});
        return floating() && at(list) == Text({client.left, client.top, client.right, s.top});
    };
    // While dragging, the landing place shows as a top-most window of the program without a caption. The moves
    // reach the drag loop one by one: the outline is taken once it has the shape of the place aimed at.
    const POINT middle = Center(client);
    auto outline = [&](char side) -> std::optional<RECT> {
        for (const auto& w : app.Windows()) {
            const RECT& r = w.rect;
            if (w.visible && (w.exStyle & WS_EX_TOPMOST) && !(w.style & WS_CAPTION) && w.cls != "tooltips_class32" &&
                w.cls != "#32768")
                if (side == 'L' ? r.left == client.left && r.bottom - r.top > r.right - r.left
                                : side != 'B' || (r.right - r.left == client.right - client.left && r.top > middle.y))
                    return r;
        }
        return std::nullopt;
    };
    auto drag = [&](POINT to, WORD key, char side) {
        const RECT b = WindowRect(bar);
        const POINT from = b.right - b.left > b.bottom - b.top ? POINT{b.left + 4, (b.top + b.bottom) / 2}
                                                               : POINT{(b.left + b.right) / 2, b.top + 4};
        MoveMouse(from);
        PressMouse(from);
        for (int step = 1; step <= 4; ++step)
            MoveMouse({from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4});
        std::optional<RECT> shown;
        EXPECT_TRUE(WaitUntil([&] { return (shown = outline(key ? 'F' : side)).has_value(); })) << "no outline";
        if (key)
            PressKey(key);
        ReleaseMouse(to);
        EXPECT_TRUE(WaitUntil([&] { return !outline('F'); })) << "the outline stays after the drop";
        return Text(shown.value_or(RECT{}));
    };
    const struct {
        POINT to;
        WORD key;
        char side; // L, B: docked there, where the outline showed; F: floating
    } drags[] = {{{client.left + 6, middle.y}, 0, 'L'},
                 {{middle.x, client.bottom - 4}, 0, 'B'},
                 {{middle.x + 10, middle.y}, VK_ESCAPE, 'B'}, // cancelled: the bar stays where it was
                 {middle, 0, 'F'}};
    // Ctrl+F puts the focus in the filter box: a bar standing upright, which has no room for the box, docks on top
    // again; a hidden one is shown first.
    const HWND box = app.Control(bar, 1100).handle; // IDC_FILTER_BOX
    auto find = [&] {
        Foreground(frame);
        PressKey('F', {VK_CONTROL});
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return WaitUntil([&] {
            return GetGUIThreadInfo(GetWindowThreadProcessId(frame, nullptr), &info) && info.hwndFocus == box &&
                   IsWindowVisible(box);
        });
    };
    for (const auto& step : drags) {
        SCOPED_TRACE(step.side + std::to_string(step.key));
        const std::string before = at(bar), landing = drag(step.to, step.key, step.side);
        EXPECT_TRUE(WaitUntil([&] { return laidOut(step.side); })) << "toolbar " << at(bar);
        if (step.side != 'F') {
            EXPECT_EQ(at(bar), step.key ? before : landing);
        }
        if (step.side == 'L') {
            EXPECT_TRUE(find()) << "no focus in the box";
            EXPECT_EQ(at(bar), Text(top));
        }
    }
    // Floating: a small tool window of the frame, where prompts, tips, clicks and colour changes still arrive.
    ASSERT_TRUE(floating());
    const HWND tool = GetAncestor(bar, GA_ROOT);
    for (const auto& window : app.Windows())
        if (window.handle == tool) {
            EXPECT_TRUE((window.exStyle & WS_EX_TOOLWINDOW) && (window.style & WS_CAPTION) &&
                        window.text == "Toolbar" && window.parent == frame)
                << window.text;
        }
    EXPECT_TRUE(app.MenuCommand(kViewToolBar).checked);
    hover(kRefresh, "Refresh TCP Table", "Refresh TCP Table");
    ClickAt(button(kEstablishedOnly));
    EXPECT_TRUE(WaitUntil([&] { return checked(kEstablishedOnly); })) << "the command ran, its check came back";
    // Under Wine a program keeps the colours it started with, so the change sets the colour in use; the floating
    // bar still builds its pictures anew, into new image lists.
    const HANDLE pictures = app.Tools().imageLists.at(0);
    const int element = COLOR_BTNFACE;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    ASSERT_TRUE(SetSysColors(1, &element, &face));
    EXPECT_TRUE(WaitUntil([&] { return app.Tools().imageLists.at(0) != pictures; })) << "not rebuilt";
    // Its close box hides it as View > Toolbar does, which brings it back where it was; a double click on its
    // caption docks it back where it came from.
    auto caption = [&](bool closeBox) {
        const RECT w = WindowRect(tool);
        return POINT{closeBox ? w.right - GetSystemMetrics(SM_CXFIXEDFRAME) - GetSystemMetrics(SM_CXSMSIZE) / 2 - 1
                              : w.left + 12,
                     w.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYSMCAPTION) / 2};
    };
    const std::string floated = at(tool);
    ClickAt(caption(true));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(tool); }));
    EXPECT_FALSE(IsWindowVisible(bar) || app.MenuCommand(kViewToolBar).checked);
    EXPECT_EQ(at(list), Text({client.left, client.top, client.right, bottom.top}));
    app.Command(kViewToolBar);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(tool) && at(tool) == floated; })) << at(tool);
    EXPECT_TRUE(app.MenuCommand(kViewToolBar).checked);
    ClickAt(caption(false), MouseButton::Left, 2);
    EXPECT_TRUE(WaitUntil([&] { return laidOut('B') && !IsWindowVisible(tool); })) << at(bar);
    app.Command(kViewToolBar);
    EXPECT_TRUE(find() && laidOut('B')) << at(bar);

    app.HighlightMenuItem(0, 5); // File > Exit
    PressKey(VK_RETURN);
    EXPECT_EQ(app.WaitExit(), std::optional<DWORD>(0));
}
