// End-to-end tests of address resolution: loopback and unspecified addresses, names shown or not as
// Resolve Addresses says, a real reverse lookup, and a lookup that hangs while the window must stay
// responsive and close at once. The suite runs with a private hosts file that names 192.0.2.10
// "docs-host.example" and a resolver configuration that points at 127.0.0.1 only (see run-suite.sh),
// so no lookup ever leaves the machine.
#include "Suite.h"

#include <winsock2.h>

using namespace e2e;

namespace {

constexpr UINT kRefresh = 32778;
constexpr UINT kResolve = 32800;
constexpr UINT kExit = 57665;

class Resolver : public ProgramTest {
protected:
    // Refreshes until the cell shows the text; names reach the list at the refresh after the lookup.
    static bool WaitForCell(App& app, int row, int column, const std::string& text) {
        return WaitUntil(
            [&] {
                if (app.List().RowCount() > row && app.List().CellText(row, column) == text)
                    return true;
                app.PostCommand(kRefresh);
                return false;
            },
            10s, 200ms);
    }
};

std::string ComputerName() {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    char name[512] = "";
    gethostname(name, sizeof(name));
    WSACleanup();
    return name;
}

} // namespace

// Loopback shows "localhost" and 0.0.0.0 the computer's name (no record for a name under three characters), each
// only on its local side, one record serving the local text first; a real reverse lookup names the remote address.
TEST_F(Resolver, LoopbackUnspecifiedAndRealAddressesAreNamedAndLaterOnesByTheNextWorker) {
    const std::string computer = ComputerName();
    table.Write(Row("LISTENING", "0.0.0.0", 135, "0.0.0.0", 0) +
                Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.10", 443) +
                Row("ESTABLISHED", "127.0.0.1", 5000, "127.0.0.1", 6000));
    App app(table.Options());
    ASSERT_TRUE(WaitForCell(app, 1, 4, "docs-host.example")) << app.List().CellText(1, 4);
    ASSERT_TRUE(WaitForCell(app, 2, 2, "localhost")) << app.List().CellText(2, 2);
    EXPECT_EQ(app.List().CellText(2, 4), "127.0.0.1");
    EXPECT_EQ(app.List().CellText(1, 2), "10.0.0.1") << "an address without a name stays a number";
    const std::string unspecified = computer.size() >= 3 ? computer : "0.0.0.0";
    EXPECT_TRUE(WaitForCell(app, 0, 2, unspecified)) << app.List().CellText(0, 2) << ", computer \"" << computer << '"';
    EXPECT_EQ(app.List().CellText(0, 4), "0.0.0.0");

    // The first worker has ended; each new address needs a new one, which only starts once the last has
    // emptied its slot.
    for (const char* address : {"127.0.0.2", "127.0.0.9"}) {
        table.Write(Row("ESTABLISHED", "127.0.0.1", 40000, address, 443));
        ASSERT_TRUE(WaitForCell(app, 0, 4, "localhost")) << address << ": " << app.List().CellText(0, 4);
    }
}

TEST_F(Resolver, WithResolveOffNumbersShowWhileTheCacheFillsAndTurningItOnShowsNamesAtOnce) {
    WriteDword(kSettingsKey, "Resolve", 0);
    table.Write(Row("ESTABLISHED", "127.0.0.1", 40000, "192.0.2.10", 443));
    App app(table.Options());
    for (int i = 0; i < 5; ++i) {
        app.SendCommand(kRefresh);
        Pause(300ms);
    }
    EXPECT_EQ(app.List().CellText(0, 2), "127.0.0.1");
    EXPECT_EQ(app.List().CellText(0, 4), "192.0.2.10");
    app.SendCommand(kResolve); // the toggle refreshes at once
    EXPECT_EQ(app.List().CellText(0, 2), "localhost");
    EXPECT_EQ(app.List().CellText(0, 4), "docs-host.example");
    app.SendCommand(kResolve);
    EXPECT_EQ(app.List().CellText(0, 4), "192.0.2.10");
}

TEST_F(Resolver, AHangingLookupLeavesTheWindowResponsiveAndExitEndsTheProgram) {
    // A name server on 127.0.0.1 that never answers: the program's reverse lookup of an address that
    // the hosts file does not know waits for it.
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET silent = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0)
        << "cannot listen on 127.0.0.1:53 (the suite runs as root)";

    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "198.51.100.7", 443));
    App app(table.Options());
    // Wait until the query reaches the silent server: the worker is now blocked in the lookup.
    char packet[512];
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(silent, &readable);
    timeval wait{10, 0};
    ASSERT_EQ(select(0, &readable, nullptr, nullptr, &wait), 1) << "no lookup reached the name server";
    recv(silent, packet, sizeof(packet), 0);

    for (int i = 0; i < 20; ++i) {
        DWORD_PTR result = 0;
        EXPECT_NE(SendMessageTimeoutA(app.MainWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &result), 0)
            << "the window did not answer within 100 ms";
        app.PostCommand(kRefresh);
        Pause(50ms);
    }
    EXPECT_EQ(app.List().CellText(0, 4), "198.51.100.7");

    app.PostCommand(kExit);
    auto exitCode = app.WaitExit(2s);
    ASSERT_TRUE(exitCode.has_value()) << "File > Exit did not end the program within 2 seconds";
    EXPECT_EQ(*exitCode, 0u);
    closesocket(silent);
    WSACleanup();
}
