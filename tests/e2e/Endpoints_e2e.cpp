// The IPv6 TCP, IPv4 UDP and IPv6 UDP tables beside IPv4 TCP: the three View toggles with their rows and the Protocol
// column over scripted tables, the saved list and the log; the toggles greyed where the library cannot read a table;
// and Wine's own tables with real sockets of this driver, named, with Close Connection greyed on an IPv6 row.
#include "Suite.h"

#include <commctrl.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

using namespace e2e;

namespace {

// Written out rather than taken from resource.h, so a renumbered id fails.
constexpr UINT kSave = 57603, kRefresh = 32778, kEstablishedOnly = 32799, kResolve = 32800, kCloseConnection = 32771,
               kTcp6 = 32801, kUdp4 = 32802, kUdp6 = 32803;
const std::vector<std::string> kSeven = {"Process",        "PID",         "Local Address", "Local Port",
                                         "Remote Address", "Remote Port", "Status"};
const std::vector<std::string> kEight = {"Process",        "PID",         "Protocol", "Local Address", "Local Port",
                                         "Remote Address", "Remote Port", "Status"};
using Texts = std::vector<std::string>;
class Endpoints : public ProgramTest {};
} // namespace

// One program over scripted tables (a generated row in each of the other three), Resolve on.
TEST_F(Endpoints, EachToggleShowsItsTableAndTheProtocolColumnAndTheSavedListAndLogHoldThem) {
    StorePlacement(0, 0, 1100, 700);
    const std::string log = TempPath("pelloran-endpoints-" + std::to_string(GetCurrentProcessId()) + ".log");
    WriteDword(kSettingsKey, "EnableLogging", 1);
    WriteString(kSettingsKey, "LogFile", log);
    const std::string pid = std::to_string(GetCurrentProcessId());
    const std::string rows = Row(kEstablished, "10.0.0.1", 40000, "10.0.0.2", 80, GetCurrentProcessId()) +
                             Row(kListen, "0.0.0.0", 135, "0.0.0.0", 0) +
                             "generate 1 5 tcp6\ngenerate 1 0 udp\ngenerate 1 0 udp6\n";
    table.Write(rows);
    Program app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 2; }));
    EXPECT_EQ(app.List().Titles(), kSeven) << "a fresh profile shows today's columns";
    const struct {
        UINT id;
        const char* text;
        const char* protocol;
    } toggles[] = {{kTcp6, "IPv6 TCP", "TCPv6"}, {kUdp4, "IPv4 UDP", "UDP"}, {kUdp6, "IPv6 UDP", "UDPv6"}};
    for (const auto& t : toggles) {
        const MenuItem item = app.MenuCommand(t.id);
        EXPECT_TRUE(item.text == t.text && item.enabled && !item.checked) << t.text;
        app.Command(t.id);
        EXPECT_TRUE(app.MenuCommand(t.id).checked);
        EXPECT_EQ(app.List().Titles(), kEight);
        EXPECT_EQ(app.List().ColumnTexts(2), (Texts{"TCP", "TCP", t.protocol}));
        app.Command(t.id);
        EXPECT_EQ(app.List().Titles(), kSeven);
        EXPECT_EQ(app.Cells().back(),
                  (Texts{"pelloran_e2e.exe", pid, "10.0.0.1", "40000", "10.0.0.2", "80", "ESTABLISHED"}));
    }
    for (const auto& t : toggles)
        app.Command(t.id);
    app.Command(kEstablishedOnly);
    EXPECT_EQ(app.List().ColumnTexts(2), (Texts{"TCP", "TCPv6"})) << "UDP rows are hidden";
    app.Command(kEstablishedOnly);
    Foreground(app.Frame());
    const ListView udp = app.List(nullptr, 3, 1);
    EXPECT_TRUE(WaitUntil([&] {
        return app.Pixel(app.Bar(Program::kListId), {udp.client.cx - 8, Center(udp.rects.at(0)).y}) ==
               RGB(255, 255, 220);
    })) << "a UDP row is painted in the listening colour";

    // The saved list holds the four tables as shown, the Protocol column included; UDP rows have no remote end.
    app.Command(kResolve);
    const std::string saved = TempPath("pelloran-endpoints-" + pid + ".txt");
    app.PostCommand(kSave);
    const HWND dialog = app.WaitForWindow("Save As");
    const auto edit = reinterpret_cast<HWND>(app.Send(app.Control(dialog, 1148).handle, CBEM_GETEDITCONTROL));
    EXPECT_TRUE(WaitUntil([&] { return app.Control(GetParent(edit), GetDlgCtrlID(edit)).text == "Events.txt"; }));
    app.SendText(edit, WM_SETTEXT, 0, saved);
    app.Post(dialog, WM_COMMAND, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    app.Sync();
    const std::string me = "pelloran_e2e.exe \t" + pid + " \t", idle = "Idle \t0 \t";
    EXPECT_EQ(ReadFile(saved), idle + "TCP \t0.0.0.0 \t135 \t0.0.0.0 \t0 \tLISTENING\r\n" + me +
                                   "TCP \t10.0.0.1 \t40000 \t10.0.0.2 \t80 \tESTABLISHED\r\n" + idle +
                                   "TCPv6 \t2001:db8::a00:1 \t1024 \t2001:db8::c000:201 \t443 \tESTABLISHED\r\n" +
                                   idle + "UDP \t10.0.0.1 \t1024 \t \t \t\r\n" + idle +
                                   "UDPv6 \t2001:db8::a00:1 \t1024 \t \t \t\r\n");
    DeleteFileA(saved.c_str());

    // A table whose read fails is left out of that refresh; the others stay. The toggles are saved at close.
    table.Write(rows + "fail-read 31 udp\n");
    app.Command(kRefresh);
    EXPECT_EQ(app.List().ColumnTexts(2), (Texts{"TCP", "TCP", "TCPv6", "UDPv6"}));

    // A sort by Local Port (the first click: descending) stays on that field while the Protocol column comes.
    for (const auto& t : toggles)
        app.Command(t.id);
    const ListView seven = app.List();
    app.Click(seven.header, Center(seven.columns.at(3).rect));
    EXPECT_TRUE(WaitUntil([&] { return app.List().ColumnTexts(3) == Texts{"40000", "135"}; }));
    app.Command(kTcp6);
    EXPECT_EQ(app.List().ColumnTexts(4), (Texts{"40000", "1024", "135"}));
    app.Command(kUdp6);
    EXPECT_EQ(app.Close(), 0u);
    for (const auto& [name, value] : {std::pair{"ShowTcp6", 1u}, {"ShowUdp4", 0u}, {"ShowUdp6", 1u}})
        EXPECT_EQ(ReadDword(kSettingsKey, name), std::optional<DWORD>(value)) << name;
    EXPECT_NE(ReadFile(log).find(" 2001:db8::a00:1 1024 2001:db8::c000:201 443 \r\n"), std::string::npos)
        << "an established IPv6 connection is logged:\n"
        << ReadFile(log);
    DeleteFileA(log.c_str());
}

// Stored toggles come back at start; a library without GetExtendedUdpTable greys the UDP toggles (a stored one stays
// stored), and the five-column mode greys all three and keeps five columns. The black list matches the IPv6 row too
// but resets only the IPv4 TCP one.
TEST_F(Endpoints, TogglesAreGreyedWhereTheirTableCannotBeReadAndTheBlackListResetsOnlyIpv4Tcp) {
    table.Write(Row(kEstablished, "10.0.0.1", 40000, "10.0.0.2", 80) + "generate 1 5 tcp6\ngenerate 1 0 udp\n");
    WriteFile(DataFolder() + "\\blacklist.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
              "<blacklist>\r\n<link>2001:db8::c000:201</link>\r\n<link>10.0.0.2</link>\r\n"
              "</blacklist>\r\n");
    WriteDword(kSettingsKey, "EnableBlackList", 1);
    for (const char* name : {"ShowTcp6", "ShowUdp4"})
        WriteDword(kSettingsKey, name, 1);
    LaunchOptions withoutUdp = table.Options();
    withoutUdp.fakeIpHelperDirectory += "\\without-udp";
    {
        Program app(withoutUdp);
        ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 2; }));
        EXPECT_EQ(app.List().ColumnTexts(2), (Texts{"TCP", "TCPv6"}));
        const MenuItem tcp6 = app.MenuCommand(kTcp6), udp4 = app.MenuCommand(kUdp4), udp6 = app.MenuCommand(kUdp6);
        EXPECT_TRUE(tcp6.enabled && tcp6.checked && !udp4.enabled && udp4.checked && !udp6.enabled && !udp6.checked);
        app.Command(kUdp6);
        EXPECT_FALSE(app.MenuCommand(kUdp6).checked) << "a greyed toggle does not change";
        // The IPv6 entry comes first, so a reset of its row would be logged before the IPv4 one (10.0.0.2).
        EXPECT_TRUE(WaitUntil([&] { return !table.Calls("SetTcpEntry").empty(); }));
        EXPECT_NE(table.Calls("SetTcpEntry").at(0).find(" remoteAddr=33554442 "), std::string::npos);
        EXPECT_EQ(app.Close(), 0u);
    }
    EXPECT_EQ(ReadDword(kSettingsKey, "ShowUdp4"), std::optional<DWORD>(1));
    SetWindowsVersion("win98");
    Program app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 1; }));
    EXPECT_EQ(app.List().Titles(), Texts(kSeven.begin() + 2, kSeven.end()));
    for (UINT id : {kTcp6, kUdp4, kUdp6})
        EXPECT_FALSE(app.MenuCommand(id).enabled) << id;
    EXPECT_EQ(app.Close(), 0u);
}

// Wine's own IP helper with sockets of this driver, Resolve on: a TCP connection over ::1 (a remote text equal to the
// local one is not named twice), UDP sockets on 127.0.0.1 and on :: (the computer, named by the bench); Close
// Connection greyed on the IPv6 row, with the prompt saying why.
TEST_F(Endpoints, WinesTablesShowRealIpv6AndUdpSocketsNamed) {
    for (const char* name : {"ShowTcp6", "ShowUdp4", "ShowUdp6"})
        WriteDword(kSettingsKey, name, 1);
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    auto bound = [](int family, int type, const void* address, int size) {
        const SOCKET s = socket(family, type, 0);
        EXPECT_EQ(bind(s, static_cast<const sockaddr*>(address), size), 0);
        return s;
    };
    auto port = [](SOCKET s) {
        sockaddr_in6 address{}; // the port is at the same place in both families
        int length = sizeof address;
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        return std::to_string(ntohs(address.sin6_port));
    };
    sockaddr_in6 loopback6{AF_INET6, 0, 0, in6addr_loopback, {}}, any6{AF_INET6, 0, 0, in6addr_any, {}};
    sockaddr_in loopback4{AF_INET, 0, {}, {}};
    loopback4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const SOCKET listener = bound(AF_INET6, SOCK_STREAM, &loopback6, sizeof loopback6),
                 client = socket(AF_INET6, SOCK_STREAM, 0);
    const SOCKET udp4 = bound(AF_INET, SOCK_DGRAM, &loopback4, sizeof loopback4),
                 udp6 = bound(AF_INET6, SOCK_DGRAM, &any6, sizeof any6);
    ASSERT_EQ(listen(listener, 1), 0);
    int length = sizeof loopback6;
    getsockname(listener, reinterpret_cast<sockaddr*>(&loopback6), &length);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&loopback6), sizeof loopback6), 0);
    const SOCKET accepted = accept(listener, nullptr, nullptr);
    const std::vector<Texts> wanted = {{"TCPv6", "localhost", port(client), "::1", port(listener), "ESTABLISHED"},
                                       {"UDP", "localhost", port(udp4), "", "", ""},
                                       {"UDPv6", "pelloran-bench", port(udp6), "", "", ""}};
    Program app;
    auto find = [&](const Texts& row) {
        const Rows cells = app.Cells();
        const auto at =
            std::find_if(cells.begin(), cells.end(), [&](auto& c) { return Texts(c.begin() + 2, c.end()) == row; });
        return at == cells.end() ? -1 : static_cast<int>(at - cells.begin());
    };
    for (const Texts& row : wanted)
        EXPECT_TRUE(WaitUntil([&] { return app.Command(kRefresh), find(row) >= 0; })) << row[0] << " " << row[2];

    app.RowMenu(find(wanted[0]));
    auto prompt = [&] { return app.Status() == "Only IPv4 TCP connections can be closed"; };
    for (int press = 0; press < 10 && !prompt(); ++press) {
        PressKey(VK_DOWN);
        WaitUntil(prompt, 300ms);
    }
    const Menu open = app.Menus("open");
    const MenuItem* close = open.empty() ? nullptr : FindMenuItem(open.front().items, kCloseConnection);
    EXPECT_TRUE(close && close->highlighted && !close->enabled) << app.Status();
    app.CloseMenus();
    EXPECT_EQ(app.Close(), 0u);
    for (SOCKET s : {accepted, client, listener, udp4, udp6})
        closesocket(s);
    WSACleanup();
}
