// Passes every IP helper entry point that the test DLL does not script on to the system's own iphlpapi.dll.
//
// Why: the test DLL takes the name "iphlpapi.dll" for the whole process (it lies next to the program and
// WINEDLLOVERRIDES="iphlpapi=n,b" puts native first; on Windows the program's folder comes first in the DLL
// search order anyway). Every other module in the process that needs iphlpapi then binds to this DLL:
// Wine's ws2_32, dnsapi, winhttp, wininet and rpcrt4 delay-load it by name, netapi32, wsock32, wsdapi and
// wbemprox import from it, and on Windows dnsapi and others do the same. A DLL that exported only the four
// scripted functions would break those modules (a missing import fails their load; a missing delay-load
// export raises an exception at the first call).
//
// How: forwarded-exports.txt names every other export. Each gets a stub that jumps through a slot. The slot
// first points at an initialiser that loads the system copy by its full path (GetSystemDirectoryW +
// "\iphlpapi.dll"; a full path loads a second, separate module even though a module with the same base name
// is already loaded, on Windows and under Wine alike), looks the name up there, stores the address in the
// slot and jumps to it, so each later call costs one indirect jump. All argument registers are preserved
// around the lookup and the stub never touches the stack frame, so the caller's arguments, calling
// convention (stdcall on i686) and return value pass through unchanged.
//
// PE forwarder entries in the .def ("Name = otherdll.Name") were not used: they cannot name a directory,
// so the target would have to be a renamed copy of the system DLL placed next to the program by every test.
//
// The system copy is loaded on the first forwarded call and stays loaded for the life of the process.
// A name that the system copy lacks raises STATUS_ENTRYPOINT_NOT_FOUND when it is called: there is no safe
// way to return from a stdcall function whose argument size is unknown.
#include <windows.h>

namespace {

using Thunk = void (*)();

INIT_ONCE systemLoadOnce = INIT_ONCE_STATIC_INIT;
HMODULE systemIpHelper = nullptr;

BOOL CALLBACK LoadSystemIpHelper(PINIT_ONCE, PVOID, PVOID*) {
    wchar_t path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return TRUE;
    }
    lstrcpyW(path + length, L"\\iphlpapi.dll");
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LoadSystemIpHelper), &self);
    // Installed into the system folder itself, the DLL would find itself and every stub would jump to itself.
    if (module != nullptr && module == self) {
        FreeLibrary(module);
        module = nullptr;
    }
    systemIpHelper = module;
    return TRUE;
}

} // namespace

extern "C" {

struct ForwardSlot {
    Thunk target;
    const char* name;
};

// Called by the assembly below with all argument registers saved; returns the address to jump to.
Thunk ResolveForward(ForwardSlot* slot) {
    InitOnceExecuteOnce(&systemLoadOnce, LoadSystemIpHelper, nullptr, nullptr);
    FARPROC proc = systemIpHelper != nullptr ? GetProcAddress(systemIpHelper, slot->name) : nullptr;
    if (proc == nullptr) {
        RaiseException(static_cast<DWORD>(STATUS_ENTRYPOINT_NOT_FOUND), EXCEPTION_NONCONTINUABLE, 0, nullptr);
    }
    Thunk target = reinterpret_cast<Thunk>(proc);
    __atomic_store_n(&slot->target, target, __ATOMIC_RELEASE);
    return target;
}

} // extern "C"

#if defined(__x86_64__)

// Microsoft x64 convention: arguments in rcx, rdx, r8, r9 and xmm0-xmm3. The slot address arrives in rax.
// On entry rsp is 8 modulo 16; four pushes keep that, 0x68 more bytes align it for the call and give the
// callee its 32-byte shadow area plus room for the four xmm registers.
asm(".text\n"
    ".globl ForwardResolveAndJump\n"
    ".def ForwardResolveAndJump; .scl 2; .type 32; .endef\n"
    ".seh_proc ForwardResolveAndJump\n"
    "ForwardResolveAndJump:\n"
    "    pushq %rcx\n"
    "    .seh_pushreg %rcx\n"
    "    pushq %rdx\n"
    "    .seh_pushreg %rdx\n"
    "    pushq %r8\n"
    "    .seh_pushreg %r8\n"
    "    pushq %r9\n"
    "    .seh_pushreg %r9\n"
    "    subq $0x68, %rsp\n"
    "    .seh_stackalloc 0x68\n"
    "    .seh_endprologue\n"
    "    movdqa %xmm0, 0x20(%rsp)\n"
    "    movdqa %xmm1, 0x30(%rsp)\n"
    "    movdqa %xmm2, 0x40(%rsp)\n"
    "    movdqa %xmm3, 0x50(%rsp)\n"
    "    movq %rax, %rcx\n"
    "    call ResolveForward\n"
    "    movdqa 0x20(%rsp), %xmm0\n"
    "    movdqa 0x30(%rsp), %xmm1\n"
    "    movdqa 0x40(%rsp), %xmm2\n"
    "    movdqa 0x50(%rsp), %xmm3\n"
    "    addq $0x68, %rsp\n"
    "    popq %r9\n"
    "    popq %r8\n"
    "    popq %rdx\n"
    "    popq %rcx\n"
    "    jmp *%rax\n"
    ".seh_endproc\n");

#define IPHLPAPI_FORWARD(name)                                                                                         \
    extern "C" void FwdInit_##name();                                                                                  \
    extern "C" {                                                                                                       \
    ForwardSlot FwdSlot_##name = {&FwdInit_##name, #name};                                                             \
    }                                                                                                                  \
    asm(".text\n"                                                                                                      \
        ".globl Fwd_" #name "\n"                                                                                       \
        ".globl FwdInit_" #name "\n"                                                                                   \
        "Fwd_" #name ":\n"                                                                                             \
        "    jmp *FwdSlot_" #name "(%rip)\n"                                                                           \
        "FwdInit_" #name ":\n"                                                                                         \
        "    leaq FwdSlot_" #name "(%rip), %rax\n"                                                                     \
        "    jmp ForwardResolveAndJump\n");

#elif defined(__i386__)

// i686: arguments are on the stack (stdcall or cdecl), which is left exactly as the caller built it;
// ecx and edx are kept in case a caller passes something in them. The slot address arrives in eax.
asm(".text\n"
    ".globl _ForwardResolveAndJump\n"
    "_ForwardResolveAndJump:\n"
    "    pushl %ecx\n"
    "    pushl %edx\n"
    "    pushl %eax\n"
    "    call _ResolveForward\n"
    "    addl $4, %esp\n"
    "    popl %edx\n"
    "    popl %ecx\n"
    "    jmp *%eax\n");

#define IPHLPAPI_FORWARD(name)                                                                                         \
    extern "C" void FwdInit_##name();                                                                                  \
    extern "C" {                                                                                                       \
    ForwardSlot FwdSlot_##name = {&FwdInit_##name, #name};                                                             \
    }                                                                                                                  \
    asm(".text\n"                                                                                                      \
        ".globl _Fwd_" #name "\n"                                                                                      \
        ".globl _FwdInit_" #name "\n"                                                                                  \
        "_Fwd_" #name ":\n"                                                                                            \
        "    jmp *_FwdSlot_" #name "\n"                                                                                \
        "_FwdInit_" #name ":\n"                                                                                        \
        "    movl $_FwdSlot_" #name ", %eax\n"                                                                         \
        "    jmp _ForwardResolveAndJump\n");

#else
#error "the forwarding stubs are written for x86_64 and i686"
#endif

#include "ForwardedExports.inc" // written by CMakeLists.txt from forwarded-exports.txt
