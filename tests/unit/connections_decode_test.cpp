// Decoding of raw TCP table buffers into connection entries.
#include "connections/TableDecode.h"
#include "connections/testing/ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

ConnectionSnapshot DecodeOrFail(const std::vector<unsigned char>& table, bool withPids) {
    ConnectionSnapshot out;
    EXPECT_TRUE(DecodeTcpTable(table.data(), table.size(), withPids, out));
    return out;
}

bool AllZeroAfterText(const char* field, size_t size) {
    for (size_t i = std::strlen(field); i < size; ++i) {
        if (field[i] != '\0') {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(DecodeTcpTable, LegacyRowBecomesDisplayTextsAndRawValues) {
    const RawRow row{kEstablished, Ip(192, 168, 1, 20), PortField(49152), Ip(93, 184, 216, 34), PortField(80), 0};
    ConnectionSnapshot out = DecodeOrFail(MakeTable({row}, false), false);
    ASSERT_EQ(out.size(), 1u);
    const ConnectionEntry& entry = out[0];
    EXPECT_STREQ(entry.pidText, "");
    EXPECT_STREQ(entry.processName, "");
    EXPECT_STREQ(entry.localAddressText, "192.168.1.20");
    EXPECT_STREQ(entry.localPortText, "49152");
    EXPECT_STREQ(entry.remoteAddressText, "93.184.216.34");
    EXPECT_STREQ(entry.remoteHostName, "");
    EXPECT_STREQ(entry.remotePortText, "80");
    EXPECT_STREQ(entry.stateText, "ESTABLISHED");
    EXPECT_EQ(entry.localAddr, row.localAddr);
    EXPECT_EQ(entry.localPort, row.localPort);
    EXPECT_EQ(entry.remoteAddr, row.remoteAddr);
    EXPECT_EQ(entry.remotePort, row.remotePort);
}

TEST(DecodeTcpTable, AddressTextIsTheBytesInMemoryOrder) {
    const unsigned char local[4] = {10, 0, 0, 254};
    const unsigned char remote[4] = {255, 255, 255, 255};
    RawRow row{kListening, 0, 0, 0, 0, 0};
    std::memcpy(&row.localAddr, local, 4);
    std::memcpy(&row.remoteAddr, remote, 4);
    ConnectionSnapshot out = DecodeOrFail(MakeTable({row, RawRow{kListening, 0, 0, 0, 0, 0}}, false), false);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_STREQ(out[0].localAddressText, "10.0.0.254");
    EXPECT_STREQ(out[0].remoteAddressText, "255.255.255.255");
    EXPECT_STREQ(out[1].localAddressText, "0.0.0.0");
    EXPECT_STREQ(out[1].remoteAddressText, "0.0.0.0");
}

TEST(DecodeTcpTable, PortsComeFromTheLowSixteenBitsInNetworkOrder) {
    struct Case {
        uint32_t field;
        const char* text;
    };
    const Case cases[] = {
        {PortField(80), "80"},
        {PortField(65535), "65535"},
        {PortField(0), "0"},
        {PortField(256), "256"},
        {PortField(80, 0xDEAD), "80"},       // garbage in the high bits is ignored
        {PortField(65535, 0xFFFF), "65535"}, // never negative
    };
    for (const Case& c : cases) {
        ConnectionSnapshot out = DecodeOrFail(MakeTable({{kEstablished, 0, c.field, 0, c.field, 0}}, false), false);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_STREQ(out[0].localPortText, c.text);
        EXPECT_STREQ(out[0].remotePortText, c.text);
        EXPECT_EQ(out[0].localPort, c.field) << "raw field kept unchanged, high bits included";
    }
    if constexpr (std::endian::native == std::endian::little) {
        // Port 80 as the library stores it on Windows: bytes 00 50 in memory, the low half of the field.
        const unsigned char bytes[4] = {0x00, 0x50, 0x12, 0x34};
        uint32_t field;
        std::memcpy(&field, bytes, 4);
        ConnectionSnapshot out = DecodeOrFail(MakeTable({{kEstablished, 0, field, 0, 0, 0}}, false), false);
        EXPECT_STREQ(out[0].localPortText, "80");
    }
}

TEST(DecodeTcpTable, ExtendedRowsCarryThePidAsSignedDecimal) {
    const std::vector<RawRow> rows = {
        {kEstablished, 0, 0, 0, 0, 1234},       {kEstablished, 0, 0, 0, 0, 0},
        {kEstablished, 0, 0, 0, 0, 0x7FFFFFFF}, {kEstablished, 0, 0, 0, 0, 0xFFFFFFFF},
        {kEstablished, 0, 0, 0, 0, 0x80000000},
    };
    ConnectionSnapshot out = DecodeOrFail(MakeTable(rows, true), true);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_STREQ(out[0].pidText, "1234");
    EXPECT_STREQ(out[1].pidText, "0");
    EXPECT_STREQ(out[2].pidText, "2147483647");
    EXPECT_STREQ(out[3].pidText, "-1");
    EXPECT_STREQ(out[4].pidText, "-2147483648");
}

TEST(DecodeTcpTable, ExtendedRowFieldsAreNotShiftedByThePid) {
    const RawRow row{kListening, Ip(127, 0, 0, 1), PortField(135), Ip(10, 1, 2, 3), PortField(443), 4};
    ConnectionSnapshot out = DecodeOrFail(MakeTable({row, row}, true), true);
    ASSERT_EQ(out.size(), 2u);
    for (const ConnectionEntry& entry : out) {
        EXPECT_STREQ(entry.stateText, "LISTENING");
        EXPECT_STREQ(entry.localAddressText, "127.0.0.1");
        EXPECT_STREQ(entry.localPortText, "135");
        EXPECT_STREQ(entry.remoteAddressText, "10.1.2.3");
        EXPECT_STREQ(entry.remotePortText, "443");
        EXPECT_STREQ(entry.pidText, "4");
    }
}

TEST(DecodeTcpTable, StateNumbersOutsideTheTableShowUnknown) {
    ConnectionSnapshot out =
        DecodeOrFail(MakeTable({{0, 0, 0, 0, 0, 0}, {12, 0, 0, 0, 0, 0}, {13, 0, 0, 0, 0, 0}}, false), false);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_STREQ(out[0].stateText, "UNKNOWN");
    EXPECT_STREQ(out[1].stateText, "DELETE_TCB");
    EXPECT_STREQ(out[2].stateText, "UNKNOWN");
}

TEST(DecodeTcpTable, ReplacesThePreviousSnapshotWithZeroFilledEntries) {
    ConnectionSnapshot out(3);
    for (ConnectionEntry& old : out) {
        std::memset(static_cast<void*>(&old), 'q', sizeof old);
    }
    const std::vector<unsigned char> table = MakeTable({{kEstablished, Ip(1, 2, 3, 4), PortField(1), 0, 0, 0}}, false);
    ASSERT_TRUE(DecodeTcpTable(table.data(), table.size(), false, out));
    ASSERT_EQ(out.size(), 1u);
    const ConnectionEntry& entry = out[0];
    EXPECT_TRUE(AllZeroAfterText(entry.processName, sizeof entry.processName));
    EXPECT_TRUE(AllZeroAfterText(entry.pidText, sizeof entry.pidText));
    EXPECT_TRUE(AllZeroAfterText(entry.localAddressText, sizeof entry.localAddressText));
    EXPECT_TRUE(AllZeroAfterText(entry.remoteHostName, sizeof entry.remoteHostName));
    EXPECT_TRUE(AllZeroAfterText(entry.stateText, sizeof entry.stateText));
}

TEST(DecodeTcpTable, EmptyTableGivesEmptySnapshot) {
    ConnectionSnapshot out(2);
    const std::vector<unsigned char> table = MakeTable({}, true);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_TRUE(DecodeTcpTable(table.data(), table.size(), true, out));
    EXPECT_TRUE(out.empty());
}

TEST(DecodeTcpTable, BytesBeyondTheLastRowAreIgnored) {
    std::vector<unsigned char> table = MakeTable({{kEstablished, 0, 0, 0, 0, 0}}, false);
    table.resize(table.size() + 19, 0xFF); // the sizing call may report more than the rows use
    ConnectionSnapshot out;
    EXPECT_TRUE(DecodeTcpTable(table.data(), table.size(), false, out));
    EXPECT_EQ(out.size(), 1u);
}

// Bad buffers: each is rejected and the previous snapshot is left exactly as it was. The buffers are
// heap blocks of the exact size, so a read past the end is caught under AddressSanitizer.
TEST(DecodeTcpTable, RejectsBuffersThatCannotHoldTheirRows) {
    ConnectionSnapshot previous(1);
    std::strcpy(previous[0].remoteAddressText, "1.1.1.1");

    const std::vector<RawRow> two = {{kEstablished, 0, 0, 0, 0, 7}, {kEstablished, 0, 0, 0, 0, 8}};
    struct Case {
        const char* what;
        std::vector<unsigned char> table;
        bool withPids;
    };
    std::vector<Case> cases;
    cases.push_back({"count larger than rows", MakeTable(two, false, 3), false});
    cases.push_back({"legacy rows read as extended", MakeTable(two, false), true});
    cases.push_back({"huge count", MakeTable(two, true, 0xFFFFFFFF), true});
    const std::vector<unsigned char> full = MakeTable(two, true);
    cases.push_back({"last row cut short by one byte", {full.begin(), full.end() - 1}, true});
    cases.push_back({"shorter than the count field", std::vector<unsigned char>(3, 0), false});

    for (Case& c : cases) {
        auto* block = new unsigned char[c.table.size()];
        std::memcpy(block, c.table.data(), c.table.size());
        ConnectionSnapshot out = previous;
        EXPECT_FALSE(DecodeTcpTable(block, c.table.size(), c.withPids, out)) << c.what;
        ASSERT_EQ(out.size(), 1u) << c.what;
        EXPECT_STREQ(out[0].remoteAddressText, "1.1.1.1") << c.what;
        delete[] block;
    }
}

TEST(DecodeTcpTable, RejectsMissingBuffer) {
    ConnectionSnapshot out(1);
    EXPECT_FALSE(DecodeTcpTable(nullptr, 100, false, out));
    const uint32_t empty = 0;
    EXPECT_FALSE(DecodeTcpTable(&empty, 0, false, out));
    EXPECT_EQ(out.size(), 1u);
}

TEST(DecodeTcpTable, DecodesExactlySizedBufferWithoutOverreading) {
    const std::vector<unsigned char> table = MakeTable({{kEstablished, 0, 0, 0, 0, 1}, {11, 0, 0, 0, 0, 2}}, true);
    auto* block = new unsigned char[table.size()];
    std::memcpy(block, table.data(), table.size());
    ConnectionSnapshot out;
    EXPECT_TRUE(DecodeTcpTable(block, table.size(), true, out));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_STREQ(out[1].stateText, "TIME_WAIT");
    EXPECT_STREQ(out[1].pidText, "2");
    delete[] block;
}

TEST(FormatAddress, GivesDottedDecimal) {
    char text[16];
    EXPECT_EQ(FormatAddress(text, Ip(1, 22, 133, 0)), 10u);
    EXPECT_STREQ(text, "1.22.133.0");
    FormatAddress(text, Ip(255, 255, 255, 255));
    EXPECT_STREQ(text, "255.255.255.255");
}
