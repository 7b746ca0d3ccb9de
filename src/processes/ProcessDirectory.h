// The program's view of the system's process list: the image name of a process id, and the lists of
// (process, parent) pairs the tree kill walks. Every answer comes from a fresh system snapshot; the
// entry points are bound by name at run time.
#pragma once

#include "processes/ProcessTree.h"

#include <windows.h>

// The base image name of the process with this id, in a static buffer valid until the next call;
// "Idle" for the idle process and for an id not in the list; null on failure (the thread's last error
// says why). Not reentrant: GUI thread only.
const wchar_t* QueryProcessName(DWORD pid);

// The native process list (ntdll's ZwQuerySystemInformation), in system order. False on failure, with
// the thread's last error set: 127 without the entry point, 8 when the list needs more memory than
// the program grants it, or the system's status.
bool NativeProcessList(ProcessList& list);

// A Toolhelp snapshot of the processes, in system order; the snapshot handle is closed before this
// returns. False on failure, with the thread's last error set (127 without the entry points).
bool ToolhelpProcessList(ProcessList& list);

// The tree kill reads the native list on NT 4 and older, Toolhelp snapshots everywhere else.
bool TreeKillUsesNativeList();
