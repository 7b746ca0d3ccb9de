// The tree kill's walk over process lists, kept apart from the system calls that take the lists and
// terminate processes, so the order and the guards can be run against scripted lists.
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
