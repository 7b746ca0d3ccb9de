// The tree kill's walk over process lists, and the rule that keeps a kill from hitting another program,
// kept apart from the system calls that take the lists and terminate processes, so the order, the
// guards and the rule can be run against scripted processes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// One record of a process list: a process and the parent it names.
struct ProcessLink {
    uint32_t pid = 0;
    uint32_t parentPid = 0;
};

using ProcessList = std::vector<ProcessLink>;

// Terminates one process; true when it was terminated.
using KillProcessFn = std::function<bool(uint32_t pid)>;
// Takes a fresh process list; false when none could be taken.
using TakeProcessListFn = std::function<bool(ProcessList& list)>;

// Both walks kill depth first: for each process its children in list order, each with its whole
// subtree first, then the process itself, so the root is killed last. Parent links of a real process
// list need not form a tree (the idle process names itself, a stale parent id can be reused by a
// descendant), so every walk visits a PID at most once: a PID already on the current path or already
// handled is skipped, which also means nothing is killed twice. PID 0 is never visited or killed.
// The result says whether the root itself was terminated.

// Walks one list taken once for the whole tree.
bool KillTreeInOneList(const ProcessList& list, uint32_t root, const KillProcessFn& kill);

// Takes a fresh list for every process it visits and keeps it while that process's children are
// walked; the list is released before the process is killed. A process whose list cannot be taken is
// not killed (nor, through it, its descendants).
bool KillTreeListPerLevel(uint32_t root, const TakeProcessListFn& take, const KillProcessFn& kill);

// One process as a kill meets it. It is opened once for both the check and the termination, so its PID
// cannot pass to another process between the two.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    // Opens the process to read its creation time and to terminate it; false when that cannot be done.
    virtual bool Open(uint32_t pid) = 0;
    // The open process's creation time, on the clock of the table read's time; false when unreadable.
    virtual bool CreationTime(uint64_t& time) = 0;
    // Terminates the open process; true when it was terminated.
    virtual bool Terminate() = 0;
    virtual void Close() = 0;
};

enum class KillOutcome {
    Killed,
    NotKilled,   // gone, refused, or its creation time unreadable: nothing happened
    OtherProgram // created after the read that showed its PID: it got the PID of a process that ended
};

// Kills the process with `pid` only if it can be the one the table read at `readTime` showed: one
// created after that read is another program, and is left alone.
KillOutcome KillShownProcess(ProcessControl& control, uint32_t pid, uint64_t readTime);

// Walks the tree under a root (KillTreeInOneList or KillTreeListPerLevel bound to their lists).
using TreeWalkFn = std::function<bool(uint32_t root, const KillProcessFn& kill)>;

// A kill command on the PID that the read at `readTime` showed, with its descendants when `walk` is
// given: a root that is another program by now is not touched, nor anything under it; every
// descendant the walk would kill is held to the same rule. Killed only when the root itself was.
KillOutcome KillShownTree(ProcessControl& control, uint32_t root, uint64_t readTime, const TreeWalkFn& walk);
