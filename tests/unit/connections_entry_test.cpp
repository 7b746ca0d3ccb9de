// Connection records: state names, the bounded copy, byte order, and the all-zero new entry.
#include "connections/ByteOrder.h"
#include "connections/ConnectionEntry.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <new>

TEST(TcpStateName, NamesStatesOneToTwelveAndNothingElse) {
    const char* expected[] = {"CLOSED",    "LISTENING",  "SYN_SENT", "SYN_RCVD", "ESTABLISHED", "FIN_WAIT1",
                              "FIN_WAIT2", "WAIT_CLOSE", "CLOSING",  "LAST_ACK", "TIME_WAIT",   "DELETE_TCB"};
    for (uint32_t state = 1; state <= 12; ++state)
        EXPECT_STREQ(TcpStateName(state), expected[state - 1]) << "state " << state;
    for (uint32_t state : {0u, 13u, 0x80000000u, 0xFFFFFFFFu})
        EXPECT_STREQ(TcpStateName(state), "UNKNOWN") << "state " << state;
}

TEST(CopyBounded, CopiesCutsAndTerminatesWithinTheBound) {
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CopyBoundedChars(buffer, "abc", 10), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'x') << "bytes after the terminator are not touched";
    EXPECT_EQ(CopyBoundedChars(buffer, "abcdefghij", 5), 5u);
    EXPECT_STREQ(buffer, "abcde");
    char small[4];
    EXPECT_EQ(CopyBounded(small, "abcdefgh", 100), 3u) << "the array form never exceeds the array";
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(CopyBounded(small, nullptr, 3), 0u);
    EXPECT_STREQ(small, "");
}

TEST(CopyBounded, ReadsNoFurtherThanTheBound) {
    // A source that is not terminated within the bound must not be read past it (ASan watches this).
    char* unterminated = new char[5];
    std::memset(unterminated, 'z', 5);
    char buffer[8];
    EXPECT_EQ(CopyBoundedChars(buffer, unterminated, 5), 5u);
    EXPECT_STREQ(buffer, "zzzzz");
    delete[] unterminated;
}

TEST(ConnectionEntry, NewEntryIsAllZero) {
    alignas(ConnectionEntry) unsigned char storage[sizeof(ConnectionEntry)];
    std::memset(storage, 0xAB, sizeof storage);
    auto* entry = new (storage) ConnectionEntry;
    for (size_t i = 0; i < sizeof storage; ++i) {
        ASSERT_EQ(storage[i], 0) << "byte " << i;
    }
    entry->~ConnectionEntry();
}

TEST(ByteOrder, ConvertsBetweenNetworkAndHostOrder) {
    const unsigned char bytes[4] = {10, 20, 30, 40};
    uint32_t field;
    std::memcpy(&field, bytes, 4);
    EXPECT_EQ(NetworkToHostLong(field), 0x0A141E28u);
    EXPECT_EQ(HostToNetworkLong(0x0A141E28u), field);

    const unsigned char portBytes[4] = {0x1F, 0x90, 0xEE, 0xEE}; // 8080, then junk
    std::memcpy(&field, portBytes, 4);
    if constexpr (std::endian::native == std::endian::little) {
        EXPECT_EQ(PortFromField(field), 8080);
    }
    EXPECT_EQ(PortFromField(HostToNetworkShort(443) | 0xFFFF0000u), 443);
}
