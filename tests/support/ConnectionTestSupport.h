// Shared by the unit tests and the benchmarks; the program never includes this header.
// A ListRows that keeps the cell texts and an identity per row object, the way a list control keeps its
// items, plus builders for entries and raw table buffers.
#pragma once

#include "connections/ByteOrder.h"
#include "connections/ConnectionEntry.h"
#include "connections/ListRefresh.h"
#include "connections/TableDecode.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

// A kept row keeps its id; a row deleted and inserted again gets a new one. A call for a row or column that
// does not exist throws, and the test fails on it.
class RecordingRows : public ListRows {
public:
    struct Row {
        int id;
        std::vector<std::string> cells;
    };
    RecordingRows(int columnCount, int initialRows) : columnCount(columnCount) {
        for (int i = 0; i < initialRows; ++i)
            InsertEmptyRow(i);
    }
    int GetRowCount() override { return static_cast<int>(rows.size()); }
    void InsertEmptyRow(int index) override {
        rows.insert(rows.begin() + Check(index, rows.size() + 1), {nextId++, std::vector<std::string>(columnCount)});
    }
    void DeleteRow(int index) override { rows.erase(rows.begin() + Check(index, rows.size())); }
    void SetCellText(int row, int column, const char* text) override { rows.at(row).cells.at(column) = text; }
    static int Check(int index, size_t end) {
        return index >= 0 && size_t(index) < end ? index : throw std::out_of_range("");
    }

    int columnCount, nextId = 1;
    std::vector<Row> rows;
};

// Network-order value of the address a.b.c.d.
constexpr uint32_t Ip(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return HostToNetworkLong((a << 24) | (b << 16) | (c << 8) | d);
}

// Raw port field holding the port in network order in its low 16 bits (high bits as given).
constexpr uint32_t PortField(uint16_t port, uint32_t highBits = 0) {
    return HostToNetworkShort(port) | (highBits << 16);
}

constexpr uint32_t kEstablished = 5;

inline ConnectionEntry MakeEntry(uint32_t localAddr, uint16_t localPort, uint32_t remoteAddr, uint16_t remotePort,
                                 uint32_t state) {
    ConnectionEntry entry;
    BuildEntry(entry, state, localAddr, PortField(localPort), remoteAddr, PortField(remotePort), false, 0);
    return entry;
}

struct RawRow {
    uint32_t state, localAddr, localPort, remoteAddr, remotePort, pid;
};

// A table buffer exactly as the library lays it out: row count, then the rows' 32-bit fields.
// rowCount overrides the count written at the start (to claim more rows than the buffer holds).
inline std::vector<unsigned char> MakeTable(const std::vector<RawRow>& rows, bool withPids, int64_t rowCount = -1) {
    std::vector<uint32_t> fields{rowCount < 0 ? static_cast<uint32_t>(rows.size()) : static_cast<uint32_t>(rowCount)};
    for (const RawRow& row : rows) {
        fields.insert(fields.end(), {row.state, row.localAddr, row.localPort, row.remoteAddr, row.remotePort});
        if (withPids)
            fields.push_back(row.pid);
    }
    std::vector<unsigned char> bytes(fields.size() * 4);
    std::memcpy(bytes.data(), fields.data(), bytes.size());
    return bytes;
}
