// The IP helper library bound by name at run time. One object owns the loaded module and frees it when
// it is destroyed; it is held through WorkerState::ipHelper, so a worker that calls SetTcpEntry keeps
// the library loaded for as long as it runs, even after the window has gone.
#pragma once

#include <windows.h>

#include <memory>

// Entry points of the IP helper library.
using GetTcpTableFn = DWORD(WINAPI*)(void* table, DWORD* size, BOOL sort);
using SetTcpEntryFn = DWORD(WINAPI*)(void* row);
using GetExtendedTcpTableFn = DWORD(WINAPI*)(void* table, DWORD* size, BOOL sort, ULONG family, int tableClass,
                                             ULONG reserved);
using GetExtendedUdpTableFn = DWORD(WINAPI*)(void* table, DWORD* size, BOOL sort, ULONG family, int tableClass,
                                             ULONG reserved);
using GetTcpStatisticsFn = DWORD(WINAPI*)(void* statistics);

struct IpHelperApi {
    HMODULE ipHelperModule = nullptr;
    GetTcpTableFn getTcpTable = nullptr;
    SetTcpEntryFn setTcpEntry = nullptr;
    GetExtendedTcpTableFn getExtendedTcpTable = nullptr;
    GetExtendedUdpTableFn getExtendedUdpTable = nullptr; // both UDP tables; bound in extended mode only
    GetTcpStatisticsFn getTcpStatistics = nullptr;

    IpHelperApi() = default;
    ~IpHelperApi() {
        if (ipHelperModule != nullptr)
            FreeLibrary(ipHelperModule);
    }
    IpHelperApi(const IpHelperApi&) = delete;
    IpHelperApi& operator=(const IpHelperApi&) = delete;

    // Loads "iphlpapi.dll" and binds SetTcpEntry and the read of the table mode: GetExtendedTcpTable
    // (which also reads the IPv6 TCP table) and GetExtendedUdpTable when `extendedTable`, GetTcpTable
    // otherwise (a missing one is not replaced by the other). Null when the library cannot be loaded.
    static std::shared_ptr<IpHelperApi> Load(bool extendedTable);
    // Loads "iphlpapi.dll" and binds GetTcpStatistics alone (null when missing): the statistics dialog's
    // own binding, released with the dialog. Null when the library cannot be loaded.
    static std::unique_ptr<IpHelperApi> LoadStatistics();
};
