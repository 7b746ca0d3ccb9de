// Entry of pelloran_e2e.exe: GoogleTest's main, plus a banner naming the program under test so a log shows
// which build was driven.
#include "App.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::printf("Program under test: %s\n", e2e::DefaultProgramPath().c_str());
    std::fflush(stdout);
    return RUN_ALL_TESTS();
}
