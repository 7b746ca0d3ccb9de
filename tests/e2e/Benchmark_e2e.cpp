// Figures of the real program under Wine with a scripted table: start-up, refreshes, header-click sorts and the
// working set at 10,000 and 100,000 rows, and the CPU the program takes while idle with the automatic refresh on.
// "Shown" means what the user sees: the driver reads the expected colour of a row from the screen and the list has
// no paint pending (GetUpdateRect, which PendingPaintIsSeenFromOutside checks across processes). The tests print
// "bench|" lines and assert only that the work was done; tools/bench.sh runs them (CTest does not) and lines up
// the figures of two programs.
#include "Screen.h"
#include "Suite.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>

using namespace e2e;

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kRefresh = 32778;
constexpr int kLocalPortColumn = 3;
constexpr int kStateColumn = 6;
// Stored in the settings key, so the figures never depend on the default colours.
constexpr COLORREF kEstablished = RGB(220, 255, 220), kClosed = RGB(255, 200, 200), kListening = RGB(255, 255, 220),
                   kTimeWait = RGB(255, 220, 220);

void Figure(const std::string& what, const std::string& value) {
    std::printf("bench| %s| %s\n", what.c_str(), value.c_str());
    std::fflush(stdout);
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The table (the program reads it sorted by local address and port): a first row whose state the refreshes change,
// the generated bulk (10.0.0.1 and up, ports 1024..61023), and two rows a sort by local port brings to the top:
// port 65535 (LISTENING) descending, port 1 ascending.
std::string Table(int rows, const char* first, const char* bulk, const char* portOne) {
    return Row(first, "9.0.0.1", 5000, "192.0.2.7", 443) + "generate " + std::to_string(rows - 3) + " " + bulk +
           " 0\n" + Row("LISTENING", "10.0.9.2", 65535, "0.0.0.0", 0) + Row(portOne, "10.0.9.3", 1, "192.0.2.8", 443);
}

bool PaintPending(HWND window) { return GetUpdateRect(window, nullptr, FALSE) != FALSE; }

// The row count, or -1 while the program is too busy to answer.
int RowCountNow(HWND list) {
    DWORD_PTR count = 0;
    return SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 500, &count) ? static_cast<int>(count) : -1;
}

// The text of one of the program's Unix process files, read through Wine's Z: drive.
std::string ProcFile(const std::string& pid, const char* name) {
    return ReadTextFile("Z:\\proc\\" + pid + "\\" + name);
}

// The Unix process of the started program. Wine shows a program's Windows path as its command line, and each App
// runs its own copy from a fresh staging folder, so within one Wine prefix exactly one process may match; other
// benches on the machine run their own prefixes (named in the environment the program inherits from the driver).
std::string UnixProcessOf(const App& app) {
    const std::string prefix = std::string("WINEPREFIX=") + GetEnv("WINEPREFIX").value_or("?") + '\0';
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE)
        FailWithLastError("cannot list Z:\\proc");
    do {
        const std::string name = entry.cFileName;
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string commandLine = ProcFile(name, "cmdline");
        const std::string program = commandLine.substr(0, commandLine.find('\0'));
        if (_stricmp(program.c_str(), app.ProgramPath().c_str()) == 0 &&
            ('\0' + ProcFile(name, "environ")).find('\0' + prefix) != std::string::npos)
            found.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    if (found.size() != 1)
        Fail(std::to_string(found.size()) + " Unix processes run " + app.ProgramPath());
    return found[0];
}

// utime + stime of a Unix process in clock ticks (USER_HZ, 100 a second on Linux).
long long CpuTicks(const std::string& pid) {
    const std::string stat = ProcFile(pid, "stat");
    const size_t end = stat.rfind(')'); // the command name in brackets may hold spaces
    if (end == std::string::npos)
        Fail("unreadable /proc/" + pid + "/stat");
    std::istringstream fields(stat.substr(end + 1));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) { // fields 14 and 15 of proc(5)
        if (i == 14)
            utime = std::stoll(field);
        if (i == 15)
            stime = std::stoll(field);
    }
    return utime + stime;
}

class Benchmark : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        WriteDword(kSettingsKey, "Resolve", 0);
        WriteDword(kSettingsKey, "EstablishedColor", kEstablished);
        WriteDword(kSettingsKey, "ClosedColor", kClosed);
        WriteDword(kSettingsKey, "ListeningColor", kListening);
        WriteDword(kSettingsKey, "TimeWaitColor", kTimeWait);
        StorePlacement(0, 0, 1000, 700);
    }

    // A pixel of the row's background right of its last cell, as a point of the list (rows keep their place while
    // the list is scrolled to the top).
    static POINT RowPoint(const App& app, int row) {
        return {Width(ClientRect(app.ListWindow())) - 8, Center(app.List().ItemRect(row)).y};
    }

    // Waits until the row at `point` shows `colour` with no paint pending in the list; gives the time since
    // `start`. Once a wait has timed out the program is still busy, and later waits of the same program give
    // nothing at once.
    std::optional<double> Shown(HWND list, POINT point, COLORREF colour, Clock::time_point start) {
        COLORREF seen = CLR_INVALID;
        finished =
            finished &&
            WaitUntil([&] { return (seen = WindowPixel(list, point)) == colour && !PaintPending(list); }, timeout, 5ms);
        if (!finished && why.empty())
            why = TimedOut() + " (the row shows " + DescribeColor(seen) +
                  (PaintPending(list) ? ", a paint is pending)" : ")");
        return finished ? std::optional<double>(MsSince(start)) : std::nullopt;
    }

    std::string TimedOut() const { return "did not finish within " + std::to_string(timeout.count() / 1000) + " s"; }

    // Prints the figure and tells whether it was taken.
    bool Report(const std::string& what, std::optional<double> ms, const std::string& note = {}) {
        Figure(what, ms ? Format("%.0f ms", *ms) + note : why.empty() ? "not measured" : why);
        why = finished ? "" : "not measured (an earlier step did not finish)";
        return ms.has_value();
    }

    void WorkingSet(const App& app, int rows) {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        ASSERT_TRUE(GetProcessMemoryInfo(app.ProcessHandle(), &counters, sizeof counters));
        Figure("working set at " + std::to_string(rows) + " rows (GetProcessMemoryInfo)",
               Format("%.1f MB", counters.WorkingSetSize / 1048576.0) +
                   (finished ? "" : " (taken while a step had not finished)"));
    }

    // Every list figure at one table size, in one run of the program.
    void ListFigures(int rows, int refreshRounds, bool everyRow) {
        const std::string at = " (" + std::to_string(rows) + " rows)";
        auto refresh = [&](const std::string& script, POINT point, COLORREF colour) -> std::optional<double> {
            if (!finished)
                return std::nullopt;
            table.Write(script);
            const auto start = Clock::now();
            app->PostCommand(kRefresh);
            return Shown(app->ListWindow(), point, colour, start);
        };
        auto click = [&](POINT point, COLORREF colour) -> std::optional<double> {
            if (!finished)
                return std::nullopt;
            const POINT centre = Center(app->Header().ItemRect(kLocalPortColumn));
            Pause(std::chrono::milliseconds(GetDoubleClickTime() + 100)); // two quick clicks make a double click
            const auto start = Clock::now();
            app->Click(app->Header().Handle(), centre);
            return Shown(app->ListWindow(), point, colour, start);
        };

        table.Write(Table(rows, "ESTABLISHED", "ESTABLISHED", "TIME_WAIT"));
        const auto start = Clock::now();
        app = std::make_unique<App>(table.Options());
        const HWND list = app->ListWindow();
        finished = WaitUntil([&] { return RowCountNow(list) == rows; }, timeout, 5ms);
        if (!finished) {
            const int listed = RowCountNow(list);
            why = TimedOut() +
                  (listed < 0 ? " (the list does not answer)" : " (" + std::to_string(listed) + " rows listed)");
        }
        const POINT first = finished ? RowPoint(*app, 0) : POINT{}, second = finished ? RowPoint(*app, 1) : POINT{};
        Report("start-up to all rows shown" + at, Shown(list, first, kEstablished, start));

        // The states the table holds now: the first row's, the bulk's and the port-1 row's.
        const char* firstState = "ESTABLISHED";
        const char* bulk = "ESTABLISHED";
        std::vector<double> times;
        for (int round = 0; round < refreshRounds && finished; ++round) {
            const bool closed = round % 2 == 0;
            firstState = closed ? "CLOSED" : "ESTABLISHED";
            if (auto ms = refresh(Table(rows, firstState, bulk, "TIME_WAIT"), first, closed ? kClosed : kEstablished))
                times.push_back(*ms);
        }
        std::sort(times.begin(), times.end());
        Report("refresh, first row changed, to shown" + at,
               finished && !times.empty() ? std::optional<double>(times[times.size() / 2]) : std::nullopt,
               times.size() > 1 ? " (median of " + std::to_string(times.size()) + ")" : "");

        if (everyRow) {
            bulk = "TIME_WAIT";
            if (Report("refresh, every row changed, to shown" + at,
                       refresh(Table(rows, "TIME_WAIT", bulk, "TIME_WAIT"), second, kTimeWait))) {
                EXPECT_EQ(app->List().CellText(rows - 3, kStateColumn), "TIME_WAIT");
            }
            firstState = "TIME_WAIT";
        }
        if (Report("header click to sorted order shown, descending" + at, click(first, kListening))) {
            EXPECT_EQ(app->List().CellText(0, kLocalPortColumn), "65535");
        }
        if (Report("header click to sorted order shown, ascending" + at, click(first, kTimeWait))) {
            EXPECT_EQ(app->List().CellText(0, kLocalPortColumn), "1");
        }
        if (Report("refresh of the sorted list, one row changed, to shown" + at,
                   refresh(Table(rows, firstState, bulk, "ESTABLISHED"), first, kEstablished))) {
            EXPECT_EQ(app->List().CellText(0, kLocalPortColumn), "1");
        }
        WorkingSet(*app, rows);
    }

    std::unique_ptr<App> app;
    bool finished = true;
    std::string why; // what the next figure says when it was not taken
    Milliseconds timeout = 120s;
};

} // namespace

// The "no paint pending" half of every figure: the list's update region as another process sees it.
TEST_F(Benchmark, PendingPaintIsSeenFromOutside) {
    table.Write(Table(100, "ESTABLISHED", "ESTABLISHED", "TIME_WAIT"));
    App app(table.Options());
    const HWND list = app.ListWindow();
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 100 && !PaintPending(list); }));
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, app.GuiThreadId());
    ASSERT_NE(thread, nullptr);
    ASSERT_NE(SuspendThread(thread), static_cast<DWORD>(-1));
    InvalidateRect(list, nullptr, FALSE);
    const bool seen = PaintPending(list);
    ResumeThread(thread);
    CloseHandle(thread);
    EXPECT_TRUE(seen) << "a paint the program cannot have done yet is not seen";
    EXPECT_TRUE(WaitUntil([&] { return !PaintPending(list); })) << "the program's paint is not seen";
}

TEST_F(Benchmark, TenThousandRows) { ListFigures(10000, 3, true); }

// A list that rewrites every cell may take minutes here: every step gets five, and the refresh that changes every
// row is left out.
TEST_F(Benchmark, HundredThousandRows) {
    timeout = 300s;
    ListFigures(100000, 1, false);
}

// The automatic refresh every second over an unchanged table: the program's own CPU time, read from its Unix
// process (Wine's wineserver and the X server work for it too, and are not counted). Twice: with the generated
// table, whose 250 remote addresses have no name here, so the resolver looks them up again after every refresh
// (a failed lookup is retried for as long as the address is seen), and with addresses the bench's hosts file
// names, which leaves the list's own cost.
TEST_F(Benchmark, IdleCostOfTheAutomaticRefresh) {
    constexpr int kRows = 1000;
    constexpr auto kSpan = 30s;
    WriteDword(kSettingsKey, "UpdateInterval", 1);
    WriteDword(kSettingsKey, "Autoupdate", 1);
    std::string named;
    for (int i = 0; i < kRows; ++i)
        named += Row("ESTABLISHED", "127.0.0.1", 1024 + i, "192.0.2.10", 443);
    const struct {
        std::string script, what;
    } tables[] = {{"generate " + std::to_string(kRows) + " ESTABLISHED 0\n", "unnamed remote addresses"},
                  {named, "every address named"}};
    for (const auto& t : tables) {
        table.Write(t.script);
        App app(table.Options());
        ASSERT_TRUE(WaitUntil([&] { return RowCountNow(app.ListWindow()) == kRows; }, 60s));
        Pause(5s);
        const std::string pid = UnixProcessOf(app);
        const size_t reads = table.SuccessfulReads().size();
        const long long ticks = CpuTicks(pid);
        const auto start = Clock::now();
        Pause(kSpan);
        const double cpu = (CpuTicks(pid) - ticks) * 10.0 / MsSince(start) * 100.0;
        const size_t refreshes = table.SuccessfulReads().size() - reads;
        EXPECT_GT(refreshes, 0u) << "the automatic refresh did not run";
        Figure("idle CPU, refresh every 1 s, " + std::to_string(kRows) + " unchanged rows, " + t.what +
                   ", 30 s (/proc of the program)",
               Format("%.2f %% of one core", cpu) + " (" + std::to_string(refreshes) + " refreshes)");
    }
}
