// The rows of the sortable list, kept by the list itself: the owner-data list view only asks for what it
// paints, so sorting and refreshing work on plain memory instead of on the control's items.
//
// A row is one string holding its cell texts, each ended by a NUL (so a cell is a C string in place), plus
// the row's item data and the state bits that travel with it through a sort. Between sorts the list view
// keeps the selection and focus; the control copies them into the rows before it moves rows and back after.
//
// A refresh is staged: the new rows are written into a second set of strings, sorted there, and each shown
// row is compared with its successor; a row whose texts did not change is not touched, and once the staging
// strings have grown to the rows' sizes a refresh allocates nothing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class RowModel {
public:
    // Row state bits with the list view's values (LVIS_FOCUSED, LVIS_SELECTED).
    static constexpr uint32_t kFocused = 0x0001;
    static constexpr uint32_t kSelected = 0x0002;

    int RowCount() const { return static_cast<int>(rows.size()); }
    int ColumnCount() const { return columns; }
    // A new empty cell at `index` (clamped to 0..ColumnCount()) in every row.
    void InsertColumn(int index);
    // Removes the column's cell from every row; false for a column that does not exist.
    bool DeleteColumn(int index);

    // The cell's text; "" for a cell outside the rows or columns.
    const char* Cell(int row, int column) const;
    // A new row at index (0..RowCount()) with `first` in its first cell and the other cells empty.
    bool InsertRow(int index, std::string_view first);
    bool DeleteRow(int index);
    void Clear() {
        rows.clear();
        stagedKept = false;
    }
    // The first row from `start` on (wrapping to the top when asked) whose first cell starts with `text`
    // (or equals it when !prefix), ignoring ASCII case: the list's type-to-find. -1 when none.
    int FindRow(int start, std::string_view text, bool prefix, bool wrap) const;
    // Returns false for a cell outside the rows or columns; a text is cut at an embedded NUL.
    bool SetCell(int row, int column, std::string_view text);

    // Offset and length of a cell in a row string of this model's layout (cells each ended by a NUL); also used
    // by the change tracker, which keeps its last cells in the same layout.
    static void FindCell(std::string_view cells, int column, size_t& offset, size_t& length);

    uint32_t State(int row) const { return Valid(row) ? rows[static_cast<size_t>(row)].state : 0; }
    void SetState(int row, uint32_t state) {
        if (Valid(row))
            rows[static_cast<size_t>(row)].state = state;
    }
    void ClearStates() {
        for (Row& row : rows)
            row.state = 0;
    }
    // The row's mark, a small value its owner gives a meaning (the connection list: new or removed). It
    // travels with the row's texts through a staged refresh, unlike the item data and state.
    uint8_t Mark(int row) const { return Valid(row) ? rows[static_cast<size_t>(row)].mark : 0; }
    uintptr_t Data(int row) const { return Valid(row) ? rows[static_cast<size_t>(row)].data : 0; }
    bool SetData(int row, uintptr_t data) {
        if (!Valid(row))
            return false;
        rows[static_cast<size_t>(row)].data = data;
        return true;
    }

    // Sorts rows low..high (high -1 = the last row) by a column's texts with the list's quicksort; texts,
    // item data and state move with their rows. False when the quicksort refuses (see RowSort.h).
    bool Sort(int column, int low, int high, bool ascending);

    // The staged refresh. BeginStage starts from the shown rows; the other calls work on the staged rows as the
    // shown ones would; CommitStage sorts the staged rows by sortColumn (-1: no sort) and shows them. The staged
    // rows are the shown rows in the order they were staged last time, before that sort, unless the shown rows
    // were edited directly since (then they are a copy of the shown rows in their order): a refresh that
    // writes every cell of every row in its own order finds the cells of a sorted list in place. A shown row keeps its
    // item data and state at its position (rows beyond the new count are gone, new rows start with none), and `changed`
    // receives, in order, the positions whose texts changed.
    void BeginStage();
    int StagedCount() const { return stagedCount; }
    void StageInsert(int index);
    void StageDelete(int index);
    void StageCell(int row, int column, const char* text);
    // The whole row at once, its cells in this model's layout (each ended by a NUL), with its mark.
    void StageRow(int row, std::string_view cells, uint8_t mark);
    void ClearStagedMarks() { std::fill(stagedMarks.begin(), stagedMarks.end(), uint8_t{0}); }
    void CommitStage(int sortColumn, bool ascending, std::vector<int>& changed);

    // For the benchmarks: the bytes of the row records, staging strings and sort scratch, and separately
    // the text buffers (the rows' and the staged copies, which a refresh reuses instead of allocating).
    size_t OverheadBytes() const;
    size_t TextBytes() const;

private:
    struct Row {
        std::string cells;
        uintptr_t data = 0;
        uint32_t state = 0;
        uint8_t mark = 0;
    };

    bool Valid(int row) const { return row >= 0 && row < RowCount(); }
    static void Splice(std::string& cells, int column, std::string_view text);
    std::string EmptyRow() const { return std::string(static_cast<size_t>(columns), '\0'); }
    // The sort keys of a column's cells of keyRows into `keys`; with `texts`, each key text is also appended
    // to it, ended by a NUL.
    void MakeKeys(const std::vector<const std::string*>& keyRows, int column, std::string* texts);
    // Sorts `keys` and leaves the new order in `order` (indexes into the rows the keys were made from).
    bool SortKeys(int column, int low, int high, bool ascending);

    int columns = 0;
    std::vector<Row> rows;

    // Staging strings; only the first stagedCount are staged rows, the rest keep their capacity for later.
    std::vector<std::string> staged;
    std::vector<uint8_t> stagedMarks; // the staged rows' marks, moved along with `staged`
    int stagedCount = 0;
    // The first RowCount() staging strings and marks still hold what the last CommitStage showed, in staged
    // order; cleared by every direct edit of the rows (a sort only moves them).
    bool stagedKept = false;
    // Text buffers of rows a commit cut off, for the rows a later commit adds (so a filter's way back to all rows
    // allocates nothing).
    std::vector<std::string> spareCells;
    // Where the last staged cell ended: column cursorColumn + 1 of staged row cursorRow starts at cursorOffset
    // (cursorRow -1: nowhere), so cells written left to right are found without a scan from the row's start.
    int cursorRow = -1;
    int cursorColumn = -1;
    size_t cursorOffset = 0;

    // Sort scratch, kept for its capacity. The quicksort swaps the keys themselves (text, leading number
    // parsed once, origin), so its comparisons read memory in order.
    struct SortKey {
        const char* text;
        long long number;
        uint32_t origin;
    };
    std::vector<SortKey> keys;
    std::vector<uint32_t> order;
    std::vector<const std::string*> keyRows;

    // The last staged sort: its direction, its key texts in staged order (each ended by a NUL) and the order
    // it gave. The quicksort's moves depend on nothing but the key texts and the direction, so a refresh
    // whose staged keys are the same as last time's gets the same order without sorting again (the timer's
    // refresh of a table where only states changed), whichever column they came from.
    bool lastAscending = true;
    std::string lastSortKeys;
    std::string sortKeys;
    std::vector<uint32_t> lastOrder;
};
