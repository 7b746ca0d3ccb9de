// The two tree-kill walks (both iterative, so that a long parent chain cannot exhaust the stack) and the
// rule that a process created after the read that showed its PID is never killed.
#include "processes/ProcessTree.h"

#include <unordered_set>
#include <utility>

namespace {

// The next record at or after `from` that names `parent` and may still be visited; list.size() if none.
size_t NextChild(const ProcessList& list, size_t from, uint32_t parent, const std::unordered_set<uint32_t>& seen) {
    for (size_t i = from; i < list.size(); ++i) {
        const ProcessLink& link = list[i];
        if (link.parentPid == parent && link.pid != 0 && seen.count(link.pid) == 0)
            return i;
    }
    return list.size();
}

} // namespace

bool KillTreeInOneList(const ProcessList& list, uint32_t root, const KillProcessFn& kill) {
    if (root == 0)
        return false;
    struct Frame {
        uint32_t pid;
        size_t next; // where the search for this process's next child goes on
    };
    std::unordered_set<uint32_t> seen{root};
    std::vector<Frame> path{{root, 0}};
    bool rootKilled = false;
    while (!path.empty()) {
        Frame& top = path.back();
        size_t child = NextChild(list, top.next, top.pid, seen);
        if (child < list.size()) {
            top.next = child + 1;
            seen.insert(list[child].pid);
            path.push_back({list[child].pid, 0});
            continue;
        }
        bool killed = kill(top.pid);
        path.pop_back();
        if (path.empty())
            rootKilled = killed;
    }
    return rootKilled;
}

bool KillTreeListPerLevel(uint32_t root, const TakeProcessListFn& take, const KillProcessFn& kill) {
    if (root == 0)
        return false;
    struct Frame {
        uint32_t pid;
        ProcessList list; // this level's list, held while the children are walked
        size_t next;
    };
    std::unordered_set<uint32_t> seen;
    std::vector<Frame> path;
    // Enters a process: takes its level's list; a process without one is left alone.
    auto enter = [&](uint32_t pid) {
        seen.insert(pid);
        Frame frame{pid, {}, 0};
        if (take(frame.list))
            path.push_back(std::move(frame));
    };
    enter(root);
    bool rootKilled = false;
    while (!path.empty()) {
        Frame& top = path.back();
        size_t child = NextChild(top.list, top.next, top.pid, seen);
        if (child < top.list.size()) {
            top.next = child + 1;
            enter(top.list[child].pid);
            continue;
        }
        uint32_t pid = top.pid;
        path.pop_back(); // releases the level's list before the kill
        bool killed = kill(pid);
        if (pid == root)
            rootKilled = killed;
    }
    return rootKilled;
}

namespace {

// Whether the open process was created after the read; unknown when its creation time cannot be read.
enum class Age { Shown, Later, Unknown };

Age AgeOf(ProcessControl& control, uint64_t readTime) {
    uint64_t created = 0;
    if (!control.CreationTime(created))
        return Age::Unknown;
    return created > readTime ? Age::Later : Age::Shown;
}

} // namespace

KillOutcome KillShownProcess(ProcessControl& control, uint32_t pid, uint64_t readTime) {
    if (pid == 0 || !control.Open(pid))
        return KillOutcome::NotKilled;
    KillOutcome outcome = KillOutcome::NotKilled;
    switch (AgeOf(control, readTime)) {
    case Age::Later:
        outcome = KillOutcome::OtherProgram;
        break;
    case Age::Shown:
        outcome = control.Terminate() ? KillOutcome::Killed : KillOutcome::NotKilled;
        break;
    case Age::Unknown: // nothing says it is the process shown: a kill is not undone
        break;
    }
    control.Close();
    return outcome;
}

KillOutcome KillShownTree(ProcessControl& control, uint32_t root, uint64_t readTime, const TreeWalkFn& walk) {
    if (root == 0)
        return KillOutcome::NotKilled;
    if (walk) {
        // The walk kills the root last: a root that is another program must be found before its
        // descendants (that program's children) are touched. A root that is gone is no reason to spare
        // the descendants it left, each of which is checked on its own.
        if (control.Open(root)) {
            const Age age = AgeOf(control, readTime);
            control.Close();
            if (age == Age::Later)
                return KillOutcome::OtherProgram;
        }
    }
    KillOutcome rootOutcome = KillOutcome::NotKilled;
    const KillProcessFn kill = [&](uint32_t pid) {
        const KillOutcome outcome = KillShownProcess(control, pid, readTime);
        if (pid == root)
            rootOutcome = outcome;
        return outcome == KillOutcome::Killed;
    };
    if (walk)
        walk(root, kill);
    else
        kill(root);
    return rootOutcome;
}
