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

// Where the fields the program reads lie in one record of the native process list, for each pointer
// size: the record's size, the width of its pointer-sized fields, the image name's byte length (16 bits)
// and pointer, the process id and the parent's id. The Win32 side checks its build's entry against the
// system's own structure, so these are the records the system writes.
struct ProcessRecordLayout {
    size_t recordBytes;
    size_t pointerBytes;
    size_t nameLength;
    size_t nameBuffer;
    size_t processId;
    size_t parentId;
};
inline constexpr ProcessRecordLayout kProcessRecords32{184, 4, 0x38, 0x3C, 0x44, 0x48};
inline constexpr ProcessRecordLayout kProcessRecords64{256, 8, 0x38, 0x40, 0x50, 0x58};

// One record's fields. The ids are pointer-sized in the record; the program keeps their low 32 bits,
// as the system's process ids are 32-bit. nameAddress is the name pointer as the system wrote it.
struct ProcessRecord {
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    uint16_t nameBytes = 0;
    uint64_t nameAddress = 0;
};

// Reads one record that lies wholly inside the buffer. Field by field with memcpy: the program takes
// no alignment or structure from bytes it did not write.
inline ProcessRecord ReadProcessRecord(const unsigned char* record, const ProcessRecordLayout& layout) {
    auto pointerField = [&](size_t at) -> uint64_t {
        if (layout.pointerBytes == 8) {
            uint64_t value = 0;
            std::memcpy(&value, record + at, sizeof value);
            return value;
        }
        uint32_t value = 0;
        std::memcpy(&value, record + at, sizeof value);
        return value;
    };
    ProcessRecord fields;
    fields.pid = static_cast<uint32_t>(pointerField(layout.processId));
    fields.parentPid = static_cast<uint32_t>(pointerField(layout.parentId));
    std::memcpy(&fields.nameBytes, record + layout.nameLength, sizeof fields.nameBytes);
    fields.nameAddress = pointerField(layout.nameBuffer);
    return fields;
}

// Calls visit(const ProcessRecord&) for each record of the native process list in `size` bytes, along
// the chain as WalkRecordChain follows it; the walk ends where it ends or when visit returns false.
template <class Visit>
void WalkProcessRecords(const unsigned char* buffer, size_t size, const ProcessRecordLayout& layout, Visit visit) {
    WalkRecordChain(buffer, size, layout.recordBytes,
                    [&](size_t offset) { return visit(ReadProcessRecord(buffer + offset, layout)); });
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
