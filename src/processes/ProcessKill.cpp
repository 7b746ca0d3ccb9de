// Process termination and the two kill commands of the row menu.
#include "processes/ProcessKill.h"
#include "processes/ProcessDirectory.h"
#include "processes/RowActions.h"

#include "app/MainFrame.h"

#include <new>

namespace {

constexpr DWORD kTokenRights = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;

bool IsNtPlatform() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// PROCESS_QUERY_LIMITED_INFORMATION (Windows Vista and later): granted for processes that refuse the
// full query right, and enough for GetProcessTimes.
constexpr DWORD kQueryLimited = 0x1000;

// Opened to read its creation time and to terminate it. Every system knows the full query right; where a
// process refuses it (a protected one, on Vista and later), the limited right is asked for instead.
HANDLE OpenForTermination(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (process == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
        process = OpenProcess(PROCESS_TERMINATE | kQueryLimited, FALSE, pid);
        if (process == nullptr) // whatever an older system says of the unknown right, the first was refused
            SetLastError(ERROR_ACCESS_DENIED);
    }
    return process;
}

// The second open of a process that refused the first: with SeDebugPrivilege enabled for that open
// only, and the token's previous state restored before the process is terminated.
HANDLE OpenWithDebugPrivilege(DWORD pid) {
    if (!IsNtPlatform())
        return nullptr;
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), kTokenRights, FALSE, &token)) {
        if (GetLastError() != ERROR_NO_TOKEN || !OpenProcessToken(GetCurrentProcess(), kTokenRights, &token))
            return nullptr;
    }
    TOKEN_PRIVILEGES enable{};
    enable.PrivilegeCount = 1;
    enable.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous{};
    DWORD previousBytes = sizeof(previous);
    if (!LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &enable.Privileges[0].Luid) ||
        !AdjustTokenPrivileges(token, FALSE, &enable, sizeof(enable), &previous, &previousBytes) ||
        GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
        CloseHandle(token);
        return nullptr;
    }
    HANDLE process = OpenForTermination(pid);
    AdjustTokenPrivileges(token, FALSE, &previous, previousBytes, nullptr, nullptr);
    CloseHandle(token);
    return process;
}

// The system's processes for the portable kill rule.
class SystemProcess : public ProcessControl {
public:
    ~SystemProcess() override { Close(); }

    bool Open(uint32_t pid) override {
        Close();
        process = OpenForTermination(pid);
        if (process == nullptr && GetLastError() == ERROR_ACCESS_DENIED)
            process = OpenWithDebugPrivilege(pid);
        return process != nullptr;
    }

    bool CreationTime(uint64_t& time) override {
        FILETIME created{}, exited{}, kernel{}, user{};
        if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
            return false;
        time = (uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
        return true;
    }

    bool Terminate() override { return TerminateProcess(process, 0xFFFFFFFF) != FALSE; }

    void Close() override {
        if (process != nullptr)
            CloseHandle(process);
        process = nullptr;
    }

private:
    HANDLE process = nullptr;
};

bool WalkTree(uint32_t root, const KillProcessFn& kill) {
    try {
        if (TreeKillUsesNativeList()) {
            ProcessList list;
            return NativeProcessList(list) && KillTreeInOneList(list, root, kill);
        }
        return KillTreeListPerLevel(root, ToolhelpProcessList, kill);
    } catch (const std::bad_alloc&) {
        return false; // the walk's own bookkeeping ran out of memory: what was killed stays killed
    }
}

} // namespace

KillOutcome KillProcessTree(DWORD pid, bool descendants, uint64_t readTime) {
    SystemProcess control;
    return KillShownTree(control, pid, readTime, descendants ? TreeWalkFn(WalkTree) : TreeWalkFn());
}

uint64_t SystemTimeNow() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return (uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

void CMainFrame::OnKillProcess() { KillClickedProcess("Are you sure you want to kill this process?", false); }

void CMainFrame::OnKillProcessTree() { KillClickedProcess("Are you sure you want to kill this process tree?", true); }

void CMainFrame::KillClickedProcess(const char* question, bool tree) {
    if (AfxMessageBox(question, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    if (contextItem < 0 || extendedTable == 0)
        return;
    // The PID of the row clicked, not of whatever row the refreshes under the question moved there.
    uint32_t pid = ParsePid(clickedRow.pid);
    const bool otherProgram = pid != 0 && KillProcessTree(pid, tree, clickedRow.readTime) == KillOutcome::OtherProgram;
    ReadTableWithProcesses();
    if (otherProgram)
        AfxMessageBox("The process has ended; its process id now belongs to another program.",
                      MB_OK | MB_ICONEXCLAMATION);
}
