// pelloran_sleeper.exe: a process tree with the PIDs and parents it reports, sleeping until killed, the
// time-out safety net, and the refusal of bad arguments.
#include "FakeDll.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <map>
#include <sstream>
#include <vector>

namespace fakes {
namespace {

struct Started {
    HANDLE process = nullptr;
    DWORD pid = 0;
};

Started StartSleeper(const std::wstring& arguments) {
    std::wstring exe = ProgramDirectory() + L"\\pelloran_sleeper.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    Started started;
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        started.process = info.hProcess;
        started.pid = info.dwProcessId;
    }
    return started;
}

DWORD WaitForExit(HANDLE process, DWORD timeoutMs) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return code;
}

bool IsRunning(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) {
        return false;
    }
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void Kill(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (process != nullptr) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

std::map<DWORD, DWORD> ParentsBySnapshot() {
    std::map<DWORD, DWORD> parents;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        parents[entry.th32ProcessID] = entry.th32ParentProcessID;
    }
    CloseHandle(snapshot);
    return parents;
}

// Waits for the PID file and returns its "<pid> <parent>" lines in order.
std::vector<std::pair<DWORD, DWORD>> WaitForPidFile(const std::wstring& path, HANDLE root) {
    std::vector<std::pair<DWORD, DWORD>> lines;
    for (int i = 0; i < 3000 && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
        if (WaitForSingleObject(root, 10) == WAIT_OBJECT_0) {
            break;
        }
    }
    std::istringstream text(ReadTextFile(path));
    DWORD pid = 0, parent = 0;
    while (text >> pid >> parent) {
        lines.emplace_back(pid, parent);
    }
    return lines;
}

class Sleeper : public ::testing::Test {
protected:
    void SetUp() override {
        directory = NewTemporaryDirectory();
        pidFile = directory + L"\\tree.pid";
    }
    void TearDown() override {
        for (DWORD pid : toKill) {
            Kill(pid);
        }
        RemoveDirectoryTree(directory);
    }
    std::wstring directory;
    std::wstring pidFile;
    std::vector<DWORD> toKill;
};

TEST_F(Sleeper, BuildsATreeAndReportsEveryProcess) {
    Started root = StartSleeper(L"--children 2 --depth 2 --timeout-ms 120000 --pid-file \"" + pidFile + L"\"");
    ASSERT_NE(root.process, nullptr);
    toKill.push_back(root.pid);
    auto lines = WaitForPidFile(pidFile, root.process);
    for (auto [pid, parent] : lines) {
        toKill.push_back(pid);
    }
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], std::make_pair(root.pid, GetCurrentProcessId()));
    // Depth first: child, its two children, next child, its two children.
    EXPECT_EQ(lines[1].second, root.pid);
    EXPECT_EQ(lines[2].second, lines[1].first);
    EXPECT_EQ(lines[3].second, lines[1].first);
    EXPECT_EQ(lines[4].second, root.pid);
    EXPECT_EQ(lines[5].second, lines[4].first);
    EXPECT_EQ(lines[6].second, lines[4].first);
    std::map<DWORD, DWORD> parents = ParentsBySnapshot();
    for (auto [pid, parent] : lines) {
        EXPECT_TRUE(IsRunning(pid)) << pid;
        EXPECT_EQ(parents[pid], parent) << pid;
    }
    // The children's own report files are gone.
    EXPECT_EQ(GetFileAttributesW((pidFile + L".child0").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Sleeper, SleepsUntilKilledAndOutlivesItsParent) {
    Started root = StartSleeper(L"--children 1 --pid-file \"" + pidFile + L"\"");
    ASSERT_NE(root.process, nullptr);
    toKill.push_back(root.pid);
    auto lines = WaitForPidFile(pidFile, root.process);
    ASSERT_EQ(lines.size(), 2u);
    toKill.push_back(lines[1].first);
    EXPECT_EQ(WaitForExit(root.process, 300), STILL_ACTIVE);
    Kill(root.pid);
    EXPECT_EQ(WaitForExit(root.process, 5000), 1u);
    EXPECT_TRUE(IsRunning(lines[1].first));
    CloseHandle(root.process);
}

TEST_F(Sleeper, DepthZeroStartsNoChildren) {
    Started root = StartSleeper(L"--children 3 --depth 0 --pid-file \"" + pidFile + L"\"");
    ASSERT_NE(root.process, nullptr);
    toKill.push_back(root.pid);
    auto lines = WaitForPidFile(pidFile, root.process);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, root.pid);
    CloseHandle(root.process);
}

TEST_F(Sleeper, TimeOutEndsTheWholeTree) {
    Started root = StartSleeper(L"--children 1 --timeout-ms 500 --pid-file \"" + pidFile + L"\"");
    ASSERT_NE(root.process, nullptr);
    toKill.push_back(root.pid);
    auto lines = WaitForPidFile(pidFile, root.process);
    ASSERT_EQ(lines.size(), 2u);
    toKill.push_back(lines[1].first);
    EXPECT_EQ(WaitForExit(root.process, 10000), 0u);
    HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, lines[1].first);
    if (child != nullptr) {
        EXPECT_EQ(WaitForSingleObject(child, 10000), WAIT_OBJECT_0);
        CloseHandle(child);
    }
    CloseHandle(root.process);
}

TEST_F(Sleeper, BadArgumentsExitWithCodeTwo) {
    const wchar_t* cases[] = {L"--children",      L"--children x", L"--children -1",  L"--depth 2x",
                              L"--bogus",         L"--pid-file",   L"--children 513", L"--children 8 --depth 3",
                              L"--timeout-ms 1e3"};
    for (const wchar_t* arguments : cases) {
        Started started = StartSleeper(arguments);
        ASSERT_NE(started.process, nullptr);
        toKill.push_back(started.pid);
        EXPECT_EQ(WaitForExit(started.process, 10000), 2u) << std::string(arguments, arguments + wcslen(arguments));
        CloseHandle(started.process);
    }
}

} // namespace
} // namespace fakes
