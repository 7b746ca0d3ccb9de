// A block of memory inside another process, for the control messages whose arguments are pointers (list view,
// header, status bar and toolbar queries): the structure is written into the program, the message is sent with
// the remote address, and the answer is read back. Pointers inside such structures must point into the block too.
// The layouts are those of the driver's own build, so the driver must match the program's bitness.
#ifndef PELLORAN_E2E_REMOTE_MEMORY_H
#define PELLORAN_E2E_REMOTE_MEMORY_H

#include <windows.h>

#include <cstddef>
#include <string>

namespace e2e {

class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    // The address of a byte of the block, as the program sees it.
    template <typename T = void> T* At(size_t offset = 0) const {
        return reinterpret_cast<T*>(static_cast<char*>(address) + offset);
    }
    LPARAM Param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }

    void Write(const void* data, size_t size, size_t offset = 0);
    void Read(void* data, size_t size, size_t offset = 0) const;
    template <typename T> void Put(const T& value, size_t offset = 0) { Write(&value, sizeof value, offset); }
    template <typename T> T Get(size_t offset = 0) const {
        T value;
        Read(&value, sizeof value, offset);
        return value;
    }
    // A NUL-terminated text of at most maxLength bytes stored at the offset.
    std::string GetText(size_t offset, size_t maxLength) const;

private:
    HANDLE process;
    void* address;
    size_t size;
};

} // namespace e2e

#endif
