// The tree kill's walks over scripted process lists: order, the guards against loops and double kills,
// PID 0, and the per-level walk's failures.
#include "processes/ProcessTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TreeCase {
    const char* name;
    ProcessList list;
    uint32_t root;
    std::vector<uint32_t> killOrder;
};

// Both walks must give the same order when every level sees the same list.
const TreeCase kTreeCases[] = {
    {"ThreeLevelsDescendantsFirst",
     {{1, 0}, {10, 1}, {11, 10}, {12, 10}, {20, 1}, {21, 20}, {99, 7}},
     1,
     {11, 12, 10, 21, 20, 1}},
    {"SiblingsInListOrderNotByPid", {{5, 1}, {3, 1}, {4, 1}, {1, 9}, {6, 3}}, 1, {5, 6, 3, 4, 1}},
    {"TwoProcessCycle", {{7, 8}, {8, 7}}, 7, {8, 7}},
    {"SelfParentKilledOnce", {{50, 50}, {51, 50}}, 50, {51, 50}},
    // 100's parent id 300 is stale and now belongs to its own grandchild.
    {"StaleParentReusedByDescendant", {{100, 300}, {200, 100}, {300, 200}}, 100, {300, 200, 100}},
    {"DuplicateRecordVisitedOnce", {{2, 1}, {2, 1}, {3, 2}}, 1, {3, 2, 1}},
    {"IdleNamingItselfIsNeverPassedOn", {{0, 0}, {4, 0}, {40, 4}, {0, 4}}, 4, {40, 4}},
    {"RootZeroKillsNothing", {{0, 0}, {4, 0}, {40, 4}}, 0, {}},
    {"ProcessWithoutChildren", {{1, 0}, {2, 0}}, 2, {2}},
    {"RootMissingFromListIsStillKilled", {{2, 77}}, 77, {2, 77}},
};

void PrintTo(const TreeCase& c, std::ostream* os) { *os << c.name; }

class TreeWalk : public testing::TestWithParam<TreeCase> {};

TEST_P(TreeWalk, OneListKillsInOrder) {
    const TreeCase& c = GetParam();
    std::vector<uint32_t> killed;
    bool rootKilled = KillTreeInOneList(c.list, c.root, [&](uint32_t pid) {
        killed.push_back(pid);
        return true;
    });
    EXPECT_EQ(killed, c.killOrder);
    EXPECT_EQ(rootKilled, !c.killOrder.empty());
}

TEST_P(TreeWalk, ListPerLevelKillsInOrder) {
    const TreeCase& c = GetParam();
    std::vector<uint32_t> killed;
    bool rootKilled = KillTreeListPerLevel(
        c.root,
        [&](ProcessList& list) {
            list = c.list;
            return true;
        },
        [&](uint32_t pid) {
            killed.push_back(pid);
            return true;
        });
    EXPECT_EQ(killed, c.killOrder);
    EXPECT_EQ(rootKilled, !c.killOrder.empty());
}

INSTANTIATE_TEST_SUITE_P(Scripted, TreeWalk, testing::ValuesIn(kTreeCases),
                         [](const testing::TestParamInfo<TreeCase>& info) { return std::string(info.param.name); });

TEST(TreeWalkResult, SaysOnlyWhetherTheRootWasKilled) {
    const ProcessList list{{2, 1}, {3, 1}};
    auto refuse = [](uint32_t refused) { return [refused](uint32_t pid) { return pid != refused; }; };
    EXPECT_TRUE(KillTreeInOneList(list, 1, refuse(2)));
    EXPECT_FALSE(KillTreeInOneList(list, 1, refuse(1)));
    auto same = [&](ProcessList& out) {
        out = list;
        return true;
    };
    EXPECT_TRUE(KillTreeListPerLevel(1, same, refuse(3)));
    EXPECT_FALSE(KillTreeListPerLevel(1, same, refuse(1)));
}

// Lists differ from level to level in the per-level walk: the takes, their failures, and a process
// already killed that a later list still names as a child.
TEST(TreeWalkListPerLevel, TakesOneListPerVisitedProcessAndSkipsTheFailedOnes) {
    const ProcessList list{{10, 1}, {11, 10}, {20, 1}, {21, 20}};
    std::vector<size_t> takes;
    std::vector<uint32_t> killed;
    size_t take = 0;
    bool rootKilled = KillTreeListPerLevel(
        1,
        [&](ProcessList& out) {
            takes.push_back(++take);
            out = list;
            return take != 2; // the list taken for 10 fails: 10 and 11 survive
        },
        [&](uint32_t pid) {
            killed.push_back(pid);
            return true;
        });
    EXPECT_TRUE(rootKilled);
    EXPECT_EQ(killed, (std::vector<uint32_t>{21, 20, 1}));
    EXPECT_EQ(takes.size(), 4u); // 1, 10 (failed), 20, 21
}

TEST(TreeWalkListPerLevel, RootWithoutAListKillsNothing) {
    std::vector<uint32_t> killed;
    EXPECT_FALSE(KillTreeListPerLevel(
        1, [](ProcessList&) { return false; },
        [&](uint32_t pid) {
            killed.push_back(pid);
            return true;
        }));
    EXPECT_TRUE(killed.empty());
}

TEST(TreeWalkListPerLevel, AProcessKilledEarlierIsNotKilledAgainFromALaterList) {
    // 3 is killed under 2; a later list (a terminated process can linger, or its id can come back)
    // shows 3 under 4 as well.
    std::vector<ProcessList> lists{
        {{2, 1}, {4, 1}}, // level of 1
        {{3, 2}},         // level of 2
        {},               // level of 3
        {{3, 4}, {5, 4}}, // level of 4
        {},               // level of 5
    };
    size_t next = 0;
    std::vector<uint32_t> killed;
    KillTreeListPerLevel(
        1,
        [&](ProcessList& out) {
            out = next < lists.size() ? lists[next++] : ProcessList{};
            return true;
        },
        [&](uint32_t pid) {
            killed.push_back(pid);
            return true;
        });
    EXPECT_EQ(killed, (std::vector<uint32_t>{3, 2, 5, 4, 1}));
}

} // namespace
