// Memory inside the program under test, for pointer-carrying control messages.
#include "RemoteMemory.h"
#include "Wait.h"

#include <vector>

namespace e2e {

RemoteBuffer::RemoteBuffer(HANDLE process, size_t size) : process(process), size(size) {
    address = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!address)
        FailWithLastError("VirtualAllocEx of " + std::to_string(size) + " bytes in the program");
}

RemoteBuffer::~RemoteBuffer() { VirtualFreeEx(process, address, 0, MEM_RELEASE); }

void RemoteBuffer::Write(const void* data, size_t length, size_t offset) {
    if (offset + length > size)
        Fail("write beyond the end of a remote buffer");
    SIZE_T written = 0;
    if (!WriteProcessMemory(process, At(offset), data, length, &written) || written != length)
        FailWithLastError("WriteProcessMemory");
}

void RemoteBuffer::Read(void* data, size_t length, size_t offset) const {
    if (offset + length > size)
        Fail("read beyond the end of a remote buffer");
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, At(offset), data, length, &read) || read != length)
        FailWithLastError("ReadProcessMemory");
}

std::string RemoteBuffer::GetText(size_t offset, size_t maxLength) const {
    std::vector<char> text(maxLength + 1, '\0');
    Read(text.data(), maxLength, offset);
    return text.data();
}

} // namespace e2e
