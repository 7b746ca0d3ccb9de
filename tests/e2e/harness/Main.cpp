// Entry of pelloran_e2e.exe: GoogleTest's main, or with --sleep a helper process for the tests (a real process with
// a known id to put into a scripted table; with --depth D it first starts two helpers of depth D - 1, a process
// tree to kill). A helper ends by itself after the given milliseconds, so a failed test leaves none behind.
#include "E2e.h"

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--sleep") == 0) {
        const int depth = std::atoi(argv[4]);
        for (int child = 0; depth > 0 && depth <= 4 && child < 2; ++child) {
            char self[MAX_PATH] = {};
            GetModuleFileNameA(nullptr, self, MAX_PATH);
            std::string line = e2e::Quote(self) + " --sleep " + argv[2] + " --depth " + std::to_string(depth - 1);
            STARTUPINFOA startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION started{};
            if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
                CloseHandle(started.hThread);
                CloseHandle(started.hProcess);
            }
        }
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
