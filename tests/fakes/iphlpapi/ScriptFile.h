// Reading the script file named by the environment, only when it has changed since the last call.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace fakes {

// What identifies one version of the script: its path and, when it exists, the file itself (its index
// changes when a test renames a new file over it) with its write time and size (change when a test
// rewrites it in place).
struct ScriptFileVersion {
    std::wstring path;
    bool exists = false;
    uint64_t index = 0;
    uint64_t writeTime = 0;
    uint64_t size = 0;

    bool operator==(const ScriptFileVersion&) const = default;
};

// Largest script read; anything after it is ignored (a million rows take about 50 MB).
inline constexpr uint64_t MaxScriptBytes = 128ull << 20;

// Looks at `path` (empty = no script configured). Returns true when the version differs from `known`; then
// `known` is updated and `content` holds the new text (empty when the file is missing). A file that exists
// but cannot be opened right now (a writer holds it exclusively) counts as unchanged, so the previous script
// stays in force until the writer is done.
bool ReadScriptIfChanged(const std::wstring& path, ScriptFileVersion& known, std::string& content);

std::wstring EnvironmentValue(const wchar_t* name);
std::wstring Utf8ToWide(const std::string& text);

} // namespace fakes
