// Host-name cache, process-name cache, resolve queue with the read's queuing rule, and the event queue.
#include "connections/EventQueue.h"
#include "connections/HostNameCache.h"
#include "connections/ProcessNameCache.h"
#include "connections/ResolveQueue.h"
#include "connections/testing/ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Records in append order; FindFrom gives the next record of an address; Contains compares whole texts
// exactly; Clear forgets everything; records stay addressable while the cache grows.
TEST(HostNameCache, FindsWholeTextsFromAnyRecordOn) {
    HostNameCache cache;
    for (const char* address : {"10.0.0.1", "10.0.0.2", "10.0.0.1", "Host", "10.0.0.1"})
        cache.Append(address, (std::string("name-") + std::to_string(cache.Size())).c_str());
    EXPECT_STREQ(cache.At(1).address, "10.0.0.2");
    EXPECT_STREQ(cache.At(1).hostName, "name-1");
    const std::pair<size_t, size_t> fromAndFound[] = {{0, 0}, {1, 2}, {2, 2}, {3, 4}, {5, HostNameCache::kNotFound}};
    for (const auto& [from, found] : fromAndFound)
        EXPECT_EQ(cache.FindFrom("10.0.0.1", from), found) << from;
    EXPECT_EQ(cache.FindFrom("10.0.0.2", 2), HostNameCache::kNotFound);
    for (const char* absent : {"10.0.0.10", "10.0.0.", "host", "", "10.0.0.9"})
        EXPECT_FALSE(cache.Contains(absent)) << absent;
    EXPECT_TRUE(cache.Contains("Host"));

    cache.Clear();
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_FALSE(cache.Contains("10.0.0.1"));
    for (int i = 0; i < 5000; ++i) {
        const std::string address = "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256);
        cache.Append(address.c_str(), ("host" + std::to_string(i)).c_str());
    }
    EXPECT_EQ(cache.FindFrom("10.0.0.0", 0), 0u);
    EXPECT_EQ(cache.FindFrom("10.0.19.135", 0), 19u * 256 + 135);
    EXPECT_STREQ(cache.At(4999).hostName, "host4999");
}

// Stored texts are cut (host cache: 510 characters each; process cache: PID 15, name 63), and lookups compare
// with the stored (cut) text.
TEST(NameCaches, CutLongTextsAndFindTheCutText) {
    HostNameCache hosts;
    hosts.Append(std::string(600, 'a').c_str(), std::string(600, 'n').c_str());
    EXPECT_EQ(std::string(hosts.At(0).address), std::string(510, 'a'));
    EXPECT_EQ(std::string(hosts.At(0).hostName), std::string(510, 'n'));
    EXPECT_TRUE(hosts.Contains(std::string(510, 'a')));
    EXPECT_FALSE(hosts.Contains(std::string(600, 'a')));

    ProcessNameCache processes;
    processes.Append("1234567890123456789", std::string(100, 'p').c_str());
    EXPECT_STREQ(processes.At(0).pidText, "123456789012345");
    EXPECT_EQ(std::string(processes.At(0).processName), std::string(63, 'p'));
    EXPECT_NE(processes.Find("123456789012345"), nullptr);
    EXPECT_EQ(processes.Find("1234567890123456789"), nullptr);
}

// The first record of a PID wins; an empty name is a name like any other.
TEST(ProcessNameCache, FindGivesTheFirstRecordOfAPid) {
    ProcessNameCache cache;
    cache.Append("100", "first.exe");
    cache.Append("4", "");
    cache.Append("100", "second.exe");
    ASSERT_NE(cache.Find("100"), nullptr);
    EXPECT_EQ(cache.Find("100"), &cache.At(0));
    ASSERT_NE(cache.Find("4"), nullptr);
    EXPECT_STREQ(cache.Find("4")->processName, "");
    for (const char* absent : {"10", "1000", ""})
        EXPECT_EQ(cache.Find(absent), nullptr) << absent;
    cache.Clear();
    EXPECT_EQ(cache.Find("4"), nullptr);
}

// The read's rule: queue each address without a host-name record once (also while an earlier run's queue still
// holds it), local before remote, in host byte order; unspecified and loopback addresses like any other.
TEST(QueueAddresses, QueuesEachUnknownAddressOnceLocalFirst) {
    struct Case {
        const char* what;
        std::vector<std::pair<uint32_t, uint32_t>> connections; // local, remote
        std::vector<std::pair<const char*, const char*>> records;
        std::vector<uint32_t> queuedBefore, queued;
    };
    // clang-format off
    const Case cases[] = {
        {"local then remote", {{Ip(192, 168, 1, 2), Ip(10, 0, 0, 1)}}, {}, {}, {0xC0A80102u, 0x0A000001u}},
        {"two connections to one address",
         {{Ip(192, 168, 1, 2), Ip(10, 0, 0, 1)}, {Ip(192, 168, 1, 2), Ip(10, 0, 0, 1)}}, {}, {},
         {0xC0A80102u, 0x0A000001u}},
        {"still queued", {{Ip(10, 0, 0, 1), Ip(10, 0, 0, 2)}}, {}, {0x0A000001u}, {0x0A000001u, 0x0A000002u}},
        {"known address", {{Ip(10, 0, 0, 1), Ip(10, 0, 0, 2)}, {Ip(10, 0, 0, 3), Ip(10, 0, 0, 1)}},
         {{"10.0.0.1", "known.example"}}, {}, {0x0A000002u, 0x0A000003u}},
        {"a name like the address is no record", {{Ip(10, 0, 0, 1), Ip(10, 0, 0, 9)}}, {{"10.0.0.9", "10.0.0.1"}}, {},
         {0x0A000001u}},
        {"unspecified and loopback", {{Ip(0, 0, 0, 0), Ip(0, 0, 0, 0)}, {Ip(127, 0, 0, 1), Ip(127, 0, 0, 1)}}, {}, {},
         {0u, 0x7F000001u}},
    };
    // clang-format on
    for (const Case& c : cases) {
        HostNameCache hostNames;
        ResolveQueue queue;
        for (const auto& [address, name] : c.records)
            hostNames.Append(address, name);
        for (uint32_t address : c.queuedBefore)
            queue.Append(address);
        for (const auto& [local, remote] : c.connections)
            QueueAddresses(MakeEntry(local, 5000, remote, 80, kEstablished), hostNames, 0, queue);
        std::vector<uint32_t> queued;
        for (size_t i = 0; i < queue.Size(); ++i)
            queued.push_back(queue.At(i));
        EXPECT_EQ(queued, c.queued) << c.what;
    }
}

TEST(EventQueue, HoldsOneCopyPerRemoteAddressText) {
    EventQueue events;
    ConnectionEntry first = MakeEntry(Ip(10, 0, 0, 1), 1, Ip(8, 8, 8, 8), 53, kEstablished);
    ConnectionEntry second = MakeEntry(Ip(10, 0, 0, 1), 2, Ip(8, 8, 8, 8), 53, 11);
    ConnectionEntry other = MakeEntry(Ip(10, 0, 0, 1), 3, Ip(8, 8, 4, 4), 53, 11);
    std::strcpy(first.remoteHostName, "dns.google");
    EXPECT_TRUE(events.AppendIfNew(first));
    EXPECT_FALSE(events.AppendIfNew(second));
    EXPECT_TRUE(events.AppendIfNew(other));
    ASSERT_EQ(events.Size(), 2u);
    EXPECT_STREQ(events.At(0).localPortText, "1");
    EXPECT_STREQ(events.At(0).remoteHostName, "dns.google");
    EXPECT_STREQ(events.Entries()[1].remoteAddressText, "8.8.4.4");
    EXPECT_TRUE(events.ContainsRemote("8.8.8.8"));
    EXPECT_FALSE(events.ContainsRemote("dns.google"));

    events.Clear();
    EXPECT_TRUE(events.Empty());
    EXPECT_FALSE(events.ContainsRemote("8.8.8.8"));
    EXPECT_TRUE(events.AppendIfNew(second)) << "after emptying, an address is new again";
}
