// Host-name cache, process-name cache, resolve queue with the read's queuing rule, and the event queue.
#include "connections/EventQueue.h"
#include "connections/HostNameCache.h"
#include "connections/ListRefresh.h"
#include "connections/ProcessNameCache.h"
#include "connections/ResolveQueue.h"
#include "connections/testing/ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

TEST(HostNameCache, KeepsRecordsInAppendOrder) {
    HostNameCache cache;
    cache.Append("10.0.0.1", "one");
    cache.Append("10.0.0.2", "two");
    ASSERT_EQ(cache.Size(), 2u);
    EXPECT_STREQ(cache.At(0).address, "10.0.0.1");
    EXPECT_STREQ(cache.At(0).hostName, "one");
    EXPECT_STREQ(cache.At(1).hostName, "two");
}

TEST(HostNameCache, CutsTextsTo510Characters) {
    HostNameCache cache;
    const std::string longAddress(600, 'a');
    const std::string longName(600, 'n');
    cache.Append(longAddress.c_str(), longName.c_str());
    EXPECT_EQ(std::string(cache.At(0).address), std::string(510, 'a'));
    EXPECT_EQ(std::string(cache.At(0).hostName), std::string(510, 'n'));
    // The index holds the stored text: the cut text is known, the full one is not.
    EXPECT_TRUE(cache.Contains(std::string(510, 'a')));
    EXPECT_FALSE(cache.Contains(longAddress));
}

TEST(HostNameCache, ContainsComparesWholeTextsExactly) {
    HostNameCache cache;
    cache.Append("10.0.0.1", "one");
    cache.Append("Host", "x");
    EXPECT_TRUE(cache.Contains("10.0.0.1"));
    EXPECT_FALSE(cache.Contains("10.0.0.10"));
    EXPECT_FALSE(cache.Contains("10.0.0."));
    EXPECT_FALSE(cache.Contains("host"));
    EXPECT_FALSE(cache.Contains(""));
}

TEST(HostNameCache, FindFromGivesTheNextRecordWithTheAddress) {
    HostNameCache cache;
    cache.Append("10.0.0.1", "a"); // 0
    cache.Append("10.0.0.2", "b"); // 1
    cache.Append("10.0.0.1", "c"); // 2
    cache.Append("10.0.0.3", "d"); // 3
    cache.Append("10.0.0.1", "e"); // 4
    EXPECT_EQ(cache.FindFrom("10.0.0.1", 0), 0u);
    EXPECT_EQ(cache.FindFrom("10.0.0.1", 1), 2u);
    EXPECT_EQ(cache.FindFrom("10.0.0.1", 2), 2u);
    EXPECT_EQ(cache.FindFrom("10.0.0.1", 3), 4u);
    EXPECT_EQ(cache.FindFrom("10.0.0.1", 5), HostNameCache::kNotFound);
    EXPECT_EQ(cache.FindFrom("10.0.0.2", 2), HostNameCache::kNotFound);
    EXPECT_EQ(cache.FindFrom("10.0.0.9", 0), HostNameCache::kNotFound);
}

TEST(HostNameCache, ClearForgetsEverythingAndAcceptsNewRecords) {
    HostNameCache cache;
    cache.Append("10.0.0.1", "one");
    cache.Clear();
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_FALSE(cache.Contains("10.0.0.1"));
    cache.Append("10.0.0.2", "two");
    EXPECT_EQ(cache.FindFrom("10.0.0.2", 0), 0u);
    EXPECT_FALSE(cache.Contains("10.0.0.1"));
}

TEST(HostNameCache, RecordsStayAddressableWhileTheCacheGrows) {
    HostNameCache cache;
    for (int i = 0; i < 5000; ++i) {
        const std::string address = "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256);
        cache.Append(address.c_str(), ("host" + std::to_string(i)).c_str());
    }
    EXPECT_EQ(cache.FindFrom("10.0.0.0", 0), 0u);
    EXPECT_EQ(cache.FindFrom("10.0.19.135", 0), 19u * 256 + 135);
    EXPECT_STREQ(cache.At(4999).hostName, "host4999");
}

TEST(ProcessNameCache, FindGivesTheFirstRecordOfAPid) {
    ProcessNameCache cache;
    cache.Append("100", "first.exe");
    cache.Append("200", "other.exe");
    cache.Append("100", "second.exe");
    const ProcessNameEntry* found = cache.Find("100");
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->processName, "first.exe");
    EXPECT_EQ(found, &cache.At(0));
    EXPECT_EQ(cache.Find("10"), nullptr);
    EXPECT_EQ(cache.Find("1000"), nullptr);
    EXPECT_EQ(cache.Find(""), nullptr);
}

TEST(ProcessNameCache, CutsPidTo15AndNameTo63Characters) {
    ProcessNameCache cache;
    const std::string longPid = "1234567890123456789";
    const std::string longName(100, 'p');
    cache.Append(longPid.c_str(), longName.c_str());
    EXPECT_STREQ(cache.At(0).pidText, "123456789012345");
    EXPECT_EQ(std::string(cache.At(0).processName), std::string(63, 'p'));
    EXPECT_NE(cache.Find("123456789012345"), nullptr);
    EXPECT_EQ(cache.Find(longPid), nullptr) << "comparison is with the stored (cut) text";
}

TEST(ProcessNameCache, EmptyNameIsCachedLikeAnyOther) {
    ProcessNameCache cache;
    cache.Append("4", "");
    const ProcessNameEntry* found = cache.Find("4");
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->processName, "");
    cache.Clear();
    EXPECT_EQ(cache.Find("4"), nullptr);
    EXPECT_EQ(cache.Size(), 0u);
}

TEST(ResolveQueue, KeepsOrderAndMembership) {
    ResolveQueue queue;
    queue.Append(3);
    queue.Append(1);
    ASSERT_EQ(queue.Size(), 2u);
    EXPECT_EQ(queue.At(0), 3u);
    EXPECT_EQ(queue.At(1), 1u);
    EXPECT_TRUE(queue.Contains(1));
    EXPECT_FALSE(queue.Contains(2));
    queue.Clear();
    EXPECT_EQ(queue.Size(), 0u);
    EXPECT_FALSE(queue.Contains(3));
}

// The read's rule: queue each address without a host name once, local before remote.
class QueueAddressesTest : public ::testing::Test {
protected:
    HostNameCache hostNames;
    ResolveQueue queue;

    std::vector<uint32_t> Queued() const {
        std::vector<uint32_t> values;
        for (size_t i = 0; i < queue.Size(); ++i) {
            values.push_back(queue.At(i));
        }
        return values;
    }
};

TEST_F(QueueAddressesTest, QueuesLocalThenRemoteInHostByteOrder) {
    QueueAddresses(MakeEntry(Ip(192, 168, 1, 2), 5000, Ip(10, 0, 0, 1), 80, kEstablished), hostNames, queue);
    EXPECT_EQ(Queued(), (std::vector<uint32_t>{0xC0A80102u, 0x0A000001u}));
}

TEST_F(QueueAddressesTest, TwoConnectionsToOneAddressQueueItOnce) {
    QueueAddresses(MakeEntry(Ip(192, 168, 1, 2), 5000, Ip(10, 0, 0, 1), 80, kEstablished), hostNames, queue);
    QueueAddresses(MakeEntry(Ip(192, 168, 1, 2), 5001, Ip(10, 0, 0, 1), 443, kEstablished), hostNames, queue);
    EXPECT_EQ(Queued(), (std::vector<uint32_t>{0xC0A80102u, 0x0A000001u}));
}

TEST_F(QueueAddressesTest, AddressStillQueuedFromAnEarlierReadIsNotQueuedAgain) {
    queue.Append(0x0A000001u);
    QueueAddresses(MakeEntry(Ip(10, 0, 0, 1), 1, Ip(10, 0, 0, 2), 2, kEstablished), hostNames, queue);
    EXPECT_EQ(Queued(), (std::vector<uint32_t>{0x0A000001u, 0x0A000002u}));
}

TEST_F(QueueAddressesTest, KnownAddressIsNotQueued) {
    hostNames.Append("10.0.0.1", "known.example");
    QueueAddresses(MakeEntry(Ip(10, 0, 0, 1), 1, Ip(10, 0, 0, 2), 2, kEstablished), hostNames, queue);
    QueueAddresses(MakeEntry(Ip(10, 0, 0, 3), 1, Ip(10, 0, 0, 1), 2, kEstablished), hostNames, queue);
    EXPECT_EQ(Queued(), (std::vector<uint32_t>{0x0A000002u, 0x0A000003u}));
}

TEST_F(QueueAddressesTest, KnownMeansAnAddressRecordNotAHostName) {
    hostNames.Append("10.0.0.9", "10.0.0.1"); // a name that looks like the address does not make it known
    QueueAddresses(MakeEntry(Ip(10, 0, 0, 1), 1, Ip(10, 0, 0, 9), 2, kEstablished), hostNames, queue);
    EXPECT_EQ(Queued(), (std::vector<uint32_t>{0x0A000001u}));
}

TEST_F(QueueAddressesTest, UnspecifiedAndLoopbackAddressesAreQueuedLikeAnyOther) {
    QueueAddresses(MakeEntry(Ip(0, 0, 0, 0), 135, Ip(0, 0, 0, 0), 0, kListening), hostNames, queue);
    QueueAddresses(MakeEntry(Ip(127, 0, 0, 1), 5000, Ip(127, 0, 0, 1), 5001, kEstablished), hostNames, queue);
    EXPECT_EQ(Queued(), (std::vector<uint32_t>{0u, 0x7F000001u}));
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

// The owner's locking scheme: one mutex around every access. A resolver thread drains the queue into
// the cache while the GUI side keeps reading and refreshing; run under ThreadSanitizer this shows the
// classes keep no hidden shared state, and afterwards every address has exactly one record.
TEST(ConnectionCaches, WorkWithOneOuterLockAcrossTwoThreads) {
    std::mutex lock;
    HostNameCache hostNames;
    ResolveQueue queue;
    ProcessNameCache processNames;
    EventQueue events;
    ConnectionSnapshot snapshot;
    for (uint32_t i = 0; i < 50; ++i) {
        snapshot.push_back(MakeEntry(Ip(192, 168, 0, 1), 1000, Ip(10, 0, 0, i), 80, kEstablished));
    }

    auto resolveAll = [&] {
        for (size_t i = 0;; ++i) {
            uint32_t address;
            {
                std::lock_guard<std::mutex> guard(lock);
                if (i >= queue.Size()) {
                    queue.Clear();
                    return;
                }
                address = queue.At(i);
            }
            char text[16];
            FormatAddress(text, HostToNetworkLong(address));
            const std::string name = std::string("name-") + text;
            std::lock_guard<std::mutex> guard(lock);
            hostNames.Append(text, name.c_str());
        }
    };

    RecordingRows rows(5);
    for (int round = 0; round < 5; ++round) {
        {
            std::lock_guard<std::mutex> guard(lock);
            for (const ConnectionEntry& entry : snapshot) {
                QueueAddresses(entry, hostNames, queue);
            }
        }
        std::thread resolver(resolveAll);
        for (int refresh = 0; refresh < 3; ++refresh) {
            std::lock_guard<std::mutex> guard(lock);
            RefreshList(rows, snapshot, hostNames, processNames, events, ColumnIndexes{}, {false, false, true, true});
        }
        resolver.join();
    }

    EXPECT_EQ(hostNames.Size(), 51u) << "each address resolved once";
    RefreshList(rows, snapshot, hostNames, processNames, events, ColumnIndexes{}, {false, false, true, false});
    EXPECT_EQ(rows.Cell(0, 0), "name-192.168.0.1");
    EXPECT_EQ(rows.Cell(49, 2), "name-10.0.0.49");
    EXPECT_EQ(events.Size(), 50u);
}
