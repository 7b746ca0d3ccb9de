// Failure reporting and polling helpers of the end-to-end harness.
#include "Wait.h"

#include <thread>

namespace e2e {

void Fail(const std::string& what) { throw Error(what); }

std::string ErrorText(DWORD code) {
    char* buffer = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length ? std::string(buffer, length) : std::string();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return "error " + std::to_string(code) + (text.empty() ? "" : " (" + text + ")");
}

void FailWithCode(const std::string& what, DWORD code) { throw Error(what + ": " + ErrorText(code)); }

void FailWithLastError(const std::string& what) { FailWithCode(what, GetLastError()); }

bool WaitUntil(const std::function<bool()>& predicate, Milliseconds timeout, Milliseconds interval) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (predicate())
            return true;
        std::this_thread::sleep_for(interval);
    }
    return predicate();
}

void Pause(Milliseconds duration) { std::this_thread::sleep_for(duration); }

} // namespace e2e
