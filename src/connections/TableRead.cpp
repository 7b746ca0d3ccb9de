// The main frame's table source: binding the IP helper library, reading the TCP table in either mode (in
// seven-column mode also the IPv6 TCP and the two UDP tables the View toggles show) and refreshing the list
// from the new snapshot.
#include "app/MainFrame.h"
#include "connections/ListRefresh.h"
#include "connections/Resolver.h"
#include "connections/TableDecode.h"
#include "connections/TableFetch.h"
#include "processes/ProcessDirectory.h"
#include "processes/ProcessKill.h"

#include <algorithm>

namespace {

constexpr ULONG kAddressFamilyIPv4 = 2;
constexpr ULONG kAddressFamilyIPv6 = 23;
constexpr int kTableOwnerPidAll = 5; // TCP_TABLE_OWNER_PID_ALL
constexpr int kUdpTableOwnerPid = 1; // UDP_TABLE_OWNER_PID

// The refresh's row interface on the list's staged rows (SortListCtrl::BeginRefresh), for a refresh without the
// tracker: the refresh writes every row there, and the list then shows only what changed.
class StagedRows : public ListRows {
public:
    explicit StagedRows(RowModel& staged) : staged(staged) {}
    int GetRowCount() override { return staged.StagedCount(); }
    void InsertEmptyRow(int index) override { staged.StageInsert(index); }
    void DeleteRow(int index) override { staged.StageDelete(index); }
    void SetCellText(int row, int column, const char* text) override { staged.StageCell(row, column, text); }
    // Rows written here are no tracked rows: no mark stays from a view before.
    void ClearMarks() { staged.ClearStagedMarks(); }

private:
    RowModel& staged;
};

// The connection's identity for the change tracker: its table, owner and raw endpoints.
ConnectionKey KeyOf(const ConnectionEntry& entry) {
    const auto protocol = static_cast<uint32_t>(entry.protocol);
    const auto owner = static_cast<uint32_t>(strtoul(entry.pidText, nullptr, 10));
    if (IsIpv6(entry.protocol))
        return Ipv6Key(protocol, owner, entry.localAddr6, entry.localScopeId, entry.localPort, entry.remoteAddr6,
                       entry.remoteScopeId, entry.remotePort);
    return Ipv4Key(protocol, owner, entry.localAddr, entry.localPort, entry.remoteAddr, entry.remotePort);
}

uint8_t MarkOf(RowMark mark) {
    return mark == RowMark::New ? SortListCtrl::kMarkNew : mark == RowMark::Removed ? SortListCtrl::kMarkRemoved : 0;
}

// The process name for the cache in the ANSI code page (the cache keeps its first 63 bytes), empty when
// the lookup failed.
std::string AnsiProcessName(DWORD pid) { return AnsiFromWide(QueryProcessName(pid)); }

} // namespace

bool CMainFrame::BindIpHelper() {
    std::shared_ptr<IpHelperApi> api = IpHelperApi::Load(extendedTable != 0);
    // Bound before any worker starts; the workers read it without the lock from then on.
    shared->ipHelper = api;
    // Only the entry point of the current mode is bound; a missing one is not replaced by the other.
    return api != nullptr && (extendedTable ? api->getExtendedTcpTable != nullptr : api->getTcpTable != nullptr);
}

void CMainFrame::RefreshTable() {
    if (extendedTable)
        ReadTableWithProcesses();
    else
        ReadTable();
}

bool CMainFrame::TableAvailable(Protocol protocol) const {
    const IpHelperApi* api = shared->ipHelper.get();
    if (!extendedTable || api == nullptr)
        return false;
    return protocol == Protocol::Udp || protocol == Protocol::Udp6 ? api->getExtendedUdpTable != nullptr
                                                                   : api->getExtendedTcpTable != nullptr;
}

bool CMainFrame::TableShown(Protocol protocol) const {
    for (const ExtraTable& table : kExtraTables)
        if (table.protocol == protocol)
            return this->*table.toggle != 0 && TableAvailable(protocol);
    return protocol == Protocol::Tcp;
}

template <class Call>
bool CMainFrame::FetchTable(Call call, size_t rowBytes, size_t& lastBytes, std::vector<unsigned char>& buffer) {
    return FetchTcpTable(
        [&call](void* table, uint32_t* size) {
            DWORD bytes = *size;
            DWORD status = call(table, &bytes);
            *size = bytes;
            return static_cast<uint32_t>(status);
        },
        rowBytes, lastBytes, buffer);
}

bool CMainFrame::TakeTables(const std::vector<unsigned char> (&buffers)[4], const bool (&fetched)[4], bool withPids) {
    const size_t firstRowBytes = withPids ? kTcpPidRowBytes : kTcpRowBytes;
    int64_t counts[4] = {fetched[0] ? TableRowCount(buffers[0].data(), buffers[0].size(), firstRowBytes) : -1};
    if (counts[0] < 0)
        return false; // the snapshot keeps the previous read's rows
    size_t rows = static_cast<size_t>(counts[0]);
    for (size_t index = 1; index < 4; ++index) {
        counts[index] = fetched[index] ? TableRowCount(buffers[index].data(), buffers[index].size(),
                                                       OwnerPidRowBytes(static_cast<Protocol>(index)))
                                       : -1;
        rows += counts[index] > 0 ? static_cast<size_t>(counts[index]) : 0;
    }
    lastReadTime = SystemTimeNow();
    // A connection closed since the last read is in this read if the system still lists it.
    closedKeys.clear();
    std::vector<std::string> newPids;
    {
        std::lock_guard<std::mutex> hold(shared->lock);
        ConnectionSnapshot& snapshot = shared->snapshot;
        // The rows are decoded into the snapshot's own entries, kept from read to read: a new allocation for
        // every read (1.9 kB an entry, 77 MB at 40,000 rows) made each refresh pay for fresh pages, growing it
        // table by table copied every entry again, and zeroing it wrote every byte again. It is given back when
        // the table has shrunk to a quarter.
        if (rows > snapshot.capacity() || rows < snapshot.capacity() / 4) {
            ConnectionSnapshot().swap(snapshot);
            snapshot.reserve(rows);
        }
        snapshot.resize(rows);
        ConnectionEntry* next = snapshot.data();
        for (size_t index = 0; index < 4; ++index) {
            if (counts[index] <= 0)
                continue;
            const auto count = static_cast<size_t>(counts[index]);
            DecodeRows(buffers[index].data(), static_cast<Protocol>(index), withPids, next, count);
            next += count;
        }
        const uint64_t now = MonotonicMilliseconds();
        for (const ConnectionEntry& entry : snapshot) {
            QueueAddresses(entry, shared->hostNameCache, now, shared->resolveQueue);
            // The process-name cache is the GUI thread's alone; the names are looked up after the lock is let go.
            if (withPids && processNameCache.Find(entry.pidText) == nullptr &&
                std::find(newPids.begin(), newPids.end(), entry.pidText) == newPids.end())
                newPids.emplace_back(entry.pidText);
        }
    }
    for (const std::string& pid : newPids)
        processNameCache.Append(pid.c_str(),
                                AnsiProcessName(static_cast<DWORD>(strtoul(pid.c_str(), nullptr, 10))).c_str());
    return true;
}

void CMainFrame::ReadTable() {
    const IpHelperApi* api = shared->ipHelper.get();
    if (api == nullptr || api->getTcpTable == nullptr)
        return;
    std::vector<unsigned char> buffers[4];
    const bool fetched[4] = {FetchTable([api](void* table, DWORD* size) { return api->getTcpTable(table, size, TRUE); },
                                        kTcpRowBytes, lastTableBytes[0], buffers[0])};
    TakeTables(buffers, fetched, false);
    UpdateList();
}

void CMainFrame::ReadTableWithProcesses() {
    const IpHelperApi* api = shared->ipHelper.get();
    if (api == nullptr || api->getExtendedTcpTable == nullptr)
        return;
    // Index: Protocol. The IPv4 TCP read decides, as it always has, whether this refresh has a new snapshot; the
    // other tables join it in a fixed order, each left out when its own read fails.
    std::vector<unsigned char> buffers[4];
    bool fetched[4] = {};
    fetched[0] = FetchTable(
        [api](void* table, DWORD* size) {
            return api->getExtendedTcpTable(table, size, TRUE, kAddressFamilyIPv4, kTableOwnerPidAll, 0);
        },
        kTcpPidRowBytes, lastTableBytes[0], buffers[0]);
    for (const ExtraTable& table : kExtraTables) {
        const auto index = static_cast<size_t>(table.protocol);
        fetched[index] = fetched[0] && TableShown(table.protocol) && FetchExtraTable(table.protocol, buffers[index]);
    }
    TakeTables(buffers, fetched, true);
    UpdateListWithProcesses();
}

bool CMainFrame::FetchExtraTable(Protocol protocol, std::vector<unsigned char>& buffer) {
    const IpHelperApi* api = shared->ipHelper.get();
    const ULONG family = IsIpv6(protocol) ? kAddressFamilyIPv6 : kAddressFamilyIPv4;
    auto call = [api, protocol, family](void* table, DWORD* size) {
        return IsUdp(protocol) ? api->getExtendedUdpTable(table, size, TRUE, family, kUdpTableOwnerPid, 0)
                               : api->getExtendedTcpTable(table, size, TRUE, family, kTableOwnerPidAll, 0);
    };
    return FetchTable(call, OwnerPidRowBytes(protocol), lastTableBytes[static_cast<size_t>(protocol)], buffer);
}

void CMainFrame::UpdateList() { RefreshList(false); }

void CMainFrame::UpdateListWithProcesses() { RefreshList(true); }

void CMainFrame::RefreshList(bool withProcesses) {
    RefreshOptions options;
    options.withProcesses = withProcesses;
    options.resolve = resolve != 0;
    options.enableLogging = enableLogging != 0;

    if (highlightChanges == 0 && rowFilter.MatchesEverything()) {
        // No view needs the tracker: the refresh writes the list's staged rows directly, as it always did, and
        // costs what it always cost (the tracker's pass doubles a refresh of 10,000 rows under Wine).
        options.showEstablishedOnly = showEstablishedOnly != 0;
        StagedRows rows(listCtrl.BeginRefresh());
        rows.ClearMarks();
        counts = ConnectionCounts{};
        options.counts = &counts;
        {
            std::lock_guard<std::mutex> hold(shared->lock);
            ::RefreshList(rows, shared->snapshot, shared->hostNameCache, processNameCache, eventQueue, columnIndexes,
                          options);
            StartWorkers();
        }
        trackerCurrent = false;
        // The user's sort is applied again to the new rows before they are shown.
        listCtrl.EndRefresh(listCtrl.headerCtrl.sortColumn);
        ShowCounts();
        return;
    }

    // Every row goes into the tracker; Established Only is one of the views ShowRows applies. A tracker that missed
    // reads starts again: what it holds is no longer the read before.
    if (!trackerCurrent)
        changeTracker.Reset();
    options.showEstablishedOnly = false;
    ListRows& read = changeTracker.BeginRead(listCtrl.GetColumnCount());
    {
        std::lock_guard<std::mutex> hold(shared->lock);
        ::RefreshList(read, shared->snapshot, shared->hostNameCache, processNameCache, eventQueue, columnIndexes,
                      options);
        readKeys.resize(shared->snapshot.size());
        for (size_t i = 0; i < readKeys.size(); ++i)
            readKeys[i] = KeyOf(shared->snapshot[i]);
        StartWorkers();
    }
    changeTracker.EndRead(readKeys, highlightChanges != 0);
    trackerCurrent = true;
    ShowRows();
}

void CMainFrame::ShowRows() {
    ShowOptions show;
    show.statusColumn = columnIndexes.status;
    show.showEstablishedOnly = showEstablishedOnly != 0;
    closedReads.clear();
    for (const ConnectionKey& key : closedKeys)
        for (size_t i = 0; i < readKeys.size(); ++i)
            if (readKeys[i] == key)
                closedReads.push_back(static_cast<int>(i));
    show.closedReads = closedReads;
    SelectShownRows(changeTracker, rowFilter, show, shownRows, counts);

    RowModel& staged = listCtrl.BeginRefresh();
    // Rows are added and taken at the end only, so rows that stay keep their selection and focus.
    const int wanted = static_cast<int>(shownRows.size());
    while (staged.StagedCount() < wanted)
        staged.StageInsert(staged.StagedCount());
    while (staged.StagedCount() > wanted)
        staged.StageDelete(staged.StagedCount() - 1);
    for (int row = 0; row < wanted; ++row) {
        const int tracked = shownRows[static_cast<size_t>(row)];
        staged.StageRow(row, changeTracker.Cells(tracked), MarkOf(changeTracker.Mark(tracked)));
    }
    // The user's sort is applied again to the new rows before they are shown.
    listCtrl.EndRefresh(listCtrl.headerCtrl.sortColumn);
    ShowCounts();
}

void CMainFrame::ShowCounts() {
    FormatCountPanes(counts, countPanes);
    for (size_t pane = 0; pane < kCountPanes; ++pane)
        statusBar.SetPaneText(static_cast<int>(pane + 1), countPanes[pane].c_str());
}

ConnectionKey CMainFrame::SnapshotKey(size_t index) const { return KeyOf(shared->snapshot[index]); }

void CMainFrame::StartWorkers() {
    StartResolver(shared);
    StartBlackListCloser();
}
