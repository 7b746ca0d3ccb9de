// The four scripted entry points of the test IP helper DLL: GetTcpTable, GetExtendedTcpTable, SetTcpEntry and
// GetTcpStatistics, with the platform's signatures. Every call re-reads the script named by
// PELLORAN_FAKE_IPHLPAPI (when the file changed), answers from it and appends one line to the call log
// (PELLORAN_FAKE_IPHLPAPI_LOG, or the script's "log" line). The script format is in tests/fakes/README.md.
//
// A test puts this iphlpapi.dll into the folder of the Pelloran.exe it starts and sets
// WINEDLLOVERRIDES="iphlpapi=n,b" (on Windows the program's folder is searched first anyway). It then serves
// every module of that process, so all other iphlpapi exports are passed to the system DLL: see the note at
// the top of Forwarding.cpp.
#include "CallLog.h"
#include "FakeState.h"
#include "ScriptFile.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <string>

namespace {

using namespace fakes;

constexpr wchar_t ScriptVariable[] = L"PELLORAN_FAKE_IPHLPAPI";
constexpr wchar_t LogVariable[] = L"PELLORAN_FAKE_IPHLPAPI_LOG";
constexpr DWORD StatusOutOfMemory = ERROR_NOT_ENOUGH_MEMORY;

// Everything the calls share. The program calls in from its GUI thread and its workers at once, so every
// entry point holds `sessionLock` (exclusive) for its whole run, log line included.
struct Session {
    FakeState state;
    ScriptFileVersion version;
    std::wstring logPath;
};

SRWLOCK sessionLock = SRWLOCK_INIT;

class SessionGuard {
public:
    SessionGuard() { AcquireSRWLockExclusive(&sessionLock); }
    ~SessionGuard() { ReleaseSRWLockExclusive(&sessionLock); }
    SessionGuard(const SessionGuard&) = delete;
    SessionGuard& operator=(const SessionGuard&) = delete;
};

Session& TheSession() {
    static Session session;
    return session;
}

// Brings the session up to date with the script file. Call with the lock held.
void Refresh(Session& session) {
    std::string content;
    if (ReadScriptIfChanged(EnvironmentValue(ScriptVariable), session.version, content)) {
        session.state.Load(ParseScript(content));
        const FakeScript& script = session.state.Script();
        session.logPath = script.logPath.empty() ? EnvironmentValue(LogVariable) : Utf8ToWide(script.logPath);
        char line[96];
        std::snprintf(line, sizeof line, "ScriptLoaded exists=%d rows=%zu skipped=%zu", session.version.exists ? 1 : 0,
                      script.rows.size(), script.skippedLines);
        AppendLogLine(session.logPath, line);
    } else if (session.state.Script().logPath.empty()) {
        session.logPath = EnvironmentValue(LogVariable);
    }
}

std::string SizeText(const DWORD* size) {
    return size != nullptr ? std::to_string(*size) : std::string("null");
}

DWORD ServeTable(const char* function, void* buffer, DWORD* size, BOOL order, const std::string& extraArgs,
                 bool argumentsValid, RowLayout layout, RowFilter filter) {
    SessionGuard guard;
    Session& session = TheSession();
    std::string inText = SizeText(size);
    DWORD status = StatusInvalidParameter;
    size_t rowCount = 0;
    try {
        Refresh(session);
        if (size != nullptr && argumentsValid) {
            TableRequest request;
            request.hasBuffer = buffer != nullptr;
            request.bufferSize = *size;
            request.sort = order != FALSE;
            request.layout = layout;
            request.filter = filter;
            TableReply reply = session.state.ReadTable(request, buffer);
            if (reply.sizeOut) {
                *size = *reply.sizeOut;
            }
            status = reply.status;
            rowCount = reply.rowCount;
        }
    } catch (const std::bad_alloc&) {
        status = StatusOutOfMemory;
    }
    char line[256];
    std::snprintf(line, sizeof line, "%s buffer=%d in=%s sort=%d%s result=%lu out=%s rows=%zu", function,
                  buffer != nullptr ? 1 : 0, inText.c_str(), order != FALSE ? 1 : 0, extraArgs.c_str(),
                  static_cast<unsigned long>(status), SizeText(size).c_str(), rowCount);
    AppendLogLine(session.logPath, line);
    return status;
}

} // namespace

extern "C" {

ULONG WINAPI GetTcpTable(PMIB_TCPTABLE TcpTable, PULONG SizePointer, WINBOOL Order) {
    return ServeTable("GetTcpTable", TcpTable, SizePointer, Order, "", true, RowLayout::Basic, RowFilter::All);
}

DWORD WINAPI GetExtendedTcpTable(PVOID pTcpTable, PDWORD pdwSize, WINBOOL bOrder, ULONG ulAf,
                                 TCP_TABLE_CLASS TableClass, ULONG Reserved) {
    // Classes 0-5 (basic or owner-PID rows; listeners, connections or all). The owner-module classes and
    // IPv6 are not scripted and answer ERROR_INVALID_PARAMETER, as a bad reserved value does.
    static constexpr struct {
        RowLayout layout;
        RowFilter filter;
    } Classes[] = {
        {RowLayout::Basic, RowFilter::Listeners},
        {RowLayout::Basic, RowFilter::Connections},
        {RowLayout::Basic, RowFilter::All},
        {RowLayout::OwnerPid, RowFilter::Listeners},
        {RowLayout::OwnerPid, RowFilter::Connections},
        {RowLayout::OwnerPid, RowFilter::All},
    };
    unsigned tableClass = static_cast<unsigned>(TableClass);
    bool valid = ulAf == AF_INET && tableClass < std::size(Classes) && Reserved == 0;
    char extra[96];
    std::snprintf(extra, sizeof extra, " af=%lu class=%u reserved=%lu", static_cast<unsigned long>(ulAf), tableClass,
                  static_cast<unsigned long>(Reserved));
    auto kind = valid ? Classes[tableClass] : Classes[5];
    return ServeTable("GetExtendedTcpTable", pTcpTable, pdwSize, bOrder, extra, valid, kind.layout, kind.filter);
}

// A slow SetTcpEntry ("set-delay") waits before it takes the lock, so table reads go on meanwhile.
DWORD ScriptedSetDelay() {
    SessionGuard guard;
    try {
        Refresh(TheSession());
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return TheSession().state.Script().setDelayMs;
}

DWORD WINAPI SetTcpEntry(PMIB_TCPROW pTcpRow) {
    if (DWORD delay = ScriptedSetDelay(); delay != 0) {
        Sleep(delay);
    }
    SessionGuard guard;
    Session& session = TheSession();
    char line[320];
    DWORD status = StatusInvalidParameter;
    try {
        Refresh(session);
        if (pTcpRow == nullptr) {
            std::snprintf(line, sizeof line, "SetTcpEntry row=null result=%lu", static_cast<unsigned long>(status));
        } else {
            std::array<uint32_t, 5> row = {pTcpRow->dwState, pTcpRow->dwLocalAddr, pTcpRow->dwLocalPort,
                                           pTcpRow->dwRemoteAddr, pTcpRow->dwRemotePort};
            SetEntryReply reply = session.state.SetEntry(row);
            status = reply.status;
            std::snprintf(line, sizeof line,
                          "SetTcpEntry state=%lu localAddr=%lu localPort=%lu remoteAddr=%lu remotePort=%lu "
                          "local=%s remote=%s matched=%d result=%lu",
                          static_cast<unsigned long>(row[0]), static_cast<unsigned long>(row[1]),
                          static_cast<unsigned long>(row[2]), static_cast<unsigned long>(row[3]),
                          static_cast<unsigned long>(row[4]), FormatEndpoint(row[1], row[2]).c_str(),
                          FormatEndpoint(row[3], row[4]).c_str(), reply.matched ? 1 : 0,
                          static_cast<unsigned long>(status));
        }
    } catch (const std::bad_alloc&) {
        status = StatusOutOfMemory;
        std::snprintf(line, sizeof line, "SetTcpEntry result=%lu", static_cast<unsigned long>(status));
    }
    AppendLogLine(session.logPath, line);
    return status;
}

ULONG WINAPI GetTcpStatistics(PMIB_TCPSTATS Statistics) {
    static_assert(sizeof(MIB_TCPSTATS) == StatisticsCount * sizeof(uint32_t), "MIB_TCPSTATS is 15 counters");
    SessionGuard guard;
    Session& session = TheSession();
    DWORD status = StatusInvalidParameter;
    try {
        Refresh(session);
        if (Statistics != nullptr) {
            uint32_t record[StatisticsCount];
            status = session.state.ReadStatistics(record);
            if (status == StatusSuccess) {
                std::memcpy(Statistics, record, sizeof record);
            }
        }
    } catch (const std::bad_alloc&) {
        status = StatusOutOfMemory;
    }
    char line[96];
    std::snprintf(line, sizeof line, "GetTcpStatistics record=%d result=%lu", Statistics != nullptr ? 1 : 0,
                  static_cast<unsigned long>(status));
    AppendLogLine(session.logPath, line);
    return status;
}

} // extern "C"
