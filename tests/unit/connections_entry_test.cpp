// Connection records: state names, the bounded copy, byte order, and the all-zero new entry.
#include "connections/ByteOrder.h"
#include "connections/ConnectionEntry.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <new>

TEST(TcpStateName, NamesEveryStateFromOneToTwelve) {
    const char* expected[] = {"CLOSED",    "LISTENING",  "SYN_SENT", "SYN_RCVD", "ESTABLISHED", "FIN_WAIT1",
                              "FIN_WAIT2", "WAIT_CLOSE", "CLOSING",  "LAST_ACK", "TIME_WAIT",   "DELETE_TCB"};
    for (uint32_t state = 1; state <= 12; ++state) {
        EXPECT_STREQ(TcpStateName(state), expected[state - 1]) << "state " << state;
    }
}

TEST(TcpStateName, AnyOtherNumberIsUnknown) {
    for (uint32_t state : {0u, 13u, 100u, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_STREQ(TcpStateName(state), "UNKNOWN") << "state " << state;
    }
}

TEST(CopyBounded, CopiesShortTextWhole) {
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CopyBoundedChars(buffer, "abc", 10), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'x') << "bytes after the terminator are not touched";
}

TEST(CopyBounded, CutsLongTextAndTerminates) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(CopyBoundedChars(buffer, "abcdefghij", 5), 5u);
    EXPECT_STREQ(buffer, "abcde");
}

TEST(CopyBounded, ArrayFormNeverExceedsTheArray) {
    char buffer[4];
    EXPECT_EQ(CopyBounded(buffer, "abcdefgh", 100), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(CopyBounded(buffer, "abcdefgh"), 3u);
    EXPECT_STREQ(buffer, "abc");
}

TEST(CopyBounded, NullSourceGivesEmptyText) {
    char buffer[4] = {'a', 'b', 'c', '\0'};
    EXPECT_EQ(CopyBounded(buffer, nullptr, 3), 0u);
    EXPECT_STREQ(buffer, "");
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

TEST(ConnectionEntry, FieldsKeepTheirDeclaredSizesAndOrder) {
    EXPECT_EQ(offsetof(ConnectionEntry, pidText), 200u);
    EXPECT_EQ(offsetof(ConnectionEntry, localAddressText), 232u);
    EXPECT_EQ(offsetof(ConnectionEntry, remoteHostName), 1272u);
    EXPECT_EQ(offsetof(ConnectionEntry, stateText), 1800u);
    EXPECT_EQ(offsetof(ConnectionEntry, remotePort), 1876u);
    EXPECT_EQ(sizeof(HostNameEntry), 1024u);
    EXPECT_EQ(offsetof(ProcessNameEntry, pidText), 64u);
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
