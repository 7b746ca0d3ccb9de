// The program against Wine's own IP helper: the machine's real table with a real loopback connection, and the
// library missing or without its two table reads.
#include "Suite.h"

#include <winsock2.h>

using namespace e2e;

namespace {

constexpr UINT kRefresh = 32778, kAutoupdate = 32798;

class Real : public ProgramTest {};

} // namespace

TEST_F(Real, WinesTableShowsARealLoopbackConnection) {
    WriteDword(kSettingsKey, "Resolve", 0);
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP), client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in server{}, local{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof server;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&server), sizeof server), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&server), &length);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&server), sizeof server), 0);
    SOCKET accepted = accept(listener, nullptr, nullptr);
    length = sizeof local;
    getsockname(client, reinterpret_cast<sockaddr*>(&local), &length);
    const std::vector<std::string> cells{"127.0.0.1", std::to_string(ntohs(local.sin_port)), "127.0.0.1",
                                         std::to_string(ntohs(server.sin_port)), "ESTABLISHED"};

    Program app;
    EXPECT_TRUE(WaitUntil([&] {
        for (const auto& row : app.Cells())
            if (std::vector<std::string>(row.begin() + 2, row.end()) == cells)
                return true;
        app.Command(kRefresh);
        return false;
    })) << "no row "
        << cells[0] << ":" << cells[1] << " -> " << cells[2] << ":" << cells[3];
    closesocket(accepted);
    closesocket(client);
    closesocket(listener);
    WSACleanup();
}

// No library (Wine's empty load order), or one without the two reads: an empty list with its columns, a live
// window, no fallback to the other read, a clean end.
TEST_F(Real, AMissingLibraryOrEntryPointLeavesAnEmptyListAndALiveWindow) {
    table.Write(Row(kEstablished, "10.0.0.1", 1000, "10.0.0.2", 80));
    LaunchOptions noLibrary, noReads = table.Options();
    noLibrary.ipHelperLoadOrder = "";
    noReads.fakeIpHelperDirectory += "\\without-reads";
    for (const LaunchOptions& options : {noLibrary, noReads}) {
        Program app(options);
        app.Command(kRefresh);
        app.Command(kAutoupdate);
        app.Sync();
        const ListView list = app.List();
        EXPECT_TRUE(list.rows.empty());
        EXPECT_EQ(list.columns.size(), 7u);
        EXPECT_EQ(app.Close(), 0u);
    }
}
