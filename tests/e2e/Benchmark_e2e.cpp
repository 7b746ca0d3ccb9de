// Timings of the real program under Wine with a scripted table of 10,000 connections: a refresh from
// the command to the last row shown, and a sort by a header click. They print figures and assert
// only that the work was done; tools/bench.sh runs them (CTest does not).
#include "Suite.h"

#include <chrono>
#include <cstdio>

using namespace e2e;

namespace {

constexpr UINT kRefresh = 32778;
constexpr int kRows = 10000;

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

class Benchmark : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        WriteDword(kSettingsKey, "Resolve", 0);
    }
};

} // namespace

TEST_F(Benchmark, RefreshOfTenThousandRows) {
    table.Write("generate " + std::to_string(kRows) + " ESTABLISHED 0\n");
    auto start = std::chrono::steady_clock::now();
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == kRows; }, 120s, 10ms));
    double startUp = Since(start);

    for (int round = 0; round < 3; ++round) {
        const char* state = round % 2 == 0 ? "TIME_WAIT" : "ESTABLISHED";
        table.Write("generate " + std::to_string(kRows) + " " + state + " 0\n");
        start = std::chrono::steady_clock::now();
        app.SendCommand(kRefresh, 120s);
        double handler = Since(start);
        ASSERT_TRUE(WaitUntil([&] { return app.List().CellText(kRows - 1, 6) == state; }, 120s, 5ms));
        double shown = Since(start);
        printf("refresh of %d rows: command handled in %.0f ms, last row shown after %.0f ms\n", kRows, handler, shown);
    }
    printf("start-up to %d rows shown: %.0f ms\n", kRows, startUp);
}

TEST_F(Benchmark, SortOfTenThousandRowsInTheControl) {
    table.Write("generate " + std::to_string(kRows) + " ESTABLISHED 0\n");
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == kRows; }, 120s, 10ms));
    for (int column : {3, 4}) {
        const POINT centre = Center(app.Header().ItemRect(column));
        Pause(std::chrono::milliseconds(GetDoubleClickTime() + 100));
        auto start = std::chrono::steady_clock::now();
        app.Click(app.Header().Handle(), centre);
        app.Sync(120s);
        printf("sort of %d rows by column %d in the list control: %.0f ms\n", kRows, column, Since(start));
    }
    for (const char* state : {"TIME_WAIT", "ESTABLISHED"}) {
        table.Write("generate " + std::to_string(kRows) + " " + state + " 0\n");
        auto start = std::chrono::steady_clock::now();
        app.SendCommand(kRefresh, 120s);
        printf("refresh of %d rows with the sort applied again: %.0f ms\n", kRows, Since(start));
        EXPECT_EQ(app.List().CellText(0, 6), state);
    }
    EXPECT_EQ(app.List().RowCount(), kRows);
}
