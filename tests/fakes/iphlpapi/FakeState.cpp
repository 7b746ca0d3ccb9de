// Behaviour of the scripted table calls: the sizing contract (122 and the size needed when the buffer is
// missing or too small, else the filled table and 0), growth between calls, scripted failures, deletions.
#include "FakeState.h"

#include <algorithm>
#include <cstring>

namespace fakes {

namespace {

bool Passes(const TcpRow& row, RowFilter filter) {
    switch (filter) {
    case RowFilter::Listeners:
        return row.state == StateListen;
    case RowFilter::Connections:
        return row.state != StateListen;
    case RowFilter::All:
        break;
    }
    return true;
}

// Rows the table gains while a "grow" directive is in force: ESTABLISHED 192.0.2.1:40000+i -> 192.0.2.2:80.
TcpRow GrownRow(uint32_t index) {
    TcpRow row;
    row.state = 5;
    row.localAddr = AddressToField(0xC0000201u);
    row.localPort = PortToField(static_cast<uint16_t>(40000u + index % 20000u));
    row.remoteAddr = AddressToField(0xC0000202u);
    row.remotePort = PortToField(80);
    return row;
}

void WriteTable(void* buffer, const std::vector<TcpRow>& rows, RowLayout layout) {
    auto* out = static_cast<unsigned char*>(buffer);
    uint32_t count = static_cast<uint32_t>(rows.size());
    std::memcpy(out, &count, sizeof count);
    out += sizeof count;
    for (const TcpRow& row : rows) {
        uint32_t fields[6] = {row.state, row.localAddr, row.localPort, row.remoteAddr, row.remotePort, row.pid};
        size_t bytes = layout == RowLayout::OwnerPid ? 6 * sizeof(uint32_t) : 5 * sizeof(uint32_t);
        std::memcpy(out, fields, bytes);
        out += bytes;
    }
}

} // namespace

uint32_t TableSize(size_t rows, RowLayout layout) {
    size_t rowSize = layout == RowLayout::OwnerPid ? 24 : 20;
    return static_cast<uint32_t>(sizeof(uint32_t) + rows * rowSize);
}

void SortRows(std::vector<TcpRow>& rows) {
    // Keys are worked out once per row (address and port side by side in one 64-bit number) rather than in
    // every comparison; the original position breaks ties, which keeps the sort stable.
    struct Keyed {
        uint64_t local;
        uint64_t remote;
        size_t position;
    };
    std::vector<Keyed> keys(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const TcpRow& row = rows[i];
        keys[i] = {(uint64_t{FieldToAddress(row.localAddr)} << 16) | FieldToPort(row.localPort),
                   (uint64_t{FieldToAddress(row.remoteAddr)} << 16) | FieldToPort(row.remotePort), i};
    }
    std::sort(keys.begin(), keys.end(), [](const Keyed& a, const Keyed& b) {
        return a.local != b.local     ? a.local < b.local
               : a.remote != b.remote ? a.remote < b.remote
                                      : a.position < b.position;
    });
    std::vector<TcpRow> sorted;
    sorted.reserve(rows.size());
    for (const Keyed& key : keys) {
        sorted.push_back(rows[key.position]);
    }
    rows.swap(sorted);
}

void FakeState::Load(FakeScript newScript) {
    script = std::move(newScript);
    sortedRows = script.rows;
    SortRows(sortedRows);
    failSizeLeft = script.failSize ? script.failSize->times : 0;
    failReadLeft = script.failRead ? script.failRead->times : 0;
    failStatsLeft = script.failStats ? script.failStats->times : 0;
    growLeft = script.growRows > 0 ? script.growTimes : 0;
    pendingGrowth = 0;
    removed.clear();
}

bool FakeState::Consume(uint64_t& left) {
    if (left == 0) {
        return false;
    }
    if (left != Unlimited) {
        --left;
    }
    return true;
}

std::vector<TcpRow> FakeState::VisibleRows(bool sorted, RowFilter filter) const {
    const std::vector<TcpRow>& source = sorted ? sortedRows : script.rows;
    std::vector<TcpRow> rows;
    rows.reserve(source.size());
    for (const TcpRow& row : source) {
        if (Passes(row, filter) &&
            (removed.empty() || !removed.count({row.localAddr, row.localPort, row.remoteAddr, row.remotePort}))) {
            rows.push_back(row);
        }
    }
    return rows;
}

TableReply FakeState::ReadTable(const TableRequest& request, void* buffer) {
    // Growth armed by the previous call applies to this call only; a chain of 122 answers keeps adding to it.
    uint32_t growth = pendingGrowth;
    pendingGrowth = 0;

    std::vector<TcpRow> rows = VisibleRows(request.sort, request.filter);
    for (uint32_t i = 0; i < growth && rows.size() < MaxRows; ++i) {
        TcpRow row = GrownRow(i);
        if (Passes(row, request.filter)) {
            rows.push_back(row);
        }
    }
    if (growth > 0 && request.sort) {
        SortRows(rows);
    }

    TableReply reply;
    reply.rowCount = rows.size();
    uint32_t needed = TableSize(rows.size(), request.layout);
    if (!request.hasBuffer || request.bufferSize < needed) {
        if (script.failSize && Consume(failSizeLeft)) {
            reply.status = script.failSize->code;
            return reply;
        }
        reply.status = StatusInsufficientBuffer;
        reply.sizeOut = needed;
        if (Consume(growLeft)) {
            pendingGrowth = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{growth} + script.growRows, MaxRows));
        }
        return reply;
    }
    if (script.failRead && Consume(failReadLeft)) {
        reply.status = script.failRead->code;
        return reply;
    }
    WriteTable(buffer, rows, request.layout);
    reply.status = StatusSuccess;
    return reply;
}

SetEntryReply FakeState::SetEntry(const std::array<uint32_t, 5>& row) {
    SetEntryReply reply;
    EndpointKey key{row[1], row[2], row[3], row[4]};
    if (!removed.count(key)) {
        reply.matched = std::any_of(script.rows.begin(), script.rows.end(), [&](const TcpRow& r) {
            return r.localAddr == key[0] && r.localPort == key[1] && r.remoteAddr == key[2] && r.remotePort == key[3];
        });
    }
    // Only deleting a connection can be asked of the IP helper; any other state is refused.
    if (row[0] != StateDeleteTcb) {
        reply.status = StatusInvalidParameter;
        return reply;
    }
    reply.status = script.setResult;
    if (reply.status == StatusSuccess && script.setRemoves) {
        removed.insert(key);
    }
    return reply;
}

uint32_t FakeState::ReadStatistics(uint32_t* record) {
    if (script.failStats && Consume(failStatsLeft)) {
        return script.failStats->code;
    }
    std::array<uint32_t, StatisticsCount> values{};
    if (script.statistics) {
        values = *script.statistics;
    }
    std::memcpy(record, values.data(), sizeof(uint32_t) * StatisticsCount);
    return StatusSuccess;
}

} // namespace fakes
