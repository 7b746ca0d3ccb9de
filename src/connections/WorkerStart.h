// Starting a worker thread into a slot of the shared worker state. Every worker (the resolver, the
// connection closer, the black-list closer) starts the same way, so the slot rules of WorkerState.h
// hold for all of them.
//
//     std::lock_guard<std::mutex> hold(state->lock);
//     StartWorker(state, &WorkerState::closerThread, [row](WorkerState& shared) { ... });
//
// The body runs on the new thread with its own reference to the state; it takes `shared.lock` for each
// access and stops once `shared.windowGone` is set. After the body returns (or throws: the exception
// ends there) the slot is emptied under the lock and the thread lets go of the state.
#pragma once

#include "connections/WorkerState.h"

#include <functional>
#include <memory>

using WorkerBody = std::function<void(WorkerState& shared)>;

// Call on the GUI thread with state->lock held. Starts `body` into `slot` (&WorkerState::resolverThread
// or &WorkerState::closerThread). Returns false, and starts nothing, when the slot is taken, the window
// is gone or the thread cannot be created.
bool StartWorker(const std::shared_ptr<WorkerState>& state, CWinThread* WorkerState::*slot, WorkerBody body);
