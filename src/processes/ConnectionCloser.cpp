// Close Connection: the clicked row's connection is reset through SetTcpEntry on a worker thread in the
// closer slot. The GUI thread picks the snapshot entry from its own copy of the clicked row before the
// worker starts, so the worker touches neither the list nor the snapshot; it reports a success with a
// posted message, and the GUI thread removes the row only if that row still shows the connection.
#include "processes/ConnectionCloser.h"

#include "app/MainFrame.h"
#include "connections/IpHelperApi.h"
#include "connections/WorkerStart.h"

#include <iphlpapi.h>

bool ResetConnection(const IpHelperApi* api, const TcpDeleteRow& target) {
    if (api == nullptr || api->setTcpEntry == nullptr)
        return false;
    MIB_TCPROW row{};
    row.dwState = target.state;
    row.dwLocalAddr = target.localAddr;
    row.dwLocalPort = target.localPort;
    row.dwRemoteAddr = target.remoteAddr;
    row.dwRemotePort = target.remotePort;
    return api->setTcpEntry(&row) == NO_ERROR;
}

namespace {

// The worker's whole job: one SetTcpEntry call for the chosen entry. It runs without the lock (the
// call can block) and posts its success to the window, which may be gone by then: a post to a
// destroyed window simply fails.
void CloseConnectionThreadProc(WorkerState& shared, const TcpDeleteRow& target, HWND frame, WPARAM sequence) {
    {
        std::lock_guard<std::mutex> hold(shared.lock);
        if (shared.windowGone)
            return;
    }
    if (ResetConnection(shared.ipHelper.get(), target))
        PostMessageA(frame, CMainFrame::kConnectionClosedMessage, sequence, 0);
}

} // namespace

void CMainFrame::OnCloseConnection() {
    // The command is greyed on rows the system cannot reset; a command that comes anyway does nothing.
    if (contextItem < 0 || clickedRow.removed || !ClosableRow(clickedRow))
        return;
    {
        std::lock_guard<std::mutex> hold(shared->lock);
        if (shared->closerThread != nullptr)
            return; // a closer runs: this command does nothing, not even the refresh
        size_t match = FindConnectionToClose(shared->snapshot, clickedRow);
        if (match != kNoEntry) {
            const TcpDeleteRow target = MakeDeleteRow(EndpointsOf(shared->snapshot[match]));
            const WPARAM sequence = ++closeSequence;
            HWND frame = hwnd;
            if (StartWorker(shared, &WorkerState::closerThread, [target, frame, sequence](WorkerState& state) {
                    CloseConnectionThreadProc(state, target, frame, sequence);
                })) {
                closingRow = clickedRow;
                closingKey = SnapshotKey(match);
                closingItem = contextItem;
            }
        }
    }
    RefreshTable();
}

LRESULT CMainFrame::OnConnectionClosed(WPARAM sequence, LPARAM) {
    // Only the report of the latest close counts, and only while its row still shows the connection.
    if (sequence != closeSequence || closingItem < 0 || closingItem >= listCtrl.GetItemCount())
        return 0;
    auto same = [this](int column, const std::string& text) {
        return column < 0 || listCtrl.GetItemText(closingItem, column) == text;
    };
    if (same(columnIndexes.localAddress, closingRow.localAddress) &&
        same(columnIndexes.localPort, closingRow.localPort) &&
        same(columnIndexes.remoteAddress, closingRow.remoteAddress) &&
        same(columnIndexes.remotePort, closingRow.remotePort)) {
        listCtrl.DeleteItem(closingItem);
        // The rows already read still hold it: a filter change must not show it again before the next read.
        closedKeys.push_back(closingKey);
    }
    closingItem = -1;
    return 0;
}
