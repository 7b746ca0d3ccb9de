// GetTcpStatistics of the test IP helper DLL: the scripted MIB_TCPSTATS record, its field order, scripted
// failures and bad arguments.
#include "ScriptedTest.h"

#include <cstring>

namespace fakes {
namespace {

class Statistics : public ScriptedTest {
protected:
    MIB_TCPSTATS Untouched() {
        MIB_TCPSTATS stats;
        std::memset(&stats, 0xAB, sizeof stats);
        return stats;
    }
};

TEST_F(Statistics, RecordFieldsInTheirOrder) {
    WriteScript("stats 3 200 -1 -1 5 6 7 8 9 10 11 12 13 14 4294967295\n");
    MIB_TCPSTATS stats = Untouched();
    ASSERT_EQ(dll->getTcpStatistics(&stats), 0u);
    EXPECT_EQ(stats.dwRtoAlgorithm, 3u);
    EXPECT_EQ(stats.dwRtoMin, 200u);
    EXPECT_EQ(stats.dwRtoMax, 4294967295u);
    EXPECT_EQ(stats.dwMaxConn, 4294967295u);
    EXPECT_EQ(stats.dwActiveOpens, 5u);
    EXPECT_EQ(stats.dwPassiveOpens, 6u);
    EXPECT_EQ(stats.dwAttemptFails, 7u);
    EXPECT_EQ(stats.dwEstabResets, 8u);
    EXPECT_EQ(stats.dwCurrEstab, 9u);
    EXPECT_EQ(stats.dwInSegs, 10u);
    EXPECT_EQ(stats.dwOutSegs, 11u);
    EXPECT_EQ(stats.dwRetransSegs, 12u);
    EXPECT_EQ(stats.dwInErrs, 13u);
    EXPECT_EQ(stats.dwOutRsts, 14u);
    EXPECT_EQ(stats.dwNumConns, 4294967295u);
}

TEST_F(Statistics, WithoutAStatsLineEveryCounterIsZero) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n"
                "stats 1 2 3 4 5 6 7 8 9 10 11 12 13 14\n"       // one short: skipped
                "stats 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n" // one too many
                "stats 1 2 3 4 5 6 7 8 9 10 11 12 13 14 -2147483649\n");
    MIB_TCPSTATS stats = Untouched();
    ASSERT_EQ(dll->getTcpStatistics(&stats), 0u);
    MIB_TCPSTATS zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&stats, &zero, sizeof stats), 0);
}

TEST_F(Statistics, ScriptedFailureLeavesTheRecordThenPasses) {
    WriteScript("stats 2 1 2 3 4 5 6 7 8 9 10 11 12 13 14\n"
                "fail-stats 31 1\n");
    MIB_TCPSTATS stats = Untouched();
    EXPECT_EQ(dll->getTcpStatistics(&stats), 31u);
    MIB_TCPSTATS untouched = Untouched();
    EXPECT_EQ(std::memcmp(&stats, &untouched, sizeof stats), 0);
    EXPECT_EQ(dll->getTcpStatistics(&stats), 0u);
    EXPECT_EQ(stats.dwRtoAlgorithm, 2u);
}

TEST_F(Statistics, NullRecordIsAnInvalidParameter) {
    WriteScript("stats 2 1 2 3 4 5 6 7 8 9 10 11 12 13 14\n");
    EXPECT_EQ(dll->getTcpStatistics(nullptr), 87u);
    EXPECT_EQ(LogLinesOf("GetTcpStatistics"), (std::vector<std::string>{"GetTcpStatistics record=0 result=87"}));
}

} // namespace
} // namespace fakes
