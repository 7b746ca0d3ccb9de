// The row actions' text rules (PID cell, the closer's choice of entry) and the bounded reads of the
// native process list (record chain, image name).
#include "processes/ProcessRecords.h"
#include "processes/RowActions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ParsePid, ReadsTheLeadingDigitsOfTheTrimmedCell) {
    const struct {
        const char* text;
        uint32_t pid;
    } cases[] = {
        {"1234", 1234},
        {"  12ab", 12},
        {"", 0},
        {"   ", 0},
        {"\t7\r\n", 7},
        {"12 34", 12},
        {"0012", 12},
        {"abc", 0},
        {"+12", 0},
        {"-1", 0},
        {"4294967295", 4294967295u},
        {"4294967296", 0},
        {"99999999999999999999999", 0},
        {"0", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParsePid(c.text), c.pid) << '"' << c.text << '"';
}

ConnectionEntry Entry(const char* state, const char* address, const char* host, const char* localPort,
                      const char* remotePort, uint32_t tag) {
    ConnectionEntry e;
    CopyBounded(e.stateText, state);
    CopyBounded(e.remoteAddressText, address);
    CopyBounded(e.remoteHostName, host);
    CopyBounded(e.localPortText, localPort);
    CopyBounded(e.remotePortText, remotePort);
    e.localAddr = tag;
    return e;
}

TEST(FindConnectionToClose, TakesTheFirstQualifyingEntryOnly) {
    const ConnectionSnapshot snapshot{
        Entry("TIME_WAIT", "10.1.2.3", "", "5000", "80", 0),              // 0: not established
        Entry("ESTABLISHED", "10.1.2.3", "", "5001", "80", 1),            // 1: other local port
        Entry("ESTABLISHED", "10.1.2.3", "", "5000", "8080", 2),          // 2: other remote port
        Entry("ESTABLISHED", "10.1.2.3", "Web.Example", "5000", "80", 3), // 3
        Entry("ESTABLISHED", "10.1.2.3", "", "5000", "80", 4),            // 4: same again, never reached
        Entry("established", "192.0.2.10", "", "6000", "443", 5),         // 5: state in other case
        Entry("ESTABLISHED", "192.0.2.99", "", "7000", "2", 6),           // 6: one-digit remote port
    };
    const struct {
        ClickedRow row;
        size_t expected;
    } cases[] = {
        {{"", "10.1.2.3", "80", "5000"}, 3},
        {{"", "web.example", "80", "5000"}, 3}, // host name, case ignored
        {{"", "WEB.EXAMPLE", "80", "5000"}, 3},
        {{"", "192.0.2.10", "443", "6000"}, 5}, // state compared ignoring case
        {{"", "10.1.2.3", "80", "5002"}, kNoEntry},
        {{"", "10.1.2.3", "81", "5000"}, kNoEntry},
        {{"", "10.1.2.", "80", "5000"}, kNoEntry},   // whole texts only
        {{"", "1.2.3", "80", "5000"}, kNoEntry},     // five characters: refused
        {{"", "192.0.2.99", "2", "7000"}, kNoEntry}, // one-character port: refused
        {{"", "", "80", "5000"}, kNoEntry},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindConnectionToClose(snapshot, c.row), c.expected)
            << c.row.remoteAddress << ':' << c.row.remotePort << " from " << c.row.localPort;
    }
    // A host name of five characters or fewer in the row is refused like a short address.
    const ConnectionSnapshot named{Entry("ESTABLISHED", "10.9.9.9", "abcde", "5000", "80", 0)};
    EXPECT_EQ(FindConnectionToClose(named, {"", "abcde", "80", "5000"}), kNoEntry);
    // An empty host name in the entry never matches an empty row text (refused before).
    EXPECT_EQ(FindConnectionToClose({}, {"", "10.1.2.3", "80", "5000"}), kNoEntry);
}

TEST(MakeDeleteRow, CopiesTheRawValuesWithStateTwelve) {
    ConnectionEntry e;
    e.localAddr = 0x0100007F;
    e.localPort = 0x8813;
    e.remoteAddr = 0x0A02000C;
    e.remotePort = 0xFFFF5000;
    const TcpDeleteRow row = MakeDeleteRow(e);
    EXPECT_EQ(row.state, 12u);
    EXPECT_EQ(row.localAddr, e.localAddr);
    EXPECT_EQ(row.localPort, e.localPort);
    EXPECT_EQ(row.remoteAddr, e.remoteAddr);
    EXPECT_EQ(row.remotePort, e.remotePort);
    static_assert(sizeof(TcpDeleteRow) == 20, "five 32-bit fields, as MIB_TCPROW");
}

// Image names are copied by their length into a buffer of 260 units. The sources below are exactly as
// long as stated, with no terminator, so ASan catches any read past the length.
TEST(CopyImageName, CopiesByLengthAndCutsTo259Units) {
    const struct {
        size_t sourceUnits;
        size_t lengthBytes;
        size_t copied;
    } cases[] = {{12, 24, 12},    {12, 23, 11}, {259, 518, 259},    {260, 520, 259},
                 {300, 600, 259}, {1, 0, 0},    {40000, 65534, 259}};
    for (const auto& c : cases) {
        std::vector<char16_t> source(c.sourceUnits, u'x');
        source.back() = u'z';
        char16_t name[kImageNameUnits];
        std::fill(std::begin(name), std::end(name), u'#');
        EXPECT_EQ(CopyImageName(name, source.data(), c.lengthBytes), c.copied) << c.lengthBytes;
        EXPECT_EQ(name[c.copied], u'\0');
        EXPECT_EQ(std::u16string(name), std::u16string(source.data(), c.copied));
    }
    char16_t name[kImageNameUnits];
    EXPECT_EQ(CopyImageName(name, static_cast<const char16_t*>(nullptr), 10), 0u);
    EXPECT_EQ(name[0], u'\0');
}

// Builds a buffer of `size` bytes whose records at the given offsets point on by the given distances.
std::vector<unsigned char> Chain(size_t size, const std::vector<std::pair<size_t, uint32_t>>& links) {
    std::vector<unsigned char> buffer(size, 0xAB);
    for (const auto& [offset, next] : links)
        std::memcpy(buffer.data() + offset, &next, sizeof next);
    return buffer;
}

std::vector<size_t> Walk(const std::vector<unsigned char>& buffer, size_t recordBytes) {
    std::vector<size_t> visited;
    WalkRecordChain(buffer.data(), buffer.size(), recordBytes, [&](size_t offset) {
        visited.push_back(offset);
        return true;
    });
    return visited;
}

TEST(WalkRecordChain, EndsAtTheLastRecordOrWhereTheChainLeavesTheBuffer) {
    const struct {
        const char* what;
        size_t size;
        std::vector<std::pair<size_t, uint32_t>> links;
        std::vector<size_t> visited;
    } cases[] = {
        {"last record", 96, {{0, 32}, {32, 40}, {72, 0}}, {0, 32, 72}},
        {"points past the end", 96, {{0, 32}, {32, 4000}}, {0, 32}},
        {"next record would be cut", 96, {{0, 80}}, {0}},
        {"huge distance", 96, {{0, 0xFFFFFFF0u}}, {0}},
        {"buffer smaller than a record", 16, {{0, 0}}, {}},
        {"record exactly at the end", 48, {{0, 24}, {24, 0}}, {0, 24}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Walk(Chain(c.size, c.links), 24), c.visited) << c.what;

    std::vector<size_t> visited;
    const auto buffer = Chain(96, {{0, 32}, {32, 32}, {64, 0}});
    WalkRecordChain(buffer.data(), buffer.size(), 24, [&](size_t offset) {
        visited.push_back(offset);
        return offset < 32; // the visitor stops the walk at the second record
    });
    EXPECT_EQ(visited, (std::vector<size_t>{0, 32}));
}

} // namespace
