// Which connections are new and which have just gone, over successive table reads. The list shows every
// connection of the newest read, a new one marked New for the refresh it appears in and the one after, and
// every connection that has gone within the last two refreshes, with the cells it showed last, marked Removed.
//
// A connection is told from the others by a ConnectionKey (its table, owner and endpoints), which the caller
// builds from its own record, so the rule does not depend on the record's layout. The cells are the texts
// the list shows, written by the list refresh through the ListRows the tracker hands out for each read.
//
// The tracker is the GUI thread's alone (no worker reads it). Each read costs O(rows) hash lookups; once the
// buffers have grown to the table's size, a read allocates nothing (the cell strings of a read are swapped
// into the connections' records, and the records' old strings come back as the next read's buffers).
#pragma once

#include "connections/ListRefresh.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The identity of one connection. Two rows of two reads are the same connection when all fields are equal;
// the same endpoints under another owner are another connection (the old one has gone, a new one came).
// There is no padding, so keys compare and hash as their bytes.
struct ConnectionKey {
    uint32_t protocol = 0;  // tells the tables apart (TCP or UDP, IPv4 or IPv6): any numbering the caller keeps
    uint32_t owner = 0;     // owning process id; 0 where the table has none
    uint32_t localPort = 0; // port number, 0..65535
    uint32_t remotePort = 0;
    uint32_t localScope = 0; // IPv6 scope id, 0 for IPv4
    uint32_t remoteScope = 0;
    uint8_t localAddress[16] = {}; // raw address bytes as the table holds them; IPv4 in the first four
    uint8_t remoteAddress[16] = {};
    friend bool operator==(const ConnectionKey&, const ConnectionKey&) = default;
};
static_assert(sizeof(ConnectionKey) == 56, "ConnectionKey must have no padding");

// The key of an IPv4 row from its raw table values (addresses in network byte order as read; the port fields
// raw, of which only the low 16 bits count, since the system leaves the upper bits undefined).
ConnectionKey Ipv4Key(uint32_t protocol, uint32_t owner, uint32_t localAddr, uint32_t localPort, uint32_t remoteAddr,
                      uint32_t remotePort);
// The same for an IPv6 row: the addresses' 16 bytes as the table holds them, the scope ids, the raw port fields.
ConnectionKey Ipv6Key(uint32_t protocol, uint32_t owner, const uint8_t (&localAddress)[16], uint32_t localScope,
                      uint32_t localPort, const uint8_t (&remoteAddress)[16], uint32_t remoteScope,
                      uint32_t remotePort);

enum class RowMark : uint8_t { None, New, Removed };

class ChangeTracker {
public:
    ChangeTracker();
    ChangeTracker(const ChangeTracker&) = delete;
    ChangeTracker& operator=(const ChangeTracker&) = delete;

    // Starts a read of rows of `columns` cells (negative counts as 0). The returned rows start empty and take
    // the read's rows in the read's order, as the list refresh writes the list; they are valid until
    // EndRead. A column count other than the last read's forgets every connection (the cells of the rows
    // kept would no longer fit the columns), so that read counts as a first read.
    ListRows& BeginRead(int columns);

    // Ends the read: keys[i] names row i. A row without a key counts as one with an all-zero key; keys
    // beyond the rows are ignored. In the first read (after construction or Reset) nothing is New.
    // With showChanges off the rows shown are the read's own rows, in order and unmarked; the tracking goes
    // on, so switching it on later shows the changes against the read before.
    void EndRead(std::span<const ConnectionKey> keys, bool showChanges);

    // Forgets every connection: the next read counts as a first read.
    void Reset();

    // The rows to show after the last EndRead. Current rows come in read order; a removed row stands where it
    // was in the last read that held it (before the row that now holds that position; of two removed rows at
    // one position, the one that went first).
    int RowCount() const { return static_cast<int>(shown.size()); }
    int ColumnCount() const { return columns; }
    RowMark Mark(int row) const;
    // The row's position in the newest read, -1 for a removed row: a removed row is no connection any more,
    // and no action (Close Connection, the black-list closer) may take it for one.
    int ReadIndex(int row) const;
    // The cell's text, "" outside the rows or columns.
    const char* Cell(int row, int column) const;
    // All cells of the row, each ended by a NUL; empty outside the rows.
    std::string_view Cells(int row) const;

private:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    struct Record {
        ConnectionKey key;
        uint32_t ordinal = 0;    // the n-th row of a read with this key is the record with ordinal n
        uint32_t duplicates = 0; // ordinal 0 only: rows of the newest read with this key after the first
        uint64_t firstSeen = 0;  // the read it (re)appeared in; 0 when it was there in the first read
        uint64_t lastSeen = 0;   // the last read that held it; 0 for a free record
        uint32_t position = 0;   // its row in that read
        std::string cells;       // the cells it showed in that read
    };
    struct Slot {
        uint32_t record; // kNone when empty
        uint64_t hash;   // the record's hash: checked before the key, and the home slot when a slot moves
    };

    // The read's rows, as the list refresh writes them.
    class ReadRows : public ListRows {
    public:
        explicit ReadRows(ChangeTracker& owner) : owner(owner) {}
        int GetRowCount() override { return owner.readCount; }
        void InsertEmptyRow(int index) override;
        void DeleteRow(int index) override;
        void SetCellText(int row, int column, const char* text) override;

    private:
        ChangeTracker& owner;
    };

    static uint64_t Hash(const ConnectionKey& key, uint32_t ordinal);
    size_t Home(uint64_t hash) const { return static_cast<size_t>((hash * 0x9E3779B97F4A7C15ull) >> shift); }
    uint32_t Find(const ConnectionKey& key, uint32_t ordinal) const;
    void Insert(uint32_t record);
    void Erase(uint32_t record);
    void Grow();
    uint32_t NewRecord(const ConnectionKey& key, uint32_t ordinal);
    bool Current(const Record& record) const { return record.lastSeen == readNumber; }

    int columns = 0;
    bool primed = false;     // a read has set the first picture; later reads mark what changed
    bool showing = false;    // the last EndRead's showChanges
    uint64_t readNumber = 0; // reads since construction, the first is 1

    std::vector<std::string> readCells; // the first readCount are the read's rows; the rest keep their capacity
    int readCount = 0;
    ReadRows readRows{*this};

    std::vector<Record> records;
    std::vector<uint32_t> freeRecords;
    std::vector<Slot> slots; // open addressing with linear probing over (key, ordinal); at most half full
    size_t slotCount = 0;
    size_t mask = 0;
    unsigned shift = 64;

    std::vector<uint32_t> current; // records of the newest read, in read order
    std::vector<uint32_t> removed; // records shown as removed, by their last position
    std::vector<uint32_t> shown;   // records of the rows to show
};
