// Fuzz target of the black-list reader (run by tools/bench.sh, not by CTest). Any bytes must give a list
// of unique entries free of "<", LF and NUL, and writing that list and reading it back must give it again.
// Built with clang's libFuzzer where clang is installed; otherwise PELLORAN_RANDOM_DRIVER adds a main
// that feeds random inputs made of the file's own tokens and random bytes.
#include "blacklist/BlackListFile.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const BlackList entries = ParseBlackList(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::set<std::string> unique(entries.begin(), entries.end());
    if (unique.size() != entries.size())
        std::abort();
    for (const std::string& entry : entries) {
        if (entry.find_first_of(std::string_view("<\n\0", 3)) != std::string::npos)
            std::abort();
    }
    if (ParseBlackList(FormatBlackList(entries)) != entries)
        std::abort();
    return 0;
}

#ifdef PELLORAN_RANDOM_DRIVER
#include <cstdio>
#include <random>

int main(int argc, char** argv) {
    const long runs = argc > 1 ? std::atol(argv[1]) : 1000000;
    static const char* const tokens[] = {"<link>", "</link>", "<", "\n", "\r\n", "\r", " ", "\t", "a", "B", "\xE9"};
    std::mt19937 random(12345);
    std::string input;
    for (long run = 0; run < runs; ++run) {
        input.clear();
        const int pieces = static_cast<int>(random() % 40);
        for (int i = 0; i < pieces; ++i) {
            if (random() % 4 == 0)
                input += static_cast<char>(random() % 256);
            else
                input += tokens[random() % (sizeof tokens / sizeof tokens[0])];
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    std::printf("blacklist reader: %ld random inputs, no failure\n", runs);
    return 0;
}
#endif
