// pelloran_sleeper.exe: a helper process for the end-to-end tests, a real process with a known PID and name
// to put into a scripted connection table. It sleeps until killed, or ends by itself after --timeout-ms
// milliseconds (a safety net, so a test that dies leaves no sleeper behind for ever). With --depth D it first
// starts two copies of itself with depth D - 1, so a tree of processes D levels deep hangs below it.
//   pelloran_sleeper.exe [--timeout-ms MS] [--depth D]
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    DWORD timeout = INFINITE;
    unsigned long depth = 0;
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc)
            return 2;
        if (std::wcscmp(argv[i], L"--timeout-ms") == 0)
            timeout = static_cast<DWORD>(std::wcstoul(argv[i + 1], nullptr, 10));
        else if (std::wcscmp(argv[i], L"--depth") == 0 && (depth = std::wcstoul(argv[i + 1], nullptr, 10)) <= 4)
            continue;
        else
            return 2;
    }
    if (depth > 0) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(self) + L"\" --timeout-ms " + std::to_wstring(timeout) +
                               L" --depth " + std::to_wstring(depth - 1);
        for (int child = 0; child < 2; ++child) {
            STARTUPINFOW startup{};
            startup.cb = sizeof(startup);
            PROCESS_INFORMATION started{};
            if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &started)) {
                CloseHandle(started.hThread);
                CloseHandle(started.hProcess);
            }
        }
    }
    Sleep(timeout);
    return 0;
}
