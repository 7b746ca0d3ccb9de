// The table read's rules against a scripted library call: sizing on the first read, headroom after it,
// retries while the table grows, and every way a read fails.
#include "connections/TableFetch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

// One answer of the scripted call: status, the size it reports with 122, the row count it writes with 0.
struct Reply {
    uint32_t status;
    uint32_t needed = 0;
    uint32_t rows = 0;
};

// "?" for a sizing call (no buffer), else the buffer size the read was given.
struct FetchCase {
    const char* name;
    size_t lastBefore;
    std::vector<Reply> replies;
    bool ok;
    std::vector<std::string> calls;
    size_t lastAfter;
};

constexpr size_t kRow = 24;

const FetchCase kCases[] = {
    {"FirstReadIsSized", 0, {{122, 52}, {0, 0, 2}}, true, {"?", "52"}, 52},
    {"SizingCallWithoutSizeFails", 0, {{0}}, false, {"?"}, 0},
    {"SizingCallErrorFails", 0, {{87}}, false, {"?"}, 0},
    {"LaterReadKeepsHeadroomAndSkipsSizing", 52, {{0, 0, 3}}, true, {"449"}, 76},
    {"GrowthIsReadWithTheReportedSize",
     0,
     {{122, 52}, {122, 100}, {122, 124}, {0, 0, 5}},
     true,
     {"?", "52", "100", "124"},
     124},
    {"EndlessGrowthGivesUpAfterThreeRetries",
     52,
     {{122, 500}, {122, 600}, {122, 700}, {122, 800}, {0}},
     false,
     {"449", "500", "600", "700"},
     52},
    {"ShortageWithoutALargerSizeFails", 52, {{122, 449}}, false, {"449"}, 52},
    {"ReadErrorFails", 52, {{31}}, false, {"449"}, 52},
    {"RowCountBeyondTheBufferKeepsTheBufferSize", 0, {{122, 52}, {0, 0, 1000}}, true, {"?", "52"}, 52},
};

class TableFetch : public testing::TestWithParam<FetchCase> {};

TEST_P(TableFetch, FollowsTheReadRules) {
    const FetchCase& c = GetParam();
    size_t next = 0;
    std::vector<std::string> calls;
    TableCall call = [&](void* table, uint32_t* size) -> uint32_t {
        calls.push_back(table ? std::to_string(*size) : "?");
        if (next >= c.replies.size())
            return 1;
        const Reply& reply = c.replies[next++];
        if (reply.status == 122)
            *size = reply.needed;
        else if (reply.status == 0 && *size >= 4)
            std::memcpy(table, &reply.rows, 4);
        return reply.status;
    };
    size_t last = c.lastBefore;
    std::vector<unsigned char> buffer;
    EXPECT_EQ(FetchTcpTable(call, kRow, last, buffer), c.ok);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(last, c.lastAfter);
    if (c.ok) {
        EXPECT_EQ(buffer.size(), std::stoul(c.calls.back()));
    }
}

INSTANTIATE_TEST_SUITE_P(Unit, TableFetch, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FetchCase>& info) { return info.param.name; });

TEST(TableFetchSize, HeadroomIsAQuarterAndSixteenRowsCappedAt32Bits) {
    EXPECT_EQ(TableReadSize(400, 20), 400u + 100 + 320);
    EXPECT_EQ(TableReadSize(size_t{4000000000u}, 24), std::numeric_limits<uint32_t>::max());
}

} // namespace
