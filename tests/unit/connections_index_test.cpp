// The hash indexes under the caches: the flat numeric map, the recognition of canonical address texts
// and the text index that combines both. A wrong answer here would show as a wrong host name.
#include "connections/ByteOrder.h"
#include "connections/FlatUInt32Map.h"
#include "connections/TableDecode.h"
#include "connections/TextIndex.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

TEST(FlatUInt32Map, FindsEveryKeyAcrossGrowth) {
    FlatUInt32Map map;
    std::mt19937 random(7);
    std::vector<uint32_t> keys = {0, 0xFFFFFFFFu, 1, 0x80000000u};
    for (int i = 0; i < 20000; ++i) {
        keys.push_back(static_cast<uint32_t>(random()));
    }
    for (int i = 0; i < 3000; ++i) {
        keys.push_back(0x0A000000u + static_cast<uint32_t>(i)); // neighbouring addresses
    }
    std::vector<std::pair<uint32_t, uint32_t>> stored;
    for (size_t i = 0; i < keys.size(); ++i) {
        auto [value, inserted] = map.Insert(keys[i], static_cast<uint32_t>(i));
        if (inserted) {
            stored.emplace_back(keys[i], static_cast<uint32_t>(i));
        } else {
            EXPECT_NE(value, static_cast<uint32_t>(i)) << "a repeated key keeps its first value";
        }
    }
    EXPECT_EQ(map.Size(), stored.size());
    for (const auto& [key, value] : stored) {
        ASSERT_EQ(map.Find(key), value) << key;
    }
}

TEST(FlatUInt32Map, RepeatedKeyKeepsItsFirstValue) {
    FlatUInt32Map map;
    EXPECT_EQ(map.Find(5), FlatUInt32Map::kNone);
    EXPECT_EQ(map.Insert(5, 1), std::make_pair(1u, true));
    EXPECT_EQ(map.Insert(5, 2), std::make_pair(1u, false));
    EXPECT_EQ(map.Find(5), 1u);
    EXPECT_EQ(map.Find(6), FlatUInt32Map::kNone);
    map.Clear();
    EXPECT_EQ(map.Find(5), FlatUInt32Map::kNone);
    EXPECT_EQ(map.Insert(5, 3), std::make_pair(3u, true));
}

// Only the form the read writes is an address; anything else is left a text and the value untouched.
TEST(ParseCanonicalAddress, AcceptsOnlyTheFormTheReadWrites) {
    const std::pair<const char*, uint32_t> good[] = {
        {"0.0.0.0", 0u}, {"255.255.255.255", 0xFFFFFFFFu}, {"10.0.200.1", 0x0A00C801u}};
    for (const auto& [text, expected] : good) {
        uint32_t value = 12345;
        EXPECT_TRUE(ParseCanonicalAddress(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    const char* texts[] = {"",         "1.2.3",    "1.2.3.4.5",  "256.1.1.1",  "1.2.3.4 ", " 1.2.3.4",
                           "1..2.3",   "a.b.c.d",  "1.2.3.-4",   "1234.1.1.1", "1.2.3.04", "010.0.0.1",
                           "00.0.0.0", "1.2.3.4.", "1.2.3.1000", "localhost",  "1,2.3.4",  "1.2.3.4\n"};
    for (const char* text : texts) {
        uint32_t value = 12345;
        EXPECT_FALSE(ParseCanonicalAddress(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 12345u) << "untouched on rejection";
    }
}

TEST(ParseCanonicalAddress, IsTheInverseOfFormatAddress) {
    std::mt19937 random(11);
    for (int i = 0; i < 100000; ++i) {
        const uint32_t networkOrder = static_cast<uint32_t>(random());
        char text[16];
        FormatAddress(text, networkOrder);
        uint32_t value = 0;
        ASSERT_TRUE(ParseCanonicalAddress(text, value)) << text;
        char again[16];
        FormatAddress(again, HostToNetworkLong(value));
        ASSERT_STREQ(again, text);
    }
}

TEST(TextIndex, KeepsAddressesNearAddressesAndNamesApart) {
    TextIndex index;
    EXPECT_TRUE(index.Insert("10.0.0.1", 1).second);
    EXPECT_TRUE(index.Insert("010.0.0.1", 2).second);
    EXPECT_TRUE(index.Insert("10.0.0.1 ", 3).second);
    EXPECT_TRUE(index.Insert("host.example", 4).second);
    EXPECT_TRUE(index.Insert("", 5).second);
    EXPECT_FALSE(index.Insert("10.0.0.1", 9).second);
    EXPECT_FALSE(index.Insert("host.example", 9).second);

    EXPECT_EQ(index.Find("10.0.0.1"), 1u);
    EXPECT_EQ(index.Find("010.0.0.1"), 2u);
    EXPECT_EQ(index.Find("10.0.0.1 "), 3u);
    EXPECT_EQ(index.Find("host.example"), 4u);
    EXPECT_EQ(index.Find(""), 5u);
    EXPECT_EQ(index.Find("10.0.0.01"), TextIndex::kNone);
    EXPECT_EQ(index.Find("Host.example"), TextIndex::kNone);

    index.Clear();
    EXPECT_EQ(index.Find("10.0.0.1"), TextIndex::kNone);
    EXPECT_EQ(index.Find("host.example"), TextIndex::kNone);
}
