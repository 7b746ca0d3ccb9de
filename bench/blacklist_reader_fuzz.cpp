// Fuzz target of the black-list reader (run by tools/fuzz.sh, not by CTest). Any bytes must give a list
// of unique entries free of "<", LF and NUL, and writing that list and reading it back must give it again.
// Built with clang's libFuzzer where clang is installed, otherwise linked with fuzz_random_driver.cpp;
// seeds in fuzz-corpus/blacklist_reader/, the file's tokens in fuzz-corpus/blacklist_reader.dict.
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
