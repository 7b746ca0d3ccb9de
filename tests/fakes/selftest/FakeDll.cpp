// Loading the DLL under test and the file helpers the tests and the benchmark share.
#include "FakeDll.h"

namespace fakes {

namespace {

std::wstring fakeDllPath;

template <typename T> T Bind(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool WriteWholeFile(const std::wstring& path, std::string_view text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

} // namespace

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L"\\/"));
}

std::wstring FakeDllPath() {
    return fakeDllPath.empty() ? ProgramDirectory() + L"\\fakes\\iphlpapi.dll" : fakeDllPath;
}

void SetFakeDllPath(const std::wstring& path) {
    fakeDllPath = path;
}

const FakeDll& LoadedFakeDll() {
    static const FakeDll dll = [] {
        FakeDll loaded;
        loaded.module = LoadLibraryW(FakeDllPath().c_str());
        if (loaded.module != nullptr) {
            wchar_t path[MAX_PATH];
            loaded.loadedFrom.assign(path, GetModuleFileNameW(loaded.module, path, MAX_PATH));
            loaded.getTcpTable = Bind<decltype(loaded.getTcpTable)>(loaded.module, "GetTcpTable");
            loaded.getExtendedTcpTable =
                Bind<decltype(loaded.getExtendedTcpTable)>(loaded.module, "GetExtendedTcpTable");
            loaded.setTcpEntry = Bind<decltype(loaded.setTcpEntry)>(loaded.module, "SetTcpEntry");
            loaded.getTcpStatistics = Bind<decltype(loaded.getTcpStatistics)>(loaded.module, "GetTcpStatistics");
        }
        return loaded;
    }();
    return dll;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    wchar_t fullA[MAX_PATH];
    wchar_t fullB[MAX_PATH];
    DWORD lengthA = GetFullPathNameW(a.c_str(), MAX_PATH, fullA, nullptr);
    DWORD lengthB = GetFullPathNameW(b.c_str(), MAX_PATH, fullB, nullptr);
    return lengthA > 0 && lengthA < MAX_PATH && lengthB > 0 && lengthB < MAX_PATH && lstrcmpiW(fullA, fullB) == 0;
}

std::wstring NewTemporaryDirectory() {
    static unsigned counter = 0;
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (;;) {
        std::wstring directory = std::wstring(base) + L"pelloran-fakes-" + std::to_wstring(GetCurrentProcessId()) +
                                 L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(directory.c_str(), nullptr)) {
            return directory;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return {};
        }
    }
}

void RemoveDirectoryTree(const std::wstring& directory) {
    if (directory.empty()) {
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring path = directory + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryTree(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(directory.c_str());
}

bool WriteFileAtomically(const std::wstring& path, std::string_view text) {
    std::wstring temporary = path + L".tmp";
    if (!WriteWholeFile(temporary, text)) {
        return false;
    }
    // A file that is open cannot be replaced, even when it was opened with FILE_SHARE_DELETE; the DLL opens
    // the script for a moment on every call, so a writer racing with a call tries again.
    for (int attempt = 0; attempt < 5000; ++attempt) {
        if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) {
            return false;
        }
        Sleep(1);
    }
    return false;
}

bool WriteFileInPlace(const std::wstring& path, std::string_view text) {
    return WriteWholeFile(path, text);
}

std::string ReadTextFile(const std::wstring& path) {
    std::string text;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return text;
    }
    char buffer[8192];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(file);
    return text;
}

} // namespace fakes
