// Shared by the unit tests and the benchmarks; the program never includes this header.
// A ListRows that records every call and keeps the cell texts, row identities and selection flags the
// way a list control would, plus builders for entries and raw table buffers.
#pragma once

#include "connections/ByteOrder.h"
#include "connections/ConnectionEntry.h"
#include "connections/ListRefresh.h"
#include "connections/TableDecode.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class RecordingRows : public ListRows {
public:
    struct Row {
        int id = 0; // identity of the row object, to tell a kept row from a deleted and reinserted one
        bool selected = false;
        std::vector<std::string> cells;
    };

    explicit RecordingRows(int columnCount, int initialRows = 0) : columnCount(columnCount) {
        for (int i = 0; i < initialRows; ++i) {
            rows.push_back(NewRow());
            rows.back().cells.assign(columnCount, "old");
        }
    }

    int GetRowCount() override { return static_cast<int>(rows.size()); }

    void InsertEmptyRow(int index) override {
        log.push_back("insert " + std::to_string(index));
        if (index < 0 || index > GetRowCount()) {
            ++badCalls;
            return;
        }
        rows.insert(rows.begin() + index, NewRow());
    }

    void DeleteRow(int index) override {
        log.push_back("delete " + std::to_string(index));
        if (index < 0 || index >= GetRowCount()) {
            ++badCalls;
            return;
        }
        rows.erase(rows.begin() + index);
    }

    void SetCellText(int row, int column, const char* text) override {
        log.push_back("set " + std::to_string(row) + " " + std::to_string(column) + " " + text);
        if (row < 0 || row >= GetRowCount() || column < 0 || column >= columnCount) {
            ++badCalls;
            return;
        }
        rows[row].cells[column] = text;
    }

    const std::string& Cell(int row, int column) const { return rows.at(row).cells.at(column); }

    int columnCount;
    int badCalls = 0;
    std::vector<Row> rows;
    std::vector<std::string> log;

private:
    Row NewRow() {
        Row row;
        row.id = nextId++;
        row.cells.assign(columnCount, "");
        return row;
    }

    int nextId = 1;
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
constexpr uint32_t kListening = 2;

inline ConnectionEntry MakeEntry(uint32_t localAddr, uint16_t localPort, uint32_t remoteAddr, uint16_t remotePort,
                                 uint32_t state, bool withPid = false, uint32_t pid = 0) {
    ConnectionEntry entry;
    BuildEntry(entry, state, localAddr, PortField(localPort), remoteAddr, PortField(remotePort), withPid, pid);
    return entry;
}

struct RawRow {
    uint32_t state, localAddr, localPort, remoteAddr, remotePort, pid;
};

// A table buffer exactly as the library lays it out: row count, then the rows' 32-bit fields.
// rowCount overrides the count written at the start (to claim more rows than the buffer holds).
inline std::vector<unsigned char> MakeTable(const std::vector<RawRow>& rows, bool withPids, int64_t rowCount = -1) {
    std::vector<uint32_t> fields;
    fields.push_back(rowCount < 0 ? static_cast<uint32_t>(rows.size()) : static_cast<uint32_t>(rowCount));
    for (const RawRow& row : rows) {
        fields.insert(fields.end(), {row.state, row.localAddr, row.localPort, row.remoteAddr, row.remotePort});
        if (withPids) {
            fields.push_back(row.pid);
        }
    }
    std::vector<unsigned char> bytes(fields.size() * 4);
    std::memcpy(bytes.data(), fields.data(), bytes.size());
    return bytes;
}
