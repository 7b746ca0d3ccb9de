// The address-resolution worker of the main frame: Windows Sockets lookups around the portable loop.
#include "connections/Resolver.h"
#include "connections/ResolverLoop.h"
#include "connections/WorkerStart.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

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

// getnameinfo, bound at run time: Windows Sockets of systems before XP lack it, and the program still starts
// there (they have no IPv6 tables to name either).
using GetNameInfoFn = int(WSAAPI*)(const sockaddr* address, int addressBytes, char* host, DWORD hostBytes,
                                   char* service, DWORD serviceBytes, int flags);

GetNameInfoFn BoundGetNameInfo() {
    static const GetNameInfoFn bound = [] {
        HMODULE sockets = GetModuleHandleA("ws2_32.dll");
        return sockets == nullptr
                   ? nullptr
                   : reinterpret_cast<GetNameInfoFn>(reinterpret_cast<void*>(GetProcAddress(sockets, "getnameinfo")));
    }();
    return bound;
}

// A reverse lookup that must find a name (NI_NAMEREQD): without the flag the numeric text would come back as
// the "name".
bool ReverseLookup6(const ResolveAddress& address, std::string& name) {
    const GetNameInfoFn lookup = BoundGetNameInfo();
    if (lookup == nullptr)
        return false;
    sockaddr_in6 socketAddress{};
    socketAddress.sin6_family = AF_INET6;
    std::memcpy(&socketAddress.sin6_addr, address.ipv6Bytes, 16);
    socketAddress.sin6_scope_id = address.scopeId;
    char host[NI_MAXHOST] = "";
    if (lookup(reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress, host, sizeof host, nullptr, 0,
               NI_NAMEREQD) != 0)
        return false;
    host[sizeof host - 1] = '\0';
    name = host;
    return true;
}

// Names the queued addresses; the slot is emptied by StartWorker's thread procedure after it returns.
void ResolverThreadProc(WorkerState& shared) {
    ResolverLookups lookups{LocalHostName, ReverseLookup, ReverseLookup6, MonotonicMilliseconds};
    RunResolver(shared.lock, shared.resolveQueue, shared.hostNameCache, lookups, shared.windowGone);
}

} // namespace

bool StartResolver(const std::shared_ptr<WorkerState>& state) {
    if (state->resolveQueue.Size() == 0)
        return false;
    return StartWorker(state, &WorkerState::resolverThread, ResolverThreadProc);
}
