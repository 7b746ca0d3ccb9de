// Bounds for reading the native process list: the walk along its chain of variable-length records
// inside the buffer the system filled, the size limits of that buffer, and the copy of an image name.
// Everything here trusts nothing in the records: a chain that leaves the buffer ends the walk, and a
// name is copied by its stated length, whether or not a terminator follows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The snapshot buffer starts at 32 KiB and doubles while the system says it is too small; a list that
// does not fit into 64 MiB is treated as an allocation failure.
constexpr size_t kFirstSnapshotBytes = 0x8000;
constexpr size_t kMaxSnapshotBytes = size_t{64} << 20;

// The image name result holds 259 characters and its terminator.
constexpr size_t kImageNameUnits = 260;

// Calls visit(offset) for each record of the chain in `size` bytes, starting at offset 0; every record
// is at least recordBytes long and begins with its 32-bit distance to the next (0 = last). The walk
// ends after the last record, when visit returns false, or when the next record would not lie wholly
// inside the buffer.
template <class Visit> void WalkRecordChain(const unsigned char* buffer, size_t size, size_t recordBytes, Visit visit) {
    size_t offset = 0;
    while (size >= recordBytes && offset <= size - recordBytes) {
        if (!visit(offset))
            return;
        uint32_t next = 0;
        std::memcpy(&next, buffer + offset, sizeof next);
        // Compared against what is left, so a huge distance cannot wrap the offset round.
        if (next == 0 || next > size - offset)
            return;
        offset += next;
    }
}

// Copies a name of lengthBytes bytes (UTF-16, so lengthBytes / 2 units) into destination, which holds
// kImageNameUnits units: at most kImageNameUnits - 1 units are copied and a terminator always follows.
// Returns the units copied.
template <class Unit>
size_t CopyImageName(Unit (&destination)[kImageNameUnits], const Unit* source, size_t lengthBytes) {
    static_assert(sizeof(Unit) == 2, "image names are UTF-16");
    size_t units = lengthBytes / 2;
    if (units > kImageNameUnits - 1)
        units = kImageNameUnits - 1;
    if (source == nullptr)
        units = 0;
    if (units > 0)
        std::memcpy(destination, source, units * sizeof(Unit));
    destination[units] = 0;
    return units;
}
