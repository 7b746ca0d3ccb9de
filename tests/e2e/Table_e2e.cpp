// The scripted connection table (Resolve off), one program start.
#include "Suite.h"

using namespace e2e;

namespace {
constexpr UINT kRefresh = 32778;
class Table : public ProgramTest {};
} // namespace

TEST_F(Table, Smoke) {
    WriteDword(kSettingsKey, "Resolve", 0);
    table.Write(Row(kEstablished, "10.0.0.1", 80, "10.0.0.2", 5) + Row(kListen, "10.0.0.1", 9, "0.0.0.0", 0));
    Program app(table.Options());
    EXPECT_TRUE(WaitUntil([&] { return app.Cells().size() == 2; }));
    ListView list = app.List();
    EXPECT_EQ(list.Titles().size(), 7u);
    EXPECT_EQ(list.rows[0][6], "LISTENING");
    app.Command(kRefresh);
    app.Sync();
    EXPECT_FALSE(app.Menus().empty());
    EXPECT_EQ(app.Tools().buttons.empty(), false);
    EXPECT_EQ(app.Status(), "Ready");
    EXPECT_EQ(app.Close(), 0u);
}
