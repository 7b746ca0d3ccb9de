// The main window: owner of the list, the bars, every setting held in memory, the connection data and
// the IP helper binding; it runs the timers and dispatches every command.
#pragma once

#include "blacklist/Win32BlackListFiles.h"
#include "controls/ImageToolBar.h"
#include "controls/SortListCtrl.h"
#include "framework/WinApp.h"
#include "connections/ChangeTracker.h"
#include "connections/EventQueue.h"
#include "connections/IpHelperApi.h"
#include "connections/ListRefresh.h"
#include "connections/ProcessNameCache.h"
#include "connections/ShownRows.h"
#include "controls/FilterBox.h"
#include "connections/WorkerState.h"
#include "menuskin/NewMenu.h"
#include "processes/RowActions.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CMainFrame;

// One of the tables beside IPv4 TCP: its View command, its settings value and the toggle that shows it.
struct ExtraTable {
    Protocol protocol;
    UINT command;
    const char* settingName;
    int CMainFrame::*toggle;
};

class CMainFrame : public CNewFrameWnd {
public:
    static const ExtraTable kExtraTables[3];

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
    FilterBox filterBox;
    SortListCtrl listCtrl;
    std::string logFile;
    HICON icon = nullptr;
    int resolve = 1;
    int enableBlackList = 0;
    int enableLogging = 0;
    int showEstablishedOnly = 0;
    int autoupdate = 0;
    // View toggles of the tables beside IPv4 TCP (settings ShowTcp6, ShowUdp4, ShowUdp6).
    int showTcp6 = 0;
    int showUdp4 = 0;
    int showUdp6 = 0;
    // View > Highlight Changes (setting HighlightChanges).
    int highlightChanges = 0;
    // The filter box's text as last applied (setting FilterText).
    std::string filterText;
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
    void OnViewTcp6() { ToggleTable(Protocol::Tcp6); }
    void OnViewUdp4() { ToggleTable(Protocol::Udp); }
    void OnViewUdp6() { ToggleTable(Protocol::Udp6); }
    void OnUpdateViewTcp6(CCmdUI* ui) { UpdateTableToggle(ui, Protocol::Tcp6); }
    void OnUpdateViewUdp4(CCmdUI* ui) { UpdateTableToggle(ui, Protocol::Udp); }
    void OnUpdateViewUdp6(CCmdUI* ui) { UpdateTableToggle(ui, Protocol::Udp6); }
    void OnHighlightChanges();
    void OnUpdateHighlightChanges(CCmdUI* ui);
    void OnFilterChanged();
    // Ctrl+F, and the editing keys: in the filter box while it has the focus, on the list otherwise.
    void OnEditFind();
    void OnEditCopy();
    void OnEditCut();
    void OnEditPaste();
    void OnEditUndo();
    void OnEditSelectAll();
    void OnCopyRows();
    void OnUpdateCopyRows(CCmdUI* ui);
    void OnBlackList();
    void OnAbout();
    void OnCopyAddress();
    void OnAddToBlackList();
    void OnCloseConnection();
    void OnKillProcess();
    void OnKillProcessTree();
    void OnUpdateRowCommand(CCmdUI* ui);
    void OnUpdateCloseConnection(CCmdUI* ui);
    // Close Connection's prompt says why it is greyed on a row it cannot close.
    std::string GetMessageString(UINT id) const override;
    LRESULT OnConnectionClosed(WPARAM sequence, LPARAM);
    LRESULT OnBlackListClosed(WPARAM, LPARAM);

    void ReadTable();
    void ReadTableWithProcesses();
    void UpdateList();
    void UpdateListWithProcesses();

private:
    // Fetches a table with `call` into `buffer`, starting from that table's last size; false when nothing was read.
    template <class Call>
    bool FetchTable(Call call, size_t rowBytes, size_t& lastBytes, std::vector<unsigned char>& buffer);
    // Fetches one table beside IPv4 TCP into `buffer`; false when nothing was read.
    bool FetchExtraTable(Protocol protocol, std::vector<unsigned char>& buffer);
    // Whether the library can read the table (seven-column mode and the entry point bound), and whether the
    // list shows it (that, and its toggle on).
    bool TableAvailable(Protocol protocol) const;
    bool TableShown(Protocol protocol) const;
    void ToggleTable(Protocol protocol);
    void UpdateTableToggle(CCmdUI* ui, Protocol protocol);
    // Adds the Protocol column while any table beside IPv4 TCP is shown and removes it when none is; the sort
    // stays on its field.
    void UpdateProtocolColumn();
    // The column index of each field, from the column table, with or without the Protocol column.
    void AssignColumnIndexes(bool withProtocol);
    // The fetched tables (by Protocol) become the snapshot, unless the IPv4 TCP buffer does not hold its rows;
    // addresses without a name are queued for the resolver and new PIDs named. False when nothing changed.
    bool TakeTables(const std::vector<unsigned char> (&buffers)[4], const bool (&fetched)[4], bool withPids);
    // The list refresh shared by both table modes.
    void RefreshList(bool withProcesses);
    // Starts the workers that have work; called with shared->lock held.
    void StartWorkers();
    // The tracked rows through Established Only and the filter into the list, and the counts into the status bar.
    void ShowRows();
    // The change tracker's key of a snapshot entry; the caller holds the lock.
    ConnectionKey SnapshotKey(size_t index) const;
    void ShowCounts();
    // The status bar's count panes at the right, the message pane taking the rest.
    void LayoutStatusPanes();
    // Adds the filter box at the toolbar's end with the saved text; false when it cannot be created.
    bool CreateFilterBox();
    // The filter box over the toolbar's last item, hidden while the bar stands upright.
    void PlaceFilterBox();
    bool FilterBoxHasFocus() const;
    // Puts the text on the clipboard as CF_TEXT; nothing when it is empty or the clipboard cannot be opened.
    void CopyToClipboard(std::string_view text) const;
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
    // Bytes of the last successful read of each table (by Protocol): the next read starts with that plus
    // headroom, so the sizing call is only paid when the table has outgrown it.
    size_t lastTableBytes[4] = {};
    // System time (FILETIME units) right after the last successful table read: the list shows that read,
    // and a process created after it cannot be the owner the list names.
    uint64_t lastReadTime = 0;
    // The connection the last started closer works on: the row's cells and its index at the start,
    // and the number of that close (GUI thread only).
    ClickedRow closingRow;
    // The views over the rows (GUI thread only): every read goes through the tracker, which keeps the rows
    // that have gone while highlighting is on; ShowRows picks the rows the list shows out of it.
    ChangeTracker changeTracker;
    // The tracker holds the last read: false after a refresh that went past it (highlighting off, no filter).
    bool trackerCurrent = false;
    RowFilter rowFilter;
    std::vector<ConnectionKey> readKeys;
    std::vector<int> shownRows;
    ConnectionCounts counts;
    std::array<std::string, kCountPanes> countPanes;
    int closingItem = -1;
    WPARAM closeSequence = 0;
    ConnectionKey closingKey;
    // Connections closed since the last table read, and their rows in that read (GUI thread only).
    std::vector<ConnectionKey> closedKeys;
    std::vector<int> closedReads;
};
