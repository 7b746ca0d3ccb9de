// The table mode the Windows version chooses, one start per version: systems older than NT 5 (NT 4, the 9x family)
// read the table without owners through GetTcpTable alone, in five columns without double buffering, and their row
// menu has no kill commands; NT 5.0 and later read the owners' table in seven columns.
#include "Suite.h"

#include <commctrl.h>

using namespace e2e;

namespace {
class Modes : public ProgramTest {};
} // namespace

TEST_F(Modes, TheWindowsVersionChoosesTheTableMode) {
    const std::vector<std::string> seven = {"Process",        "PID",         "Local Address", "Local Port",
                                            "Remote Address", "Remote Port", "Status"};
    const std::vector<std::string> five(seven.begin() + 2, seven.end());
    table.Write(Row(kEstablished, "10.0.0.1", 80, "10.0.0.2", 5));
    for (const auto& [version, legacy] :
         {std::pair{"nt40", true}, {"win98", true}, {"win2k", false}, {"winxp", false}}) {
        SCOPED_TRACE(version);
        SetWindowsVersion(version);
        const size_t extended = table.Calls("GetExtendedTcpTable").size(), plain = table.Calls("GetTcpTable").size();
        Program app(table.Options());
        ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 1; }));
        const ListView list = app.List();
        EXPECT_EQ(list.Titles(), legacy ? five : seven);
        EXPECT_EQ(list.exStyle, DWORD(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | (legacy ? 0 : LVS_EX_DOUBLEBUFFER)));
        EXPECT_EQ(table.Calls("GetExtendedTcpTable").size() == extended, legacy) << "the legacy read never binds it";
        EXPECT_EQ(table.Calls("GetTcpTable").size() > plain, legacy);

        const Menu menu = app.RowMenu(0);
        EXPECT_EQ(menu.size(), legacy ? 5u : 8u) << Describe(menu);
        app.CloseMenus();
        if (legacy) { // without owners a kill stops after its question, and reads nothing
            const size_t calls = table.Calls().size();
            app.PostCommand(32772); // Kill Process
            app.AnswerBox("Are you sure you want to kill this process?", {"OK", "Cancel"}, "question", IDOK);
            app.Sync();
            EXPECT_EQ(table.Calls().size(), calls);
        }
        EXPECT_EQ(app.Close(), 0u);
    }
}
