// The tree kill's walks over scripted process lists: order, the guards against
// loops and double kills, PID 0, and the per-level walk's failed and changing
// lists; and the rule that a process created after the read that showed its PID
// is another program and is not killed.
#include "processes/ProcessTree.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace {

struct TreeCase {
    const char* name;
    ProcessList list;
    uint32_t root;
    std::vector<uint32_t> killOrder;
};

// Both walks give this order when every level sees the same list.
const TreeCase kTreeCases[] = {
    {"ThreeLevels", {{1, 0}, {10, 1}, {11, 10}, {12, 10}, {20, 1}, {21, 20}, {99, 7}}, 1, {11, 12, 10, 21, 20, 1}},
    {"SiblingsInListOrder", {{5, 1}, {3, 1}, {4, 1}, {1, 9}, {6, 3}}, 1, {5, 6, 3, 4, 1}},
    {"TwoProcessCycle", {{7, 8}, {8, 7}}, 7, {8, 7}},
    {"SelfParent", {{50, 50}, {51, 50}}, 50, {51, 50}},
    {"StaleParentReusedByGrandchild", {{100, 300}, {200, 100}, {300, 200}}, 100, {300, 200, 100}},
    {"DuplicateRecord", {{2, 1}, {2, 1}, {3, 2}}, 1, {3, 2, 1}},
    {"IdleNeverPassedOn", {{0, 0}, {4, 0}, {40, 4}, {0, 4}}, 4, {40, 4}},
    {"RootZero", {{0, 0}, {4, 0}}, 0, {}},
};

class TreeWalk : public testing::TestWithParam<TreeCase> {};

TEST_P(TreeWalk, BothWalksKillDescendantsFirstOnceEach) {
    const TreeCase& c = GetParam();
    std::vector<uint32_t> killed;
    auto kill = [&](uint32_t pid) {
        killed.push_back(pid);
        return true;
    };
    EXPECT_EQ(KillTreeInOneList(c.list, c.root, kill), !c.killOrder.empty());
    EXPECT_EQ(killed, c.killOrder);
    killed.clear();
    auto take = [&](ProcessList& list) {
        list = c.list;
        return true;
    };
    EXPECT_EQ(KillTreeListPerLevel(c.root, take, kill), !c.killOrder.empty());
    EXPECT_EQ(killed, c.killOrder);
}

INSTANTIATE_TEST_SUITE_P(Scripted, TreeWalk, testing::ValuesIn(kTreeCases),
                         [](const testing::TestParamInfo<TreeCase>& info) { return std::string(info.param.name); });

TEST(TreeWalk, ResultSaysOnlyWhetherTheRootWasKilled) {
    const ProcessList list{{2, 1}, {3, 1}};
    auto refuse = [](uint32_t refused) { return [refused](uint32_t pid) { return pid != refused; }; };
    auto same = [&](ProcessList& out) {
        out = list;
        return true;
    };
    EXPECT_TRUE(KillTreeInOneList(list, 1, refuse(2)));
    EXPECT_FALSE(KillTreeInOneList(list, 1, refuse(1)));
    EXPECT_TRUE(KillTreeListPerLevel(1, same, refuse(3)));
    EXPECT_FALSE(KillTreeListPerLevel(1, same, refuse(1)));
}

// One list per visited process, in visiting order: a failed take spares that
// process (and what lies below it), and a process killed earlier that a later
// list still names is not killed again.
TEST(TreeWalk, ListPerLevelSkipsFailedTakesAndKillsNothingTwice) {
    const std::vector<std::pair<bool, ProcessList>> takes{
        {true, {{2, 1}, {4, 1}, {6, 1}}}, // 1
        {true, {{3, 2}}},                 // 2
        {true, {}},                       // 3
        {true, {{3, 4}, {5, 4}}},         // 4: 3 is named again
        {true, {}},                       // 5
        {false, {{7, 6}}},                // 6: no list, so 6 and 7 survive
    };
    size_t next = 0;
    std::vector<uint32_t> killed;
    EXPECT_TRUE(KillTreeListPerLevel(
        1,
        [&](ProcessList& out) {
            out = takes.at(next).second;
            return takes.at(next++).first;
        },
        [&](uint32_t pid) {
            killed.push_back(pid);
            return true;
        }));
    EXPECT_EQ(killed, (std::vector<uint32_t>{3, 2, 5, 4, 1}));
    EXPECT_FALSE(KillTreeListPerLevel(
        1, [](ProcessList&) { return false; }, [](uint32_t) { return true; }));
}

// Scripted processes: creation times (none: cannot be opened), an unreadable time, and a PID that passes
// to a new process once it has been opened (between the root's check and its kill).
struct ScriptedProcesses : ProcessControl {
    struct Process {
        std::optional<uint64_t> created;
        bool timeReadable = true;
        std::optional<uint64_t> createdAfterFirstOpen;
    };
    std::map<uint32_t, Process> processes;
    std::vector<uint32_t> killed;
    uint32_t open = 0;

    bool Open(uint32_t pid) override {
        EXPECT_EQ(open, 0u) << "a process opened while another is open";
        auto found = processes.find(pid);
        if (found == processes.end() || !found->second.created)
            return false;
        open = pid;
        return true;
    }
    bool CreationTime(uint64_t& time) override {
        Process& process = processes.at(open);
        time = *process.created;
        if (process.createdAfterFirstOpen)
            process.created = std::exchange(process.createdAfterFirstOpen, std::nullopt);
        return process.timeReadable;
    }
    bool Terminate() override {
        killed.push_back(open);
        return true;
    }
    void Close() override { open = 0; }
};

struct ShownCase {
    const char* name;
    std::map<uint32_t, ScriptedProcesses::Process> processes; // the read was at time 100
    bool tree;
    KillOutcome outcome;
    std::vector<uint32_t> killed;
};

TEST(KillShownTree, ProcessesCreatedAfterTheReadAreOtherPrograms) {
    const ProcessList list{{1, 0}, {10, 1}, {11, 10}, {12, 1}};
    using P = ScriptedProcesses::Process;
    // clang-format off
    const ShownCase cases[] = {
        {"whole tree shown", {{1, P{50}}, {10, P{60}}, {11, P{70}}, {12, P{100}}}, true, KillOutcome::Killed,
         {11, 10, 12, 1}},
        {"a child started after the read is spared, with its own child",
         {{1, P{50}}, {10, P{150}}, {11, P{160}}, {12, P{60}}}, true, KillOutcome::Killed, {12, 1}},
        {"a reused root: nothing under it is touched", {{1, P{150}}, {10, P{160}}, {11, P{170}}, {12, P{155}}},
         true, KillOutcome::OtherProgram, {}},
        {"a reused root without the tree", {{1, P{101}}}, false, KillOutcome::OtherProgram, {}},
        {"a root that is gone leaves its shown descendants to the tree kill",
         {{1, P{}}, {10, P{40}}, {11, P{120}}, {12, P{60}}}, true, KillOutcome::NotKilled, {10, 12}},
        {"an unreadable creation time kills nothing", {{1, P{50, false}}}, false, KillOutcome::NotKilled, {}},
        {"the root's PID passes on during the walk", {{1, P{50, true, 150}}, {12, P{60}}}, true,
         KillOutcome::OtherProgram, {12}},
        {"the single process shown", {{1, P{100}}, {10, P{50}}}, false, KillOutcome::Killed, {1}},
    };
    // clang-format on
    const TreeWalkFn walk = [&](uint32_t root, const KillProcessFn& kill) {
        return KillTreeInOneList(list, root, kill);
    };
    for (const ShownCase& c : cases) {
        ScriptedProcesses system;
        system.processes = c.processes;
        EXPECT_EQ(KillShownTree(system, 1, 100, c.tree ? walk : TreeWalkFn()), c.outcome) << c.name;
        EXPECT_EQ(system.killed, c.killed) << c.name;
        EXPECT_EQ(system.open, 0u) << c.name << ": a process was left open";
    }
}

} // namespace
