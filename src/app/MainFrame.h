// The main window: owner of the list, the bars, every setting held in memory, the connection data and
// the IP helper binding; it runs the timers and dispatches every command.
#pragma once

#include "blacklist/Win32BlackListFiles.h"
#include "controls/ImageToolBar.h"
#include "controls/SortListCtrl.h"
#include "framework/WinApp.h"
#include "connections/EventQueue.h"
#include "connections/IpHelperApi.h"
#include "connections/ListRefresh.h"
#include "connections/ProcessNameCache.h"
#include "connections/WorkerState.h"
#include "menuskin/NewMenu.h"
#include "processes/RowActions.h"

#include <memory>
#include <string>
#include <vector>

class CMainFrame : public CNewFrameWnd {
public:
    static constexpr UINT_PTR kRefreshTimer = 1; // period updateInterval seconds, while autoupdate is on
    static constexpr UINT_PTR kLogTimer = 2;     // period loggingInterval minutes, while logging is on
    // Posted by the connection closer when SetTcpEntry reset the connection; WPARAM: its close number.
    static constexpr UINT kConnectionClosedMessage = WM_APP + 1;
    // Posted by the black-list closer when it reset connections (shared->closedByBlackList holds them).
    static constexpr UINT kBlackListClosedMessage = WM_APP + 2;

    CMainFrame();

    // One table read of the current mode followed by the list refresh.
    void RefreshTable();
    // Rereads the settings key and restarts the timers as the settings say.
    void LoadSettings();
    // Appends the established pending events to the log file and empties the queue; when the file
    // cannot be opened or written, the file stays as it was and the events wait for the next flush.
    void FlushEventLog();
    // Replaces the black list with the file's entries; a file that is missing or cannot be read leaves
    // the list as it is.
    void LoadBlackList();
    // Writes the black list to its file; false when the file was left as it was.
    bool SaveBlackList();

    CStatusBar statusBar;
    ImageToolBar toolBar;
    SortListCtrl listCtrl;
    std::string logFile;
    HICON icon = nullptr;
    int resolve = 1;
    int enableBlackList = 0;
    int enableLogging = 0;
    int showEstablishedOnly = 0;
    int autoupdate = 0;
    int extendedTable = 1;
    int contextItem = -1;
    // The cells of the row last clicked, copied at the click; the row actions work on them.
    ClickedRow clickedRow;
    int updateInterval = 3;
    int loggingInterval = 10;
    // Column of each field in the list; -1 for a column the table mode does not show.
    ColumnIndexes columnIndexes{-1, -1, -1, -1, -1, -1, -1};
    // The GUI thread's own data: pending log events and the names of the owning processes.
    EventQueue eventQueue;
    ProcessNameCache processNameCache;

    // What the workers share with this window: the lock, resolveQueue, hostNameCache, snapshot,
    // blackList, the thread slots resolverThread and closerThread, and the IP helper binding. The frame
    // holds it like every running worker does; its lock rules are written where WorkerState is declared.
    std::shared_ptr<WorkerState> shared;

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void PostNcDestroy() override;
    void RecalcLayout() override;

    DECLARE_MESSAGE_MAP()
    int OnCreate(LPCREATESTRUCT cs);
    void OnTimer(UINT_PTR id);
    void OnClose();
    void OnEndSession(BOOL ending);
    void OnDestroy();
    void OnSysColorChange();
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
    LRESULT OnConnectionClosed(WPARAM sequence, LPARAM);
    LRESULT OnBlackListClosed(WPARAM, LPARAM);

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
    // Starts the workers that have work; called with shared->lock held.
    void StartWorkers();
    // Starts the black-list closer when the list is enabled and not empty; called with shared->lock held.
    void StartBlackListCloser();
    void CreateColumns();
    void RestorePlacement();
    void SaveSettings();
    // What a close keeps: the placement and the toggles, and the pending log events when logging is on.
    void SaveState();
    // Loads the IP helper library and its entry points; true when the first read may run.
    bool BindIpHelper();
    // Pending log events are discarded, unwritten.
    void DropPendingEvents();
    // The kill commands: asks, then kills the clicked row's process (with its tree) and rereads the table.
    void KillClickedProcess(const char* question, bool tree);

    bool togglesLoaded = false;
    // The main window's view of blacklist.xml (it remembers whether the last load could read the file).
    DataFolderBlackList blackListFile;
    // Bytes of the last successful table read: the next read starts with that plus headroom, so the
    // sizing call is only paid when the table has outgrown it.
    size_t lastTableBytes = 0;
    // System time (FILETIME units) right after the last successful table read: the list shows that read,
    // and a process created after it cannot be the owner the list names.
    uint64_t lastReadTime = 0;
    // The connection the last started closer works on: the row's cells and its index at the start,
    // and the number of that close (GUI thread only).
    ClickedRow closingRow;
    int closingItem = -1;
    WPARAM closeSequence = 0;
};
