// The black-list closer: started at the end of a list refresh into the closer slot (shared with Close
// Connection), it resets every connection that matches an entry. It works on copies of the list and of
// what it needs of the snapshot, taken on the GUI thread when it starts, so nothing the window does
// meanwhile (a new table read, a reloaded or extended list) changes what it walks. It hands the connections it reset
// back with a posted message, as the connection closer does; the window then drops them from its snapshot. The list
// control is not touched: their rows go at the next refresh, when the table no longer holds them.
#include "app/MainFrame.h"
#include "blacklist/BlackListMatch.h"
#include "connections/WorkerStart.h"
#include "processes/ConnectionCloser.h"

namespace {

void BlackListThreadProc(WorkerState& shared, const BlackList& list, BlackListTargets& targets, HWND frame) {
    const IpHelperApi* api = shared.ipHelper.get();
    std::vector<RawEndpoints> closed = RunBlackListPass(targets, list, [&](const BlackListTarget& connection) {
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            if (shared.windowGone)
                return CloseOutcome::Stop;
        }
        // SetTcpEntry can block: it is called without the lock.
        return ResetConnection(api, MakeDeleteRow(connection.endpoints)) ? CloseOutcome::Closed : CloseOutcome::Kept;
    });
    if (closed.empty())
        return;
    {
        std::lock_guard<std::mutex> hold(shared.lock);
        if (shared.windowGone)
            return;
        shared.closedByBlackList.insert(shared.closedByBlackList.end(), closed.begin(), closed.end());
    }
    PostMessageA(frame, CMainFrame::kBlackListClosedMessage, 0, 0);
}

} // namespace

void CMainFrame::StartBlackListCloser() {
    // The slot is checked before the copies are made.
    if (!enableBlackList || shared->blackList.empty() || shared->closerThread != nullptr)
        return;
    HWND frame = hwnd;
    StartWorker(shared, &WorkerState::closerThread,
                [list = shared->blackList, targets = TargetsOf(shared->snapshot), frame](WorkerState& state) mutable {
                    BlackListThreadProc(state, list, targets, frame);
                });
}

LRESULT CMainFrame::OnBlackListClosed(WPARAM, LPARAM) {
    std::lock_guard<std::mutex> hold(shared->lock);
    // Connections reset are gone from the system: a refresh whose read fails shows the snapshot again
    // and must not bring them back.
    ConnectionSnapshot& snapshot = shared->snapshot;
    for (const RawEndpoints& closed : shared->closedByBlackList) {
        for (size_t i = 0; i < snapshot.size(); ++i) {
            if (EndpointsOf(snapshot[i]) == closed) {
                snapshot.erase(snapshot.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
    shared->closedByBlackList.clear();
    return 0;
}
