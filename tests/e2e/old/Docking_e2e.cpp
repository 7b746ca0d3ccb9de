// End-to-end tests of toolbar docking with real mouse input: dragged by its gripper to the left edge it
// stands upright beside the list, to the bottom it sits above the status bar, to the middle it floats in a
// tool window where its buttons, prompts and tips still work; a double click on that window's caption
// docks it back, its close box hides it and View > Toolbar brings it back where it was. While dragging, an
// outline shows where the bar will land.
#include "Suite.h"

using namespace e2e;

namespace {

constexpr UINT kViewToolbar = 59392;
constexpr int kEstablishedOnly = 32798;

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

class Docking : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        StorePlacement(0, 0, 900, 600);
        app = std::make_unique<App>(table.Options());
        app->Foreground();
    }

    RECT Client() const { return ClientRectOnScreen(app->MainWindow()); }
    RECT Bar() const { return WindowRect(app->ToolBarWindow()); }
    RECT List() const { return WindowRect(app->ListWindow()); }
    RECT Status() const { return WindowRect(app->StatusBarWindow()); }
    HWND FloatingWindow() const {
        HWND top = GetAncestor(app->ToolBarWindow(), GA_ROOT);
        return top == app->MainWindow() ? nullptr : top;
    }
    bool ViewToolbarChecked() { return app->MenuCommand(kViewToolbar).checked; }

    // The gripper: the band at the left end of a lying bar, at the top end of an upright one.
    POINT Gripper() const {
        RECT bar = Bar();
        if (Width(bar) > Height(bar))
            return {bar.left + 4, (bar.top + bar.bottom) / 2};
        return {(bar.left + bar.right) / 2, bar.top + 4};
    }

    // The outline shown while dragging: the program's top-most window without a caption (tips excepted).
    HWND Outline() const {
        for (HWND window : TopLevelWindows(app->ProcessId(), true)) {
            if ((ExStyle(window) & WS_EX_TOPMOST) && !(Style(window) & WS_CAPTION) &&
                ClassName(window) != "tooltips_class32")
                return window;
        }
        return nullptr;
    }

    // Presses the left button at `from`, moves to `to` in steps as a hand does, runs `held` while the
    // button is still down, and releases it there.
    void Drag(POINT from, POINT to, const std::function<void()>& held = {}) {
        MoveMouse(from);
        PressMouse(from);
        for (int step = 1; step <= 4; ++step)
            MoveMouse({from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4});
        if (held)
            held();
        ReleaseMouse(to);
        app->Sync();
    }

    void DragToLeftEdge() {
        RECT client = Client();
        Drag(Gripper(), {client.left + 6, (client.top + client.bottom) / 2});
        ASSERT_TRUE(WaitUntil([&] { return Height(Bar()) > Width(Bar()) && Bar().left == client.left; }))
            << "toolbar at " << Describe(Bar());
    }

    void DragToMiddle() {
        RECT client = Client();
        Drag(Gripper(), {(client.left + client.right) / 2, (client.top + client.bottom) / 2});
        ASSERT_TRUE(WaitUntil([&] { return FloatingWindow() != nullptr && IsVisible(FloatingWindow()); }))
            << "no floating window; toolbar at " << Describe(Bar());
    }

    // The list takes what the bars leave: the whole client width, from the top to the status bar.
    void ExpectListFillsTheClientArea() {
        RECT client = Client();
        EXPECT_TRUE(WaitUntil([&] {
            RECT list = List();
            return list.left == client.left && list.right == client.right && list.top == client.top &&
                   list.bottom == Status().top;
        })) << "list at "
            << Describe(List()) << ", client " << Describe(client);
    }

    std::unique_ptr<App> app;
};

} // namespace

TEST_F(Docking, DraggedToTheLeftEdgeItStandsUprightBesideTheListWhereTheOutlineShowed) {
    const RECT client = Client();
    RECT outline{};
    Drag(Gripper(), {client.left + 6, (client.top + client.bottom) / 2}, [&] {
        ASSERT_TRUE(WaitUntil([&] { return Outline() != nullptr; })) << "no outline while dragging";
        outline = WindowRect(Outline());
    });
    EXPECT_TRUE(WaitUntil([&] { return Outline() == nullptr; })) << "the outline stays after the drop";

    ASSERT_TRUE(WaitUntil([&] { return SameRect(Bar(), outline); }))
        << "toolbar at " << Describe(Bar()) << ", outline showed " << Describe(outline);
    const RECT bar = Bar();
    EXPECT_EQ(bar.left, client.left);
    EXPECT_EQ(bar.top, client.top);
    EXPECT_EQ(bar.bottom, Status().top) << "the status bar keeps the bottom edge";
    EXPECT_GT(Height(bar), Width(bar));
    // One button per row.
    ToolBar tools = app->Tools();
    const RECT first = tools.ButtonRect(0);
    const RECT second = tools.ButtonRect(1);
    EXPECT_EQ(first.left, second.left);
    EXPECT_GE(second.top, first.bottom);
    EXPECT_LE(Width(first), Width(bar));
    const RECT list = List();
    EXPECT_EQ(list.left, bar.right) << "the list starts right of the toolbar";
    EXPECT_EQ(list.right, client.right);
    EXPECT_EQ(list.top, client.top);
    EXPECT_EQ(list.bottom, Status().top);
    std::cout << "left-docked toolbar: " << app->Screenshot("toolbar-docked-left") << "\n";

    // View > Toolbar off and on again, upright at the left all along.
    EXPECT_TRUE(ViewToolbarChecked());
    app->SendCommand(kViewToolbar);
    EXPECT_FALSE(IsVisible(app->ToolBarWindow()));
    EXPECT_FALSE(ViewToolbarChecked());
    ExpectListFillsTheClientArea();
    app->SendCommand(kViewToolbar);
    EXPECT_TRUE(ViewToolbarChecked());
    EXPECT_TRUE(WaitUntil([&] { return SameRect(Bar(), bar) && List().left == bar.right; }))
        << "toolbar at " << Describe(Bar()) << ", list at " << Describe(List());
}

TEST_F(Docking, DraggedToTheBottomItLiesAboveTheStatusBarAndEscapeCancelsADrag) {
    const RECT client = Client();
    const RECT top = Bar();
    Drag(Gripper(), {(client.left + client.right) / 2, client.bottom - 4});
    ASSERT_TRUE(WaitUntil([&] { return Bar().bottom == Status().top; })) << "toolbar at " << Describe(Bar());
    RECT bar = Bar();
    EXPECT_EQ(bar.left, client.left);
    EXPECT_EQ(bar.right, client.right);
    EXPECT_EQ(Height(bar), Height(top)) << "lying at the bottom as at the top";
    EXPECT_EQ(List().top, client.top);
    EXPECT_EQ(List().bottom, bar.top);

    // Escape while dragging leaves the bar where it was, and no outline behind.
    MoveMouse(Gripper());
    PressMouse(Gripper());
    MoveMouse({(client.left + client.right) / 2, (client.top + client.bottom) / 2});
    MoveMouse({(client.left + client.right) / 2 + 10, (client.top + client.bottom) / 2});
    EXPECT_TRUE(WaitUntil([&] { return Outline() != nullptr; }));
    PressKey(VK_ESCAPE);
    ReleaseMouse({(client.left + client.right) / 2 + 10, (client.top + client.bottom) / 2});
    app->Sync();
    EXPECT_TRUE(WaitUntil([&] { return Outline() == nullptr; }));
    EXPECT_TRUE(SameRect(Bar(), bar)) << "toolbar at " << Describe(Bar());
    EXPECT_EQ(FloatingWindow(), nullptr);

    // And back to the top: the layout is the one the program started with.
    Drag(Gripper(), {(client.left + client.right) / 2, client.top + 4});
    EXPECT_TRUE(WaitUntil([&] { return SameRect(Bar(), top); })) << "toolbar at " << Describe(Bar());
    EXPECT_EQ(List().top, top.bottom);
}

TEST_F(Docking, DraggedToTheMiddleItFloatsAndWorksThereAndADoubleClickOnItsCaptionDocksItBack) {
    DragToLeftEdge();
    const RECT left = Bar();
    DragToMiddle();
    const HWND floating = FloatingWindow();
    EXPECT_TRUE(ExStyle(floating) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(Style(floating) & WS_CAPTION);
    EXPECT_EQ(WindowText(floating), "Toolbar");
    EXPECT_EQ(GetWindow(floating, GW_OWNER), app->MainWindow());
    EXPECT_GT(Width(Bar()), Height(Bar())) << "one row while floating";
    ExpectListFillsTheClientArea();
    EXPECT_TRUE(ViewToolbarChecked());

    // Prompts and tips of the hovered button, and the button's command, all through the floating window.
    RECT list = List();
    MoveMouse({list.left + 20, list.bottom - 20});
    app->Sync();
    auto centre = [&](int index) {
        RECT button = app->Tools().ButtonRect(index);
        return ClientToScreenPoint(app->ToolBarWindow(), Center(button));
    };
    MoveMouse(centre(1)); // Refresh
    EXPECT_TRUE(WaitUntil([&] { return app->StatusText() == "Refresh TCP Table"; })) << app->StatusText();
    EXPECT_TRUE(WaitUntil([&] { return app->VisibleToolTip() == "Refresh TCP Table"; }, 5s)) << app->VisibleToolTip();
    std::cout << "floating toolbar: " << app->Screenshot("toolbar-floating") << "\n";
    int establishedOnly = -1;
    std::vector<ToolButton> buttons = app->Tools().Buttons();
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].id == kEstablishedOnly)
            establishedOnly = static_cast<int>(i);
    }
    ASSERT_GE(establishedOnly, 0);
    EXPECT_FALSE(app->Tools().ButtonById(kEstablishedOnly).checked);
    ClickAt(centre(establishedOnly));
    EXPECT_TRUE(WaitUntil([&] { return app->Tools().ButtonById(kEstablishedOnly).checked; }))
        << "the click ran the command and the idle update reached the floating bar";

    // A colour change reaches the floating bar as well: it builds its pictures anew, into new image lists.
    // (Under Wine a program keeps the colours it started with, so the change sets the colour in use.)
    const LRESULT pictures = Send(app->ToolBarWindow(), TB_GETIMAGELIST);
    const int element = COLOR_BTNFACE;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    ASSERT_TRUE(SetSysColors(1, &element, &face));
    EXPECT_TRUE(WaitUntil([&] { return Send(app->ToolBarWindow(), TB_GETIMAGELIST) != pictures; }))
        << "the floating bar was not rebuilt";

    // A double click on the caption: upright at the left edge again, where it was docked last.
    const RECT window = WindowRect(floating);
    ClickAt({window.left + 12, window.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYSMCAPTION) / 2},
            MouseButton::Left, 2);
    EXPECT_TRUE(WaitUntil([&] { return FloatingWindow() == nullptr; })) << "still floating";
    EXPECT_TRUE(WaitUntil([&] { return !IsVisible(floating); }));
    EXPECT_TRUE(WaitUntil([&] { return SameRect(Bar(), left); })) << "toolbar at " << Describe(Bar());
    EXPECT_EQ(List().left, left.right);
}

TEST_F(Docking, ClosingTheFloatingWindowHidesTheToolbarAndViewToolbarBringsItBackWhereItWas) {
    DragToMiddle();
    const HWND floating = FloatingWindow();
    const RECT window = WindowRect(floating);
    // The close box at the right end of the small caption.
    const int frame = GetSystemMetrics(SM_CXFIXEDFRAME);
    ClickAt({window.right - frame - GetSystemMetrics(SM_CXSMSIZE) / 2 - 1,
             window.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYSMCAPTION) / 2});
    ASSERT_TRUE(WaitUntil([&] { return !IsVisible(floating); })) << "the close box left the window open";
    EXPECT_FALSE(IsVisible(app->ToolBarWindow()));
    EXPECT_FALSE(ViewToolbarChecked());
    ExpectListFillsTheClientArea();

    app->SendCommand(kViewToolbar);
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(floating); }));
    EXPECT_TRUE(SameRect(WindowRect(floating), window)) << "came back at " << Describe(WindowRect(floating));
    EXPECT_TRUE(ViewToolbarChecked());
    ExpectListFillsTheClientArea();
}
