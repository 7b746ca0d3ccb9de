// The row actions' text rules (PID cell, the closer's choice of entry) and the
// bounded reads of the native process list (record chain, image name).
#include "processes/ProcessRecords.h"
#include "processes/RowActions.h"

#include <gtest/gtest.h>

namespace {

TEST(ParsePid, ReadsTheLeadingDigitsOfTheTrimmedCell) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"1234", 1234},    {"  12ab", 12},
        {"", 0},           {" \t", 0},
        {"\t7\r\n", 7},    {"abc", 0},
        {"+12", 0},        {"4294967295", 4294967295u},
        {"4294967296", 0}, {"99999999999999999999", 0},
    };
    for (const auto& [text, pid] : cases)
        EXPECT_EQ(ParsePid(text), pid) << '"' << text << '"';
}

ConnectionEntry Entry(const char* state, const char* address, const char* host, const char* localPort,
                      const char* remotePort) {
    ConnectionEntry e;
    CopyBounded(e.stateText, state);
    CopyBounded(e.remoteAddressText, address);
    CopyBounded(e.remoteHostName, host);
    CopyBounded(e.localPortText, localPort);
    CopyBounded(e.remotePortText, remotePort);
    return e;
}

TEST(FindConnectionToClose, TakesTheFirstQualifyingEntryOnly) {
    const ConnectionSnapshot snapshot{
        Entry("TIME_WAIT", "10.1.2.3", "", "5000", "80"),   // 0: not established
        Entry("ESTABLISHED", "10.1.2.3", "", "5001", "80"), // 1: other local port
        Entry("ESTABLISHED", "10.1.2.3", "", "5000",
              "8080"),                                                 // 2: other remote port
        Entry("ESTABLISHED", "10.1.2.3", "Web.Example", "5000", "80"), // 3
        Entry("ESTABLISHED", "10.1.2.3", "", "5000",
              "80"),                                           // 4: same again, never taken
        Entry("established", "192.0.2.10", "", "6000", "443"), // 5
        Entry("ESTABLISHED", "192.0.2.99", "abcde", "7000",
              "2"), // 6: one-digit port, short name
    };
    const std::pair<ClickedRow, size_t> cases[] = {
        {{"", "10.1.2.3", "80", "5000", ""}, 3},       {{"", "web.EXAMPLE", "80", "5000", ""}, 3},
        {{"", "192.0.2.10", "443", "6000", ""}, 5},    {{"", "10.1.2.3", "80", "5002", ""}, kNoEntry},
        {{"", "10.1.2.", "80", "5000", ""}, kNoEntry}, {{"", "192.0.2.99", "2", "7000", ""}, kNoEntry},
        {{"", "abcde", "2", "7000", ""}, kNoEntry},    {{"", "", "80", "5000", ""}, kNoEntry},
    };
    for (const auto& [row, expected] : cases)
        EXPECT_EQ(FindConnectionToClose(snapshot, row), expected) << row.remoteAddress << ':' << row.remotePort;
}

// The sources are exactly as long as stated, with no terminator, so ASan sees
// any read past the length.
TEST(CopyImageName, CopiesByLengthAndCutsTo259Units) {
    const std::tuple<size_t, size_t, size_t> cases[] = {{12, 24, 12},    {12, 23, 11},        {259, 518, 259},
                                                        {260, 520, 259}, {40000, 65534, 259}, {1, 0, 0}};
    for (const auto& [units, bytes, copied] : cases) {
        std::vector<char16_t> source(units, u'x');
        char16_t name[kImageNameUnits];
        EXPECT_EQ(CopyImageName(name, source.data(), bytes), copied);
        EXPECT_EQ(std::u16string(name), std::u16string(source.data(), copied));
    }
}

TEST(WalkRecordChain, EndsAtTheLastRecordOrWhereTheChainLeavesTheBuffer) {
    const struct {
        size_t size;
        std::vector<std::pair<size_t, uint32_t>> links;
        std::vector<size_t> visited;
    } cases[] = {
        {96, {{0, 32}, {32, 40}, {72, 0}}, {0, 32, 72}}, // last record
        {96, {{0, 32}, {32, 4000}}, {0, 32}},            // points past the end
        {96, {{0, 80}}, {0}},                            // next record would be cut
        {96, {{0, 0xFFFFFFF0u}}, {0}},                   // a distance that would wrap the offset
        {16, {{0, 0}}, {}},                              // buffer smaller than a record
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> buffer(c.size, 0xAB);
        for (const auto& [offset, next] : c.links)
            std::memcpy(buffer.data() + offset, &next, sizeof next);
        std::vector<size_t> visited;
        WalkRecordChain(buffer.data(), buffer.size(), 24, [&](size_t offset) {
            visited.push_back(offset);
            return true;
        });
        EXPECT_EQ(visited, c.visited);
    }
}

// Both layouts: the fields come from their offsets in each record (the second record starts at an odd
// offset, which the reader must take as well), and the pointer-sized ids keep their low 32 bits.
TEST(WalkProcessRecords, ReadsTheFieldsOfEachLayoutAlongTheChain) {
    for (const ProcessRecordLayout& layout : {kProcessRecords32, kProcessRecords64}) {
        const size_t second = layout.recordBytes + 3;
        std::vector<unsigned char> buffer(second + layout.recordBytes, 0);
        auto put = [&](size_t at, uint64_t value, size_t bytes) { std::memcpy(buffer.data() + at, &value, bytes); };
        put(0, second, 4);
        put(layout.processId, 0x1234, layout.pointerBytes);
        put(layout.parentId, 0, layout.pointerBytes);
        put(layout.nameLength, 14, 2);
        put(layout.nameBuffer, 0x00401000, layout.pointerBytes);
        put(second + layout.processId, layout.pointerBytes == 8 ? 0x7700000088ull : 0x88, layout.pointerBytes);
        put(second + layout.parentId, 0x1234, layout.pointerBytes);
        std::vector<std::tuple<uint32_t, uint32_t, uint16_t, uint64_t>> records;
        WalkProcessRecords(buffer.data(), buffer.size(), layout, [&](const ProcessRecord& r) {
            records.emplace_back(r.pid, r.parentPid, r.nameBytes, r.nameAddress);
            return true;
        });
        const std::vector<std::tuple<uint32_t, uint32_t, uint16_t, uint64_t>> expected{{0x1234, 0, 14, 0x00401000},
                                                                                       {0x88, 0x1234, 0, 0}};
        EXPECT_EQ(records, expected) << layout.recordBytes;
    }
}

} // namespace
