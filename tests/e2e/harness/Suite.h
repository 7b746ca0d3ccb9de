// The fixture of the end-to-end suites: a fresh profile (no settings key, no data folder, Wine's default Windows
// version) and a scripted connection table of its own, which the test IP helper DLL reads again on every call.
#ifndef PELLORAN_E2E_SUITE_H
#define PELLORAN_E2E_SUITE_H

#include "E2e.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace e2e {

// TCP states as the table stores them.
enum State {
    kClosed = 1,
    kListen,
    kSynSent,
    kSynRcvd,
    kEstablished,
    kFinWait1,
    kFinWait2,
    kCloseWait,
    kClosing,
    kLastAck,
    kTimeWait,
    kDeleteTcb
};

inline std::string Row(int state, const std::string& local, int localPort, const std::string& remote, int remotePort,
                       DWORD pid = 0) {
    std::ostringstream row;
    row << "row " << state << ' ' << local << ' ' << localPort << ' ' << remote << ' ' << remotePort << ' ' << pid
        << '\n';
    return row.str();
}

// The window's stored placement (its edges, as the program keeps them), so clicks and pictures land where a test
// expects them.
inline void StorePlacement(DWORD left, DWORD top, DWORD right, DWORD bottom) {
    WriteDword(kSettingsKey, "WindowPosX", left);
    WriteDword(kSettingsKey, "WindowPosY", top);
    WriteDword(kSettingsKey, "WindowSizeX", right);
    WriteDword(kSettingsKey, "WindowSizeY", bottom);
}

class FakeTable {
public:
    FakeTable() : folder(TempPath("pelloran-table-" + std::to_string(GetCurrentProcessId()) + "-" + Next())) {
        std::filesystem::create_directories(folder);
        Write("");
    }
    ~FakeTable() {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    // The DLL opens the script for a moment on every call, so the new script is renamed over it, retried.
    void Write(const std::string& script) const {
        WriteFile(folder + "\\new.txt", script);
        for (int attempt = 0; attempt < 2000; ++attempt, Sleep(1))
            if (MoveFileExA((folder + "\\new.txt").c_str(), Script().c_str(), MOVEFILE_REPLACE_EXISTING))
                return;
        FailWithLastError("cannot replace the table script");
    }
    LaunchOptions Options() const {
        LaunchOptions options;
        options.fakeIpHelperDirectory = Here() + "\\fakes";
        options.environment = {{"PELLORAN_FAKE_IPHLPAPI", Script()}, {"PELLORAN_FAKE_IPHLPAPI_LOG", Log()}};
        return options;
    }
    // Call log lines after their time stamp: "<function> <fields...>".
    std::vector<std::string> Calls(const std::string& function = {}) const {
        std::vector<std::string> calls;
        std::istringstream lines(ReadFile(Log()));
        std::string stamp, line;
        while (lines >> stamp && std::getline(lines, line))
            if (function.empty() || line.rfind(" " + function + " ", 0) == 0)
                calls.push_back(line.substr(1));
        return calls;
    }

private:
    static std::string Next() {
        static int counter = 0;
        return std::to_string(++counter);
    }
    std::string Script() const { return folder + "\\table.txt"; }
    std::string Log() const { return folder + "\\calls.log"; }
    std::string folder;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { SetWindowsVersion(""); }
    FakeTable table;
};

} // namespace e2e

#endif
