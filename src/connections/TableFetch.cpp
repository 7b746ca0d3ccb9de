// The sizing, headroom, growth and failure rules of a table read (see TableFetch.h).
#include "connections/TableFetch.h"

#include <cstring>
#include <limits>
#include <new>

uint32_t TableReadSize(size_t lastTableBytes, size_t rowBytes) {
    const uint64_t size = uint64_t{lastTableBytes} + lastTableBytes / 4 + 16 * uint64_t{rowBytes};
    return size > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                       : static_cast<uint32_t>(size);
}

bool FetchTcpTable(const TableCall& call, size_t rowBytes, size_t& lastTableBytes, std::vector<unsigned char>& buffer) {
    uint32_t size = 0;
    if (lastTableBytes == 0) {
        // First read of the run: ask for the size.
        if (call(nullptr, &size) != kStatusInsufficientBuffer)
            return false;
    } else {
        size = TableReadSize(lastTableBytes, rowBytes);
    }
    for (int attempt = 0; attempt <= kTableGrowthRetries; ++attempt) {
        try {
            buffer.assign(size, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        uint32_t filled = size;
        uint32_t status = call(buffer.data(), &filled);
        if (status == 0) {
            // Keep what the rows need: the library does not report it on success.
            uint32_t rows = 0;
            if (size >= sizeof(rows))
                std::memcpy(&rows, buffer.data(), sizeof(rows));
            const uint64_t used = sizeof(rows) + uint64_t{rows} * rowBytes;
            lastTableBytes = used <= size ? static_cast<size_t>(used) : size;
            return true;
        }
        // The table grew past the buffer: the call reported the size it needs now.
        if (status != kStatusInsufficientBuffer || filled <= size)
            return false;
        size = filled;
    }
    return false;
}
