// Terminating processes for the kill commands: one process (with the debug privilege when a plain
// open is refused) or a process with all its descendants.
#pragma once

#include <windows.h>

// True when the process was terminated (exit code 0xFFFFFFFF).
bool KillProcess(DWORD pid);

// With `descendants`, kills the whole tree under the process first (depth first, siblings in list
// order) and the process last; without, does what KillProcess does. True when the process itself was
// terminated; failures to kill a descendant are ignored.
bool KillProcessTree(DWORD pid, bool descendants);
