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

HANDLE OpenForTermination(DWORD pid) { return OpenProcess(PROCESS_TERMINATE, FALSE, pid); }

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

} // namespace

bool KillProcess(DWORD pid) {
    HANDLE process = OpenForTermination(pid);
    if (process == nullptr) {
        if (GetLastError() != ERROR_ACCESS_DENIED)
            return false;
        process = OpenWithDebugPrivilege(pid);
        if (process == nullptr)
            return false;
    }
    BOOL terminated = TerminateProcess(process, 0xFFFFFFFF);
    CloseHandle(process);
    return terminated != FALSE;
}

bool KillProcessTree(DWORD pid, bool descendants) {
    if (!descendants)
        return KillProcess(pid);
    const KillProcessFn kill = [](uint32_t target) { return KillProcess(target); };
    try {
        if (TreeKillUsesNativeList()) {
            ProcessList list;
            return NativeProcessList(list) && KillTreeInOneList(list, pid, kill);
        }
        return KillTreeListPerLevel(pid, ToolhelpProcessList, kill);
    } catch (const std::bad_alloc&) {
        return false; // the walk's own bookkeeping ran out of memory: what was killed stays killed
    }
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
    if (pid != 0)
        KillProcessTree(pid, tree);
    ReadTableWithProcesses();
}
