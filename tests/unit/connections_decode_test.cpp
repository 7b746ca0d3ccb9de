// Decoding of raw TCP table buffers into connection entries.
#include "connections/TableDecode.h"
#include "connections/testing/ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Decodes from a heap block of exactly the buffer's size, so AddressSanitizer catches a read past its end.
bool Decode(const std::vector<unsigned char>& table, bool withPids, ConnectionSnapshot& out, size_t cut = 0) {
    auto* block = new unsigned char[table.size() - cut];
    std::memcpy(block, table.data(), table.size() - cut);
    bool ok = DecodeTcpTable(block, table.size() - cut, withPids, out);
    delete[] block;
    return ok;
}

std::string Texts(const ConnectionEntry& e) {
    return std::string(e.stateText) + " " + e.localAddressText + ":" + e.localPortText + " " + e.remoteAddressText +
           ":" + e.remotePortText + " pid=" + e.pidText;
}

} // namespace

TEST(DecodeTcpTable, RowsBecomeDisplayTextsAndKeepTheirRawValues) {
    struct Case {
        RawRow row;
        bool withPid;
        const char* texts;
    };
    const Case cases[] = {
        {{kEstablished, Ip(192, 168, 1, 20), PortField(49152), Ip(93, 184, 216, 34), PortField(80), 9},
         false,
         "ESTABLISHED 192.168.1.20:49152 93.184.216.34:80 pid="},
        {{kListening, Ip(10, 0, 0, 254), PortField(0), Ip(255, 255, 255, 255), PortField(65535), 4},
         true,
         "LISTENING 10.0.0.254:0 255.255.255.255:65535 pid=4"},
        // Garbage in the high bits of a port field is ignored; a port is never negative.
        {{12, 0, PortField(80, 0xDEAD), 0, PortField(65535, 0xFFFF), 0x7FFFFFFF},
         true,
         "DELETE_TCB 0.0.0.0:80 0.0.0.0:65535 pid=2147483647"},
        // PIDs are signed decimal; states outside 1-12 are UNKNOWN.
        {{0, 0, PortField(256), 0, 0, 0xFFFFFFFF}, true, "UNKNOWN 0.0.0.0:256 0.0.0.0:0 pid=-1"},
        {{13, 0, 0, 0, 0, 0x80000000}, true, "UNKNOWN 0.0.0.0:0 0.0.0.0:0 pid=-2147483648"},
    };
    for (const Case& c : cases) {
        ConnectionSnapshot out(3);
        std::memset(static_cast<void*>(out.data()), 'q', 3 * sizeof(ConnectionEntry));
        ASSERT_TRUE(Decode(MakeTable({c.row, c.row}, c.withPid), c.withPid, out)) << c.texts;
        ASSERT_EQ(out.size(), 2u);
        EXPECT_EQ(Texts(out[1]), c.texts) << "the second row is not shifted by the first";
        EXPECT_EQ(out[0].localPort, c.row.localPort) << "raw fields are kept, high bits included";
        EXPECT_EQ(out[0].remoteAddr, c.row.remoteAddr);
        // A new entry: zero bytes after every text, nothing left of the previous snapshot.
        const auto* bytes = reinterpret_cast<const unsigned char*>(&out[0]);
        EXPECT_EQ(std::count(bytes, bytes + sizeof(ConnectionEntry), 'q'), 0) << c.texts;
    }
}

TEST(DecodeTcpTable, EmptyTablesAndTrailingBytesAreFine) {
    ConnectionSnapshot out(2);
    EXPECT_TRUE(Decode(MakeTable({}, true), true, out));
    EXPECT_TRUE(out.empty());
    std::vector<unsigned char> table = MakeTable({{kEstablished, 0, 0, 0, 0, 0}}, false);
    table.resize(table.size() + 19, 0xFF); // the sizing call may report more than the rows use
    EXPECT_TRUE(Decode(table, false, out));
    EXPECT_EQ(out.size(), 1u);
}

// Bad buffers: each is rejected and the previous snapshot is left exactly as it was.
TEST(DecodeTcpTable, RejectsBuffersThatCannotHoldTheirRows) {
    const std::vector<RawRow> two = {{kEstablished, 0, 0, 0, 0, 7}, {kEstablished, 0, 0, 0, 0, 8}};
    struct Case {
        const char* what;
        std::vector<unsigned char> table;
        bool withPids;
        size_t cut;
    };
    const Case cases[] = {
        {"count larger than rows", MakeTable(two, false, 3), false, 0},
        {"legacy rows read as extended", MakeTable(two, false), true, 0},
        {"huge count", MakeTable(two, true, 0xFFFFFFFF), true, 0},
        {"last row cut short by one byte", MakeTable(two, true), true, 1},
        {"shorter than the count field", std::vector<unsigned char>(3, 0), false, 0},
    };
    for (const Case& c : cases) {
        ConnectionSnapshot out(1);
        std::strcpy(out[0].remoteAddressText, "1.1.1.1");
        EXPECT_FALSE(Decode(c.table, c.withPids, out, c.cut)) << c.what;
        ASSERT_EQ(out.size(), 1u) << c.what;
        EXPECT_STREQ(out[0].remoteAddressText, "1.1.1.1") << c.what;
    }
    ConnectionSnapshot out(1);
    EXPECT_FALSE(DecodeTcpTable(nullptr, 100, false, out));
    EXPECT_EQ(out.size(), 1u);
}

TEST(FormatAddress, GivesDottedDecimalOfTheBytesInMemoryOrder) {
    char text[16];
    EXPECT_EQ(FormatAddress(text, Ip(1, 22, 133, 0)), 10u);
    EXPECT_STREQ(text, "1.22.133.0");
    FormatAddress(text, Ip(255, 255, 255, 255));
    EXPECT_STREQ(text, "255.255.255.255");
}
