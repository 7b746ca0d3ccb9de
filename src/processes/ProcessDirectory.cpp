// Process names and process lists from the system: the native process list (ntdll's
// ZwQuerySystemInformation, class 5) and Toolhelp snapshots (kernel32), both bound at run time. The
// native records are walked by the portable reader (ProcessRecords.h) with the system's own layout for
// the program's pointer size, and never trusted beyond the buffer the system filled.
#include "processes/ProcessDirectory.h"
#include "processes/ProcessRecords.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <cwchar>
#include <new>

namespace {

constexpr ULONG kSystemProcessInformation = 5;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

using QuerySystemInformationFn = LONG(WINAPI*)(ULONG infoClass, void* buffer, ULONG size, ULONG* returned);
using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD flags, DWORD processId);
using ProcessWalkFn = BOOL(WINAPI*)(HANDLE snapshot, PROCESSENTRY32* entry);

wchar_t nameBuffer[kImageNameUnits];

template <class Fn> Fn Bind(const char* module, const char* name) {
    HMODULE handle = GetModuleHandleA(module);
    return handle ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

// The portable walk reads the records with the layout of this build's pointer size; it must be the system's.
#ifdef _WIN64
constexpr ProcessRecordLayout kRecordLayout = kProcessRecords64;
#else
constexpr ProcessRecordLayout kRecordLayout = kProcessRecords32;
#endif
static_assert(kRecordLayout.recordBytes == sizeof(SYSTEM_PROCESS_INFORMATION) &&
              kRecordLayout.pointerBytes == sizeof(HANDLE) && kRecordLayout.pointerBytes == sizeof(PWSTR) &&
              kRecordLayout.nameLength == offsetof(SYSTEM_PROCESS_INFORMATION, ImageName.Length) &&
              kRecordLayout.nameBuffer == offsetof(SYSTEM_PROCESS_INFORMATION, ImageName.Buffer) &&
              kRecordLayout.processId == offsetof(SYSTEM_PROCESS_INFORMATION, UniqueProcessId) &&
              kRecordLayout.parentId == offsetof(SYSTEM_PROCESS_INFORMATION, InheritedFromUniqueProcessId));

// One process-heap block filled with the native process list.
class NativeSnapshot {
public:
    NativeSnapshot() = default;
    NativeSnapshot(const NativeSnapshot&) = delete;
    NativeSnapshot& operator=(const NativeSnapshot&) = delete;
    ~NativeSnapshot() { Free(); }

    // The size doubles from 32 KiB while the system answers that the list does not fit; a list that
    // does not fit into 64 MiB fails like a failed allocation.
    bool Take() {
        auto query = Bind<QuerySystemInformationFn>("ntdll.dll", "ZwQuerySystemInformation");
        if (query == nullptr) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return false;
        }
        for (size_t size = kFirstSnapshotBytes; size <= kMaxSnapshotBytes; size *= 2) {
            block = HeapAlloc(GetProcessHeap(), 0, size);
            if (block == nullptr)
                break;
            LONG status = query(kSystemProcessInformation, block, static_cast<ULONG>(size), nullptr);
            if (status == kInfoLengthMismatch) {
                Free();
                continue;
            }
            if (status < 0) {
                Free();
                SetLastError(static_cast<DWORD>(status));
                return false;
            }
            blockSize = size;
            return true;
        }
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }

    // Visits the records from the first; the visitor returns false to stop.
    template <class Visit> void Walk(Visit visit) const {
        WalkProcessRecords(static_cast<const unsigned char*>(block), blockSize, kRecordLayout, visit);
    }

private:
    void Free() {
        if (block != nullptr)
            HeapFree(GetProcessHeap(), 0, block);
        block = nullptr;
        blockSize = 0;
    }

    void* block = nullptr;
    size_t blockSize = 0;
};

} // namespace

const wchar_t* QueryProcessName(DWORD pid) {
    wcscpy(nameBuffer, L"Idle");
    NativeSnapshot snapshot;
    if (!snapshot.Take())
        return nullptr;
    snapshot.Walk([pid](const ProcessRecord& record) {
        if (record.pid != pid)
            return true;
        if (record.nameBytes > 0) {
            // By its length: the name need not be terminated.
            const auto* name = reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(record.nameAddress));
            if (CopyImageName(nameBuffer, name, record.nameBytes) == 0 || nameBuffer[0] == L'\0')
                wcscpy(nameBuffer, L"Idle");
        }
        return false;
    });
    return nameBuffer;
}

bool NativeProcessList(ProcessList& list) try {
    list.clear();
    NativeSnapshot snapshot;
    if (!snapshot.Take())
        return false;
    snapshot.Walk([&list](const ProcessRecord& record) {
        list.push_back({record.pid, record.parentPid});
        return true;
    });
    return true;
} catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
}

bool ToolhelpProcessList(ProcessList& list) {
    static_assert(sizeof(PROCESSENTRY32::szExeFile[0]) == 1, "the 8-bit record of Process32First");
    list.clear();
    auto createSnapshot = Bind<CreateSnapshotFn>("kernel32.dll", "CreateToolhelp32Snapshot");
    auto first = Bind<ProcessWalkFn>("kernel32.dll", "Process32First");
    auto next = Bind<ProcessWalkFn>("kernel32.dll", "Process32Next");
    if (createSnapshot == nullptr || first == nullptr || next == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    HANDLE snapshot = createSnapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    DWORD error = ERROR_SUCCESS;
    if (!first(snapshot, &entry)) {
        error = GetLastError();
    } else {
        try {
            do {
                list.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
                entry.dwSize = sizeof(entry);
            } while (next(snapshot, &entry));
        } catch (const std::bad_alloc&) {
            error = ERROR_NOT_ENOUGH_MEMORY;
        }
    }
    CloseHandle(snapshot);
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

bool TreeKillUsesNativeList() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version))
        return false;
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion < 5;
}
