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

int AfxMessageBox(const char* text, UINT type = MB_OK);

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
CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0);
