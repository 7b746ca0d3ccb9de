// The address-resolution worker of the main frame: Windows Sockets lookups around the portable loop.
#include "connections/Resolver.h"
#include "connections/ResolverLoop.h"
#include "connections/WorkerStart.h"

#include <winsock2.h>

namespace {

bool LocalHostName(std::string& name) {
    char buffer[512] = "";
    if (gethostname(buffer, sizeof(buffer)) != 0)
        return false;
    buffer[sizeof(buffer) - 1] = '\0';
    name = buffer;
    return true;
}

bool ReverseLookup(uint32_t networkOrderAddress, std::string& name) {
    const hostent* host = gethostbyaddr(reinterpret_cast<const char*>(&networkOrderAddress), 4, AF_INET);
    if (host == nullptr || host->h_name == nullptr)
        return false;
    name = host->h_name;
    return true;
}

// Names the queued addresses; the slot is emptied by StartWorker's thread procedure after it returns.
void ResolverThreadProc(WorkerState& shared) {
    ResolverLookups lookups{LocalHostName, ReverseLookup, MonotonicMilliseconds};
    RunResolver(shared.lock, shared.resolveQueue, shared.hostNameCache, lookups, shared.windowGone);
}

} // namespace

bool StartResolver(const std::shared_ptr<WorkerState>& state) {
    if (state->resolveQueue.Size() == 0)
        return false;
    return StartWorker(state, &WorkerState::resolverThread, ResolverThreadProc);
}
