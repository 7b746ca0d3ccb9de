// Call log writer. The file is opened for appending on every line and closed again: each line reaches the
// file before the call returns, and a test may delete or move the log between calls.
#include "CallLog.h"

#include <windows.h>

#include <cstdio>

namespace fakes {

void AppendLogLine(const std::wstring& path, std::string_view text) {
    if (path.empty()) {
        return;
    }
    char stamp[32];
    int stampLength = std::snprintf(stamp, sizeof stamp, "%llu ", static_cast<unsigned long long>(GetTickCount64()));
    std::string line;
    line.reserve(static_cast<size_t>(stampLength) + text.size() + 1);
    line.append(stamp, static_cast<size_t>(stampLength));
    line.append(text);
    line.push_back('\n');
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace fakes
