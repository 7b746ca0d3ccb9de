// The address-resolution worker: Windows Sockets lookups around the portable resolver loop.
#pragma once

#include "connections/WorkerState.h"

#include <memory>

// Starts the resolver into resolverThread when the resolve queue holds work and none runs (the resolve
// setting plays no part). Call on the GUI thread with state->lock held.
bool StartResolver(const std::shared_ptr<WorkerState>& state);
