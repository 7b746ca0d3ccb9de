// The DLL under test stands in for iphlpapi.dll in the whole process, so everything it does not script must
// reach the system's own iphlpapi.dll: its export list, forwarded calls, and other modules binding to it.
#include "ScriptedTest.h"

#include <ws2tcpip.h>

#include <cstring>
#include <set>
#include <string>

namespace fakes {
namespace {

std::set<std::string> ExportNames(HMODULE module) {
    std::set<std::string> names;
    auto* base = reinterpret_cast<const unsigned char*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (directory.VirtualAddress == 0) {
        return names;
    }
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
    }
    return names;
}

HMODULE SystemIpHelper() {
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    std::wstring full = std::wstring(path, length) + L"\\iphlpapi.dll";
    return LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool InsideModule(HMODULE module, const void* address) {
    HMODULE owner = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &owner);
    return owner == module;
}

class Forwarding : public ScriptedTest {};

TEST_F(Forwarding, ExportNamesAreUndecoratedAndIncludeTheScriptedFour) {
    std::set<std::string> names = ExportNames(dll->module);
    for (const char* name : {"GetTcpTable", "GetExtendedTcpTable", "SetTcpEntry", "GetTcpStatistics"}) {
        EXPECT_TRUE(names.count(name)) << name;
    }
    for (const std::string& name : names) {
        EXPECT_EQ(name.find('@'), std::string::npos) << name;
        EXPECT_NE(name[0], '_') << name;
    }
}

TEST_F(Forwarding, CoversEveryExportOfTheSystemDll) {
    HMODULE system = SystemIpHelper();
    ASSERT_NE(system, nullptr);
    ASSERT_NE(system, dll->module);
    std::set<std::string> ours = ExportNames(dll->module);
    for (const std::string& name : ExportNames(system)) {
        if (name.rfind("_Pf", 0) == 0) {
            continue; // decorated packet-filter exports, left out on purpose
        }
        EXPECT_TRUE(ours.count(name)) << name << " is exported by the system DLL only";
    }
}

TEST_F(Forwarding, ForwardedCallsGiveTheSystemAnswers) {
    using GetNumberOfInterfacesFn = DWORD(WINAPI*)(PDWORD);
    using GetAdaptersInfoFn = ULONG(WINAPI*)(PIP_ADAPTER_INFO, PULONG);
    using ConvertLengthToIpv4MaskFn = DWORD(WINAPI*)(ULONG, PULONG);
    HMODULE system = SystemIpHelper();
    ASSERT_NE(system, nullptr);

    auto ourCount = reinterpret_cast<GetNumberOfInterfacesFn>(GetProcAddress(dll->module, "GetNumberOfInterfaces"));
    auto systemCount = reinterpret_cast<GetNumberOfInterfacesFn>(GetProcAddress(system, "GetNumberOfInterfaces"));
    ASSERT_NE(ourCount, nullptr);
    EXPECT_TRUE(InsideModule(dll->module, reinterpret_cast<void*>(ourCount)));
    DWORD ours = 12345, theirs = 54321;
    EXPECT_EQ(ourCount(&ours), systemCount(&theirs));
    EXPECT_EQ(ours, theirs);

    auto ourInfo = reinterpret_cast<GetAdaptersInfoFn>(GetProcAddress(dll->module, "GetAdaptersInfo"));
    auto systemInfo = reinterpret_cast<GetAdaptersInfoFn>(GetProcAddress(system, "GetAdaptersInfo"));
    ULONG ourSize = 0, theirSize = 0;
    EXPECT_EQ(ourInfo(nullptr, &ourSize), systemInfo(nullptr, &theirSize));
    EXPECT_EQ(ourSize, theirSize);

    // Arguments and result pass unchanged (a mask length of 20 is 255.255.240.0; 33 is refused).
    auto ourMask = reinterpret_cast<ConvertLengthToIpv4MaskFn>(GetProcAddress(dll->module, "ConvertLengthToIpv4Mask"));
    ULONG mask = 0;
    EXPECT_EQ(ourMask(20, &mask), 0u);
    EXPECT_EQ(mask, inet_addr("255.255.240.0"));
    EXPECT_EQ(ourMask(33, &mask), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Forwarding, ModulesAskingForIphlpapiByNameGetThisDll) {
    EXPECT_EQ(GetModuleHandleW(L"iphlpapi.dll"), dll->module);
    EXPECT_EQ(LoadLibraryW(L"iphlpapi.dll"), dll->module);
}

// A system DLL loaded now that imports from iphlpapi must load, bound to this DLL's exports.
TEST_F(Forwarding, OtherModulesImportFromIt) {
    HMODULE wsock = LoadLibraryW(L"wsock32.dll");
    ASSERT_NE(wsock, nullptr);
    auto* base = reinterpret_cast<const unsigned char*>(wsock);
    auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int bound = 0;
    for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         directory.VirtualAddress != 0 && import->Name != 0; ++import) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + import->Name), "iphlpapi.dll") != 0) {
            continue;
        }
        for (auto* slot = reinterpret_cast<void* const*>(base + import->FirstThunk); *slot != nullptr; ++slot) {
            EXPECT_TRUE(InsideModule(dll->module, *slot));
            ++bound;
        }
    }
    if (bound == 0) {
        GTEST_SKIP() << "wsock32.dll imports nothing from iphlpapi on this system";
    }
}

TEST_F(Forwarding, SocketLibraryStillResolvesNames) {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    EXPECT_EQ(getaddrinfo("localhost", "80", &hints, &result), 0);
    if (result != nullptr) {
        freeaddrinfo(result);
    }
    char name[256];
    EXPECT_EQ(gethostname(name, sizeof name), 0);
    WSACleanup();
}

// Calling an export the system DLL lacks raises STATUS_ENTRYPOINT_NOT_FOUND; tried in a child process
// (SelftestMain.cpp, --call-forwarded) that exits with the exception code.
TEST_F(Forwarding, NameMissingFromTheSystemDllRaisesEntryPointNotFound) {
    HMODULE system = SystemIpHelper();
    ASSERT_NE(system, nullptr);
    std::set<std::string> theirs = ExportNames(system);
    std::string missing;
    for (const std::string& name : ExportNames(dll->module)) {
        if (!theirs.count(name)) {
            missing = name;
            break;
        }
    }
    if (missing.empty()) {
        GTEST_SKIP() << "the system DLL has every forwarded name";
    }
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --call-forwarded=" +
                               std::wstring(missing.begin(), missing.end()) + L" --fake-dll=\"" + FakeDllPath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, static_cast<DWORD>(STATUS_ENTRYPOINT_NOT_FOUND)) << "calling " << missing;
}

} // namespace
} // namespace fakes
