// Start-up order: the menu skin, OLE, sockets (a failure is reported and start-up goes on), then
// the main window from resource 128.
#include "MonitorApp.h"
#include "MainFrame.h"
#include "resource.h"
#include "menuskin/MenuSkin.h"

BOOL MonitorApp::InitInstance() {
    menuskin::StartSkin();
    AfxOleInit();
    if (!AfxSocketInit())
        AfxMessageBox("Can't initialize sockets", MB_OK | MB_ICONEXCLAMATION);
    // 3-D controls are the system's default look; nothing to enable.
    auto* frame = new CMainFrame;
    mainWnd = frame;
    // A failed creation destroys the window, and the frame deletes itself with it.
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) {
        mainWnd = nullptr;
        return FALSE;
    }
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    return TRUE;
}

int MonitorApp::ExitInstance() {
    menuskin::StopSkin();
    return CWinApp::ExitInstance();
}
