// The main window: owner of the list, the bars, every setting held in memory, the connection data and
// the IP helper binding; it runs the timers and dispatches every command.
#pragma once

#include "controls/ImageToolBar.h"
#include "controls/SortListCtrl.h"
#include "framework/WinApp.h"
#include "connections/ConnectionEntry.h"
#include "connections/EventQueue.h"
#include "connections/HostNameCache.h"
#include "connections/ProcessNameCache.h"
#include "connections/ResolveQueue.h"
#include "menuskin/NewMenu.h"

#include <mutex>
#include <string>
#include <vector>

// Entry points of the IP helper library, bound by name at run time.
using GetTcpTableFn = DWORD(WINAPI*)(void* table, DWORD* size, BOOL sort);
using SetTcpEntryFn = DWORD(WINAPI*)(void* row);
using GetExtendedTcpTableFn = DWORD(WINAPI*)(void* table, DWORD* size, BOOL sort, ULONG family, int tableClass,
                                             ULONG reserved);

class CMainFrame : public CNewFrameWnd {
public:
    static constexpr UINT_PTR kRefreshTimer = 1; // period updateInterval seconds, while autoupdate is on
    static constexpr UINT_PTR kLogTimer = 2;     // period loggingInterval minutes, while logging is on

    CMainFrame();
    ~CMainFrame() override;

    // One table read of the current mode followed by the list refresh.
    void RefreshTable();
    // Rereads the settings key and restarts the timers as the settings say.
    void LoadSettings();
    // Appends the established pending events to the log file and empties the queue; when the file
    // cannot be opened or written, the file stays as it was and the events wait for the next flush.
    void FlushEventLog();

    CStatusBar statusBar;
    ImageToolBar toolBar;
    SortListCtrl listCtrl;
    CWinThread* resolverThread = nullptr;
    CWinThread* closerThread = nullptr;
    std::string logFile;
    std::vector<std::string> blackList;
    HMODULE ipHelperModule = nullptr;
    HICON icon = nullptr;
    int resolve = 1;
    int enableBlackList = 0;
    int enableLogging = 0;
    int showEstablishedOnly = 0;
    int autoupdate = 0;
    int extendedTable = 1;
    int contextItem = -1;
    int updateInterval = 3;
    int loggingInterval = 10;
    int processColumn = -1;
    int pidColumn = -1;
    int localAddressColumn = -1;
    int localPortColumn = -1;
    int remoteAddressColumn = -1;
    int remotePortColumn = -1;
    int statusColumn = -1;
    ResolveQueue resolveQueue;
    ConnectionSnapshot snapshot;
    EventQueue eventQueue;
    HostNameCache hostNameCache;
    ProcessNameCache processNameCache;
    GetTcpTableFn getTcpTable = nullptr;
    SetTcpEntryFn setTcpEntry = nullptr;
    GetExtendedTcpTableFn getExtendedTcpTable = nullptr;

    // Worker scheme. The resolver and the closers run on their own threads with this frame as their
    // parameter. dataLock guards what they share with the GUI thread: resolveQueue, hostNameCache,
    // snapshot, blackList, the slots resolverThread and closerThread, runningWorkers and frameGone.
    // - A slot is filled on the GUI thread under the lock, with the thread created suspended and
    //   resumed only once the slot holds it, and emptied by its worker under the lock as its last
    //   action; runningWorkers counts the workers started and not yet ended.
    // - The GUI thread holds the lock for its short walks (a table read's queueing, a list refresh);
    //   a worker holds it only to read or append one item, never during a name lookup or any other
    //   call that can block, so the window never waits for a worker.
    // - Closing never waits either: OnDestroy sets frameGone and empties the containers under the
    //   lock, and a worker that sees frameGone touches nothing more. The frame object (with its lock)
    //   and the IP helper library stay until the last running worker has ended: that worker deletes
    //   the frame when the window is already gone.
    std::mutex dataLock;
    int runningWorkers = 0;
    bool frameGone = false;

    // The end of a worker: empties its slot and, when the window has gone meanwhile and no other
    // worker runs, deletes the frame.
    static void WorkerEnded(CMainFrame* frame, CWinThread* CMainFrame::*slot);

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void PostNcDestroy() override;
    void RecalcLayout(BOOL notify = TRUE) override;

    DECLARE_MESSAGE_MAP()
    int OnCreate(LPCREATESTRUCT cs);
    void OnTimer(UINT_PTR id);
    void OnClose();
    void OnDestroy();
    void OnListClick(NMHDR* header, LRESULT* result);

    void OnFileSave();
    void OnUpdateFileSave(CCmdUI* ui);
    void OnRefresh();
    void OnStatistics();
    void OnProcessing();
    void OnColors();
    void OnAutoupdate();
    void OnUpdateAutoupdate(CCmdUI* ui);
    void OnEstablishedOnly();
    void OnUpdateEstablishedOnly(CCmdUI* ui);
    void OnResolve();
    void OnUpdateResolve(CCmdUI* ui);
    void OnBlackList();
    void OnAbout();
    void OnCopyAddress();
    void OnAddToBlackList();
    void OnCloseConnection();
    void OnKillProcess();
    void OnKillProcessTree();
    void OnUpdateRowCommand(CCmdUI* ui);

    void ReadTable();
    void ReadTableWithProcesses();
    void UpdateList();
    void UpdateListWithProcesses();

private:
    // Fetches the table with `call` into `buffer`; false when nothing was read.
    template <class Call> bool FetchTable(Call call, size_t rowBytes, std::vector<unsigned char>& buffer);
    // A successful read's rows become the snapshot; addresses without a name are queued for the resolver.
    void TakeSnapshot(ConnectionSnapshot&& fresh);
    // The list refresh shared by both table modes.
    void RefreshList(bool withProcesses);
    // Starts the workers that have work; called with dataLock held.
    void StartWorkers();
    // Starts `proc` in `slot` (with dataLock held); false when the thread could not be started.
    bool StartWorker(CWinThread* CMainFrame::*slot, AFX_THREADPROC proc);
    void CreateColumns();
    void RestorePlacement();
    void SaveSettings();
    // Loads the IP helper library and its entry points; true when the first read may run.
    bool BindIpHelper();
    // Pending log events are discarded, unwritten.
    void DropPendingEvents();

    bool togglesLoaded = false;
    bool windowDestroyed = false;
    // Bytes of the last successful table read: the next read starts with that plus headroom, so the
    // sizing call is only paid when the table has outgrown it.
    size_t lastTableBytes = 0;
};
