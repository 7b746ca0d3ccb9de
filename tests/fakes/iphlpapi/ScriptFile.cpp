// Reading the script file. The file is opened with every share mode so that a test can rewrite, delete or
// rename over it at any moment; the handle is closed again before the call returns.
#include "ScriptFile.h"

#include <winternl.h>

#include <algorithm>

namespace fakes {

namespace {

// NtQueryInformationFile with FILE_INTERNAL_INFORMATION (class 6): the file's index on its volume, which
// changes when a test renames a new file over the script.
constexpr int FileInternalInformationClass = 6;

struct FileIndexRecord {
    LARGE_INTEGER indexNumber;
};

using QueryInformationFileFn = LONG(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, int);

bool QueryFileIndex(HANDLE file, uint64_t& index) {
    static const auto query = reinterpret_cast<QueryInformationFileFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
    FileIndexRecord record{};
    IO_STATUS_BLOCK status{};
    if (query == nullptr || query(file, &status, &record, sizeof record, FileInternalInformationClass) < 0) {
        return false;
    }
    index = static_cast<uint64_t>(record.indexNumber.QuadPart);
    return true;
}

struct FileHandle {
    HANDLE handle;
    explicit FileHandle(HANDLE h) : handle(h) {}
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
};

} // namespace

std::wstring EnvironmentValue(const wchar_t* name) {
    std::wstring value(256, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length >= value.size()) {
        value.resize(length);
        length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(length < value.size() ? length : 0);
    return value;
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

bool ReadScriptIfChanged(const std::wstring& path, ScriptFileVersion& known, std::string& content) {
    ScriptFileVersion current;
    current.path = path;
    if (path.empty()) {
        if (current == known) {
            return false;
        }
        known = current;
        content.clear();
        return true;
    }
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED) {
            if (known.path == path) {
                return false;
            }
        }
        // Missing (or unreadable for good): no script, an empty table.
        if (current == known) {
            return false;
        }
        known = current;
        content.clear();
        return true;
    }
    // GetFileInformationByHandle would give all of this at once, but it also asks for the volume, which
    // costs Wine most of a millisecond per call; these three are cheap everywhere.
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(file.handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(file.handle, FileStandardInfo, &standard, sizeof standard) ||
        !QueryFileIndex(file.handle, current.index)) {
        return false;
    }
    current.exists = true;
    current.writeTime = static_cast<uint64_t>(basic.LastWriteTime.QuadPart);
    current.size = static_cast<uint64_t>(standard.EndOfFile.QuadPart);
    if (current == known) {
        return false;
    }
    uint64_t toRead = current.size < MaxScriptBytes ? current.size : MaxScriptBytes;
    content.assign(static_cast<size_t>(toRead), '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(file.handle, content.data() + done, chunk, &got, nullptr) || got == 0) {
            break;
        }
        done += got;
    }
    // The file may have been cut short while we read; what was read is what counts.
    content.resize(done);
    known = current;
    return true;
}

} // namespace fakes
