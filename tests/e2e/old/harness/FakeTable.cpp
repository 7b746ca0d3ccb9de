// Script and call log of the test IP helper DLL.
#include "FakeTable.h"

#include <fstream>
#include <sstream>

namespace e2e {

namespace {

std::string UniqueFolder() {
    static int counter = 0;
    std::string folder =
        TempPath("pelloran-fake-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

} // namespace

FakeTable::FakeTable() : folder(UniqueFolder()) {
    scriptPath = folder + "\\table.txt";
    logPath = folder + "\\calls.log";
    Write("");
}

FakeTable::~FakeTable() {
    DeleteFileA(scriptPath.c_str());
    DeleteFileA(logPath.c_str());
    DeleteFileA((scriptPath + ".new").c_str());
    RemoveDirectoryA(folder.c_str());
}

void FakeTable::Write(const std::string& script) const {
    std::string temporary = scriptPath + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << script;
    }
    // The DLL opens the script for a moment on every call; a replace can meet it open.
    for (int attempt = 0; attempt < 2000; ++attempt) {
        if (MoveFileExA(temporary.c_str(), scriptPath.c_str(), MOVEFILE_REPLACE_EXISTING))
            return;
        DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)
            break;
        Sleep(1);
    }
    throw Error("cannot replace the fake table script " + scriptPath);
}

LaunchOptions FakeTable::Options() const {
    LaunchOptions options;
    options.fakeIpHelperDirectory = FakeIpHelperDirectory();
    options.environment = {{"PELLORAN_FAKE_IPHLPAPI", scriptPath}, {"PELLORAN_FAKE_IPHLPAPI_LOG", logPath}};
    return options;
}

std::vector<LoggedCall> FakeTable::Calls() const {
    std::vector<LoggedCall> calls;
    std::istringstream in(ReadTextFile(logPath));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        LoggedCall call;
        if (!(fields >> call.milliseconds >> call.function))
            continue;
        call.line = line;
        calls.push_back(call);
    }
    return calls;
}

std::vector<LoggedCall> FakeTable::SuccessfulReads() const {
    std::vector<LoggedCall> reads;
    for (const LoggedCall& call : Calls()) {
        if ((call.function == "GetTcpTable" || call.function == "GetExtendedTcpTable") &&
            call.line.find(" buffer=1 ") != std::string::npos && call.line.find(" result=0 ") != std::string::npos)
            reads.push_back(call);
    }
    return reads;
}

std::string Row(const char* state, const char* local, int localPort, const char* remote, int remotePort, DWORD pid) {
    return std::string("row ") + state + " " + local + " " + std::to_string(localPort) + " " + remote + " " +
           std::to_string(remotePort) + " " + std::to_string(pid) + "\n";
}

std::string ReadTextFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        text.append(buffer, read);
    CloseHandle(file);
    return text;
}

void WriteTextFile(const std::string& path, const std::string& bytes) {
    CreateDirectoryA(path.substr(0, path.find_last_of('\\')).c_str(), nullptr);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool done = file != INVALID_HANDLE_VALUE &&
                      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                      written == bytes.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!done)
        FailWithLastError("cannot write " + path);
}

} // namespace e2e
