// The one thread procedure behind every worker: runs the body, empties the slot, drops the state.
#include "connections/WorkerStart.h"
#include "framework/WinApp.h"

namespace {

struct WorkerLaunch {
    std::shared_ptr<WorkerState> state;
    CWinThread* WorkerState::*slot;
    WorkerBody body;
};

UINT WorkerThreadProc(void* param) {
    std::unique_ptr<WorkerLaunch> launch(static_cast<WorkerLaunch*>(param));
    try {
        launch->body(*launch->state);
    } catch (...) {
        // A worker's failure is silent: the next refresh starts a new one.
    }
    std::lock_guard<std::mutex> hold(launch->state->lock);
    launch->state.get()->*launch->slot = nullptr;
    return 0;
}

} // namespace

bool StartWorker(const std::shared_ptr<WorkerState>& state, CWinThread* WorkerState::*slot, WorkerBody body) {
    if (state->windowGone || state.get()->*slot != nullptr)
        return false;
    auto launch = std::make_unique<WorkerLaunch>(WorkerLaunch{state, slot, std::move(body)});
    CWinThread* thread = AfxBeginThread(WorkerThreadProc, launch.get(), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (thread == nullptr)
        return false;
    launch.release(); // the thread owns it now
    state.get()->*slot = thread;
    thread->ResumeThread();
    return true;
}
