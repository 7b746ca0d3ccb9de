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

namespace {

constexpr ULONG kAddressFamilyIPv4 = 2;
constexpr ULONG kAddressFamilyIPv6 = 23;
constexpr int kTableOwnerPidAll = 5; // TCP_TABLE_OWNER_PID_ALL
constexpr int kUdpTableOwnerPid = 1; // UDP_TABLE_OWNER_PID

// The refresh's row interface on the list's staged rows (SortListCtrl::BeginRefresh): the refresh writes
// every row there, and the list then shows only what changed.
class StagedRows : public ListRows {
public:
    explicit StagedRows(RowModel& staged) : staged(staged) {}
    int GetRowCount() override { return staged.StagedCount(); }
    void InsertEmptyRow(int index) override { staged.StageInsert(index); }
    void DeleteRow(int index) override { staged.StageDelete(index); }
    void SetCellText(int row, int column, const char* text) override { staged.StageCell(row, column, text); }

private:
    RowModel& staged;
};

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

void CMainFrame::TakeSnapshot(ConnectionSnapshot&& fresh) {
    lastReadTime = SystemTimeNow();
    std::lock_guard<std::mutex> hold(shared->lock);
    shared->snapshot = std::move(fresh);
    const uint64_t now = MonotonicMilliseconds();
    for (const ConnectionEntry& entry : shared->snapshot)
        QueueAddresses(entry, shared->hostNameCache, now, shared->resolveQueue);
}

void CMainFrame::ReadTable() {
    const IpHelperApi* api = shared->ipHelper.get();
    if (api == nullptr || api->getTcpTable == nullptr)
        return;
    std::vector<unsigned char> buffer;
    ConnectionSnapshot fresh;
    bool read = FetchTable([api](void* table, DWORD* size) { return api->getTcpTable(table, size, TRUE); },
                           kTcpRowBytes, lastTableBytes[0], buffer) &&
                DecodeTcpTable(buffer.data(), buffer.size(), false, fresh);
    if (read)
        TakeSnapshot(std::move(fresh));
    UpdateList();
}

void CMainFrame::ReadTableWithProcesses() {
    const IpHelperApi* api = shared->ipHelper.get();
    if (api == nullptr || api->getExtendedTcpTable == nullptr)
        return;
    std::vector<unsigned char> buffer;
    ConnectionSnapshot fresh;
    bool read = FetchTable(
                    [api](void* table, DWORD* size) {
                        return api->getExtendedTcpTable(table, size, TRUE, kAddressFamilyIPv4, kTableOwnerPidAll, 0);
                    },
                    kTcpPidRowBytes, lastTableBytes[0], buffer) &&
                DecodeTcpTable(buffer.data(), buffer.size(), true, fresh);
    if (read) {
        // The IPv4 TCP read decides, as it always has, whether this refresh has a new snapshot; the other
        // tables join it in a fixed order, each left out when its own read fails.
        for (const ExtraTable& table : kExtraTables)
            if (TableShown(table.protocol))
                ReadExtraTable(table.protocol, buffer, fresh);
        // Process names are looked up outside the lock: the cache is the GUI thread's alone.
        for (const ConnectionEntry& entry : fresh) {
            if (processNameCache.Find(entry.pidText) == nullptr)
                processNameCache.Append(
                    entry.pidText, AnsiProcessName(static_cast<DWORD>(strtoul(entry.pidText, nullptr, 10))).c_str());
        }
        TakeSnapshot(std::move(fresh));
    }
    UpdateListWithProcesses();
}

void CMainFrame::ReadExtraTable(Protocol protocol, std::vector<unsigned char>& buffer, ConnectionSnapshot& fresh) {
    const IpHelperApi* api = shared->ipHelper.get();
    const ULONG family = IsIpv6(protocol) ? kAddressFamilyIPv6 : kAddressFamilyIPv4;
    auto call = [api, protocol, family](void* table, DWORD* size) {
        return IsUdp(protocol) ? api->getExtendedUdpTable(table, size, TRUE, family, kUdpTableOwnerPid, 0)
                               : api->getExtendedTcpTable(table, size, TRUE, family, kTableOwnerPidAll, 0);
    };
    if (FetchTable(call, OwnerPidRowBytes(protocol), lastTableBytes[static_cast<size_t>(protocol)], buffer))
        AppendTable(buffer.data(), buffer.size(), protocol, fresh);
}

void CMainFrame::UpdateList() { RefreshList(false); }

void CMainFrame::UpdateListWithProcesses() { RefreshList(true); }

void CMainFrame::RefreshList(bool withProcesses) {
    RefreshOptions options;
    options.withProcesses = withProcesses;
    options.showEstablishedOnly = showEstablishedOnly != 0;
    options.resolve = resolve != 0;
    options.enableLogging = enableLogging != 0;

    StagedRows rows(listCtrl.BeginRefresh());
    {
        std::lock_guard<std::mutex> hold(shared->lock);
        ::RefreshList(rows, shared->snapshot, shared->hostNameCache, processNameCache, eventQueue, columnIndexes,
                      options);
        StartWorkers();
    }
    // The user's sort is applied again to the new rows before they are shown.
    listCtrl.EndRefresh(listCtrl.headerCtrl.sortColumn);
}

void CMainFrame::StartWorkers() {
    StartResolver(shared);
    StartBlackListCloser();
}
