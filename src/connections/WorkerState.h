// What the GUI thread shares with the worker threads (the address resolver and the closers): one object,
// held through std::shared_ptr by the main frame and by every running worker, so it lives as long as its
// last holder. Closing the window never waits for a worker and a worker never deletes the window: the
// frame is destroyed as usual and a worker still running keeps only this object (and through it the IP
// helper library) alive until it ends.
//
// Lock rules (`lock` guards every member below it except `ipHelper`):
// - The GUI thread takes the lock for its short walks: queueing a table read's addresses, replacing the
//   snapshot, a list refresh, starting a worker, emptying everything when the window goes.
// - A worker takes it only to read or change one item at a time (a queue entry, a cache record, a
//   snapshot entry, a black-list entry) and never while it calls something that can block: a name
//   lookup, SetTcpEntry, a message sent to a window. So the window never waits for a worker, and a
//   worker waiting for the window (a sent message) can never deadlock with it.
// - `windowGone` is set, and the containers emptied, under the lock when the window is destroyed. A
//   worker reads it each time it takes the lock and, once it is set, changes nothing and publishes
//   nothing more: it ends.
// - A thread slot is filled on the GUI thread under the lock (see StartWorker in WorkerStart.h), with
//   the thread created suspended and resumed only once the slot holds it, and emptied under the lock by
//   the thread's own last action. A slot is only compared with null: the thread object deletes itself.
//   `closerThread` is shared by the connection closer and the black-list closer: while it is taken,
//   a closer start is skipped, not queued.
// - `ipHelper` is set once on the GUI thread before the first worker starts and never changed after, so
//   it is read without the lock. The binding frees the library when the last holder of this object
//   lets go, which is never while a worker may still call into it.
#pragma once

#include "connections/ConnectionEntry.h"
#include "connections/HostNameCache.h"
#include "connections/ResolveQueue.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CWinThread;   // the framework's thread object (Windows side only)
struct IpHelperApi; // the bound IP helper library (connections/IpHelperApi.h, Windows side only)

struct WorkerState {
    std::mutex lock;
    ResolveQueue resolveQueue;                   // addresses waiting for the resolver
    HostNameCache hostNameCache;                 // names found by the resolver, in the order found
    ConnectionSnapshot snapshot;                 // rows of the last successful table read
    std::vector<std::string> blackList;          // the in-memory black list, in file order
    std::vector<RawEndpoints> closedByBlackList; // reset by the black-list closer, not yet taken by the window
    CWinThread* resolverThread = nullptr;        // the running address resolver, or null
    CWinThread* closerThread = nullptr;          // the running connection or black-list closer, or null
    bool windowGone = false;                     // the main window has been destroyed: workers stop

    std::shared_ptr<const IpHelperApi> ipHelper; // null until bound, and when the library is missing
};
