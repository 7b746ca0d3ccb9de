// Entry point of fakes_selftest.exe.
//   fakes_selftest.exe [--fake-dll=PATH] [GoogleTest options]
// PATH defaults to <program folder>\fakes\iphlpapi.dll. The program also serves as its own child process for
// the test of a forwarded name the system DLL lacks: --call-forwarded=NAME calls that export of the DLL and
// exits with the code of the exception it raises.
#include "FakeDll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

LONG WINAPI ExitWithExceptionCode(EXCEPTION_POINTERS* exception) {
    ExitProcess(exception->ExceptionRecord->ExceptionCode);
}

int CallForwarded(const char* name) {
    HMODULE module = LoadLibraryW(fakes::FakeDllPath().c_str());
    if (module == nullptr) {
        return 100;
    }
    auto function = reinterpret_cast<void (*)()>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (function == nullptr) {
        return 101;
    }
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(ExitWithExceptionCode);
    function();
    return 0;
}

std::wstring Widen(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length - 1 : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    return wide;
}

} // namespace

int main(int argc, char** argv) {
    const char* callForwarded = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--fake-dll=", 11) == 0) {
            fakes::SetFakeDllPath(Widen(argv[i] + 11));
        } else if (std::strncmp(argv[i], "--call-forwarded=", 17) == 0) {
            callForwarded = argv[i] + 17;
        }
    }
    if (callForwarded != nullptr) {
        return CallForwarded(callForwarded);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
