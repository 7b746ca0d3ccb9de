// Test and benchmark use only; the program never includes this header.
// The record-by-record walks of the table read and the list refresh, written as plainly as the rules
// read: every cache is scanned linearly from its first record, for every row. The unit tests compare
// the indexed code against these walks on random inputs, and the refresh benchmark times both.
#pragma once

#include "connections/ByteOrder.h"
#include "connections/ConnectionEntry.h"
#include "connections/HostNameCache.h"
#include "connections/ListRefresh.h"
#include "connections/ProcessNameCache.h"
#include "connections/ResolveQueue.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace literal {

inline void QueueAddresses(const ConnectionEntry& entry, const HostNameCache& hostNames, std::vector<uint32_t>& queue) {
    bool localKnown = false;
    bool remoteKnown = false;
    for (size_t i = 0; i < hostNames.Size(); ++i) {
        if (std::strcmp(hostNames.At(i).address, entry.localAddressText) == 0) {
            localKnown = true;
        }
        if (std::strcmp(hostNames.At(i).address, entry.remoteAddressText) == 0) {
            remoteKnown = true;
        }
    }
    auto queueOnce = [&queue](uint32_t address) {
        for (uint32_t queued : queue) {
            if (queued == address) {
                return;
            }
        }
        queue.push_back(address);
    };
    if (!localKnown) {
        queueOnce(NetworkToHostLong(entry.localAddr));
    }
    if (!remoteKnown) {
        queueOnce(NetworkToHostLong(entry.remoteAddr));
    }
}

inline const ProcessNameEntry* FindProcess(const ProcessNameCache& processNames, const char* pidText) {
    for (size_t i = 0; i < processNames.Size(); ++i) {
        if (std::strcmp(processNames.At(i).pidText, pidText) == 0) {
            return &processNames.At(i);
        }
    }
    return nullptr;
}

inline void RefreshList(ListRows& rows, ConnectionSnapshot& snapshot, const HostNameCache& hostNames,
                        const ProcessNameCache& processNames, std::vector<ConnectionEntry>& eventQueue,
                        const ColumnIndexes& columns, const RefreshOptions& options) {
    int shownCount = 0;
    for (const ConnectionEntry& entry : snapshot) {
        if (!options.showEstablishedOnly || std::strcmp(entry.stateText, "ESTABLISHED") == 0) {
            ++shownCount;
        }
    }
    int rowCount = rows.GetRowCount();
    while (rowCount < shownCount) {
        rows.InsertEmptyRow(rowCount++);
    }
    while (rowCount > shownCount) {
        rows.DeleteRow(--rowCount);
    }

    int row = 0;
    for (ConnectionEntry& entry : snapshot) {
        if (options.showEstablishedOnly && std::strcmp(entry.stateText, "ESTABLISHED") != 0) {
            continue;
        }
        char state[64];
        char local[512];
        char remote[512];
        char pid[32];
        char process[512];
        CopyBounded(state, entry.stateText);
        CopyBounded(local, entry.localAddressText);
        CopyBounded(remote, entry.remoteAddressText);
        CopyBounded(pid, entry.pidText);

        if (options.resolve && hostNames.Size() != 0) {
            for (size_t i = 0; i < hostNames.Size(); ++i) {
                const HostNameEntry& record = hostNames.At(i);
                if (std::strcmp(local, record.address) == 0) {
                    CopyBounded(local, record.hostName);
                } else if (std::strcmp(remote, record.address) == 0) {
                    CopyBounded(remote, record.hostName);
                    CopyBounded(entry.remoteHostName, record.hostName, kMaxAddressChars);
                }
            }
        }
        if (options.withProcesses) {
            CopyBounded(process, pid);
            for (size_t i = 0; i < processNames.Size(); ++i) {
                const ProcessNameEntry& record = processNames.At(i);
                if (std::strcmp(record.pidText, pid) == 0) {
                    CopyBounded(process, record.processName);
                    CopyBounded(entry.processName, record.processName, kMaxProcessNameChars);
                    break;
                }
            }
            rows.SetCellText(row, columns.process, process);
            rows.SetCellText(row, columns.pid, pid);
        }
        rows.SetCellText(row, columns.localAddress, local);
        rows.SetCellText(row, columns.localPort, entry.localPortText);
        rows.SetCellText(row, columns.remoteAddress, remote);
        rows.SetCellText(row, columns.remotePort, entry.remotePortText);
        rows.SetCellText(row, columns.status, state);
        ++row;
    }

    if (options.enableLogging) {
        for (const ConnectionEntry& entry : snapshot) {
            bool seen = false;
            for (const ConnectionEntry& queued : eventQueue) {
                if (std::strcmp(queued.remoteAddressText, entry.remoteAddressText) == 0) {
                    seen = true;
                    break;
                }
            }
            if (!seen) {
                eventQueue.push_back(entry);
            }
        }
    }
}

} // namespace literal
