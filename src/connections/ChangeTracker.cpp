// Change tracking: each read's rows are matched to the connections of the reads before by their keys, in a
// flat hash table of records; rows with equal keys in one read are told apart by their order (ordinal).
#include "connections/ChangeTracker.h"

#include "controls/RowModel.h"

#include <algorithm>
#include <cstring>

ConnectionKey Ipv4Key(uint32_t protocol, uint32_t owner, uint32_t localAddr, uint32_t localPort, uint32_t remoteAddr,
                      uint32_t remotePort) {
    ConnectionKey key;
    key.protocol = protocol;
    key.owner = owner;
    key.localPort = localPort & 0xFFFFu;
    key.remotePort = remotePort & 0xFFFFu;
    std::memcpy(key.localAddress, &localAddr, sizeof localAddr);
    std::memcpy(key.remoteAddress, &remoteAddr, sizeof remoteAddr);
    return key;
}

ConnectionKey Ipv6Key(uint32_t protocol, uint32_t owner, const uint8_t (&localAddress)[16], uint32_t localScope,
                      uint32_t localPort, const uint8_t (&remoteAddress)[16], uint32_t remoteScope,
                      uint32_t remotePort) {
    ConnectionKey key = Ipv4Key(protocol, owner, 0, localPort, 0, remotePort);
    key.localScope = localScope;
    key.remoteScope = remoteScope;
    std::memcpy(key.localAddress, localAddress, sizeof localAddress);
    std::memcpy(key.remoteAddress, remoteAddress, sizeof remoteAddress);
    return key;
}

ChangeTracker::ChangeTracker() = default;

void ChangeTracker::ReadRows::InsertEmptyRow(int index) {
    ChangeTracker& t = owner;
    if (index < 0 || index > t.readCount)
        return;
    if (static_cast<size_t>(t.readCount) == t.readCells.size())
        t.readCells.emplace_back();
    t.readCells[static_cast<size_t>(t.readCount)].assign(static_cast<size_t>(t.columns), '\0');
    std::rotate(t.readCells.begin() + index, t.readCells.begin() + t.readCount, t.readCells.begin() + t.readCount + 1);
    ++t.readCount;
}

void ChangeTracker::ReadRows::DeleteRow(int index) {
    ChangeTracker& t = owner;
    if (index < 0 || index >= t.readCount)
        return;
    std::rotate(t.readCells.begin() + index, t.readCells.begin() + index + 1, t.readCells.begin() + t.readCount);
    --t.readCount;
}

void ChangeTracker::ReadRows::SetCellText(int row, int column, const char* text) {
    ChangeTracker& t = owner;
    if (row < 0 || row >= t.readCount || column < 0 || column >= t.columns)
        return;
    std::string& cells = t.readCells[static_cast<size_t>(row)];
    size_t offset = 0;
    size_t length = 0;
    RowModel::FindCell(cells, column, offset, length);
    const std::string_view value = text != nullptr ? text : "";
    if (cells.compare(offset, length, value) != 0)
        cells.replace(offset, length, value);
}

ListRows& ChangeTracker::BeginRead(int columns) {
    columns = std::max(columns, 0);
    if (columns != this->columns) {
        Reset();
        this->columns = columns;
    }
    readCount = 0;
    return readRows;
}

void ChangeTracker::Reset() {
    records.clear();
    freeRecords.clear();
    std::fill(slots.begin(), slots.end(), Slot{kNone, 0});
    slotCount = 0;
    current.clear();
    removed.clear();
    shown.clear();
    primed = false;
}

void ChangeTracker::EndRead(std::span<const ConnectionKey> keys, bool showChanges) {
    static const ConnectionKey kNoKey{};
    const uint64_t read = ++readNumber;
    const bool first = !primed;
    primed = true;
    showing = showChanges;

    current.clear();
    for (int row = 0; row < readCount; ++row) {
        const ConnectionKey& key = static_cast<size_t>(row) < keys.size() ? keys[static_cast<size_t>(row)] : kNoKey;
        uint32_t ordinal = 0;
        uint32_t at = Find(key, 0);
        if (at != kNone && records[at].lastSeen == read) {
            // Another row with the key of one already taken: the first record counts them, so the n-th such
            // row is found in one lookup.
            ordinal = ++records[at].duplicates;
            at = Find(key, ordinal);
        }
        if (at == kNone) {
            at = NewRecord(key, ordinal);
            records[at].firstSeen = first ? 0 : read;
        } else if (records[at].lastSeen + 1 != read) {
            records[at].firstSeen = read; // back after it had gone: shown once, as a new connection
        }
        Record& record = records[at];
        if (ordinal == 0)
            record.duplicates = 0;
        record.lastSeen = read;
        record.position = static_cast<uint32_t>(row);
        record.cells.swap(readCells[static_cast<size_t>(row)]);
        current.push_back(at);
    }
    readCount = 0;

    // Connections gone from this read stay on view for two reads, then their records are freed.
    removed.clear();
    for (uint32_t at = 0; at < records.size(); ++at) {
        Record& record = records[at];
        if (record.lastSeen == 0 || record.lastSeen == read)
            continue;
        if (read - record.lastSeen <= 2) {
            removed.push_back(at);
        } else {
            Erase(at);
            record.lastSeen = 0;
            freeRecords.push_back(at);
        }
    }

    shown.clear();
    if (!showChanges) {
        shown.assign(current.begin(), current.end());
        return;
    }
    std::sort(removed.begin(), removed.end(), [this](uint32_t a, uint32_t b) {
        const Record& x = records[a];
        const Record& y = records[b];
        if (x.position != y.position)
            return x.position < y.position;
        if (x.lastSeen != y.lastSeen)
            return x.lastSeen < y.lastSeen; // the one that went first stood before the other in the read before
        return a < b;
    });
    size_t next = 0;
    for (uint32_t row = 0; row < current.size(); ++row) {
        while (next < removed.size() && records[removed[next]].position <= row)
            shown.push_back(removed[next++]);
        shown.push_back(current[row]);
    }
    while (next < removed.size())
        shown.push_back(removed[next++]);
}

RowMark ChangeTracker::Mark(int row) const {
    if (row < 0 || row >= RowCount())
        return RowMark::None;
    const Record& record = records[shown[static_cast<size_t>(row)]];
    if (!Current(record))
        return RowMark::Removed;
    if (showing && record.firstSeen != 0 && readNumber - record.firstSeen <= 1)
        return RowMark::New;
    return RowMark::None;
}

int ChangeTracker::ReadIndex(int row) const {
    if (row < 0 || row >= RowCount())
        return -1;
    const Record& record = records[shown[static_cast<size_t>(row)]];
    return Current(record) ? static_cast<int>(record.position) : -1;
}

const char* ChangeTracker::Cell(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= columns)
        return "";
    const std::string& cells = records[shown[static_cast<size_t>(row)]].cells;
    size_t offset = 0;
    size_t length = 0;
    RowModel::FindCell(cells, column, offset, length);
    return cells.c_str() + offset;
}

std::string_view ChangeTracker::Cells(int row) const {
    if (row < 0 || row >= RowCount())
        return {};
    return records[shown[static_cast<size_t>(row)]].cells;
}

uint64_t ChangeTracker::Hash(const ConnectionKey& key, uint32_t ordinal) {
    uint64_t words[sizeof(ConnectionKey) / 8];
    static_assert(sizeof words == sizeof key);
    std::memcpy(words, &key, sizeof key);
    uint64_t hash = 0x243F6A8885A308D3ull ^ ordinal;
    for (uint64_t word : words) {
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    return hash;
}

uint32_t ChangeTracker::Find(const ConnectionKey& key, uint32_t ordinal) const {
    if (slots.empty())
        return kNone;
    const uint64_t hash = Hash(key, ordinal);
    for (size_t i = Home(hash);; i = (i + 1) & mask) {
        const Slot& slot = slots[i];
        if (slot.record == kNone)
            return kNone;
        if (slot.hash == hash) {
            const Record& record = records[slot.record];
            if (record.ordinal == ordinal && record.key == key)
                return slot.record;
        }
    }
}

void ChangeTracker::Insert(uint32_t record) {
    if ((slotCount + 1) * 2 > slots.size())
        Grow();
    const uint64_t hash = Hash(records[record].key, records[record].ordinal);
    size_t i = Home(hash);
    while (slots[i].record != kNone)
        i = (i + 1) & mask;
    slots[i] = {record, hash};
    ++slotCount;
}

void ChangeTracker::Erase(uint32_t record) {
    const uint64_t hash = Hash(records[record].key, records[record].ordinal);
    size_t hole = Home(hash);
    while (slots[hole].record != record)
        hole = (hole + 1) & mask;
    // Backward shift: a later slot of the probe run moves into the hole when its home lies at or before the
    // hole along the run, so every lookup still finds its key before an empty slot.
    for (size_t j = (hole + 1) & mask; slots[j].record != kNone; j = (j + 1) & mask) {
        const size_t home = Home(slots[j].hash);
        if (((j - home) & mask) >= ((j - hole) & mask)) {
            slots[hole] = slots[j];
            hole = j;
        }
    }
    slots[hole] = {kNone, 0};
    --slotCount;
}

void ChangeTracker::Grow() {
    std::vector<Slot> old;
    old.swap(slots);
    const size_t capacity = old.empty() ? 64 : old.size() * 2;
    slots.assign(capacity, Slot{kNone, 0});
    mask = capacity - 1;
    shift = 64;
    for (size_t c = capacity; c > 1; c >>= 1)
        --shift;
    for (const Slot& slot : old) {
        if (slot.record == kNone)
            continue;
        size_t i = Home(slot.hash);
        while (slots[i].record != kNone)
            i = (i + 1) & mask;
        slots[i] = slot;
    }
}

uint32_t ChangeTracker::NewRecord(const ConnectionKey& key, uint32_t ordinal) {
    uint32_t at;
    if (!freeRecords.empty()) {
        at = freeRecords.back();
        freeRecords.pop_back();
    } else {
        at = static_cast<uint32_t>(records.size());
        records.emplace_back();
    }
    Record& record = records[at];
    record.key = key;
    record.ordinal = ordinal;
    record.duplicates = 0;
    Insert(at);
    return at;
}
