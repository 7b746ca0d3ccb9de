// The scripted entry points of the test IP helper DLL, GetTcpTable, GetExtendedTcpTable, GetExtendedUdpTable,
// SetTcpEntry and GetTcpStatistics, with the platform's signatures. Every call reads the script named by
// PELLORAN_FAKE_IPHLPAPI again when the file changed, answers from it and appends one line to the call log named by
// PELLORAN_FAKE_IPHLPAPI_LOG (GetTcpStatistics logs nothing). Every other iphlpapi export is passed to the system
// DLL (Forwarding.cpp). The script format is in tests/fakes/README.md.
#include "FakeScript.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using namespace fakes;

// The program calls in from its GUI thread and its workers at once: every call holds this lock throughout.
SRWLOCK sessionLock = SRWLOCK_INIT;
FakeScript script;
// What identifies the version of the script in force: a test renames a new file over it (new index) or
// rewrites it (new write time or size).
struct Version {
    bool exists = false;
    FILETIME written{};
    DWORD sizeLow = 0, indexLow = 0, indexHigh = 0;
    bool operator==(const Version& o) const {
        return exists == o.exists && CompareFileTime(&written, &o.written) == 0 && sizeLow == o.sizeLow &&
               indexLow == o.indexLow && indexHigh == o.indexHigh;
    }
} version;

std::string Environment(const char* name) {
    char value[MAX_PATH * 2] = "";
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

// Takes up a new version of the script; a missing file is an empty table. The file is opened with every
// share mode, so a test can replace it at any moment; a file another writer holds keeps the old script.
void Refresh() {
    Version current;
    std::string text;
    HANDLE file =
        CreateFileA(Environment("PELLORAN_FAKE_IPHLPAPI").c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
        return;
    if (file != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info{};
        GetFileInformationByHandle(file, &info);
        current = {true, info.ftLastWriteTime, info.nFileSizeLow, info.nFileIndexLow, info.nFileIndexHigh};
        if (!(current == version)) {
            text.resize(info.nFileSizeLow);
            DWORD read = 0;
            ReadFile(file, text.data(), info.nFileSizeLow, &read, nullptr);
            text.resize(read);
        }
        CloseHandle(file);
    }
    if (current == version)
        return;
    version = current;
    script = ParseScript(text);
}

void Log(const std::string& line) {
    HANDLE file = CreateFileA(Environment("PELLORAN_FAKE_IPHLPAPI_LOG").c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string text = std::to_string(GetTickCount64()) + " " + line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

DWORD Serve(const char* function, void* buffer, DWORD* size, BOOL sort, bool valid, Table table, const char* extra) {
    AcquireSRWLockExclusive(&sessionLock);
    DWORD status = ERROR_INVALID_PARAMETER;
    if (size != nullptr && valid) {
        try {
            Refresh();
            uint32_t bytes = *size;
            status = ServeTable(script, buffer, &bytes, sort != FALSE, table);
            *size = bytes;
        } catch (const std::bad_alloc&) {
            status = ERROR_NOT_ENOUGH_MEMORY;
        }
    }
    char line[256];
    std::snprintf(line, sizeof line, "%s buffer=%d sort=%d%s result=%lu", function, buffer != nullptr, sort != FALSE,
                  extra, static_cast<unsigned long>(status));
    Log(line);
    ReleaseSRWLockExclusive(&sessionLock);
    return status;
}

} // namespace

extern "C" {

// Logs the row it was given and answers as scripted, after the scripted delay; the delay is waited out
// without the lock, so table reads go on meanwhile.
DWORD WINAPI SetTcpEntry(PMIB_TCPROW row) {
    AcquireSRWLockExclusive(&sessionLock);
    try {
        Refresh();
    } catch (const std::bad_alloc&) {
    }
    const DWORD result = row != nullptr ? script.setResult : ERROR_INVALID_PARAMETER;
    const DWORD delay = script.setDelayMs;
    ReleaseSRWLockExclusive(&sessionLock);
    Sleep(delay);
    char line[256] = "SetTcpEntry row=null";
    if (row != nullptr)
        std::snprintf(line, sizeof line,
                      "SetTcpEntry state=%lu localAddr=%lu localPort=%lu remoteAddr=%lu remotePort=%lu",
                      static_cast<unsigned long>(row->dwState), static_cast<unsigned long>(row->dwLocalAddr),
                      static_cast<unsigned long>(row->dwLocalPort), static_cast<unsigned long>(row->dwRemoteAddr),
                      static_cast<unsigned long>(row->dwRemotePort));
    AcquireSRWLockExclusive(&sessionLock);
    Log(std::string(line) + " result=" + std::to_string(result));
    ReleaseSRWLockExclusive(&sessionLock);
    return result;
}

ULONG WINAPI GetTcpTable(PMIB_TCPTABLE table, PULONG size, WINBOOL sort) {
    return Serve("GetTcpTable", table, size, sort, true, Table::Tcp, "");
}

// Only what the program asks for is scripted: IPv4 and all rows, without (class 2) or with (class 5) the
// owning process, and IPv6 with it. Anything else is refused with ERROR_INVALID_PARAMETER.
DWORD WINAPI GetExtendedTcpTable(PVOID table, PDWORD size, WINBOOL sort, ULONG af, TCP_TABLE_CLASS tableClass,
                                 ULONG reserved) {
    char extra[96];
    std::snprintf(extra, sizeof extra, " af=%lu class=%d reserved=%lu", static_cast<unsigned long>(af),
                  static_cast<int>(tableClass), static_cast<unsigned long>(reserved));
    const bool valid = reserved == 0 && ((af == AF_INET && tableClass == TCP_TABLE_BASIC_ALL) ||
                                         ((af == AF_INET || af == AF_INET6) && tableClass == TCP_TABLE_OWNER_PID_ALL));
    const Table which = af == AF_INET6                          ? Table::Tcp6
                        : tableClass == TCP_TABLE_OWNER_PID_ALL ? Table::TcpPid
                                                                : Table::Tcp;
    return Serve("GetExtendedTcpTable", table, size, sort, valid, which, extra);
}

// Both UDP tables with the owning process (class 1), IPv4 or IPv6.
DWORD WINAPI GetExtendedUdpTable(PVOID table, PDWORD size, WINBOOL sort, ULONG af, UDP_TABLE_CLASS tableClass,
                                 ULONG reserved) {
    char extra[96];
    std::snprintf(extra, sizeof extra, " af=%lu class=%d reserved=%lu", static_cast<unsigned long>(af),
                  static_cast<int>(tableClass), static_cast<unsigned long>(reserved));
    const bool valid = reserved == 0 && (af == AF_INET || af == AF_INET6) && tableClass == UDP_TABLE_OWNER_PID;
    return Serve("GetExtendedUdpTable", table, size, sort, valid, af == AF_INET6 ? Table::Udp6 : Table::Udp, extra);
}

// The record (or the failure) the script gives; the fifteen fields are copied in record order.
ULONG WINAPI GetTcpStatistics(PMIB_TCPSTATS statistics) {
    AcquireSRWLockExclusive(&sessionLock);
    DWORD status = ERROR_INVALID_PARAMETER;
    if (statistics != nullptr) {
        Refresh();
        status = script.failStatsCode;
        if (status == 0) {
            static_assert(sizeof(MIB_TCPSTATS) == sizeof(script.tcpStats));
            std::memcpy(statistics, script.tcpStats.data(), sizeof(MIB_TCPSTATS));
        }
    }
    ReleaseSRWLockExclusive(&sessionLock);
    return status;
}

} // extern "C"
