// TextFile on a Win32 file handle: one handle at a time, opened without sharing, closed by Close or at
// the end of the object.
#pragma once

#include "log/TextFile.h"

#include <windows.h>

class Win32TextFile : public TextFile {
public:
    Win32TextFile() = default;
    ~Win32TextFile() override;
    Win32TextFile(const Win32TextFile&) = delete;
    Win32TextFile& operator=(const Win32TextFile&) = delete;

    bool OpenOrCreate(const std::string& path, uint64_t& length) override;
    bool CreateEmpty(const std::string& path) override;
    bool Write(const char* data, size_t size) override;
    bool Truncate(uint64_t length) override;
    bool Flush() override;
    bool Close() override;
    bool Remove(const std::string& path) override;

private:
    bool Open(const std::string& path, DWORD disposition);

    HANDLE handle = INVALID_HANDLE_VALUE;
};
