// List refresh. The caches are searched through their indexes; the order rules of the record-by-record
// walk are kept by always jumping to the next matching record of whichever text matches first.
#include "connections/ListRefresh.h"

#include "connections/FieldText.h"
#include "connections/ShownRows.h"

#include <cstring>
#include <string_view>

ListRows::~ListRows() = default;

namespace {

bool IsEstablished(const ConnectionEntry& entry) { return std::strcmp(entry.stateText, "ESTABLISHED") == 0; }

} // namespace

void ApplyHostNames(const HostNameCache& hostNames, ConnectionEntry& entry, const char*& localText,
                    const char*& remoteText) {
    constexpr size_t kNone = HostNameCache::kNotFound;
    std::string_view local = localText;
    std::string_view remote = remoteText;
    size_t localMatch = hostNames.FindFrom(local, 0);
    size_t remoteMatch = local == remote ? localMatch : hostNames.FindFrom(remote, 0);
    while (localMatch != kNone || remoteMatch != kNone) {
        if (localMatch <= remoteMatch) {
            // The local text wins a record both match; the remote text then looks further on.
            const size_t at = localMatch;
            localText = hostNames.At(at).hostName;
            local = localText;
            localMatch = hostNames.FindFrom(local, at + 1);
            if (remoteMatch == at) {
                remoteMatch = hostNames.FindFrom(remote, at + 1);
            }
        } else {
            const size_t at = remoteMatch;
            remoteText = hostNames.At(at).hostName;
            remote = remoteText;
            CopyBounded(entry.remoteHostName, remoteText, kMaxAddressChars);
            remoteMatch = hostNames.FindFrom(remote, at + 1);
        }
    }
}

void RefreshList(ListRows& rows, ConnectionSnapshot& snapshot, const HostNameCache& hostNames,
                 const ProcessNameCache& processNames, EventQueue& eventQueue, const ColumnIndexes& columns,
                 const RefreshOptions& options) {
    int shownCount = 0;
    for (const ConnectionEntry& entry : snapshot) {
        if (!options.showEstablishedOnly || IsEstablished(entry)) {
            ++shownCount;
        }
    }

    // One row at a time at the end, so rows that stay keep their selection and focus.
    int rowCount = rows.GetRowCount();
    while (rowCount < shownCount) {
        rows.InsertEmptyRow(rowCount);
        ++rowCount;
    }
    while (rowCount > shownCount) {
        rows.DeleteRow(rowCount - 1);
        --rowCount;
    }

    const bool useHostNames = options.resolve && hostNames.Size() != 0;
    int row = 0;
    for (ConnectionEntry& entry : snapshot) {
        if (options.showEstablishedOnly && !IsEstablished(entry)) {
            continue;
        }
        const char* localText = entry.localAddressText;
        const char* remoteText = entry.remoteAddressText;
        if (useHostNames) {
            ApplyHostNames(hostNames, entry, localText, remoteText);
        }
        if (options.withProcesses) {
            const char* processText = entry.pidText;
            if (const ProcessNameEntry* record = processNames.Find(FieldText(entry.pidText))) {
                processText = record->processName;
                CopyBounded(entry.processName, record->processName, kMaxProcessNameChars);
            }
            rows.SetCellText(row, columns.process, processText);
            rows.SetCellText(row, columns.pid, entry.pidText);
        }
        if (columns.protocol >= 0)
            rows.SetCellText(row, columns.protocol, ProtocolName(entry.protocol));
        rows.SetCellText(row, columns.localAddress, localText);
        rows.SetCellText(row, columns.localPort, entry.localPortText);
        rows.SetCellText(row, columns.remoteAddress, remoteText);
        rows.SetCellText(row, columns.remotePort, entry.remotePortText);
        rows.SetCellText(row, columns.status, entry.stateText);
        if (options.counts != nullptr)
            options.counts->Add(entry.stateText);
        ++row;
    }

    if (options.enableLogging) {
        // Every entry, shown or not; the copy carries the names written above.
        for (const ConnectionEntry& entry : snapshot) {
            if (!IsUdp(entry.protocol))
                eventQueue.AppendIfNew(entry);
        }
    }
}
