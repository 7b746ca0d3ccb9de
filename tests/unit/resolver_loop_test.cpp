// The address-resolution worker loop against injected lookups, with real threads (also run under
// ThreadSanitizer): names and their special cases, retries after failures, addresses queued while it
// runs, and that the lock is never held during a lookup.
#include "connections/ResolverLoop.h"
#include "connections/ByteOrder.h"
#include "connections/WorkerState.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <set>
#include <thread>

namespace {

constexpr uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return (uint32_t{a} << 24) | (uint32_t{b} << 16) | (uint32_t{c} << 8) | d; // host byte order
}

std::map<std::string, std::string> Records(std::mutex& lock, const HostNameCache& cache) {
    std::lock_guard<std::mutex> hold(lock);
    std::map<std::string, std::string> out;
    for (size_t i = 0; i < cache.Size(); ++i) {
        EXPECT_TRUE(out.emplace(cache.At(i).address, cache.At(i).hostName).second)
            << "duplicate record for " << cache.At(i).address;
    }
    return out;
}

// A reverse lookup that knows a few addresses (network byte order in, as the worker passes them).
ResolverLookups FixedLookups(std::map<std::string, std::string> names, std::string localName = "workstation") {
    ResolverLookups lookups;
    lookups.localHostName = [localName](std::string& name) {
        name = localName;
        return true;
    };
    lookups.reverseLookup = [names](uint32_t networkOrder, std::string& name) {
        const auto* b = reinterpret_cast<const unsigned char*>(&networkOrder);
        std::string text =
            std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." + std::to_string(b[3]);
        auto found = names.find(text);
        if (found == names.end())
            return false;
        name = found->second;
        return true;
    };
    lookups.now = [] { return uint64_t{0}; };
    return lookups;
}

} // namespace

// What the worker shares with the GUI thread: the lock, the queue, the cache and the stop flag, taken
// from the program's own shared worker state.
class ResolverLoop : public ::testing::Test {
protected:
    WorkerState state;
    std::mutex& lock = state.lock;
    ResolveQueue& queue = state.resolveQueue;
    HostNameCache& cache = state.hostNameCache;
    bool& stop = state.windowGone;
};

// Loopback (any 127.x.x.x) is "localhost" and 0.0.0.0 the computer's name, neither looked up; a local name under
// 3 characters makes no record; a failed lookup makes none either; names are cut to 510 characters; the queue is
// emptied at the end.
TEST_F(ResolverLoop, NamesAddressesWithTheirSpecialCases) {
    for (uint32_t address : {Address(192, 0, 2, 10), 0u, Address(127, 0, 0, 1), Address(127, 45, 6, 7),
                             Address(198, 51, 100, 9), Address(192, 0, 2, 20)})
        queue.Append(address);
    std::atomic<int> reverseCalls{0};
    ResolverLookups lookups = FixedLookups({{"192.0.2.10", "docs.example"}, {"192.0.2.20", std::string(700, 'n')}});
    auto reverse = lookups.reverseLookup;
    lookups.reverseLookup = [&](uint32_t address, std::string& name) {
        ++reverseCalls;
        return reverse(address, name);
    };
    std::thread worker([&] { RunResolver(lock, queue, cache, lookups, stop); });
    worker.join();
    auto records = Records(lock, cache);
    EXPECT_EQ(records["192.0.2.10"], "docs.example");
    EXPECT_EQ(records["192.0.2.20"], std::string(510, 'n'));
    EXPECT_EQ(records["0.0.0.0"], "workstation");
    EXPECT_EQ(records["127.0.0.1"], "localhost");
    EXPECT_EQ(records["127.45.6.7"], "localhost");
    EXPECT_EQ(records.count("198.51.100.9"), 0u) << "a failed lookup makes no record";
    EXPECT_EQ(reverseCalls.load(), 3) << "loopback and 0.0.0.0 are never looked up";
    EXPECT_EQ(queue.Size(), 0u);

    cache.Clear();
    queue.Append(0);
    queue.Append(Address(198, 51, 100, 9));
    RunResolver(lock, queue, cache, FixedLookups({{"198.51.100.9", "late.example"}}, "ab"), stop);
    records = Records(lock, cache);
    EXPECT_EQ(records.count("0.0.0.0"), 0u) << "a local name under 3 characters makes no record";
    EXPECT_EQ(records["198.51.100.9"], "late.example");
}

TEST_F(ResolverLoop, AddressesQueuedWhileRunningAreHandledAndTheLockIsFreeDuringLookups) {
    queue.Append(Address(192, 0, 2, 1));

    std::mutex gate;
    std::condition_variable changed;
    bool lookupStarted = false;
    bool released = false;
    ResolverLookups lookups = FixedLookups({{"192.0.2.1", "first.example"}, {"192.0.2.2", "second.example"}});
    auto reverse = lookups.reverseLookup;
    lookups.reverseLookup = [&](uint32_t address, std::string& name) {
        std::unique_lock<std::mutex> wait(gate);
        if (!lookupStarted) {
            lookupStarted = true;
            changed.notify_all();
            // The first lookup hangs until the "GUI" has used the shared containers.
            changed.wait(wait, [&] { return released; });
        }
        return reverse(address, name);
    };

    std::thread worker([&] { RunResolver(lock, queue, cache, lookups, stop); });
    {
        std::unique_lock<std::mutex> wait(gate);
        changed.wait(wait, [&] { return lookupStarted; });
    }
    // The refresh side takes the lock while the lookup hangs; if the worker held it this would never
    // succeed, so give up after a generous bound instead of hanging the test.
    bool locked = false;
    for (int attempt = 0; attempt < 5000 && !locked; ++attempt) {
        locked = lock.try_lock();
        if (!locked)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(locked) << "the worker held the lock during a lookup";
    queue.Append(Address(192, 0, 2, 2));
    lock.unlock();
    {
        std::lock_guard<std::mutex> wait(gate);
        released = true;
    }
    changed.notify_all();
    worker.join();

    auto records = Records(lock, cache);
    EXPECT_EQ(records["192.0.2.1"], "first.example");
    EXPECT_EQ(records["192.0.2.2"], "second.example") << "queued while the worker ran";
}

TEST_F(ResolverLoop, StopEndsTheRunWithoutTouchingTheContainers) {
    queue.Append(Address(192, 0, 2, 1));
    queue.Append(Address(192, 0, 2, 2));
    ResolverLookups lookups = FixedLookups({{"192.0.2.1", "a.example"}, {"192.0.2.2", "b.example"}});
    auto reverse = lookups.reverseLookup;
    lookups.reverseLookup = [&](uint32_t address, std::string& name) {
        // The window goes away while the first lookup runs (the owner sets stop under the lock).
        std::lock_guard<std::mutex> hold(lock);
        stop = true;
        return reverse(address, name);
    };
    std::thread worker([&] { RunResolver(lock, queue, cache, lookups, stop); });
    worker.join();
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_EQ(queue.Size(), 2u) << "the owner empties its own containers";
}

TEST_F(ResolverLoop, RefreshesRacingWorkersLeaveOneRecordPerAddress) {
    std::map<std::string, std::string> names;
    std::vector<ConnectionEntry> entries;
    for (int i = 1; i <= 40; ++i) {
        std::string text = "192.0.2." + std::to_string(i);
        if (i % 4 != 0)
            names[text] = "host" + std::to_string(i) + ".example"; // every fourth has no name
        ConnectionEntry entry{};
        snprintf(entry.localAddressText, sizeof(entry.localAddressText), "127.0.0.1");
        snprintf(entry.remoteAddressText, sizeof(entry.remoteAddressText), "%s", text.c_str());
        entry.localAddr = 0x0100007Fu; // 127.0.0.1 in network byte order on a little-endian machine
        entry.remoteAddr = (uint32_t(i) << 24) | (2u << 16) | (0u << 8) | 192u;
        entries.push_back(entry);
    }
    ResolverLookups lookups = FixedLookups(names);

    // The "GUI" keeps reading tables and starts a worker whenever none runs, like the list refresh.
    std::atomic<bool> running{false};
    std::thread worker;
    for (int refresh = 0; refresh < 300; ++refresh) {
        {
            std::lock_guard<std::mutex> hold(lock);
            for (const ConnectionEntry& entry : entries)
                QueueAddresses(entry, cache, 0, queue);
        }
        if (!running.load()) {
            if (worker.joinable())
                worker.join();
            running = true;
            worker = std::thread([&] {
                RunResolver(lock, queue, cache, lookups, stop);
                running = false;
            });
        }
    }
    worker.join();
    RunResolver(lock, queue, cache, lookups, stop); // a last pass for anything queued at the end

    auto records = Records(lock, cache); // fails on any duplicate
    EXPECT_EQ(records.size(), names.size() + 1) << "every named address once, plus localhost";
    EXPECT_EQ(records["127.0.0.1"], "localhost");
}

// A read every second for three hours: an address without a name is looked up again 30 s after its first failure,
// then after twice the last wait, never more than 30 minutes apart; one that fails twice and then has a name is
// never looked up after that; neither's wait holds up the other.
TEST_F(ResolverLoop, FailedLookupsBackOffFromThirtySecondsToThirtyMinutes) {
    const uint32_t unnamed = Address(198, 51, 100, 7), late = Address(198, 51, 100, 8);
    uint64_t nowMs = 0;
    std::map<uint32_t, std::vector<uint64_t>> lookedUpAt; // seconds
    ResolverLookups lookups = FixedLookups({});
    lookups.now = [&] { return nowMs; };
    lookups.reverseLookup = [&](uint32_t networkOrder, std::string& name) {
        const uint32_t address = HostToNetworkLong(networkOrder);
        lookedUpAt[address].push_back(nowMs / 1000);
        name = "late.example";
        return address == late && lookedUpAt[address].size() == 3;
    };
    ConnectionEntry entry{};
    snprintf(entry.localAddressText, sizeof(entry.localAddressText), "198.51.100.7");
    snprintf(entry.remoteAddressText, sizeof(entry.remoteAddressText), "198.51.100.8");
    entry.localAddr = HostToNetworkLong(unnamed);
    entry.remoteAddr = HostToNetworkLong(late);
    for (; nowMs <= 3 * 3600 * 1000; nowMs += 1000) {
        QueueAddresses(entry, cache, nowMs, queue);
        RunResolver(lock, queue, cache, lookups, stop);
    }
    EXPECT_EQ(lookedUpAt[unnamed], (std::vector<uint64_t>{0, 30, 90, 210, 450, 930, 1890, 3690, 5490, 7290, 9090}));
    EXPECT_EQ(lookedUpAt[late], (std::vector<uint64_t>{0, 30, 90}));
    EXPECT_EQ(Records(lock, cache)["198.51.100.8"], "late.example");
}
