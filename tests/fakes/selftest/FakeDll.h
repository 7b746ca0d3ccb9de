// Shared by the self-test and the benchmark: loading the test IP helper DLL by path, writing scripts the way
// the end-to-end tests do (write, then rename into place), and small file helpers.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <string>
#include <string_view>

namespace fakes {

struct FakeDll {
    HMODULE module = nullptr;
    // The file the loader actually mapped. Under Wine, without WINEDLLOVERRIDES="iphlpapi=n,b", loading the
    // DLL by its path still gives Wine's builtin iphlpapi.
    std::wstring loadedFrom;
    decltype(&::GetTcpTable) getTcpTable = nullptr;
    decltype(&::GetExtendedTcpTable) getExtendedTcpTable = nullptr;
    decltype(&::SetTcpEntry) setTcpEntry = nullptr;
    decltype(&::GetTcpStatistics) getTcpStatistics = nullptr;
};

// Folder of the running program (no trailing backslash).
std::wstring ProgramDirectory();
// <program folder>\fakes\iphlpapi.dll unless SetFakeDllPath chose another.
std::wstring FakeDllPath();
void SetFakeDllPath(const std::wstring& path);
// Loads the DLL once per process; module is null when it could not be loaded.
const FakeDll& LoadedFakeDll();
// Whether two paths name the same file location (full paths compared without regard to case).
bool SamePath(const std::wstring& a, const std::wstring& b);

// A new empty folder under the temporary folder, unique in this run.
std::wstring NewTemporaryDirectory();
void RemoveDirectoryTree(const std::wstring& directory);
// Writes `<path>.tmp`, then renames it over `path`, so a reader sees the old or the new file, never a mix.
bool WriteFileAtomically(const std::wstring& path, std::string_view text);
bool WriteFileInPlace(const std::wstring& path, std::string_view text);
std::string ReadTextFile(const std::wstring& path);

} // namespace fakes
