// The address-resolution worker of the main frame: Windows Sockets lookups around the portable loop.
#include "app/MainFrame.h"
#include "connections/ResolverLoop.h"

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

UINT ResolverThreadProc(void* param) {
    auto* frame = static_cast<CMainFrame*>(param);
    ResolverLookups lookups{LocalHostName, ReverseLookup};
    RunResolver(frame->dataLock, frame->resolveQueue, frame->hostNameCache, lookups, frame->frameGone);
    CMainFrame::WorkerEnded(frame, &CMainFrame::resolverThread);
    return 0;
}

} // namespace

void CMainFrame::StartWorkers() {
    if (frameGone)
        return;
    if (resolveQueue.Size() > 0 && resolverThread == nullptr)
        StartWorker(&CMainFrame::resolverThread, ResolverThreadProc);
    // LATER(black-list closer): when blackList is not empty, closerThread is null and enableBlackList
    // is on, start the black-list closer in closerThread.
}
