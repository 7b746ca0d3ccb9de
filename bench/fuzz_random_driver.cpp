// The stand-in for libFuzzer where clang is not installed (tools/fuzz.sh builds it with g++ and the
// sanitizers, linked with one *_fuzz.cpp target). It feeds the target random mutations of its seed files
// and of the tokens of its dictionary, in libFuzzer's dictionary format, without coverage feedback:
//   <program> RUNS [-max_len=N] [-dict=FILE] [-artifact_prefix=PATH] SEED_DIR_OR_FILE...
// A failing input (a sanitizer report or an abort) is written to <artifact_prefix>crash-random before
// the program ends, so that the run can be repeated on it alone.
#include <sanitizer/common_interface_defs.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// g++ links UndefinedBehaviorSanitizer as its own runtime, which does not call the death callback set
// below: its reports end in an abort instead, which the abort handler sees.
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:abort_on_error=1"; }

namespace {

using Bytes = std::vector<uint8_t>;

// The input under test and where it goes when the run dies; kept where a signal handler can reach it.
Bytes current;
long currentRun = 0;
std::string artifactPath = "crash-random";

void SaveCurrent() {
    // Only calls that are safe in a signal handler. First the inputs run so far, as libFuzzer's "#N".
    char line[32];
    size_t at = sizeof line;
    line[--at] = '\n';
    long value = currentRun + 1;
    do {
        line[--at] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    line[--at] = '#';
    if (write(2, line + at, sizeof line - at) < 0) {
        // The saved input below still allows the run to be repeated.
    }
    const int file = open(artifactPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file < 0)
        return;
    if (!current.empty() && write(file, current.data(), current.size()) < 0) {
        // Nothing more can be done this late; the report on stderr still names the fault.
    }
    close(file);
}

void OnAbort(int signal) {
    SaveCurrent();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One token of a libFuzzer dictionary line (name="text" or "text"), with its \\, \" and \xNN escapes.
bool ParseToken(const std::string& line, Bytes& token) {
    const size_t open = line.find('"');
    const size_t close = line.rfind('"');
    if (open == std::string::npos || close <= open || line[0] == '#')
        return false;
    token.clear();
    for (size_t i = open + 1; i < close; ++i) {
        if (line[i] != '\\' || i + 1 >= close) {
            token.push_back(static_cast<uint8_t>(line[i]));
        } else if (line[i + 1] == 'x' && i + 3 < close) {
            token.push_back(static_cast<uint8_t>(std::strtoul(line.substr(i + 2, 2).c_str(), nullptr, 16)));
            i += 3;
        } else {
            token.push_back(static_cast<uint8_t>(line[++i]));
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s RUNS [-max_len=N] [-dict=FILE] [-artifact_prefix=PATH] SEEDS...\n", argv[0]);
        return 2;
    }
    const long runs = std::atol(argv[1]);
    size_t maxLength = 4096;
    std::vector<Bytes> seeds{{}};
    std::vector<Bytes> tokens;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-max_len=", 0) == 0) {
            maxLength = std::strtoul(arg.c_str() + 9, nullptr, 10);
        } else if (arg.rfind("-artifact_prefix=", 0) == 0) {
            artifactPath = arg.substr(17) + "crash-random";
        } else if (arg.rfind("-dict=", 0) == 0) {
            std::ifstream in(arg.substr(6));
            Bytes token;
            for (std::string line; std::getline(in, line);) {
                if (ParseToken(line, token))
                    tokens.push_back(token);
            }
        } else if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg)) {
                if (entry.is_regular_file())
                    seeds.push_back(ReadFile(entry.path()));
            }
        } else {
            seeds.push_back(ReadFile(arg));
        }
    }
    __sanitizer_set_death_callback(SaveCurrent);
    std::signal(SIGABRT, OnAbort);

    std::mt19937 random(12345);
    auto below = [&random](size_t bound) { return bound == 0 ? 0 : static_cast<size_t>(random() % bound); };
    const auto start = std::chrono::steady_clock::now();
    for (long run = 0; run < runs; ++run) {
        currentRun = run;
        current = seeds[below(seeds.size())];
        const size_t mutations = 1 + below(8);
        for (size_t m = 0; m < mutations; ++m) {
            const size_t at = below(current.size() + 1);
            switch (below(6)) {
            case 0: // flip one bit
                if (at < current.size())
                    current[at] ^= static_cast<uint8_t>(1u << below(8));
                break;
            case 1: // a random byte in place
                if (at < current.size())
                    current[at] = static_cast<uint8_t>(random());
                break;
            case 2: // random bytes inserted
                current.insert(current.begin() + static_cast<ptrdiff_t>(at), 1 + below(4),
                               static_cast<uint8_t>(random()));
                break;
            case 3: // a range cut out
                current.erase(current.begin() + static_cast<ptrdiff_t>(at),
                              current.begin() + static_cast<ptrdiff_t>(std::min(current.size(), at + 1 + below(16))));
                break;
            case 4: // a dictionary token inserted
                if (!tokens.empty()) {
                    const Bytes& token = tokens[below(tokens.size())];
                    current.insert(current.begin() + static_cast<ptrdiff_t>(at), token.begin(), token.end());
                }
                break;
            default: { // a 32-bit edge value written over four bytes
                static const uint32_t edges[] = {0, 1, 0x7F, 0x80, 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
                const uint32_t value = edges[below(sizeof edges / sizeof edges[0])];
                if (at + 4 <= current.size())
                    std::memcpy(current.data() + at, &value, 4);
                break;
            }
            }
        }
        if (current.size() > maxLength)
            current.resize(maxLength);
        // An exact copy on the heap, so a read one byte past the input is a sanitizer report.
        const Bytes input = current;
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("Done %ld runs in %.0f second(s) (random inputs, no coverage feedback)\n", runs, seconds);
    return 0;
}
