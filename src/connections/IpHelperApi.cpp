// Loading and binding the IP helper library.
#include "connections/IpHelperApi.h"

namespace {

template <class Fn> Fn Bind(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

std::shared_ptr<IpHelperApi> IpHelperApi::Load(bool extendedTable) {
    auto api = std::make_shared<IpHelperApi>();
    api->ipHelperModule = LoadLibraryA("iphlpapi.dll");
    if (api->ipHelperModule == nullptr)
        return nullptr;
    api->setTcpEntry = Bind<SetTcpEntryFn>(api->ipHelperModule, "SetTcpEntry");
    if (extendedTable) {
        api->getExtendedTcpTable = Bind<GetExtendedTcpTableFn>(api->ipHelperModule, "GetExtendedTcpTable");
        api->getExtendedUdpTable = Bind<GetExtendedUdpTableFn>(api->ipHelperModule, "GetExtendedUdpTable");
    } else
        api->getTcpTable = Bind<GetTcpTableFn>(api->ipHelperModule, "GetTcpTable");
    return api;
}

std::unique_ptr<IpHelperApi> IpHelperApi::LoadStatistics() {
    auto api = std::make_unique<IpHelperApi>();
    api->ipHelperModule = LoadLibraryA("iphlpapi.dll");
    if (api->ipHelperModule == nullptr)
        return nullptr;
    api->getTcpStatistics = Bind<GetTcpStatisticsFn>(api->ipHelperModule, "GetTcpStatistics");
    return api;
}
