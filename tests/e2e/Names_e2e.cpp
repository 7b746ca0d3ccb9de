// Address names, in one program. The bench's hosts file names 127.0.0.1 and 192.0.2.10, and no name server answers
// (every other lookup fails at once) until the last case binds a silent one on 127.0.0.1:53.
#include "Suite.h"
#include "resource.h"

#include <winsock2.h>

using namespace e2e;

namespace {
constexpr UINT kExit = 57665;
class Names : public ProgramTest {};
} // namespace

TEST_F(Names, LoopbackComputerAndRealNamesLaterWorkersTheToggleAndAHangingLookup) {
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    table.Write(Row(kListen, "0.0.0.0", 135, "0.0.0.0", 0) + Row(kEstablished, "10.0.0.1", 40000, "192.0.2.10", 443) +
                Row(kEstablished, "127.0.0.1", 5000, "127.0.0.1", 6000));
    Program app(table.Options());
    auto shows = [&](size_t row, size_t column, const std::string& text) {
        return WaitUntil([&] {
            app.Command(ID_FILE_REFRESH); // a name reaches the list at the refresh after its lookup
            const Rows cells = app.Cells();
            return cells.size() > row && cells[row][column] == text;
        });
    };
    EXPECT_TRUE(shows(1, 4, "docs-host.example"));
    EXPECT_TRUE(shows(2, 2, "localhost"));
    EXPECT_TRUE(shows(0, 2, "pelloran-bench")); // 0.0.0.0 is the computer, named so by isolated.sh
    EXPECT_EQ(app.Cells()[1][2], "10.0.0.1") << "an address without a name stays a number";
    // Every 127.x is localhost. The first worker has ended: each new address needs one, started only once the last
    // one has left its slot.
    for (const char* address : {"127.0.0.2", "127.0.0.9"}) {
        table.Write(Row(kEstablished, "10.0.0.1", 40000, address, 443));
        EXPECT_TRUE(shows(0, 4, "localhost")) << address;
    }
    // The toggle refreshes at once; the names stay cached while they are not shown.
    app.Command(ID_OPTIONS_RESOLVE);
    EXPECT_EQ(app.Cells()[0][4], "127.0.0.9");
    app.Command(ID_OPTIONS_RESOLVE);
    EXPECT_EQ(app.Cells()[0][4], "localhost");

    // A lookup that hangs: the window goes on refreshing, and Exit ends the program before the resolver asks again.
    SOCKET silent = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in server{AF_INET, htons(53), {}, {}};
    server.sin_addr.s_addr = inet_addr("127.0.0.1");
    ASSERT_TRUE(WaitUntil([&] { return bind(silent, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0; }))
        << "127.0.0.1:53 is taken (the suite runs as root)";
    auto asked = [&](DWORD ms) { // for 198.51.100.7; other programs on the machine may ask too
        static const char name[] = {1, '7', 3, '1', '0', '0', 2, '5', '1', 3, '1', '9', '8'};
        setsockopt(silent, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
        char packet[512];
        for (int size; (size = recv(silent, packet, sizeof packet, 0)) > 0;)
            if (std::string(packet, size).find(std::string(name, sizeof name)) != std::string::npos)
                return true;
        return false;
    };
    table.Write(Row(kEstablished, "10.0.0.1", 40000, "198.51.100.7", 443));
    app.Command(ID_FILE_REFRESH);
    ASSERT_TRUE(asked(10000)) << "no lookup reached the name server";
    app.Command(ID_FILE_REFRESH);
    EXPECT_EQ(app.Cells()[0][4], "198.51.100.7");
    app.PostCommand(kExit);
    EXPECT_EQ(app.WaitExit(), std::optional<DWORD>(0));
    EXPECT_FALSE(asked(100)) << "the program ended only after its lookup had given up";
    closesocket(silent);
}
