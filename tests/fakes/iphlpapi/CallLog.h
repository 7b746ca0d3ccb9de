// The call log: one line per call, appended and flushed at once, so a test can follow it while the program runs.
#pragma once

#include <string>
#include <string_view>

namespace fakes {

// Appends "<milliseconds> <text>\n" (GetTickCount64, comparable with the test's own clock). Does nothing
// when `path` is empty; a log that cannot be written is skipped without a word.
void AppendLogLine(const std::wstring& path, std::string_view text);

} // namespace fakes
