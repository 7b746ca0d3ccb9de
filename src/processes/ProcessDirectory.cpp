// Process names from the native process list (ntdll's ZwQuerySystemInformation, class 5), bound at run
// time. The records are read with the system's own layout for the program's pointer size.
#include "ProcessDirectory.h"

#include <winternl.h>

#include <cstring>
#include <cwchar>

namespace {

constexpr ULONG kSystemProcessInformation = 5;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr size_t kNameUnits = 260;

using QuerySystemInformationFn = LONG(WINAPI*)(ULONG infoClass, void* buffer, ULONG size, ULONG* returned);

wchar_t nameBuffer[kNameUnits];

// One process-heap block filled with the process list; the size doubles from 32 KiB while the
// system answers that it does not fit.
class NativeSnapshot {
public:
    NativeSnapshot() = default;
    NativeSnapshot(const NativeSnapshot&) = delete;
    NativeSnapshot& operator=(const NativeSnapshot&) = delete;
    ~NativeSnapshot() { Free(); }

    bool Take(QuerySystemInformationFn query) {
        size_t size = 0x8000;
        for (;;) {
            block = HeapAlloc(GetProcessHeap(), 0, size);
            if (block == nullptr) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return false;
            }
            LONG status = query(kSystemProcessInformation, block, static_cast<ULONG>(size), nullptr);
            if (status == kInfoLengthMismatch) {
                Free();
                if (size > (static_cast<size_t>(-1) >> 1) || size * 2 > 0xFFFFFFFFu) {
                    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                    return false;
                }
                size *= 2;
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
    }

    // Walks the records from the first; the visitor returns false to stop.
    template <class Visit> void Walk(Visit visit) const {
        size_t offset = 0;
        while (offset + sizeof(SYSTEM_PROCESS_INFORMATION) <= blockSize) {
            const auto* record =
                reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(static_cast<const char*>(block) + offset);
            if (!visit(*record) || record->NextEntryOffset == 0)
                return;
            offset += record->NextEntryOffset;
        }
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
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto query = ntdll ? reinterpret_cast<QuerySystemInformationFn>(
                             reinterpret_cast<void*>(GetProcAddress(ntdll, "ZwQuerySystemInformation")))
                       : nullptr;
    if (query == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    NativeSnapshot snapshot;
    if (!snapshot.Take(query))
        return nullptr;
    snapshot.Walk([pid](const SYSTEM_PROCESS_INFORMATION& record) {
        if (static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(record.UniqueProcessId)) != pid)
            return true;
        if (record.ImageName.Length > 0 && record.ImageName.Buffer != nullptr) {
            size_t units = record.ImageName.Length / sizeof(wchar_t);
            if (units >= kNameUnits)
                units = kNameUnits - 1;
            wmemcpy(nameBuffer, record.ImageName.Buffer, units);
            nameBuffer[units] = L'\0';
            if (nameBuffer[0] == L'\0')
                wcscpy(nameBuffer, L"Idle");
        }
        return false;
    });
    return nameBuffer;
}
