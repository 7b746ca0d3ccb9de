// End-to-end tests of the toolbar's help texts: the status bar shows the prompt of the button under the
// mouse (fly-by) and "Ready" again when the mouse leaves, and the button's tool-tip shows its tip text.
#include "E2e.h"
#include "FakeTable.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

class Toolbar : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ClearWindowsVersion();
        WriteDword(kSettingsKey, "WindowPosX", 0);
        WriteDword(kSettingsKey, "WindowPosY", 0);
        WriteDword(kSettingsKey, "WindowSizeX", 900);
        WriteDword(kSettingsKey, "WindowSizeY", 600);
    }

    // Screen point at the centre of the toolbar item with this index.
    static POINT ButtonCentre(const App& app, int index) {
        RemoteBuffer buffer(app.ProcessHandle(), sizeof(RECT));
        SendMessageA(app.ToolBarWindow(), TB_GETITEMRECT, index, buffer.Param());
        RECT rect = buffer.Get<RECT>();
        POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(app.ToolBarWindow(), &centre);
        return centre;
    }

    FakeTable table;
};

} // namespace

TEST_F(Toolbar, HoveringAButtonShowsItsPromptAndItsTip) {
    App app(table.Options());
    app.Foreground();
    RECT list{};
    GetWindowRect(app.ListWindow(), &list);
    const POINT overList{(list.left + list.right) / 2, (list.top + list.bottom) / 2};
    // Start from outside the toolbar: the pointer may still rest where an earlier test left it.
    MoveMouse(overList);
    app.Sync();
    MoveMouse(ButtonCentre(app, 1)); // Refresh
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Refresh TCP Table"; })) << app.StatusText();
    EXPECT_TRUE(WaitUntil([&] { return app.VisibleToolTip() == "Refresh TCP Table"; }, 5s)) << app.VisibleToolTip();

    MoveMouse(ButtonCentre(app, 4)); // Processing: prompt and tip differ
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Customize Processing"; })) << app.StatusText();
    EXPECT_TRUE(WaitUntil([&] { return app.VisibleToolTip() == "Processing"; }, 5s)) << app.VisibleToolTip();

    MoveMouse(overList);
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Ready"; })) << app.StatusText();
}

TEST_F(Toolbar, TogglesShowTheirStateOnTheirButtons) {
    App app(table.Options());
    auto button = [&](int id) {
        for (const ToolButton& b : app.Tools().Buttons()) {
            if (b.id == id)
                return b;
        }
        throw Error("no toolbar button " + std::to_string(id));
    };
    EXPECT_TRUE(WaitUntil([&] { return button(32800).checked; })) << "Resolve Addresses is on at a first start";
    EXPECT_FALSE(button(32798).checked);
    app.SendCommand(32798);
    EXPECT_TRUE(WaitUntil([&] { return button(32798).checked; })) << "updated when the program falls idle";
    app.SendCommand(32798);
    EXPECT_TRUE(WaitUntil([&] { return !button(32798).checked; }));
}
