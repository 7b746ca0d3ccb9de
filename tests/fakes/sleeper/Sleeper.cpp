// pelloran_sleeper.exe: a helper process for the end-to-end tests, a real process with a known PID and name
// to put into a scripted connection table. It sleeps until killed, or ends by itself after --timeout-ms
// milliseconds (a safety net, so a test that dies leaves no sleeper behind for ever).
//   pelloran_sleeper.exe [--timeout-ms MS]
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    DWORD timeout = INFINITE;
    if (argc == 3 && std::wcscmp(argv[1], L"--timeout-ms") == 0)
        timeout = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
    else if (argc != 1)
        return 2;
    Sleep(timeout);
    return 0;
}
