// Application object and message loop.
#include "WinApp.h"
#include "FrameWnd.h"
#include "AfxRes.h"

#include <winsock2.h>
#include <ole2.h>
#include <process.h>

#include <utility>

namespace {
CWinApp* theApp = nullptr;
bool socketsStarted = false;
// The modal loops running on the GUI thread, and the window whose close waits for them to end.
int modalLoops = 0;
HWND closeAfterModalLoops = nullptr;
} // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp() { theApp = this; }

CWinApp::~CWinApp() {
    if (socketsStarted)
        WSACleanup();
    if (theApp == this)
        theApp = nullptr;
}

CWinApp* AfxGetApp() { return theApp; }
CWnd* AfxGetMainWnd() { return theApp ? theApp->mainWnd : nullptr; }

void CWinApp::OnAppExit() {
    if (mainWnd != nullptr)
        mainWnd->SendMessage(WM_CLOSE);
}

bool CWinApp::PreTranslateMessage(MSG* msg) {
    auto* frame = dynamic_cast<CFrameWnd*>(mainWnd);
    if (frame == nullptr || frame->GetAccelerators() == nullptr)
        return false;
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return false;
    return TranslateAcceleratorA(frame->hwnd, frame->GetAccelerators(), msg) != 0;
}

bool CWinApp::OnIdle(long count) {
    if (count == 0) {
        if (auto* frame = dynamic_cast<CFrameWnd*>(mainWnd))
            frame->OnIdleUpdateCmdUI();
    }
    return false;
}

void CWinApp::RunModalIdle() {
    MSG msg;
    for (long count = 0; OnIdle(count) && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); ++count) {
    }
}

namespace {

constexpr UINT kModalIdleMs = 100;

void CALLBACK ModalIdleTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (CWinApp* app = AfxGetApp())
        app->RunModalIdle();
}

} // namespace

ModalLoop::ModalLoop() { ++modalLoops; }

ModalLoop::~ModalLoop() {
    if (--modalLoops == 0 && closeAfterModalLoops != nullptr)
        PostMessageA(std::exchange(closeAfterModalLoops, nullptr), WM_CLOSE, 0, 0);
}

bool ModalLoop::Running() { return modalLoops > 0; }

void ModalLoop::DeferClose(HWND window) { closeAfterModalLoops = window; }

ModalIdle::ModalIdle() : timer(SetTimer(nullptr, 0, kModalIdleMs, ModalIdleTimer)) {}

ModalIdle::~ModalIdle() {
    if (timer != 0)
        KillTimer(nullptr, timer);
}

int CWinApp::Run() {
    MSG msg{};
    bool idle = true;
    long idleCount = 0;
    for (;;) {
        while (idle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                idle = false;
        }
        do {
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1) {
                exitCode = got == 0 ? static_cast<int>(msg.wParam) : 1;
                return ExitInstance();
            }
            if (!PreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            // Paint and the system's caret timer do not count as activity that needs an update pass.
            if (msg.message != WM_PAINT && msg.message != 0x0118) {
                idle = true;
                idleCount = 0;
            }
        } while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

int AfxWinMain() {
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    app->instance = GetModuleHandleA(nullptr);
    app->appTitle = AfxLoadString(AFX_IDS_APP_TITLE);
    if (app->appTitle.empty()) {
        // Without a title string the program is called after its executable.
        char path[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string name = path;
        name = name.substr(name.find_last_of("\\/") + 1);
        app->appTitle = name.substr(0, name.rfind('.'));
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (!app->InitInstance()) {
        if (app->mainWnd != nullptr && app->mainWnd->hwnd != nullptr)
            DestroyWindow(app->mainWnd->hwnd);
        app->ExitInstance();
        return 1;
    }
    return app->Run();
}

int AfxMessageBox(const char* text, UINT type) {
    CWinApp* app = AfxGetApp();
    CWnd* owner = AfxGetMainWnd();
    const char* title = app != nullptr && !app->appTitle.empty() ? app->appTitle.c_str() : nullptr;
    // Owned by the window the user works in: a modal dialog of the main window when one is open (so the
    // dialog is disabled while the box is up), else the main window. The type goes to the system as given.
    HWND ownerWindow = owner && owner->hwnd ? GetLastActivePopup(owner->hwnd) : nullptr;
    ModalIdle idle;
    return MessageBoxA(ownerWindow, text, title, type);
}

int AfxMessageBox(UINT promptId, UINT type) { return AfxMessageBox(AfxLoadString(promptId).c_str(), type); }

bool AfxSocketInit() {
    WSADATA data{};
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return false;
    socketsStarted = true;
    return true;
}

bool AfxOleInit() { return SUCCEEDED(OleInitialize(nullptr)); }

CWinThread::~CWinThread() {
    if (thread != nullptr)
        CloseHandle(thread);
}

namespace {

struct ThreadStart {
    AFX_THREADPROC proc;
    void* param;
    CWinThread* owner;
};

unsigned __stdcall ThreadEntry(void* raw) {
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    UINT result = start.proc(start.param);
    delete start.owner;
    return result;
}

} // namespace

CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param, int priority, UINT stackSize, DWORD createFlags) {
    auto* thread = new CWinThread;
    auto* start = new ThreadStart{proc, param, thread};
    // Started suspended so the object is complete before the thread can end and delete it.
    uintptr_t handle = _beginthreadex(nullptr, stackSize, ThreadEntry, start, CREATE_SUSPENDED, &thread->threadId);
    if (handle == 0) {
        delete start;
        delete thread;
        return nullptr;
    }
    HANDLE raw = reinterpret_cast<HANDLE>(handle);
    thread->thread = raw;
    SetThreadPriority(raw, priority);
    if (!(createFlags & CREATE_SUSPENDED))
        ResumeThread(raw);
    return thread;
}
