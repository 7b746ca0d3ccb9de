// The program's view of the system's process list: the image name of a process id, read from a fresh
// native process snapshot on every question.
#pragma once

#include <windows.h>

// The base image name of the process with this id, in a static buffer valid until the next call;
// "Idle" for the idle process and for an id not in the list; null on failure (the thread's last error
// says why). Not reentrant: GUI thread only.
const wchar_t* QueryProcessName(DWORD pid);
