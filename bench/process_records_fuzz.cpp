// Fuzz target of the walk over the native process list (run by tools/fuzz.sh, not by CTest): the record
// chain, the fields read from each record, the image name copy, and the tree kill's two walks over the
// list the records give. Input:
//   byte 0      bit 0: the 64-bit record layout (else the 32-bit one); bits 1-7: which of the per-level
//               walk's first seven list takes fail
//   bytes 1..4  the PID looked up by name and killed with its tree (32-bit little-endian)
//   the rest    the buffer the system filled
// A name pointer cannot point into a buffer the input did not know the address of, so it is read as an
// offset from the buffer's start (the system puts the names inside the buffer).
#include "processes/ProcessRecords.h"
#include "processes/ProcessTree.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// Little-endian, byte by byte: not the walk's own way of reading a field.
uint64_t Field(const unsigned char* at, size_t bytes) {
    uint64_t value = 0;
    for (size_t i = bytes; i-- > 0;)
        value = value << 8 | at[i];
    return value;
}

// The chain starts at 0; each record lies wholly inside the buffer and its fields are the bytes at the
// layout's offsets; the walk ends at the record whose distance is 0 or leads to a record that does not fit.
std::vector<ProcessRecord> CheckWalk(const std::vector<unsigned char>& buffer, const ProcessRecordLayout& layout) {
    std::vector<size_t> offsets;
    WalkRecordChain(buffer.data(), buffer.size(), layout.recordBytes, [&](size_t offset) {
        offsets.push_back(offset);
        return true;
    });
    std::vector<ProcessRecord> records;
    WalkProcessRecords(buffer.data(), buffer.size(), layout, [&](const ProcessRecord& record) {
        records.push_back(record);
        return true;
    });
    Require(records.size() == offsets.size());
    Require(offsets.empty() == (buffer.size() < layout.recordBytes));
    for (size_t i = 0; i < offsets.size(); ++i) {
        const size_t offset = offsets[i];
        const unsigned char* record = buffer.data() + offset;
        Require(offset + layout.recordBytes <= buffer.size());
        const uint64_t next = Field(record, 4);
        if (i + 1 < offsets.size())
            Require(next != 0 && offsets[i + 1] == offset + next);
        else
            Require(next == 0 || offset + next + layout.recordBytes > buffer.size());
        Require(records[i].pid == static_cast<uint32_t>(Field(record + layout.processId, layout.pointerBytes)));
        Require(records[i].parentPid == static_cast<uint32_t>(Field(record + layout.parentId, layout.pointerBytes)));
        Require(records[i].nameBytes == Field(record + layout.nameLength, 2));
        Require(records[i].nameAddress == Field(record + layout.nameBuffer, layout.pointerBytes));
    }
    return records;
}

// The name lookup stops at the first record of the PID; its name is copied by its stated length, cut
// to 259 units and always terminated.
void CheckName(const std::vector<unsigned char>& buffer, const std::vector<ProcessRecord>& records, uint32_t pid) {
    for (const ProcessRecord& record : records) {
        if (record.pid != pid)
            continue;
        const uint64_t offset = record.nameAddress;
        if (offset % 2 != 0 || offset > buffer.size() || record.nameBytes > buffer.size() - offset)
            return;
        char16_t name[kImageNameUnits];
        std::memset(name, 0xFF, sizeof name);
        const size_t units =
            CopyImageName(name, reinterpret_cast<const char16_t*>(buffer.data() + offset), record.nameBytes);
        Require(units == std::min<size_t>(record.nameBytes / 2, kImageNameUnits - 1) && name[units] == 0);
        Require(std::memcmp(name, buffer.data() + offset, units * 2) == 0);
        return;
    }
}

// The PIDs below the root along the parent links (the root included, 0 never), found breadth first.
std::set<uint32_t> Descendants(const ProcessList& list, uint32_t root) {
    std::set<uint32_t> found;
    if (root == 0)
        return found;
    std::vector<uint32_t> queue{root};
    found.insert(root);
    for (size_t i = 0; i < queue.size(); ++i) {
        for (const ProcessLink& link : list) {
            if (link.parentPid == queue[i] && link.pid != 0 && found.insert(link.pid).second)
                queue.push_back(link.pid);
        }
    }
    return found;
}

// Both walks kill each PID once at most, never 0, only the root's descendants, and the root last. The
// walk over one list kills them all; the per-level walk leaves out every process whose list could not be
// taken, and what lies below it.
void CheckTreeKill(const ProcessList& list, uint32_t root, uint8_t failingTakes) {
    const std::set<uint32_t> below = Descendants(list, root);
    std::vector<uint32_t> killed;
    auto kill = [&killed](uint32_t pid) {
        killed.push_back(pid);
        return true;
    };
    auto checkKilled = [&](bool rootKilled) {
        const std::set<uint32_t> unique(killed.begin(), killed.end());
        Require(unique.size() == killed.size() && unique.count(0) == 0);
        Require(std::includes(below.begin(), below.end(), unique.begin(), unique.end()));
        Require(rootKilled == (!killed.empty() && killed.back() == root));
        Require(std::find(killed.begin(), killed.end(), root) == killed.end() || killed.back() == root);
        return unique;
    };
    Require(checkKilled(KillTreeInOneList(list, root, kill)) == below);

    killed.clear();
    size_t takes = 0;
    const bool rootKilled = KillTreeListPerLevel(
        root,
        [&](ProcessList& taken) {
            const bool fails = takes < 7 && (failingTakes >> takes & 1) != 0;
            ++takes;
            if (fails)
                return false;
            taken = list;
            return true;
        },
        kill);
    Require(takes <= below.size());
    const std::set<uint32_t> unique = checkKilled(rootKilled);
    if (failingTakes == 0)
        Require(unique == below);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5)
        return 0;
    const ProcessRecordLayout& layout = (data[0] & 1) != 0 ? kProcessRecords64 : kProcessRecords32;
    const uint32_t pid = static_cast<uint32_t>(Field(data + 1, 4));
    // An exact copy on the heap: aligned as the system's buffer is, and a read past its end is reported.
    const std::vector<unsigned char> buffer(data + 5, data + size);
    const std::vector<ProcessRecord> records = CheckWalk(buffer, layout);
    CheckName(buffer, records, pid);
    ProcessList list;
    for (const ProcessRecord& record : records)
        list.push_back({record.pid, record.parentPid});
    CheckTreeKill(list, pid, static_cast<uint8_t>(data[0] >> 1));
    return 0;
}
