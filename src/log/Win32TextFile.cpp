// Win32 file behind the log append and the export save.
#include "log/Win32TextFile.h"

Win32TextFile::~Win32TextFile() {
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

bool Win32TextFile::Open(const std::string& path, DWORD disposition) {
    if (handle != INVALID_HANDLE_VALUE)
        return false;
    handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle != INVALID_HANDLE_VALUE;
}

bool Win32TextFile::OpenOrCreate(const std::string& path, uint64_t& length) {
    // OPEN_ALWAYS opens or creates in one step and never truncates.
    if (!Open(path, OPEN_ALWAYS))
        return false;
    LARGE_INTEGER size{}, zero{};
    if (!GetFileSizeEx(handle, &size) || !SetFilePointerEx(handle, zero, nullptr, FILE_END)) {
        Close();
        return false;
    }
    length = static_cast<uint64_t>(size.QuadPart);
    return true;
}

bool Win32TextFile::CreateEmpty(const std::string& path) { return Open(path, CREATE_ALWAYS); }

bool Win32TextFile::Write(const char* data, size_t size) {
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool Win32TextFile::Truncate(uint64_t length) {
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(length);
    return SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
}

bool Win32TextFile::Flush() { return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != FALSE; }

bool Win32TextFile::Close() {
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool closed = CloseHandle(handle) != FALSE;
    handle = INVALID_HANDLE_VALUE;
    return closed;
}

bool Win32TextFile::Remove(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }
