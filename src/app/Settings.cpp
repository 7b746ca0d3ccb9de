// The main frame's use of the settings key: placement at start, the settings reload, the save at close.
#include "MainFrame.h"
#include "SettingsKey.h"
#include "SettingsRules.h"

namespace {

BOOL CALLBACK CollectWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoA(monitor, &info)) {
        const RECT& work = info.rcWork;
        reinterpret_cast<std::vector<settings::Rect>*>(data)->push_back({work.left, work.top, work.right, work.bottom});
    }
    return TRUE;
}

std::vector<settings::Rect> MonitorWorkAreas() {
    std::vector<settings::Rect> areas;
    EnumDisplayMonitors(nullptr, nullptr, CollectWorkArea, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

} // namespace

void CMainFrame::RestorePlacement() {
    SettingsKey key = SettingsKey::Open();
    if (!key.IsOpen())
        return;
    int left = 0, top = 0, right = 640, bottom = 480;
    key.ReadInt("WindowPosX", left);
    key.ReadInt("WindowPosY", top);
    key.ReadInt("WindowSizeX", right);
    key.ReadInt("WindowSizeY", bottom);
    DWORD onTop = 0;
    bool topmost = key.ReadDword("WindowOnTop", onTop) && onTop != 0;

    // The edges were saved from the window placement, in workspace coordinates; SetWindowPos takes
    // screen coordinates. They differ by the primary work area's corner (a taskbar at the top or left).
    RECT primaryWork{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &primaryWork, 0);
    settings::WindowBox box{};
    UINT flags = SWP_SHOWWINDOW;
    if (!settings::RestoredWindowBox({left, top, right, bottom},
                                     {primaryWork.left, primaryWork.top, primaryWork.right, primaryWork.bottom},
                                     MonitorWorkAreas(), box))
        flags |= SWP_NOMOVE | SWP_NOSIZE; // keep the place the system gave the window
    SetWindowPos(topmost ? HWND_TOPMOST : HWND_NOTOPMOST, box.x, box.y, box.width, box.height, flags);

    DWORD command = 0;
    if (key.ReadDword("WindowCmd", command) && command == SW_SHOWMAXIMIZED) {
        // Maximised once creation is complete: a window maximised while it is still being created is
        // maximised again by the system at the end of creation, which takes the maximised rectangle for
        // the restored one, and the user's restored size would be lost.
        PostMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    }
}

void CMainFrame::LoadSettings() {
    KillTimer(kRefreshTimer);
    KillTimer(kLogTimer);
    logFile = DefaultLogFilePath();

    if (SettingsKey key = SettingsKey::Open(); key.IsOpen()) {
        key.ReadDword("ClosedColor", listCtrl.ClosedColor);
        key.ReadDword("EstablishedColor", listCtrl.EstablishedColor);
        key.ReadDword("FINColor", listCtrl.FINColor);
        key.ReadDword("ListeningColor", listCtrl.ListeningColor);
        key.ReadDword("SYNColor", listCtrl.SYNColor);
        key.ReadDword("SelectColor", listCtrl.SelectColor);
        key.ReadDword("TimeWaitColor", listCtrl.TimeWaitColor);
        key.ReadDword("UnknownColor", listCtrl.UnknownColor);
        key.ReadDword("NewColor", listCtrl.NewColor);
        key.ReadDword("RemovedColor", listCtrl.RemovedColor);

        DWORD value = 0;
        if (key.ReadDword("UpdateInterval", value) && settings::UpdateIntervalAccepted(value))
            updateInterval = static_cast<int>(value);
        key.ReadInt("EnableLogging", enableLogging);
        if (key.ReadDword("LoggingInterval", value) && settings::LoggingIntervalAccepted(value))
            loggingInterval = static_cast<int>(value);
        // The menu toggles come from the key only at start-up; a reload after a dialog leaves
        // them as the user last set them from the menu.
        if (!togglesLoaded) {
            key.ReadInt("ShowEstablishedOnly", showEstablishedOnly);
            key.ReadInt("Autoupdate", autoupdate);
            key.ReadInt("Resolve", resolve);
            key.ReadInt("HighlightChanges", highlightChanges);
            // A text too long for the box (it takes 255 characters) is not read: the box starts empty.
            if (!key.ReadString("FilterText", filterText, 256))
                filterText.clear();
            for (const ExtraTable& table : kExtraTables)
                key.ReadInt(table.settingName, this->*table.toggle);
        }
        key.ReadInt("EnableBlackList", enableBlackList);
        if (key.ReadDword("WindowOnTop", value))
            SetWindowPos(value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        ReadLogFile(key, logFile);
    }
    togglesLoaded = true;

    if (autoupdate)
        SetTimer(kRefreshTimer, static_cast<UINT>(updateInterval) * 1000);
    if (enableLogging)
        SetTimer(kLogTimer, static_cast<UINT>(loggingInterval) * 60000);
    else
        DropPendingEvents();
}

void CMainFrame::SaveSettings() {
    SettingsKey key = SettingsKey::OpenOrCreate();
    if (!key.IsOpen())
        return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (GetWindowPlacement(hwnd, &placement)) {
        key.WriteDword("WindowCmd", placement.showCmd);
        key.WriteDword("WindowPosX", static_cast<DWORD>(placement.rcNormalPosition.left));
        key.WriteDword("WindowPosY", static_cast<DWORD>(placement.rcNormalPosition.top));
        key.WriteDword("WindowSizeX", static_cast<DWORD>(placement.rcNormalPosition.right));
        key.WriteDword("WindowSizeY", static_cast<DWORD>(placement.rcNormalPosition.bottom));
    }
    key.WriteDword("ShowEstablishedOnly", static_cast<DWORD>(showEstablishedOnly));
    key.WriteDword("Autoupdate", static_cast<DWORD>(autoupdate));
    key.WriteDword("Resolve", static_cast<DWORD>(resolve));
    key.WriteDword("HighlightChanges", static_cast<DWORD>(highlightChanges));
    key.WriteString("FilterText", filterText);
    // Stored as set, also where the library cannot read the table: the next start on another system may.
    for (const ExtraTable& table : kExtraTables)
        key.WriteDword(table.settingName, static_cast<DWORD>(this->*table.toggle));
}
