// Terminating processes for the kill commands: one process (with the debug privilege when a plain
// open is refused) or a process with all its descendants, never one created after the table read that
// showed its PID.
#pragma once

#include "processes/ProcessTree.h"

#include <windows.h>

#include <cstdint>

// With `descendants`, kills the whole tree under the process first (depth first, siblings in list
// order) and the process last; without, only the process. `readTime` is the system time (FILETIME
// units) of the table read that showed the PID: a process created after it is another program and is
// not killed, nor (for the root) anything under it. Failures to kill a descendant are ignored.
KillOutcome KillProcessTree(DWORD pid, bool descendants, uint64_t readTime);

// The system time in FILETIME units (100 ns since 1601), the clock of process creation times.
uint64_t SystemTimeNow();
