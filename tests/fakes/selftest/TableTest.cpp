// The table calls of the test IP helper DLL: the sizing contract, the row layouts and byte order, the sort
// order, the table classes, growth between calls and the scripted failures.
#include "ScriptedTest.h"

#include <cstring>

namespace fakes {
namespace {

constexpr char TwoRows[] = "row ESTABLISHED 192.168.1.2 80 10.0.0.1 51000 4242\n"
                           "row LISTENING 0.0.0.0 135 0.0.0.0 0 808\n";

class SizingContract : public ScriptedTest {};

TEST_F(SizingContract, SizingCallWithoutBufferReportsTheNeededSize) {
    WriteScript(TwoRows);
    CallResult legacy = CallLegacy(0, false);
    EXPECT_EQ(legacy.status, 122u);
    EXPECT_EQ(legacy.size, 4u + 2 * 20);
    CallResult extended = CallExtended(0, false);
    EXPECT_EQ(extended.status, 122u);
    EXPECT_EQ(extended.size, 4u + 2 * 24);
}

TEST_F(SizingContract, BufferOneByteShortIsRefusedUntouched) {
    WriteScript(TwoRows);
    CallResult result = CallLegacy(4 + 2 * 20 - 1, true);
    EXPECT_EQ(result.status, 122u);
    EXPECT_EQ(result.size, 44u);
    for (unsigned char byte : result.buffer) {
        ASSERT_EQ(byte, 0xAB);
    }
}

TEST_F(SizingContract, NullBufferWithLargeSizeStillAsksForABuffer) {
    WriteScript(TwoRows);
    CallResult result = CallExtended(4096, false);
    EXPECT_EQ(result.status, 122u);
    EXPECT_EQ(result.size, 52u);
}

TEST_F(SizingContract, ExactSizeFillsTheTableAndLeavesTheSize) {
    WriteScript(TwoRows);
    CallResult result = CallLegacy(44, true);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(result.size, 44u);
    EXPECT_EQ(Decode(result, 5).size(), 2u);
}

TEST_F(SizingContract, LargerBufferIsFilledOnlyAsFarAsTheTableGoes) {
    WriteScript(TwoRows);
    CallResult result = CallExtended(200, true);
    ASSERT_EQ(result.status, 0u);
    EXPECT_EQ(Decode(result, 6).size(), 2u);
    EXPECT_EQ(result.buffer[52], 0xAB);
}

TEST_F(SizingContract, EmptyTableNeedsOnlyTheCount) {
    WriteScript("# nothing but a comment\n");
    CallResult sizing = CallLegacy(0, false);
    EXPECT_EQ(sizing.status, 122u);
    EXPECT_EQ(sizing.size, 4u);
    CallResult read = CallLegacy(4, true);
    ASSERT_EQ(read.status, 0u);
    EXPECT_TRUE(Decode(read, 5).empty());
}

TEST_F(SizingContract, MissingSizePointerIsAnInvalidParameter) {
    WriteScript(TwoRows);
    unsigned char buffer[64];
    EXPECT_EQ(dll->getTcpTable(reinterpret_cast<PMIB_TCPTABLE>(buffer), nullptr, TRUE), 87u);
    EXPECT_EQ(dll->getExtendedTcpTable(buffer, nullptr, TRUE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0), 87u);
}

class RowLayout : public ScriptedTest {};

TEST_F(RowLayout, LegacyRowsAreFiveFieldsInNetworkOrder) {
    WriteScript(TwoRows);
    std::vector<Row> rows = ReadLegacy(FALSE);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], MakeRow(5, "192.168.1.2", 80, "10.0.0.1", 51000, 0));
    EXPECT_EQ(rows[1], MakeRow(2, "0.0.0.0", 135, "0.0.0.0", 0, 0));
}

TEST_F(RowLayout, ExtendedRowsAddTheOwningProcess) {
    WriteScript(TwoRows);
    std::vector<Row> rows = ReadExtended(FALSE);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], MakeRow(5, "192.168.1.2", 80, "10.0.0.1", 51000, 4242));
    EXPECT_EQ(rows[1], MakeRow(2, "0.0.0.0", 135, "0.0.0.0", 0, 808));
}

TEST_F(RowLayout, BytesInMemoryAreTheWireOrder) {
    WriteScript("row 5 192.168.1.2 80 10.0.0.1 65535 7\n");
    CallResult result = CallExtended(28, true, FALSE);
    ASSERT_EQ(result.status, 0u);
    const unsigned char* row = result.buffer.data() + 4;
    const unsigned char localAddr[] = {192, 168, 1, 2};
    const unsigned char localPort[] = {0x00, 0x50, 0x00, 0x00}; // htons(80) in the low 16 bits
    const unsigned char remotePort[] = {0xFF, 0xFF, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(row + 4, localAddr, 4), 0);
    EXPECT_EQ(std::memcmp(row + 8, localPort, 4), 0);
    EXPECT_EQ(std::memcmp(row + 16, remotePort, 4), 0);
    uint32_t pid = 0;
    std::memcpy(&pid, row + 20, 4);
    EXPECT_EQ(pid, 7u);
}

TEST_F(RowLayout, HexPortIsTheRawField) {
    WriteScript("row 5 1.2.3.4 0xABCD0050 5.6.7.8 0x00000100\n");
    std::vector<Row> rows = ReadLegacy();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].localPort, 0xABCD0050u);
    EXPECT_EQ(rows[0].remotePort, 0x100u);
}

TEST_F(RowLayout, StatesByNumberOrName) {
    WriteScript("row CLOSED 1.0.0.1 1 2.0.0.1 1\n"
                "row listening 1.0.0.2 1 2.0.0.1 1\n"
                "row CLOSE_WAIT 1.0.0.3 1 2.0.0.1 1\n"
                "row WAIT_CLOSE 1.0.0.4 1 2.0.0.1 1\n"
                "row DELETE_TCB 1.0.0.5 1 2.0.0.1 1\n"
                "row 0 1.0.0.6 1 2.0.0.1 1\n"
                "row 99 1.0.0.7 1 2.0.0.1 1\n"
                "row 4294967295 1.0.0.8 1 2.0.0.1 1 4294967295\n");
    std::vector<Row> rows = ReadExtended(FALSE);
    ASSERT_EQ(rows.size(), 8u);
    const uint32_t expected[] = {1, 2, 8, 8, 12, 0, 99, 4294967295u};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].state, expected[i]) << "row " << i;
    }
    EXPECT_EQ(rows[7].pid, 4294967295u);
}

class SortOrder : public ScriptedTest {
protected:
    // Each pair of neighbours differs in one key; several compare the other way round in network order.
    static constexpr char Script[] = "row 5 10.0.0.2 80 1.1.1.1 80 1\n"
                                     "row 5 9.255.255.255 80 1.1.1.1 80 2\n"
                                     "row 5 10.0.0.2 256 1.1.1.1 80 3\n"
                                     "row 5 10.0.0.2 1 1.1.1.1 80 4\n"
                                     "row 5 10.0.0.2 80 1.1.1.1 256 5\n"
                                     "row 5 10.0.0.2 80 0.255.1.1 80 6\n"
                                     "row 2 10.0.0.2 80 1.1.1.1 80 7\n";
};

std::vector<uint32_t> Pids(const std::vector<Row>& rows) {
    std::vector<uint32_t> pids;
    for (const Row& row : rows) {
        pids.push_back(row.pid);
    }
    return pids;
}

TEST_F(SortOrder, SortedByEndpointsInHostOrderStableForTies) {
    WriteScript(Script);
    EXPECT_EQ(Pids(ReadExtended(TRUE)), (std::vector<uint32_t>{2, 4, 6, 1, 7, 5, 3}));
}

TEST_F(SortOrder, UnsortedKeepsScriptOrder) {
    WriteScript(Script);
    EXPECT_EQ(Pids(ReadExtended(FALSE)), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(SortOrder, LegacyCallSortsTheSameWay) {
    WriteScript(Script);
    std::vector<Row> rows = ReadLegacy(TRUE);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].localAddr, inet_addr("9.255.255.255"));
    EXPECT_EQ(rows[1].localPort, htons(1));
    EXPECT_EQ(rows[2].remoteAddr, inet_addr("0.255.1.1"));
    EXPECT_EQ(rows[6].localPort, htons(256));
}

class TableClasses : public ScriptedTest {};

TEST_F(TableClasses, ListenerConnectionAndBasicClasses) {
    WriteScript(TwoRows);
    std::vector<Row> listeners = ReadExtended(FALSE, 3);
    ASSERT_EQ(listeners.size(), 1u);
    EXPECT_EQ(listeners[0].pid, 808u);
    std::vector<Row> connections = ReadExtended(FALSE, 4);
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(connections[0].pid, 4242u);
    CallResult basicAll = CallExtended(0, false, TRUE, AF_INET, 2);
    EXPECT_EQ(basicAll.size, 44u);
    EXPECT_EQ(ReadExtended(FALSE, 0).size(), 1u);
    EXPECT_EQ(ReadExtended(FALSE, 1).size(), 1u);
}

TEST_F(TableClasses, UnsupportedRequestsAreInvalidParametersAndLeaveTheSize) {
    WriteScript(TwoRows);
    struct Case {
        ULONG af, tableClass, reserved;
    } cases[] = {{23, 5, 0}, {0, 5, 0}, {AF_INET, 6, 0}, {AF_INET, 8, 0}, {AF_INET, 9, 0}, {AF_INET, 5, 1}};
    for (const Case& c : cases) {
        CallResult result = CallExtended(0, false, TRUE, c.af, c.tableClass, c.reserved);
        EXPECT_EQ(result.status, 87u) << "af " << c.af << " class " << c.tableClass << " reserved " << c.reserved;
        EXPECT_EQ(result.size, 0u);
    }
}

class Growth : public ScriptedTest {};

TEST_F(Growth, ReadWithTheReportedSizeFailsOnceTheTableGrew) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n"
                "grow 2 1\n");
    CallResult sizing = CallLegacy(0, false);
    ASSERT_EQ(sizing.status, 122u);
    EXPECT_EQ(sizing.size, 24u);
    CallResult read = CallLegacy(sizing.size, true);
    EXPECT_EQ(read.status, 122u);
    EXPECT_EQ(read.size, 4u + 3 * 20);
    // Growth used up: the next read sees the scripted table again.
    CallResult retry = CallLegacy(read.size, true);
    ASSERT_EQ(retry.status, 0u);
    EXPECT_EQ(Decode(retry, 5), (std::vector<Row>{MakeRow(5, "1.2.3.4", 80, "5.6.7.8", 443)}));
}

TEST_F(Growth, KeepsGrowingWhileTheCallerChases) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n"
                "grow 1\n");
    DWORD size = 0;
    for (DWORD expected : {28u, 52u, 76u, 100u}) {
        CallResult result = CallExtended(size, size != 0);
        ASSERT_EQ(result.status, 122u);
        EXPECT_EQ(result.size, expected);
        size = result.size;
    }
}

TEST_F(Growth, BufferWithRoomToSpareGetsTheGrownRows) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443 9\n"
                "grow 2 1\n");
    ASSERT_EQ(CallExtended(0, false).status, 122u);
    CallResult read = CallExtended(1024, true, FALSE);
    ASSERT_EQ(read.status, 0u);
    std::vector<Row> rows = Decode(read, 6);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].pid, 9u);
    EXPECT_EQ(rows[1], MakeRow(5, "192.0.2.1", 40000, "192.0.2.2", 80, 0));
    EXPECT_EQ(rows[2], MakeRow(5, "192.0.2.1", 40001, "192.0.2.2", 80, 0));
}

TEST_F(Growth, RewritingTheScriptStartsTheCountAgain) {
    const char* script = "row 5 1.2.3.4 80 5.6.7.8 443\n"
                         "grow 1 1\n";
    WriteScript(script);
    ASSERT_EQ(CallLegacy(0, false).status, 122u);
    EXPECT_EQ(CallLegacy(24, true).status, 122u);
    EXPECT_EQ(ReadLegacy().size(), 1u);
    WriteScript(script);
    ASSERT_EQ(CallLegacy(0, false).status, 122u);
    EXPECT_EQ(CallLegacy(24, true).status, 122u);
}

class ScriptedFailures : public ScriptedTest {};

TEST_F(ScriptedFailures, FailSizeReplacesTheSizingAnswerAndWritesNoSize) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n"
                "fail-size 31\n");
    CallResult sizing = CallLegacy(0, false);
    EXPECT_EQ(sizing.status, 31u);
    EXPECT_EQ(sizing.size, 0u);
    // Only answers about a too small buffer are replaced.
    EXPECT_EQ(CallLegacy(24, true).status, 0u);
    EXPECT_EQ(CallExtended(0, false).status, 31u);
}

TEST_F(ScriptedFailures, FailSizeCanReturnSuccessWithoutASize) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n"
                "fail-size 0 1\n");
    CallResult sizing = CallLegacy(0, false);
    EXPECT_EQ(sizing.status, 0u);
    EXPECT_EQ(sizing.size, 0u);
    EXPECT_EQ(CallLegacy(0, false).status, 122u);
}

TEST_F(ScriptedFailures, FailReadLeavesTheBufferUntouched) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n"
                "fail-read 13 2\n");
    for (int attempt = 0; attempt < 2; ++attempt) {
        CallResult sizing = CallExtended(0, false);
        ASSERT_EQ(sizing.status, 122u);
        CallResult read = CallExtended(sizing.size, true);
        EXPECT_EQ(read.status, 13u);
        for (unsigned char byte : read.buffer) {
            ASSERT_EQ(byte, 0xAB);
        }
    }
    EXPECT_EQ(ReadExtended().size(), 1u);
}

} // namespace
} // namespace fakes
