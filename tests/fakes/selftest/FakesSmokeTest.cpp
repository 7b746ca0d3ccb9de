// Smoke test of the test IP helper DLL, loaded by path as the program's folder would give it: a forwarded
// call reaches the system DLL with its arguments and result intact, and one scripted read serves the script.
//   fakes_selftest.exe [GoogleTest options]   (the DLL is taken from <program folder>\fakes\iphlpapi.dll)
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string ProgramDirectory() {
    char path[MAX_PATH];
    std::string directory(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return directory.substr(0, directory.find_last_of("\\/"));
}

template <typename T> T Bind(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class Fakes : public testing::Test {
protected:
    void SetUp() override {
        const std::string path = ProgramDirectory() + "\\fakes\\iphlpapi.dll";
        dll = LoadLibraryA(path.c_str());
        ASSERT_NE(dll, nullptr) << path;
        char loaded[MAX_PATH];
        GetModuleFileNameA(dll, loaded, MAX_PATH);
        ASSERT_EQ(lstrcmpiA(loaded, path.c_str()), 0)
            << "Wine loaded " << loaded << ": is WINEDLLOVERRIDES=iphlpapi=n,b set?";
    }
    HMODULE dll = nullptr;
};

TEST_F(Fakes, ForwardedCallsReachTheSystemDll) {
    // Arguments and result pass unchanged: a mask length of 20 is 255.255.240.0; 33 is refused.
    auto mask = Bind<DWORD(WINAPI*)(ULONG, PULONG)>(dll, "ConvertLengthToIpv4Mask");
    ASSERT_NE(mask, nullptr);
    ULONG value = 0;
    EXPECT_EQ(mask(20, &value), 0u);
    EXPECT_EQ(value, inet_addr("255.255.240.0"));
    EXPECT_EQ(mask(33, &value), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // Other modules that ask for iphlpapi by name get this DLL, and the socket library still works.
    EXPECT_EQ(GetModuleHandleA("iphlpapi.dll"), dll);
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    char name[256];
    EXPECT_EQ(gethostname(name, sizeof name), 0);
    WSACleanup();
}

TEST_F(Fakes, AScriptedReadServesTheSortedScript) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string script = std::string(folder) + "pelloran-fakes-smoke.txt";
    FILE* file = std::fopen(script.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("row ESTABLISHED 10.0.0.2 80 10.0.0.3 0x12345678 7\nnot a row\nrow 99 10.0.0.1 443 10.0.0.4 1\n", file);
    std::fclose(file);
    SetEnvironmentVariableA("PELLORAN_FAKE_IPHLPAPI", script.c_str());

    auto read = Bind<decltype(&GetExtendedTcpTable)>(dll, "GetExtendedTcpTable");
    ASSERT_NE(read, nullptr);
    DWORD size = 0;
    ASSERT_EQ(read(nullptr, &size, TRUE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0), DWORD{ERROR_INSUFFICIENT_BUFFER});
    ASSERT_EQ(size, 4u + 2 * sizeof(MIB_TCPROW_OWNER_PID));
    std::string buffer(size, '\0');
    ASSERT_EQ(read(buffer.data(), &size, TRUE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0), DWORD{NO_ERROR});
    auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.data());
    ASSERT_EQ(table->dwNumEntries, 2u);
    EXPECT_EQ(table->table[0].dwState, 99u);
    EXPECT_EQ(table->table[0].dwLocalAddr, inet_addr("10.0.0.1"));
    EXPECT_EQ(table->table[0].dwLocalPort, DWORD{htons(443)});
    EXPECT_EQ(table->table[1].dwRemotePort, 0x12345678u);
    EXPECT_EQ(table->table[1].dwOwningPid, 7u);
    EXPECT_EQ(read(buffer.data(), &size, TRUE, AF_INET6, TCP_TABLE_OWNER_PID_ALL, 0), DWORD{ERROR_INVALID_PARAMETER});
    SetEnvironmentVariableA("PELLORAN_FAKE_IPHLPAPI", nullptr);
    DeleteFileA(script.c_str());
}

} // namespace
