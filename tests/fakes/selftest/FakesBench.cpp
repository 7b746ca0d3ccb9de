// fakes_bench.exe: how fast the test IP helper DLL serves a large scripted table, in figures. Nothing is
// asserted; the end-to-end refresh benchmark relies on the DLL answering in a few milliseconds.
//   fakes_bench.exe [rows]   (10000 by default)
#include "FakeDll.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Milliseconds(LARGE_INTEGER start, LARGE_INTEGER end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The program's read: sizing call, then the call with the reported size. Returns the rows read.
unsigned ReadOnce(const fakes::FakeDll& dll, std::vector<unsigned char>& buffer) {
    DWORD size = 0;
    if (dll.getExtendedTcpTable(nullptr, &size, TRUE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0) != 122) {
        return 0;
    }
    buffer.resize(size);
    if (dll.getExtendedTcpTable(buffer.data(), &size, TRUE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0) != 0) {
        return 0;
    }
    return *reinterpret_cast<const DWORD*>(buffer.data());
}

} // namespace

int main(int argc, char** argv) {
    unsigned rows = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 10000;
    const fakes::FakeDll& dll = fakes::LoadedFakeDll();
    if (dll.module == nullptr || dll.getExtendedTcpTable == nullptr) {
        std::printf("cannot load %ls\n", fakes::FakeDllPath().c_str());
        return 1;
    }
    std::wstring directory = fakes::NewTemporaryDirectory();
    std::wstring script = directory + L"\\script.txt";
    SetEnvironmentVariableW(L"PELLORAN_FAKE_IPHLPAPI", script.c_str());
    std::vector<unsigned char> buffer;

    // Changed script on every read: parse + serve.
    constexpr int ChangedRounds = 20;
    double changedTotal = 0;
    unsigned served = 0;
    for (int i = 0; i < ChangedRounds; ++i) {
        std::string text = "generate " + std::to_string(rows) + (i % 2 ? "\n" : "\n# changed\n");
        fakes::WriteFileAtomically(script, text);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        served = ReadOnce(dll, buffer);
        QueryPerformanceCounter(&end);
        changedTotal += Milliseconds(start, end);
    }
    // Unchanged script: the steady state of a refresh.
    constexpr int SteadyRounds = 200;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < SteadyRounds; ++i) {
        served = ReadOnce(dll, buffer);
    }
    QueryPerformanceCounter(&end);
    double steady = Milliseconds(start, end) / SteadyRounds;

    // The same script written out as explicit row lines.
    std::string explicitRows;
    for (unsigned i = 0; i < rows; ++i) {
        explicitRows += "row 5 10.0." + std::to_string(i / 250 % 256) + "." + std::to_string(i % 250 + 1) + " " +
                        std::to_string(1024 + i % 60000) + " 192.0.2." + std::to_string(i % 250 + 1) + " 443 " +
                        std::to_string(1000 + i % 50) + "\n";
    }
    fakes::WriteFileAtomically(script, explicitRows);
    QueryPerformanceCounter(&start);
    unsigned explicitServed = ReadOnce(dll, buffer);
    QueryPerformanceCounter(&end);
    double explicitRead = Milliseconds(start, end);

    std::printf("rows served                          %u (explicit script: %u)\n", served, explicitServed);
    std::printf("read after script change (generate)  %.3f ms (mean of %d)\n", changedTotal / ChangedRounds,
                ChangedRounds);
    std::printf("read after script change (row lines) %.3f ms (%zu bytes of script)\n", explicitRead,
                explicitRows.size());
    std::printf("read with unchanged script           %.3f ms (mean of %d)\n", steady, SteadyRounds);
    fakes::RemoveDirectoryTree(directory);
    return 0;
}
