// The IPv6 TCP, IPv4 UDP and IPv6 UDP tables beside IPv4 TCP: a fresh profile's columns, the three View toggles with
// their rows, the Protocol column, colours, names, Close Connection and the saved list over scripted tables; the
// toggles greyed where the library cannot read a table; and Wine's own tables with real sockets of this driver.
#include "Suite.h"

#include <commctrl.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <set>

using namespace e2e;

namespace {

// Written out rather than taken from resource.h, so a renumbered id fails.
constexpr UINT kSave = 57603, kRefresh = 32778, kEstablishedOnly = 32799, kResolve = 32800, kCloseConnection = 32771,
               kTcp6 = 32801, kUdp4 = 32802, kUdp6 = 32803;
constexpr UINT kToggles[] = {kTcp6, kUdp4, kUdp6};
constexpr COLORREF kListening = RGB(255, 255, 220);
const std::vector<std::string> kSeven = {"Process",        "PID",         "Local Address", "Local Port",
                                         "Remote Address", "Remote Port", "Status"};
const std::vector<std::string> kEight = {"Process",        "PID",         "Protocol", "Local Address", "Local Port",
                                         "Remote Address", "Remote Port", "Status"};

std::string Row6(int state, const std::string& local, int localPort, const std::string& remote, int remotePort) {
    return "row6 " + std::to_string(state) + " " + local + " " + std::to_string(localPort) + " " + remote + " " +
           std::to_string(remotePort) + "\n";
}

int IndexOf(const Rows& rows, size_t column, const std::string& text) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].size() > column && rows[i][column] == text)
            return static_cast<int>(i);
    return -1;
}

class Endpoints : public ProgramTest {
protected:
    COLORREF Background(Program& app, int row) {
        const ListView list = app.List(nullptr, row, 1);
        return app.Pixel(app.Bar(Program::kListId), {list.client.cx - 8, Center(list.rects.at(0)).y});
    }
    // The row menu's entry `id`, highlighted with the keyboard as a user would.
    MenuItem Highlight(Program& app, int row, UINT id) {
        app.RowMenu(row);
        auto highlighted = [&] {
            const Menu open = app.Menus("open");
            for (const MenuItem& item : open.empty() ? Menu{} : open.front().items)
                if (item.highlighted)
                    return item;
            return MenuItem{};
        };
        for (int press = 0; press < 10 && highlighted().id != id; ++press) {
            const UINT before = highlighted().id;
            PressKey(VK_DOWN);
            WaitUntil([&] { return highlighted().id != before; }, 1s);
        }
        return highlighted();
    }
    static void SaveAs(Program& app, const std::string& path) {
        app.PostCommand(kSave);
        const HWND dialog = app.WaitForWindow("Save As");
        const auto edit = reinterpret_cast<HWND>(app.Send(app.Control(dialog, 1148).handle, CBEM_GETEDITCONTROL));
        EXPECT_TRUE(WaitUntil([&] { return app.Control(GetParent(edit), GetDlgCtrlID(edit)).text == "Events.txt"; }));
        app.SendText(edit, WM_SETTEXT, 0, path);
        app.Post(dialog, WM_COMMAND, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
        app.Sync();
    }
};

} // namespace

// One program over scripted tables, Resolve on (the default).
TEST_F(Endpoints, TogglesShowEachTableWithTheProtocolColumnNamesColoursActionsAndTheSavedList) {
    StorePlacement(0, 0, 1100, 700);
    const DWORD me = GetCurrentProcessId();
    const std::string pid = std::to_string(me);
    const std::string script = Row(kEstablished, "10.0.0.1", 40000, "10.0.0.2", 80, me) +
                               Row6(kEstablished, "2001:db8::1", 40001, "::1", 443) +
                               Row6(kListen, "fe80::1%3", 80, "::", 0) + "udp 127.0.0.1 53 " + pid + "\nudp6 :: 5353\n";
    table.Write(script);
    Program app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 1; }));
    EXPECT_EQ(app.List().Titles(), kSeven) << "a fresh profile shows today's columns";
    for (UINT id : kToggles) {
        const MenuItem item = app.MenuCommand(id);
        EXPECT_TRUE(item.enabled && !item.checked) << item.text;
    }
    EXPECT_EQ(app.MenuCommand(kTcp6).text, "IPv6 TCP");
    EXPECT_TRUE(table.Calls("GetExtendedUdpTable").empty());
    for (const std::string& call : table.Calls("GetExtendedTcpTable"))
        EXPECT_NE(call.find(" af=2 "), std::string::npos) << call;

    // Each toggle adds its rows at once, after the IPv4 TCP ones, and the Protocol column after PID.
    app.Command(kTcp6);
    EXPECT_EQ(app.List().Titles(), kEight);
    EXPECT_TRUE(app.MenuCommand(kTcp6).checked);
    EXPECT_EQ(app.Cells().size(), 3u);
    EXPECT_EQ(app.List().ColumnTexts(2), (std::vector<std::string>{"TCP", "TCPv6", "TCPv6"}));
    EXPECT_TRUE(WaitUntil([&] {
        app.Command(kRefresh);
        const Rows cells = app.Cells();
        const int row = IndexOf(cells, 4, "40001");
        return row >= 0 && cells[row][5] == "localhost";
    })) << "::1 is localhost";
    app.Command(kUdp4);
    app.Command(kUdp6);
    ASSERT_EQ(app.Cells().size(), 5u);
    EXPECT_TRUE(WaitUntil([&] {
        app.Command(kRefresh);
        const Rows cells = app.Cells();
        return cells[3] == std::vector<std::string>{"pelloran_e2e.exe", pid, "UDP", "localhost", "53", "", "", ""} &&
               cells[4] == std::vector<std::string>{"Idle", "0", "UDPv6", "pelloran-bench", "5353", "", "", ""};
    })) << "UDP rows name their local address (:: is the computer) and have no remote end or state";
    Foreground(app.Frame());
    app.Sync();
    for (int row : {3, 4})
        EXPECT_TRUE(WaitUntil([&] { return Background(app, row) == kListening; }, 2s)) << Hex(Background(app, row));

    app.Command(kEstablishedOnly);
    EXPECT_EQ(app.List().ColumnTexts(2), (std::vector<std::string>{"TCP", "TCPv6"})) << "UDP rows are hidden";
    app.Command(kEstablishedOnly);

    // Close Connection is greyed on an IPv6 row, with the prompt that says why, and not on an IPv4 one.
    const int v6 = IndexOf(app.Cells(), 4, "40001");
    MenuItem close = Highlight(app, v6, kCloseConnection);
    EXPECT_EQ(close.id, kCloseConnection);
    EXPECT_FALSE(close.enabled);
    EXPECT_TRUE(WaitUntil([&] { return app.Status() == "Only IPv4 TCP connections can be closed"; }, 3s))
        << app.Status();
    app.CloseMenus();
    close = Highlight(app, 0, kCloseConnection);
    EXPECT_TRUE(close.enabled);
    EXPECT_TRUE(WaitUntil([&] { return app.Status() == "Close Connection"; }, 3s)) << app.Status();
    app.CloseMenus();

    // The saved list holds the four tables as shown, the Protocol column included.
    app.Command(kResolve);
    const std::string saved = TempPath("pelloran-endpoints-" + pid + ".txt");
    SaveAs(app, saved);
    const std::string text = ReadFile(saved);
    DeleteFileA(saved.c_str());
    const std::string lines[] = {"pelloran_e2e.exe \t" + pid +
                                     " \tTCP \t10.0.0.1 \t40000 \t10.0.0.2 \t80 \tESTABLISHED\r\n",
                                 "Idle \t0 \tTCPv6 \t2001:db8::1 \t40001 \t::1 \t443 \tESTABLISHED\r\n",
                                 "Idle \t0 \tTCPv6 \tfe80::1%3 \t80 \t:: \t0 \tLISTENING\r\n",
                                 "pelloran_e2e.exe \t" + pid + " \tUDP \t127.0.0.1 \t53 \t \t \t\r\n",
                                 "Idle \t0 \tUDPv6 \t:: \t5353 \t \t \t\r\n"};
    for (const std::string& line : lines)
        EXPECT_NE(text.find(line), std::string::npos) << line << "in:\n" << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);

    // A table whose read fails is left out of that refresh; the others stay.
    table.Write(script + "fail-read 31 udp\n");
    app.Command(kRefresh);
    EXPECT_EQ(app.List().ColumnTexts(2), (std::vector<std::string>{"TCP", "TCPv6", "TCPv6", "UDPv6"}));

    // All three off: today's columns and rows again; the toggles are saved at close as they stand.
    for (UINT id : kToggles)
        app.Command(id);
    EXPECT_EQ(app.List().Titles(), kSeven);
    EXPECT_EQ(app.Cells().size(), 1u);

    // A sort by Local Port stays on that field while the Protocol column comes before it and goes again.
    table.Write(script + Row(kListen, "0.0.0.0", 135, "0.0.0.0", 0));
    app.Command(kRefresh);
    Pause(Milliseconds(GetDoubleClickTime() + 100));
    const ListView unsorted = app.List();
    app.Click(unsorted.header, Center(unsorted.columns.at(3).rect));
    EXPECT_TRUE(WaitUntil([&] { return app.List().ColumnTexts(3) == std::vector<std::string>{"40000", "135"}; }));
    app.Command(kTcp6);
    EXPECT_EQ(app.List().ColumnTexts(4), (std::vector<std::string>{"40001", "40000", "135", "80"}));
    for (const Column& column : app.List().columns)
        EXPECT_NE(column.headerFormat & HDF_OWNERDRAW, 0) << column.title << " draws the sort arrow's header too";
    app.Command(kTcp6);
    EXPECT_EQ(app.List().ColumnTexts(3), (std::vector<std::string>{"40000", "135"}));
    app.Command(kUdp6);
    EXPECT_EQ(app.Close(), 0u);
    EXPECT_EQ(ReadDword(kSettingsKey, "ShowTcp6"), std::optional<DWORD>(0));
    EXPECT_EQ(ReadDword(kSettingsKey, "ShowUdp4"), std::optional<DWORD>(0));
    EXPECT_EQ(ReadDword(kSettingsKey, "ShowUdp6"), std::optional<DWORD>(1));
}

// Stored toggles come back at start; a library without GetExtendedUdpTable greys the UDP toggles (a stored one stays
// stored), and the five-column mode greys all three and keeps five columns.
TEST_F(Endpoints, TogglesAreGreyedWhereTheirTableCannotBeRead) {
    table.Write(Row(kEstablished, "10.0.0.1", 40000, "10.0.0.2", 80) + Row6(kEstablished, "::1", 1, "::1", 2) +
                "udp 0.0.0.0 53\n");
    for (const char* name : {"ShowTcp6", "ShowUdp4"})
        WriteDword(kSettingsKey, name, 1);
    LaunchOptions withoutUdp = table.Options();
    withoutUdp.fakeIpHelperDirectory += "\\without-udp";
    {
        Program app(withoutUdp);
        ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 2; }));
        EXPECT_EQ(app.List().Titles(), kEight);
        EXPECT_EQ(app.List().ColumnTexts(2), (std::vector<std::string>{"TCP", "TCPv6"}));
        const MenuItem tcp6 = app.MenuCommand(kTcp6), udp4 = app.MenuCommand(kUdp4), udp6 = app.MenuCommand(kUdp6);
        EXPECT_TRUE(tcp6.enabled && tcp6.checked);
        EXPECT_TRUE(!udp4.enabled && udp4.checked);
        EXPECT_TRUE(!udp6.enabled && !udp6.checked);
        app.Command(kUdp6);
        EXPECT_FALSE(app.MenuCommand(kUdp6).checked) << "a greyed toggle does not change";
        EXPECT_EQ(app.Close(), 0u);
    }
    EXPECT_EQ(ReadDword(kSettingsKey, "ShowUdp4"), std::optional<DWORD>(1));

    SetWindowsVersion("win98");
    Program app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 1; }));
    EXPECT_EQ(app.List().Titles(), std::vector<std::string>(kSeven.begin() + 2, kSeven.end()));
    for (UINT id : kToggles)
        EXPECT_FALSE(app.MenuCommand(id).enabled) << id;
    EXPECT_EQ(app.Close(), 0u);
}

// Wine's own IP helper with sockets of this driver: a TCP connection over ::1 and UDP sockets on 127.0.0.1 and ::1.
TEST_F(Endpoints, WinesTablesShowRealIpv6AndUdpSockets) {
    WriteDword(kSettingsKey, "Resolve", 0);
    for (const char* name : {"ShowTcp6", "ShowUdp4", "ShowUdp6"})
        WriteDword(kSettingsKey, name, 1);
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    auto port = [](SOCKET s) {
        sockaddr_storage address{};
        int length = sizeof address;
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        return std::to_string(ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port)); // same place in both
    };
    sockaddr_in6 loopback6{};
    loopback6.sin6_family = AF_INET6;
    loopback6.sin6_addr = in6addr_loopback;
    sockaddr_in loopback4{};
    loopback4.sin_family = AF_INET;
    loopback4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    SOCKET listener = socket(AF_INET6, SOCK_STREAM, IPPROTO_TCP), client = socket(AF_INET6, SOCK_STREAM, IPPROTO_TCP);
    SOCKET udp4 = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP), udp6 = socket(AF_INET6, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&loopback6), sizeof loopback6), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    sockaddr_in6 server = loopback6;
    int length = sizeof server;
    getsockname(listener, reinterpret_cast<sockaddr*>(&server), &length);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&server), sizeof server), 0);
    SOCKET accepted = accept(listener, nullptr, nullptr);
    ASSERT_EQ(bind(udp4, reinterpret_cast<sockaddr*>(&loopback4), sizeof loopback4), 0);
    ASSERT_EQ(bind(udp6, reinterpret_cast<sockaddr*>(&loopback6), sizeof loopback6), 0);
    const std::vector<std::vector<std::string>> wanted = {
        {"TCPv6", "::1", port(client), "::1", port(listener), "ESTABLISHED"},
        {"TCPv6", "::1", port(listener), "::", "0", "LISTENING"},
        {"UDP", "127.0.0.1", port(udp4), "", "", ""},
        {"UDPv6", "::1", port(udp6), "", "", ""}};

    Program app;
    std::set<size_t> missing;
    WaitUntil([&] {
        missing.clear();
        std::set<std::vector<std::string>> shown;
        for (const auto& row : app.Cells())
            shown.insert(std::vector<std::string>(row.begin() + 2, row.end()));
        for (size_t i = 0; i < wanted.size(); ++i)
            if (!shown.count(wanted[i]))
                missing.insert(i);
        app.Command(kRefresh);
        return missing.empty();
    });
    for (size_t i : missing)
        ADD_FAILURE() << "no row " << wanted[i][0] << " " << wanted[i][1] << " " << wanted[i][2] << " -> "
                      << wanted[i][3] << " " << wanted[i][4] << " " << wanted[i][5];
    EXPECT_EQ(app.Close(), 0u);
    for (SOCKET s : {accepted, client, listener, udp4, udp6})
        closesocket(s);
    WSACleanup();
}
