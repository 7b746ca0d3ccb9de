// SetTcpEntry of the test IP helper DLL: the row handed in is logged field by field, the scripted result is
// returned, only state 12 (delete) is accepted, and with set-removes a deleted row leaves the table.
#include "ScriptedTest.h"

#include <atomic>
#include <thread>

namespace fakes {
namespace {

class SetEntry : public ScriptedTest {
protected:
    static constexpr char Rows[] = "row 5 192.168.1.2 80 10.0.0.1 51000 11\n"
                                   "row 5 192.168.1.2 81 10.0.0.1 51000 12\n";

    static MIB_TCPROW DeleteRow(const char* localAddr, uint16_t localPort, const char* remoteAddr,
                                uint16_t remotePort) {
        Row r = MakeRow(12, localAddr, localPort, remoteAddr, remotePort);
        MIB_TCPROW row{};
        row.dwState = r.state;
        row.dwLocalAddr = r.localAddr;
        row.dwLocalPort = r.localPort;
        row.dwRemoteAddr = r.remoteAddr;
        row.dwRemotePort = r.remotePort;
        return row;
    }
};

TEST_F(SetEntry, RecordsTheFiveValuesAndSucceedsByDefault) {
    WriteScript(Rows);
    MIB_TCPROW row = DeleteRow("192.168.1.2", 80, "10.0.0.1", 51000);
    EXPECT_EQ(dll->setTcpEntry(&row), 0u);
    std::vector<std::string> lines = LogLinesOf("SetTcpEntry");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "SetTcpEntry state=12 localAddr=" + std::to_string(inet_addr("192.168.1.2")) + " localPort=" +
                            std::to_string(htons(80)) + " remoteAddr=" + std::to_string(inet_addr("10.0.0.1")) +
                            " remotePort=" + std::to_string(htons(51000)) +
                            " local=192.168.1.2:80 remote=10.0.0.1:51000 matched=1 result=0");
    // Without set-removes the connection stays in the table.
    EXPECT_EQ(ReadLegacy().size(), 2u);
}

TEST_F(SetEntry, UnknownConnectionIsLoggedAsUnmatched) {
    WriteScript(Rows);
    MIB_TCPROW row = DeleteRow("192.168.1.2", 82, "10.0.0.1", 51000);
    EXPECT_EQ(dll->setTcpEntry(&row), 0u);
    ASSERT_EQ(LogLinesOf("SetTcpEntry").size(), 1u);
    EXPECT_NE(LogLinesOf("SetTcpEntry")[0].find(" matched=0 result=0"), std::string::npos);
}

TEST_F(SetEntry, ScriptedResultIsReturned) {
    WriteScript(std::string(Rows) + "set-result 1168\n");
    MIB_TCPROW row = DeleteRow("192.168.1.2", 80, "10.0.0.1", 51000);
    EXPECT_EQ(dll->setTcpEntry(&row), 1168u);
    EXPECT_NE(LogLinesOf("SetTcpEntry")[0].find(" result=1168"), std::string::npos);
}

TEST_F(SetEntry, StateOtherThanDeleteIsAnInvalidParameter) {
    WriteScript(std::string(Rows) + "set-removes 1\n");
    MIB_TCPROW row = DeleteRow("192.168.1.2", 80, "10.0.0.1", 51000);
    row.dwState = 2;
    EXPECT_EQ(dll->setTcpEntry(&row), 87u);
    EXPECT_EQ(LogLinesOf("SetTcpEntry")[0].substr(0, 20), "SetTcpEntry state=2 ");
    EXPECT_EQ(ReadLegacy().size(), 2u);
}

TEST_F(SetEntry, NullRowIsAnInvalidParameter) {
    WriteScript(Rows);
    EXPECT_EQ(dll->setTcpEntry(nullptr), 87u);
    EXPECT_EQ(LogLinesOf("SetTcpEntry"), (std::vector<std::string>{"SetTcpEntry row=null result=87"}));
}

TEST_F(SetEntry, SetRemovesTakesTheRowOutOfLaterReads) {
    WriteScript(std::string(Rows) + "set-removes 1\n");
    MIB_TCPROW row = DeleteRow("192.168.1.2", 80, "10.0.0.1", 51000);
    ASSERT_EQ(dll->setTcpEntry(&row), 0u);
    std::vector<Row> rows = ReadExtended();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].pid, 12u);
    // Gone now, so a second delete names no row; rewriting the script brings the row back.
    ASSERT_EQ(dll->setTcpEntry(&row), 0u);
    EXPECT_NE(LogLinesOf("SetTcpEntry")[1].find(" matched=0 "), std::string::npos);
    WriteScript(std::string(Rows) + "set-removes 1\n");
    EXPECT_EQ(ReadExtended().size(), 2u);
}

TEST_F(SetEntry, ScriptedDelayHoldsOnlyTheSetCall) {
    WriteScript(std::string(Rows) + "set-delay 3000\n");
    MIB_TCPROW row = DeleteRow("192.168.1.2", 80, "10.0.0.1", 51000);
    std::atomic<bool> answered{false};
    std::thread caller([&] {
        EXPECT_EQ(dll->setTcpEntry(&row), 0u);
        answered = true;
    });
    EXPECT_EQ(ReadLegacy().size(), 2u) << "a table read is served while the set call waits";
    EXPECT_FALSE(answered) << "the set call answered before its delay";
    caller.join();
    EXPECT_EQ(LogLinesOf("SetTcpEntry").size(), 1u);
}

TEST_F(SetEntry, FailedDeleteLeavesTheRow) {
    WriteScript(std::string(Rows) + "set-removes 1\nset-result 5\n");
    MIB_TCPROW row = DeleteRow("192.168.1.2", 80, "10.0.0.1", 51000);
    EXPECT_EQ(dll->setTcpEntry(&row), 5u);
    EXPECT_EQ(ReadLegacy().size(), 2u);
}

} // namespace
} // namespace fakes
