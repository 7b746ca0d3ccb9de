// The application object, its message loop with idle-time updates, message boxes captioned with the
// application title, and worker-thread start.
#pragma once

#include "CmdTarget.h"

class CWnd;

class CWinApp : public CCmdTarget {
public:
    CWnd* mainWnd = nullptr;
    HINSTANCE instance = nullptr;
    std::string appTitle;

    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return exitCode; }
    virtual int Run();
    // Idle-time work after the queue emptied; returns true while more idle work is wanted.
    virtual bool OnIdle(long count);
    virtual bool PreTranslateMessage(MSG* msg);
    // The idle pass as the main loop runs it, for a modal loop that is waiting (see ModalIdle).
    void RunModalIdle();

protected:
    DECLARE_MESSAGE_MAP()
    void OnAppExit();

private:
    int exitCode = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// Runs the application object: InitInstance, then the message loop. Returns the process exit code.
int AfxWinMain();

// A message box owned by the main window and captioned with the application title (string
// AFX_IDS_APP_TITLE, else the executable's name). The type's buttons and icon (MB_ICONEXCLAMATION for
// warnings, MB_ICONQUESTION for questions) pass through unchanged. Its modal loop keeps the frame's idle
// pass running (see CFrameWnd::OnEnterIdle).
int AfxMessageBox(const char* text, UINT type = MB_OK);
int AfxMessageBox(UINT promptId, UINT type = MB_OK);

// Marks a modal loop on the GUI thread for as long as the object lives: a dialog or message box, a common
// dialog (each through ModalIdle), a menu loop of the frame, a toolbar drag. The code that started such a
// loop goes on using the main window when the loop returns, so the window must not be destroyed under it:
// a close that arrives meanwhile (from the taskbar, or another program) is held with DeferClose and
// posted again once the outermost loop has ended.
class ModalLoop {
public:
    ModalLoop();
    ~ModalLoop();
    ModalLoop(const ModalLoop&) = delete;
    ModalLoop& operator=(const ModalLoop&) = delete;

    static bool Running();
    // WM_CLOSE goes to `window` once no modal loop runs any more.
    static void DeferClose(HWND window);
};

// Keeps the application's idle pass running while a modal loop of the system (dialog box, message box,
// common dialog) runs on this thread, for as long as the object lives. The frame also runs the pass at
// WM_ENTERIDLE, but a loop may suppress that message (a message box's template carries DS_NOIDLEMSG on some
// systems), so a thread timer runs it as well: WM_TIMER only comes when the queue is otherwise empty.
class ModalIdle {
public:
    ModalIdle();
    ~ModalIdle();
    ModalIdle(const ModalIdle&) = delete;
    ModalIdle& operator=(const ModalIdle&) = delete;

private:
    UINT_PTR timer = 0;
    ModalLoop loop;
};

bool AfxSocketInit();
bool AfxOleInit();

// A thread started by AfxBeginThread. The object deletes itself when its thread ends, so holders only
// compare it with null and never dereference it after the start.
class CWinThread {
public:
    HANDLE thread = nullptr;
    unsigned threadId = 0;
    ~CWinThread();
    DWORD ResumeThread() const { return ::ResumeThread(thread); }
};

using AFX_THREADPROC = UINT (*)(void* param);
CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param, int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD createFlags = 0);
