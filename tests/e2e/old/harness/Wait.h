// Waiting and failing for the end-to-end tests: every harness operation that cannot do its job throws
// e2e::Error with a message that names what was attempted, which GoogleTest reports as a test failure.
#ifndef PELLORAN_E2E_WAIT_H
#define PELLORAN_E2E_WAIT_H

#include <windows.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>

namespace e2e {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;

// Wine is slow to start a program in a cold prefix; operations on a running program are quick.
inline constexpr Milliseconds kStartTimeout = 30s;
inline constexpr Milliseconds kDefaultTimeout = 10s;

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& what);
// Throws with the text of GetLastError() (or of the given code) appended.
[[noreturn]] void FailWithLastError(const std::string& what);
[[noreturn]] void FailWithCode(const std::string& what, DWORD code);
std::string ErrorText(DWORD code);

// Polls the predicate until it holds or the timeout passes; returns whether it held. The last check happens
// after the deadline, so a slow machine never loses a result that arrived just in time.
bool WaitUntil(const std::function<bool()>& predicate, Milliseconds timeout = kDefaultTimeout,
               Milliseconds interval = 20ms);

void Pause(Milliseconds duration);

} // namespace e2e

#endif
