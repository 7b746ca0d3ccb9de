// The script behind the test IP helper DLL: read again whenever it changes, missing or damaged files, lines
// that do not parse, generated rows, and calls from several threads while a test rewrites it.
#include "ScriptedTest.h"

#include <atomic>
#include <cstring>
#include <set>
#include <thread>

namespace fakes {
namespace {

class ScriptReading : public ScriptedTest {};

TEST_F(ScriptReading, RenamedNewScriptIsServedOnTheNextCall) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n");
    EXPECT_EQ(ReadLegacy().size(), 1u);
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n"
                "row 5 1.2.3.4 81 5.6.7.8 443\n"
                "row 5 1.2.3.4 82 5.6.7.8 443\n");
    EXPECT_EQ(ReadLegacy().size(), 3u);
}

TEST_F(ScriptReading, InPlaceRewriteIsNoticedToo) {
    ASSERT_TRUE(WriteFileInPlace(scriptPath, "row 5 1.2.3.4 80 5.6.7.8 443\n"));
    EXPECT_EQ(ReadLegacy().size(), 1u);
    ASSERT_TRUE(WriteFileInPlace(scriptPath, "row 5 1.2.3.4 80 5.6.7.8 443\nrow 5 1.2.3.4 81 5.6.7.8 443\n"));
    EXPECT_EQ(ReadLegacy().size(), 2u);
}

TEST_F(ScriptReading, MissingFileIsAnEmptyTable) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n");
    EXPECT_EQ(ReadLegacy().size(), 1u);
    ASSERT_TRUE(DeleteFileW(scriptPath.c_str()));
    CallResult sizing = CallLegacy(0, false);
    EXPECT_EQ(sizing.status, 122u);
    EXPECT_EQ(sizing.size, 4u);
    EXPECT_TRUE(ReadLegacy().empty());
}

TEST_F(ScriptReading, NoVariableIsAnEmptyTable) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n");
    EXPECT_EQ(ReadLegacy().size(), 1u);
    SetEnvironmentVariableW(L"PELLORAN_FAKE_IPHLPAPI", nullptr);
    EXPECT_TRUE(ReadExtended().empty());
}

TEST_F(ScriptReading, VariableNamingAnotherFileSwitchesScripts) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n");
    std::wstring other = directory + L"\\other.txt";
    ASSERT_TRUE(WriteFileAtomically(other, "row 5 9.9.9.9 80 5.6.7.8 443\nrow 5 9.9.9.9 81 5.6.7.8 443\n"));
    EXPECT_EQ(ReadLegacy().size(), 1u);
    SetEnvironmentVariableW(L"PELLORAN_FAKE_IPHLPAPI", other.c_str());
    EXPECT_EQ(ReadLegacy().size(), 2u);
}

TEST_F(ScriptReading, MalformedLinesAreSkippedAndCounted) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443 1\n"
                "row 5 1.2.3 80 5.6.7.8 443\n"      // short address
                "row 5 1.2.3.256 80 5.6.7.8 443\n"  // part above 255
                "row 5 1.2.3.4 65536 5.6.7.8 443\n" // port above 65535
                "row 5 1.2.3.4 -1 5.6.7.8 443\n"    // negative port
                "row NOSUCHSTATE 1.2.3.4 80 5.6.7.8 443\n"
                "row 5 1.2.3.4 80 5.6.7.8\n"             // field missing
                "row 5 1.2.3.4 80 5.6.7.8 443 1 extra\n" // field too many
                "row 5 1.2.3.4 80x 5.6.7.8 443\n"        // trailing junk
                "row 5 1.2.3.4 80 5.6.7.8 443 4294967296\n"
                "bogus directive\n"
                "grow many\n"
                "fail-read 0\n" // success is no failure
                "stats 1 2 3\n" // too few counters
                "set-removes 2\n"
                "log\n"
                "   # indented comment\n"
                "\t\n"
                "ROW 5 1.2.3.4 81 5.6.7.8 443 2 # trailing comment\r\n");
    std::vector<Row> rows = ReadExtended(FALSE);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].pid, 1u);
    EXPECT_EQ(rows[1], MakeRow(5, "1.2.3.4", 81, "5.6.7.8", 443, 2));
    std::vector<std::string> loaded = LogLinesOf("ScriptLoaded");
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0], "ScriptLoaded exists=1 rows=2 skipped=15");
    // A malformed directive does not take effect: reads are not failing.
    EXPECT_EQ(CallExtended(4 + 2 * 24, true).status, 0u);
}

TEST_F(ScriptReading, BinaryGarbageAndHugeLinesDoNotStopTheRest) {
    std::string script = "row 5 1.2.3.4 80 5.6.7.8 443\n";
    script += "row 5 ";
    script += '\0';
    script += "\xff\xfe 1.2.3.4 80 5.6.7.8 443\n";
    script += "row " + std::string(200000, '9') + " 1.2.3.4 80 5.6.7.8 443\n";
    script += std::string(100000, 'x') + "\n";
    script += "row 5 1.2.3.4 81 5.6.7.8 443\n";
    WriteScript(script);
    EXPECT_EQ(ReadLegacy().size(), 2u);
    EXPECT_EQ(LogLinesOf("ScriptLoaded").back(), "ScriptLoaded exists=1 rows=2 skipped=3");
}

TEST_F(ScriptReading, FileCutShortServesTheCompleteLines) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n"
                "row 5 1.2.3.4 81 5.6");
    std::vector<Row> rows = ReadLegacy();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].localPort, htons(80));
}

TEST_F(ScriptReading, LastDirectiveOfAKindWins) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n"
                "fail-read 13\n"
                "fail-read 14\n");
    ASSERT_EQ(CallLegacy(0, false).status, 122u);
    EXPECT_EQ(CallLegacy(24, true).status, 14u);
}

class GeneratedRows : public ScriptedTest {};

TEST_F(GeneratedRows, TenThousandDistinctDeterministicRows) {
    WriteScript("generate 10000\n");
    std::vector<Row> first = ReadExtended(FALSE);
    ASSERT_EQ(first.size(), 10000u);
    std::set<std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>> endpoints;
    for (const Row& row : first) {
        EXPECT_EQ(row.state, 5u);
        endpoints.insert({row.localAddr, row.localPort, row.remoteAddr, row.remotePort});
    }
    EXPECT_EQ(endpoints.size(), 10000u);
    EXPECT_EQ(first[0], MakeRow(5, "10.0.0.1", 1024, "192.0.2.1", 443));
    EXPECT_EQ(first[9999], MakeRow(5, "10.0.0.1", 1024 + 9999, "192.0.2.250", 443));
    WriteScript("generate 10000\n");
    EXPECT_EQ(ReadExtended(FALSE), first);
}

TEST_F(GeneratedRows, StateAndOwnerAndMixWithRows) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443 1\n"
                "generate 3 LISTENING 77\n"
                "generate 60001\n");
    std::vector<Row> rows = ReadExtended(FALSE);
    ASSERT_EQ(rows.size(), 1u + 3 + 60001);
    EXPECT_EQ(rows[0].pid, 1u);
    EXPECT_EQ(rows[1], MakeRow(2, "10.0.0.1", 1024, "192.0.2.1", 443, 77));
    EXPECT_EQ(rows[3].pid, 77u);
    EXPECT_EQ(rows.back(), MakeRow(5, "10.0.1.1", 1024, "192.0.2.1", 443));
}

TEST_F(GeneratedRows, CountAboveTheLimitIsMalformed) {
    WriteScript("generate 1000001\n"
                "generate -5\n"
                "generate 2 5 1 extra\n");
    EXPECT_TRUE(ReadLegacy().empty());
    EXPECT_EQ(LogLinesOf("ScriptLoaded").back(), "ScriptLoaded exists=1 rows=0 skipped=3");
}

class Concurrency : public ScriptedTest {};

// The program reads the table on its GUI thread while workers delete connections: every answer must be
// one consistent table, whatever the writer does to the script in between.
TEST_F(Concurrency, ThreadsReadingWhileTheScriptChanges) {
    const char* small = "generate 3\n";
    const char* large = "generate 5\nset-removes 1\n";
    WriteScript(small);
    std::atomic<bool> stop{false};
    std::atomic<int> inconsistent{0};
    std::atomic<int> reads{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            while (!stop) {
                DWORD size = 0;
                DWORD status = dll->getExtendedTcpTable(nullptr, &size, TRUE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
                if (status != 122) {
                    ++inconsistent;
                    continue;
                }
                std::vector<unsigned char> buffer(size + 24 * 4, 0xAB);
                size = static_cast<DWORD>(buffer.size());
                status = dll->getExtendedTcpTable(buffer.data(), &size, TRUE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
                if (status == 0) {
                    uint32_t count = 0;
                    std::memcpy(&count, buffer.data(), 4);
                    if (count > 5) {
                        ++inconsistent;
                    }
                    ++reads;
                }
                if (t == 0) {
                    MIB_TCPROW row{};
                    row.dwState = 12;
                    dll->setTcpEntry(&row);
                }
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        WriteScript(i % 2 ? small : large);
    }
    stop = true;
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(inconsistent.load(), 0);
    EXPECT_GT(reads.load(), 0);
}

} // namespace
} // namespace fakes
