// The list refresh: brings the rows of the connection list in line with a new snapshot, position by
// position, and records log events. The list itself is reached through ListRows, so the rules run
// without a window.
#pragma once

#include "connections/ConnectionEntry.h"
#include "connections/EventQueue.h"
#include "connections/HostNameCache.h"
#include "connections/ProcessNameCache.h"

struct ListRows {
    virtual ~ListRows();
    virtual int GetRowCount() = 0;
    virtual void InsertEmptyRow(int index) = 0;
    virtual void DeleteRow(int index) = 0;
    virtual void SetCellText(int row, int column, const char* text) = 0;
};

// List column of each field. The defaults are the five-column layout, where Process and PID are absent.
// The Protocol column exists only while the list shows more than the IPv4 TCP table.
struct ColumnIndexes {
    int process = -1, pid = -1, localAddress = 0, localPort = 1, remoteAddress = 2, remotePort = 3, status = 4,
        protocol = -1;
};

struct ConnectionCounts;

struct RefreshOptions {
    bool withProcesses = false; // seven-column list: fill Process and PID
    bool showEstablishedOnly = false;
    bool resolve = false; // show host names in place of addresses
    bool enableLogging = false;
    // When set, the shown entries are counted into it here, in the pass that writes them: a pass of its own over
    // a snapshot of 100,000 entries of 1.9 kB each costs a refresh some 20 ms.
    ConnectionCounts* counts = nullptr;
};

// Resizes the list to the entries to show (adding at the end, removing from the end), overwrites every
// shown row in snapshot order, writes the host names and process names it shows back into the
// snapshot, and, with logging on, queues one event per new remote address of a TCP row (a UDP endpoint has
// no connection to log). Starting the workers and
// re-sorting are left to the caller. The caller holds the lock that guards hostNames.
void RefreshList(ListRows& rows, ConnectionSnapshot& snapshot, const HostNameCache& hostNames,
                 const ProcessNameCache& processNames, EventQueue& eventQueue, const ColumnIndexes& columns,
                 const RefreshOptions& options);

// The host-name walk for one entry: starting from its address texts, applies the cache records in
// order (a record replaces the local text if it matches it, otherwise the remote text if it matches
// that, and then also fills entry.remoteHostName). On return the two pointers point at the texts to show.
void ApplyHostNames(const HostNameCache& hostNames, ConnectionEntry& entry, const char*& localText,
                    const char*& remoteText);
