// The tree kill's walks over scripted process lists: order, the guards against
// loops and double kills, PID 0, and the per-level walk's failed and changing
// lists.
#include "processes/ProcessTree.h"

#include <gtest/gtest.h>

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

} // namespace
