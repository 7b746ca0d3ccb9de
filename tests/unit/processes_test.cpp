// The processes subsystem: the row actions' text rules (PID cell, the closer's choice of entry), the bounded
// reads of the native process list (record chain, image name; sources exactly as long as stated, with no
// terminator, so AddressSanitizer sees any read past them), the tree kill's two walks over scripted process
// lists, and the rule that a process created after the read that showed its PID is another program. (Killing a
// real tree, and sparing the newcomer given an ended process's PID, show in the table suite.)
#include "processes/ProcessRecords.h"
#include "processes/ProcessTree.h"
#include "processes/RowActions.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <optional>

namespace {

// The PID is the leading digits of the trimmed cell, 0 when there are none or they pass 32 bits. Close Connection
// takes the first established entry (any letter case) with the clicked ports whose address or host name (any
// letter case) is the clicked address; none for an address of 5 characters or fewer or a one-digit port.
TEST(RowActions, ThePidCellAndTheConnectionToClose) {
    // clang-format off
    for (const auto& [text, pid] : {std::pair<const char*, uint32_t>{"  12ab", 12}, {"\t7\r\n", 7}, {" \t", 0},
                                    {"+12", 0}, {"4294967295", 4294967295u}, {"4294967296", 0}})
        EXPECT_EQ(ParsePid(text), pid) << '"' << text << '"';
    ConnectionSnapshot snapshot;
    for (const auto& [state, address, host, localPort, remotePort] : { // 3 is the one, 4 the same again
             std::array{"TIME_WAIT", "10.1.2.3", "", "5000", "80"}, {"ESTABLISHED", "10.1.2.3", "", "5001", "80"},
             {"ESTABLISHED", "10.1.2.3", "", "5000", "8080"}, {"ESTABLISHED", "10.1.2.3", "Web.Example", "5000", "80"},
             {"ESTABLISHED", "10.1.2.3", "", "5000", "80"}, {"established", "192.0.2.10", "", "6000", "443"}}) {
        ConnectionEntry& e = snapshot.emplace_back();
        CopyBounded(e.stateText, state), CopyBounded(e.remoteAddressText, address);
        CopyBounded(e.remoteHostName, host), CopyBounded(e.localPortText, localPort);
        CopyBounded(e.remotePortText, remotePort);
    }
    const std::pair<ClickedRow, size_t> cases[] = {
        {{"", "10.1.2.3", "80", "5000", ""}, 3}, {{"", "web.EXAMPLE", "80", "5000", ""}, 3},
        {{"", "192.0.2.10", "443", "6000", ""}, 5}, {{"", "10.1.2.3", "80", "5002", ""}, kNoEntry},
        {{"", "10.1.2.", "80", "5000", ""}, kNoEntry}, {{"", "", "80", "5000", ""}, kNoEntry},
    };
    // clang-format on
    for (const auto& [row, expected] : cases)
        EXPECT_EQ(FindConnectionToClose(snapshot, row), expected) << row.remoteAddress << ':' << row.remotePort;
}

// The chain ends at the last record, at a link past the end, before a next record that would be cut, at a
// distance that would wrap the offset, and at once in a buffer smaller than a record. A name is copied by its
// byte length (an odd byte left out) and cut to 259 units.
TEST(ProcessRecords, TheChainStaysInsideTheBufferAndANameInsideItsLength) {
    // clang-format off
    const struct { size_t size; std::vector<std::pair<size_t, uint32_t>> links; std::vector<size_t> visited; }
    chains[] = {
        {96, {{0, 32}, {32, 40}, {72, 0}}, {0, 32, 72}}, {96, {{0, 32}, {32, 4000}}, {0, 32}}, {96, {{0, 80}}, {0}},
        {96, {{0, 0xFFFFFFF0u}}, {0}}, {16, {{0, 0}}, {}},
    };
    // clang-format on
    for (const auto& c : chains) {
        std::vector<unsigned char> buffer(c.size, 0xAB);
        for (const auto& [offset, next] : c.links)
            std::memcpy(buffer.data() + offset, &next, sizeof next);
        std::vector<size_t> visited;
        WalkRecordChain(buffer.data(), buffer.size(), 24, [&](size_t offset) { return visited.push_back(offset), 1; });
        EXPECT_EQ(visited, c.visited);
    }
    // clang-format off
    for (const auto& [units, bytes, copied] : {std::array<size_t, 3>{12, 23, 11}, {260, 520, 259}, {40000, 65534, 259}}) {
        // clang-format on
        std::vector<char16_t> source(units, u'x');
        char16_t name[kImageNameUnits];
        EXPECT_EQ(CopyImageName(name, source.data(), bytes), copied);
        EXPECT_EQ(std::u16string(name), std::u16string(copied, u'x'));
    }
}

// Both walks kill descendants first, each once, in this order when every level sees the same list, and report
// success when the root was killed. The walk with a list per level also spares a process whose list cannot be
// taken (with what lies below it), and never kills again a process that a later list still names.
TEST(TreeWalk, BothWalksKillDescendantsFirstOnceEach) {
    // clang-format off
    const struct { const char* name; ProcessList list; uint32_t root; std::vector<uint32_t> killOrder; } cases[] = {
        {"three levels", {{1, 0}, {10, 1}, {11, 10}, {12, 10}, {20, 1}, {21, 20}, {99, 7}}, 1, {11, 12, 10, 21, 20, 1}},
        {"siblings in list order", {{5, 1}, {3, 1}, {4, 1}, {1, 9}, {6, 3}}, 1, {5, 6, 3, 4, 1}},
        {"two-process cycle", {{7, 8}, {8, 7}}, 7, {8, 7}}, {"self parent", {{50, 50}, {51, 50}}, 50, {51, 50}},
        {"stale parent reused by a grandchild", {{100, 300}, {200, 100}, {300, 200}}, 100, {300, 200, 100}},
        {"duplicate record", {{2, 1}, {2, 1}, {3, 2}}, 1, {3, 2, 1}},
        {"idle never passed on", {{0, 0}, {4, 0}, {40, 4}, {0, 4}}, 4, {40, 4}}, {"root 0", {{0, 0}, {4, 0}}, 0, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::vector<uint32_t> killed, killedPerLevel;
        const auto take = [&](ProcessList& list) { return list = c.list, true; };
        EXPECT_EQ(std::pair(KillTreeInOneList(c.list, c.root, [&](uint32_t pid) { return killed.push_back(pid), 1; }),
                            KillTreeListPerLevel(c.root, take,
                                                 [&](uint32_t pid) { return killedPerLevel.push_back(pid), 1; })),
                  std::pair(!c.killOrder.empty(), !c.killOrder.empty()))
            << c.name;
        EXPECT_EQ(killed, c.killOrder) << c.name;
        EXPECT_EQ(killedPerLevel, c.killOrder) << c.name;
    }
    // The lists of 1, 2, 3, 4 (naming 3 again), 5, and 6 (no list, so 6 and 7 survive).
    const std::vector<std::pair<bool, ProcessList>> takes{
        {true, {{2, 1}, {4, 1}, {6, 1}}}, {true, {{3, 2}}}, {true, {}},
        {true, {{3, 4}, {5, 4}}},         {true, {}},       {false, {{7, 6}}},
    };
    size_t next = 0;
    std::vector<uint32_t> killed;
    const auto take = [&](ProcessList& out) { return out = takes.at(next).second, takes.at(next++).first; };
    EXPECT_TRUE(KillTreeListPerLevel(1, take, [&](uint32_t pid) { return killed.push_back(pid), true; }));
    EXPECT_EQ(killed, (std::vector<uint32_t>{3, 2, 5, 4, 1}));
}

// Scripted processes: creation times (none: cannot be opened), an unreadable time, and a PID that passes
// to a new process once it has been opened (between the root's check and its kill).
struct ScriptedProcesses : ProcessControl {
    struct Process {
        std::optional<uint64_t> created;
        bool timeReadable = true;
        std::optional<uint64_t> createdAfterFirstOpen = std::nullopt;
    };
    std::map<uint32_t, Process> processes;
    std::vector<uint32_t> killed;
    uint32_t open = 0;

    bool Open(uint32_t pid) override {
        EXPECT_EQ(open, 0u) << "a process opened while another is open";
        return processes.count(pid) && processes[pid].created && (open = pid);
    }
    bool CreationTime(uint64_t& time) override {
        Process& process = processes.at(open);
        time = *std::exchange(process.created, process.createdAfterFirstOpen.value_or(*process.created));
        return process.timeReadable;
    }
    bool Terminate() override { return killed.push_back(open), true; }
    void Close() override { open = 0; }
};

// The read was at time 100; the walk is the one over a single list.
TEST(KillShownTree, ProcessesCreatedAfterTheReadAreOtherPrograms) {
    using P = ScriptedProcesses::Process;
    using enum KillOutcome;
    // clang-format off
    const struct { const char* name; std::map<uint32_t, P> processes; bool tree; KillOutcome outcome;
                   std::vector<uint32_t> killed; } cases[] = {
        {"whole tree shown", {{1, P{50}}, {10, P{60}}, {11, P{70}}, {12, P{100}}}, true, Killed, {11, 10, 12, 1}},
        {"a child started after the read is spared, with its own child",
         {{1, P{50}}, {10, P{150}}, {11, P{160}}, {12, P{60}}}, true, Killed, {12, 1}},
        {"a reused root: nothing under it is touched", {{1, P{150}}, {10, P{60}}, {12, P{55}}}, true, OtherProgram, {}},
        {"a root that is gone leaves its shown descendants to the tree kill",
         {{1, P{}}, {10, P{40}}, {11, P{120}}, {12, P{60}}}, true, NotKilled, {10, 12}},
        {"an unreadable creation time kills nothing", {{1, P{50, false}}}, false, NotKilled, {}},
        {"the root's PID passes on during the walk", {{1, P{50, true, 150}}, {12, P{60}}}, true, OtherProgram, {12}},
    };
    // clang-format on
    const ProcessList list{{1, 0}, {10, 1}, {11, 10}, {12, 1}};
    const TreeWalkFn walk = [&](uint32_t root, const KillProcessFn& kill) {
        return KillTreeInOneList(list, root, kill);
    };
    for (const auto& c : cases) {
        ScriptedProcesses system;
        system.processes = c.processes;
        EXPECT_EQ(KillShownTree(system, 1, 100, c.tree ? walk : TreeWalkFn()), c.outcome) << c.name;
        EXPECT_EQ(system.killed, c.killed) << c.name;
        EXPECT_EQ(system.open, 0u) << c.name << ": a process was left open";
    }
}

} // namespace
