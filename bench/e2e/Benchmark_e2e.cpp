// Figures of the real program under Wine with a scripted table: start-up, refreshes, header-click sorts and the
// working set at 10,000 and 100,000 rows and at 10,000 rows in each of the four tables, the CPU the program takes while
// idle with the automatic refresh on (and the reverse lookups it makes meanwhile), and the same with a black list
// enabled. "Shown" means what the user sees: the driver reads the expected colour of a row from the screen and the list
// has no paint pending (GetUpdateRect, which PendingPaintIsSeenFromOutside checks across processes). The tests print
// "bench|" lines and assert only that the work was done; tools/bench.sh runs them (CTest does not) and lines up
// the figures of two programs.
#include "Suite.h"

#include <commctrl.h>
#include <psapi.h>
#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

using namespace e2e;

namespace {

using Clock = std::chrono::steady_clock;

// The harness polls every 20 ms; the figures need a finer grain.
bool WaitFinely(const std::function<bool()>& done, Milliseconds timeout) {
    for (const auto end = Clock::now() + timeout; Clock::now() < end; Pause(5ms))
        if (done())
            return true;
    return done();
}

constexpr UINT kRefresh = 32778;
// Without the Protocol column; with it (the other tables shown) both are one further right.
constexpr int kLocalPortColumn = 3;
constexpr int kStateColumn = 6;
// Stored in the settings key, so the figures never depend on the default colours.
constexpr COLORREF kEstablishedColour = RGB(220, 255, 220), kClosedColour = RGB(255, 200, 200),
                   kListeningColour = RGB(255, 255, 220), kTimeWaitColour = RGB(255, 220, 220);

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
std::string Table(int rows, int first, int bulk, int portOne) {
    return Row(first, "9.0.0.1", 5000, "192.0.2.7", 443) + "generate " + std::to_string(rows - 3) + " " +
           std::to_string(bulk) + "\n" + Row(kListen, "10.0.9.2", 65535, "0.0.0.0", 0) +
           Row(portOne, "10.0.9.3", 1, "192.0.2.8", 443);
}

bool PaintPending(HWND window) { return GetUpdateRect(window, nullptr, FALSE) != FALSE; }

// The row count, or -1 while the program is too busy to answer.
int RowCountNow(HWND list) {
    DWORD_PTR count = 0;
    return SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 500, &count) ? static_cast<int>(count) : -1;
}

// The text of one of the program's Unix process files, read through Wine's Z: drive.
std::string ProcFile(const std::string& pid, const char* name) { return ReadFile("Z:\\proc\\" + pid + "\\" + name); }

// The Unix process of the started program. Wine shows a program's Windows path as its command line, and each App
// runs its own copy from a fresh staging folder, so within one Wine prefix exactly one process may match; other
// benches on the machine run their own prefixes (named in the environment the program inherits from the driver).
std::string UnixProcessOf(const Program& app) {
    const std::string prefix =
        std::string("WINEPREFIX=") + (std::getenv("WINEPREFIX") ? std::getenv("WINEPREFIX") : "?") + '\0';
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
        if (_stricmp(program.c_str(), app.Path().c_str()) == 0 &&
            ('\0' + ProcFile(name, "environ")).find('\0' + prefix) != std::string::npos)
            found.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    if (found.size() != 1)
        Fail(std::to_string(found.size()) + " Unix processes run " + app.Path());
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

// A name server on 127.0.0.1:53, where the bench's resolv.conf points, that answers every query "no such name"
// at once and counts the queries: the reverse lookups the program makes that the hosts file does not answer.
class CountingNameServer {
public:
    CountingNameServer() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(53);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            Fail("cannot listen on 127.0.0.1:53 (the bench runs as root)");
        DWORD wait = 200;
        setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
        server = std::thread([this] { Serve(); });
    }
    ~CountingNameServer() {
        stop = true;
        server.join();
        closesocket(socket);
        WSACleanup();
    }
    size_t Queries() const { return queries; }

private:
    void Serve() {
        char packet[1500];
        while (!stop) {
            sockaddr_in from{};
            int fromBytes = sizeof from;
            const int size = recvfrom(socket, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from), &fromBytes);
            if (size < 12)
                continue;
            ++queries;
            // The answer is the header and the question: a response (QR) with the query's opcode and RD, RA, and
            // "no such name"; no records.
            int end = 12;
            while (end < size && packet[end] != 0)
                end += 1 + static_cast<unsigned char>(packet[end]);
            end = std::min(end + 5, size);
            packet[2] = static_cast<char>(0x80 | (packet[2] & 0x79));
            packet[3] = static_cast<char>(0x83);
            std::fill(packet + 6, packet + 12, 0);
            sendto(socket, packet, end, 0, reinterpret_cast<sockaddr*>(&from), fromBytes);
        }
    }

    SOCKET socket = INVALID_SOCKET;
    std::atomic<bool> stop{false};
    std::atomic<size_t> queries{0};
    std::thread server;
};

// Table reads that returned rows. The result is the last field of a log line.
size_t Reads(const FakeTable& table) {
    size_t reads = 0;
    for (std::string call : table.Calls("GetExtendedTcpTable")) {
        call.erase(call.find_last_not_of("\r") + 1);
        reads += call.find(" buffer=1 ") != std::string::npos && call.size() > 9 &&
                 call.compare(call.size() - 9, 9, " result=0") == 0;
    }
    return reads;
}

class Benchmark : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        WriteDword(kSettingsKey, "Resolve", 0);
        WriteDword(kSettingsKey, "EstablishedColor", kEstablishedColour);
        WriteDword(kSettingsKey, "ClosedColor", kClosedColour);
        WriteDword(kSettingsKey, "ListeningColor", kListeningColour);
        WriteDword(kSettingsKey, "TimeWaitColor", kTimeWaitColour);
        StorePlacement(0, 0, 1000, 700);
    }

    // A pixel of the row's background right of its last cell, as a point of the list (rows keep their place while
    // the list is scrolled to the top).
    static POINT RowPoint(Program& app, int row) {
        const ListView list = app.List(nullptr, row, 1);
        return {list.client.cx - 8, Center(list.rects.at(0)).y};
    }

    // Waits until the row at `point` shows `colour` with no paint pending in the list; gives the time since
    // `start`. Once a wait has timed out the program is still busy, and later waits of the same program give
    // nothing at once.
    std::optional<double> Shown(HWND list, POINT point, COLORREF colour, Clock::time_point start) {
        COLORREF seen = CLR_INVALID;
        finished =
            finished &&
            WaitFinely([&] { return (seen = ScreenPixel(ToScreen(list, point))) == colour && !PaintPending(list); },
                       timeout);
        if (!finished && why.empty())
            why = TimedOut() + " (the row shows " + Hex(seen) + (PaintPending(list) ? ", a paint is pending)" : ")");
        return finished ? std::optional<double>(MsSince(start)) : std::nullopt;
    }

    std::string TimedOut() const { return "did not finish within " + std::to_string(timeout.count() / 1000) + " s"; }

    // Prints the figure and tells whether it was taken.
    bool Report(const std::string& what, std::optional<double> ms, const std::string& note = {}) {
        Figure(what, ms ? Format("%.0f ms", *ms) + note : why.empty() ? "not measured" : why);
        why = finished ? "" : "not measured (an earlier step did not finish)";
        return ms.has_value();
    }

    void WorkingSet(const Program& app, const std::string& when) {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, app.Id());
        ASSERT_TRUE(GetProcessMemoryInfo(process, &counters, sizeof counters));
        CloseHandle(process);
        Figure("working set " + when + " (GetProcessMemoryInfo)",
               Format("%.1f MB", counters.WorkingSetSize / 1048576.0) +
                   (finished ? "" : " (taken while a step had not finished)"));
    }

    // Every list figure at one table size, in one run of the program. `others` scripts the tables beside IPv4 TCP
    // (shown through the stored toggles) with `otherRows` rows in all; the IPv4 table keeps `rows`.
    void ListFigures(int rows, int rounds, bool everyRow, const std::string& others = {}, int otherRows = 0) {
        const std::string at = others.empty() ? " (" + std::to_string(rows) + " rows)"
                                              : " (" + std::to_string(rows + otherRows) + " rows in four tables)";
        const int shift = others.empty() ? 0 : 1;
        const int localPortColumn = kLocalPortColumn + shift, stateColumn = kStateColumn + shift;
        auto refresh = [&](const std::string& script, POINT point, COLORREF colour) -> std::optional<double> {
            if (!finished)
                return std::nullopt;
            table.Write(script + others);
            const auto start = Clock::now();
            app->PostCommand(kRefresh);
            return Shown(app->Bar(Program::kListId), point, colour, start);
        };
        auto click = [&](POINT point, COLORREF colour) -> std::optional<double> {
            if (!finished)
                return std::nullopt;
            const ListView shown = app->List(nullptr, 0, 1);
            const POINT centre = Center(shown.columns.at(localPortColumn).rect);
            Pause(std::chrono::milliseconds(GetDoubleClickTime() + 100)); // two quick clicks make a double click
            const auto start = Clock::now();
            app->Click(shown.header, centre);
            return Shown(app->Bar(Program::kListId), point, colour, start);
        };

        table.Write(Table(rows, kEstablished, kEstablished, kTimeWait) + others);
        const auto start = Clock::now();
        app = std::make_unique<Program>(table.Options());
        const HWND list = app->Bar(Program::kListId);
        finished = WaitFinely([&] { return RowCountNow(list) == rows + otherRows; }, timeout);
        if (!finished) {
            const int listed = RowCountNow(list);
            why = TimedOut() +
                  (listed < 0 ? " (the list does not answer)" : " (" + std::to_string(listed) + " rows listed)");
        }
        const POINT first = finished ? RowPoint(*app, 0) : POINT{}, second = finished ? RowPoint(*app, 1) : POINT{};
        Report("start-up to all rows shown" + at, Shown(list, first, kEstablishedColour, start));

        // The states the table holds now: the first row's, the bulk's and the port-1 row's.
        int firstState = kEstablished;
        int bulk = kEstablished;
        // Each figure is taken `rounds` times and reported as the median: the bench's machine loses time to its
        // host in bursts, and one sample can be twice the next.
        std::map<std::string, std::vector<double>> times;
        auto take = [&](const std::string& what, std::optional<double> ms) {
            std::vector<double>& samples = times[what];
            if (ms)
                samples.push_back(*ms);
            return ms.has_value();
        };
        auto report = [&](const std::string& what) {
            std::vector<double> samples = times[what];
            std::sort(samples.begin(), samples.end());
            Report(what + at,
                   finished && !samples.empty() ? std::optional<double>(samples[samples.size() / 2]) : std::nullopt,
                   samples.size() > 1 ? " (median of " + std::to_string(samples.size()) + ", fastest " +
                                            Format("%.0f ms", samples.front()) + ")"
                                      : "");
        };
        for (int round = 0; round < rounds && finished; ++round) {
            const bool closed = round % 2 == 0;
            firstState = closed ? kClosed : kEstablished;
            take("refresh, first row changed, to shown",
                 refresh(Table(rows, firstState, bulk, kTimeWait), first, closed ? kClosedColour : kEstablishedColour));
        }
        report("refresh, first row changed, to shown");

        if (everyRow) {
            // Every row's state flips; an odd number of rounds leaves them in TIME_WAIT.
            for (int round = 0; round < (rounds | 1) && finished; ++round) {
                bulk = round % 2 == 0 ? kTimeWait : kEstablished;
                take("refresh, every row changed, to shown",
                     refresh(Table(rows, kTimeWait, bulk, kTimeWait), second,
                             bulk == kTimeWait ? kTimeWaitColour : kEstablishedColour));
            }
            if (finished)
                EXPECT_EQ(app->List(nullptr, rows - 3, 1).rows.at(0).at(stateColumn), "TIME_WAIT");
            report("refresh, every row changed, to shown");
            firstState = kTimeWait;
        }
        for (int round = 0; round < rounds && finished; ++round) {
            if (take("header click to sorted order shown, descending", click(first, kListeningColour)))
                EXPECT_EQ(app->List(nullptr, 0, 1).rows.at(0).at(localPortColumn), "65535");
            if (take("header click to sorted order shown, ascending", click(first, kTimeWaitColour)))
                EXPECT_EQ(app->List(nullptr, 0, 1).rows.at(0).at(localPortColumn), "1");
            if (take("refresh of the sorted list, one row changed, to shown",
                     refresh(Table(rows, firstState, bulk, kEstablished), first, kEstablishedColour)))
                EXPECT_EQ(app->List(nullptr, 0, 1).rows.at(0).at(localPortColumn), "1");
            // The next one finds the same sort keys as the last and keeps their order.
            take("refresh of the sorted list again, one row changed, to shown",
                 refresh(Table(rows, firstState, bulk, kTimeWait), first, kTimeWaitColour));
        }
        for (const char* what :
             {"header click to sorted order shown, descending", "header click to sorted order shown, ascending",
              "refresh of the sorted list, one row changed, to shown",
              "refresh of the sorted list again, one row changed, to shown"})
            report(what);
        WorkingSet(*app, "at " + at.substr(2, at.size() - 3));
    }

    std::unique_ptr<Program> app;
    bool finished = true;
    std::string why; // what the next figure says when it was not taken
    Milliseconds timeout = 120s;
};

} // namespace

// The "no paint pending" half of every figure: the list's update region as another process sees it.
TEST_F(Benchmark, PendingPaintIsSeenFromOutside) {
    table.Write(Table(100, kEstablished, kEstablished, kTimeWait));
    Program app(table.Options());
    const HWND list = app.Bar(Program::kListId);
    ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 100 && !PaintPending(list); }));
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(app.Frame(), nullptr));
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

// 10,000 rows in each table: IPv4 TCP as above, IPv6 TCP established, and the two UDP tables, all shown.
TEST_F(Benchmark, TenThousandRowsInEachOfTheFourTables) {
    for (const char* name : {"ShowTcp6", "ShowUdp4", "ShowUdp6"})
        WriteDword(kSettingsKey, name, 1);
    ListFigures(10000, 3, true, "generate 10000 5 tcp6\ngenerate 10000 0 udp\ngenerate 10000 0 udp6\n", 30000);
}

// The automatic refresh every second over an unchanged table: the program's own CPU time, read from its Unix
// process (Wine's wineserver and the X server work for it too, and are not counted), and the reverse lookups it
// makes meanwhile. With the generated table, whose 250 remote addresses have no name here (Resolve off and on:
// the resolver runs either way), and with addresses the bench's hosts file names, which leaves the list's own cost.
TEST_F(Benchmark, IdleCostOfTheAutomaticRefresh) {
    constexpr int kRows = 1000;
    constexpr auto kSpan = 60s;
    WriteDword(kSettingsKey, "UpdateInterval", 1);
    WriteDword(kSettingsKey, "Autoupdate", 1);
    std::string named;
    for (int i = 0; i < kRows; ++i)
        named += Row(kEstablished, "127.0.0.1", 1024 + i, "192.0.2.10", 443);
    const std::string unnamed = "generate " + std::to_string(kRows) + " 5\n";
    const struct {
        std::string script, what;
        DWORD resolve;
    } tables[] = {{unnamed, "unnamed remote addresses, Resolve off", 0},
                  {unnamed, "unnamed remote addresses, Resolve on", 1},
                  {named, "every address named", 1}};
    CountingNameServer names;
    for (const auto& t : tables) {
        table.Write(t.script);
        WriteDword(kSettingsKey, "Resolve", t.resolve);
        Program app(table.Options());
        ASSERT_TRUE(WaitUntil([&] { return RowCountNow(app.Bar(Program::kListId)) == kRows; }, 60s));
        Pause(5s);
        const std::string pid = UnixProcessOf(app);
        const size_t reads = Reads(table);
        const size_t queries = names.Queries();
        const long long ticks = CpuTicks(pid);
        const auto start = Clock::now();
        Pause(kSpan);
        const double ms = MsSince(start);
        const double cpu = (CpuTicks(pid) - ticks) * 10.0 / ms * 100.0;
        const size_t refreshes = Reads(table) - reads;
        const size_t lookups = names.Queries() - queries;
        EXPECT_GT(refreshes, 0u) << "the automatic refresh did not run";
        const std::string what = ", refresh every 1 s, " + std::to_string(kRows) + " unchanged rows, " + t.what;
        Figure("idle CPU" + what + ", 60 s (/proc of the program)",
               Format("%.2f %% of one core", cpu) + " (" + std::to_string(refreshes) + " refreshes)");
        Figure("name server queries" + what + ", 60 s",
               Format("%.0f a minute", lookups * 60000.0 / ms) + " (" + std::to_string(lookups) + " in all)");
    }
}

// A black list of 100 entries, none of which matches, enabled over 10,000 rows: the closer runs after every refresh.
TEST_F(Benchmark, BlackListOfAHundredEntriesAtTenThousandRows) {
    constexpr int kRows = 10000;
    std::string file = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<blacklist>\r\n";
    for (int i = 0; i < 100; ++i)
        file += "  <link>" + (i % 2 ? "blocked-" + std::to_string(i) + ".example" : "198.51.100." + std::to_string(i)) +
                "</link>\r\n";
    WriteFile(DataFolder() + "\\blacklist.xml", file + "</blacklist>\r\n");
    WriteDword(kSettingsKey, "EnableBlackList", 1);
    WriteDword(kSettingsKey, "UpdateInterval", 1);
    const std::string at = " (" + std::to_string(kRows) + " rows, black list of 100 enabled)";

    table.Write(Table(kRows, kEstablished, kEstablished, kTimeWait));
    app = std::make_unique<Program>(table.Options());
    const HWND list = app->Bar(Program::kListId);
    ASSERT_TRUE(WaitUntil([&] { return RowCountNow(list) == kRows; }, timeout));
    const POINT first = RowPoint(*app, 0);
    std::vector<double> times;
    for (int round = 0; round < 3 && finished; ++round) {
        const bool closed = round % 2 == 0;
        table.Write(Table(kRows, closed ? kClosed : kEstablished, kEstablished, kTimeWait));
        const auto start = Clock::now();
        app->PostCommand(kRefresh);
        if (auto ms = Shown(list, first, closed ? kClosedColour : kEstablishedColour, start))
            times.push_back(*ms);
    }
    std::sort(times.begin(), times.end());
    Report("refresh, first row changed, to shown" + at,
           finished && !times.empty() ? std::optional<double>(times[times.size() / 2]) : std::nullopt,
           " (median of " + std::to_string(times.size()) + ")");
    WorkingSet(*app, "after the refreshes" + at);

    app->Command(32798); // Autoupdate on, every second
    Pause(5s);
    const std::string pid = UnixProcessOf(*app);
    const size_t reads = Reads(table);
    const long long ticks = CpuTicks(pid);
    const auto start = Clock::now();
    Pause(30s);
    const double cpu = (CpuTicks(pid) - ticks) * 10.0 / MsSince(start) * 100.0;
    const size_t refreshes = Reads(table) - reads;
    EXPECT_GT(refreshes, 0u) << "the automatic refresh did not run";
    Figure("idle CPU, refresh every 1 s, unchanged" + at + ", 30 s (/proc of the program)",
           Format("%.2f %% of one core", cpu) + " (" + std::to_string(refreshes) + " refreshes)");
    WorkingSet(*app, "after 30 s of automatic refreshes" + at);
}

// The filter box over 10,000 rows: a word that leaves one row, typed key by key (each key filters the list again)
// and set at once, to the one row shown; and Esc, to all rows shown again.
TEST_F(Benchmark, TenThousandRowsFilteredFromTheFilterBox) {
    std::string script;
    for (int i = 0; i < 9999; ++i)
        script += Row(kEstablished, "10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1), 1024 + i,
                      "192.0.2." + std::to_string(i % 200 + 1), 443);
    script += Row(kListen, "10.0.99.2", 65535, "0.0.0.0", 0);
    table.Write(script);
    app = std::make_unique<Program>(table.Options());
    const HWND list = app->Bar(Program::kListId);
    ASSERT_TRUE(WaitFinely([&] { return RowCountNow(list) == 10000; }, timeout));
    const HWND box = app->Control(app->Bar(Program::kToolBarId), 1100).handle; // IDC_FILTER_BOX
    const POINT first = RowPoint(*app, 0);
    auto shownRows = [&](int rows, COLORREF colour, Clock::time_point start) -> std::optional<double> {
        if (!WaitFinely([&] { return RowCountNow(list) == rows; }, timeout))
            return std::nullopt;
        return Shown(list, first, colour, start);
    };
    Foreground(app->Frame());
    PressKey('F', {VK_CONTROL});
    auto start = Clock::now();
    for (const char key : std::string("65535"))
        PressKey(static_cast<WORD>(key));
    Report("typing \"65535\" in the filter box to its one row shown (10000 rows)",
           shownRows(1, kListeningColour, start));
    start = Clock::now();
    PressKey(VK_ESCAPE);
    Report("Esc in the filter box to all rows shown again (10000 rows)", shownRows(10000, kEstablishedColour, start));
    start = Clock::now();
    app->SendText(box, WM_SETTEXT, 0, "65535");
    Report("filter text set at once to its one row shown (10000 rows)", shownRows(1, kListeningColour, start));
}
