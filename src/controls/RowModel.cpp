// The sortable list's rows: cell storage, the sort over an index order, and the staged refresh.
#include "RowModel.h"
#include "RowSort.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

} // namespace

void RowModel::FindCell(std::string_view cells, int column, size_t& offset, size_t& length) {
    offset = 0;
    for (int c = 0; c < column && offset < cells.size(); ++c) {
        const size_t end = cells.find('\0', offset);
        offset = end == std::string_view::npos ? cells.size() : end + 1;
    }
    const size_t end = cells.find('\0', offset);
    length = (end == std::string_view::npos ? cells.size() : end) - offset;
}

void RowModel::Splice(std::string& cells, int column, std::string_view text) {
    size_t offset = 0;
    size_t length = 0;
    FindCell(cells, column, offset, length);
    text = UpToNul(text);
    // Replacing with a text of the same content leaves the string as it is (no write, no allocation).
    if (cells.compare(offset, length, text.data(), text.size()) != 0)
        cells.replace(offset, length, text.data(), text.size());
}

void RowModel::InsertColumn(int index) {
    index = std::clamp(index, 0, columns);
    for (Row& row : rows) {
        size_t offset = 0;
        size_t length = 0;
        FindCell(row.cells, index, offset, length);
        row.cells.insert(offset, 1, '\0');
    }
    ++columns;
    stagedCount = 0;
    stagedKept = false;
    cursorRow = -1;
}

bool RowModel::DeleteColumn(int index) {
    if (index < 0 || index >= columns)
        return false;
    for (Row& row : rows) {
        size_t offset = 0;
        size_t length = 0;
        FindCell(row.cells, index, offset, length);
        row.cells.erase(offset, length + 1); // the text and its NUL
    }
    --columns;
    stagedCount = 0;
    stagedKept = false;
    cursorRow = -1;
    return true;
}

const char* RowModel::Cell(int row, int column) const {
    if (!Valid(row) || column < 0 || column >= columns)
        return "";
    size_t offset = 0;
    size_t length = 0;
    const std::string& cells = rows[static_cast<size_t>(row)].cells;
    FindCell(cells, column, offset, length);
    return cells.c_str() + offset;
}

bool RowModel::InsertRow(int index, std::string_view first) {
    if (index < 0 || index > RowCount())
        return false;
    Row row;
    row.cells = EmptyRow();
    if (columns > 0)
        Splice(row.cells, 0, first);
    rows.insert(rows.begin() + index, std::move(row));
    stagedKept = false;
    return true;
}

bool RowModel::DeleteRow(int index) {
    if (!Valid(index))
        return false;
    rows.erase(rows.begin() + index);
    stagedKept = false;
    return true;
}

int RowModel::FindRow(int start, std::string_view text, bool prefix, bool wrap) const {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    auto matches = [&](int row) {
        std::string_view cell = Cell(row, 0);
        if (prefix ? cell.size() < text.size() : cell.size() != text.size())
            return false;
        for (size_t i = 0; i < text.size(); ++i) {
            if (lower(cell[i]) != lower(text[i]))
                return false;
        }
        return true;
    };
    const int count = RowCount();
    start = std::clamp(start, 0, count);
    for (int row = start; row < count; ++row) {
        if (matches(row))
            return row;
    }
    for (int row = 0; wrap && row < start; ++row) {
        if (matches(row))
            return row;
    }
    return -1;
}

bool RowModel::SetCell(int row, int column, std::string_view text) {
    if (!Valid(row) || column < 0 || column >= columns)
        return false;
    Splice(rows[static_cast<size_t>(row)].cells, column, text);
    stagedKept = false;
    return true;
}

void RowModel::MakeKeys(const std::vector<const std::string*>& keyRows, int column, std::string* texts) {
    const size_t count = keyRows.size();
    keys.resize(count);
    for (size_t i = 0; i < count; ++i) {
        size_t offset = 0;
        size_t length = 0;
        if (column >= 0 && column < columns)
            FindCell(*keyRows[i], column, offset, length);
        const char* text = keyRows[i]->c_str() + offset;
        keys[i] = {text, LeadingNumber(text), static_cast<uint32_t>(i)};
        if (texts != nullptr)
            texts->append(text, length).push_back('\0');
    }
}

bool RowModel::SortKeys(int column, int low, int high, bool ascending) {
    // The rows stay where they are while the keys move, so the text pointers stay valid.
    struct Keys {
        std::vector<SortKey>& keys;
        int columns;
        int GetRowCount() const { return static_cast<int>(keys.size()); }
        int GetColumnCount() const { return columns; }
        const char* GetCellText(int row, int) const { return keys[static_cast<size_t>(row)].text; }
        long long GetCellNumber(int row, int) const { return keys[static_cast<size_t>(row)].number; }
        void SwapRows(int a, int b) { std::swap(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]); }
    };

    const size_t count = keys.size();
    Keys view{keys, columns};
    const bool sorted = SortRowsOf(view, column, low, high, ascending);
    order.resize(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = keys[i].origin;
    return sorted;
}

bool RowModel::Sort(int column, int low, int high, bool ascending) {
    keyRows.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        keyRows[i] = &rows[i].cells;
    MakeKeys(keyRows, column, nullptr);
    if (!SortKeys(column, low, high, ascending))
        return false;
    // Position i takes the row that was at order[i]; each cycle of the permutation is walked once, every
    // row moved once (moves of strings, no copies).
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == i)
            continue;
        Row held = std::move(rows[i]);
        size_t at = i;
        for (;;) {
            const size_t from = order[at];
            order[at] = static_cast<uint32_t>(at);
            if (from == i) {
                rows[at] = std::move(held);
                break;
            }
            rows[at] = std::move(rows[from]);
            at = from;
        }
    }
    return true;
}

void RowModel::BeginStage() {
    cursorRow = -1;
    stagedCount = RowCount();
    // Copying the shown rows of a sorted list would put every row's texts where the next refresh writes some
    // other row's: each of its cells would be replaced, and the copy itself is a pass over every text.
    if (stagedKept)
        return;
    if (staged.size() < rows.size()) {
        staged.reserve(rows.size());
        staged.resize(rows.size());
    }
    stagedMarks.resize(staged.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        staged[i].assign(rows[i].cells);
        stagedMarks[i] = rows[i].mark;
    }
}

void RowModel::StageInsert(int index) {
    cursorRow = -1;
    index = std::clamp(index, 0, stagedCount);
    if (static_cast<size_t>(stagedCount) == staged.size())
        staged.emplace_back();
    stagedMarks.resize(staged.size());
    std::string& spare = staged[static_cast<size_t>(stagedCount)];
    spare.assign(static_cast<size_t>(columns), '\0');
    stagedMarks[static_cast<size_t>(stagedCount)] = 0;
    std::rotate(staged.begin() + index, staged.begin() + stagedCount, staged.begin() + stagedCount + 1);
    std::rotate(stagedMarks.begin() + index, stagedMarks.begin() + stagedCount, stagedMarks.begin() + stagedCount + 1);
    ++stagedCount;
}

void RowModel::StageDelete(int index) {
    cursorRow = -1;
    if (index < 0 || index >= stagedCount)
        return;
    std::rotate(staged.begin() + index, staged.begin() + index + 1, staged.begin() + stagedCount);
    std::rotate(stagedMarks.begin() + index, stagedMarks.begin() + index + 1, stagedMarks.begin() + stagedCount);
    --stagedCount;
}

void RowModel::StageCell(int row, int column, const char* text) {
    if (row < 0 || row >= stagedCount || column < 0 || column >= columns)
        return;
    std::string& cells = staged[static_cast<size_t>(row)];
    size_t offset = 0;
    if (row == cursorRow && column == cursorColumn + 1) {
        // The refresh writes a row's cells left to right: the cell starts where the last one ended.
        offset = cursorOffset;
    } else {
        size_t cellLength = 0; // measured again below, together with the comparison
        FindCell(cells, column, offset, cellLength);
    }
    // Every cell is ended by a NUL, so the staged text and the new one are compared in one pass; only a
    // changed cell has its two lengths measured. Measuring both texts first and then comparing them went
    // over every cell of every refresh several times, though most cells do not change.
    const char* old = cells.c_str() + offset;
    size_t same = 0;
    while (text[same] != '\0' && old[same] == text[same])
        ++same;
    size_t length = same;
    if (old[same] != text[same]) {
        length = same + std::strlen(text + same);
        cells.replace(offset, same + std::strlen(old + same), text, length);
    }
    cursorRow = row;
    cursorColumn = column;
    cursorOffset = offset + length + 1;
}

void RowModel::StageRow(int row, std::string_view cells, uint8_t mark) {
    if (row < 0 || row >= stagedCount)
        return;
    cursorRow = -1;
    std::string& staging = staged[static_cast<size_t>(row)];
    if (staging != cells)
        staging.assign(cells);
    stagedMarks[static_cast<size_t>(row)] = mark;
}

void RowModel::CommitStage(int sortColumn, bool ascending, std::vector<int>& changed) {
    cursorRow = -1;
    changed.clear();
    const size_t count = static_cast<size_t>(stagedCount);
    keyRows.resize(count);
    for (size_t i = 0; i < count; ++i)
        keyRows[i] = &staged[i];
    bool sorted = false;
    if (sortColumn >= 0 && sortColumn < columns) {
        sortKeys.clear();
        MakeKeys(keyRows, sortColumn, &sortKeys);
        if (count > 1 && ascending == lastAscending && lastOrder.size() == count && sortKeys == lastSortKeys) {
            order = lastOrder;
            sorted = true;
        } else {
            sorted = SortKeys(sortColumn, 0, -1, ascending);
            lastAscending = ascending;
            lastSortKeys.swap(sortKeys);
            lastOrder = order;
        }
    }
    if (!sorted) {
        order.resize(count);
        std::iota(order.begin(), order.end(), 0u);
    }

    const size_t shown = rows.size();
    // Rows cut off at the end leave their text buffers to the rows added later: a filter that leaves one row,
    // and then all of them again, would otherwise free every row's buffer and allocate them all again. The last
    // row goes first, so each position takes back the buffer it had.
    for (size_t position = shown; position > count; --position) {
        spareCells.push_back(std::move(rows[position - 1].cells));
        spareCells.back().clear();
    }
    if (count < shown)
        rows.resize(count);
    else
        rows.reserve(count);
    for (size_t position = 0; position < count; ++position) {
        std::string& next = staged[order[position]];
        const uint8_t mark = stagedMarks[order[position]];
        if (position < shown) {
            if (rows[position].cells == next && rows[position].mark == mark)
                continue;
            // A copy into the row's own buffer, which only grows: once every position has seen its longest
            // text, refreshes allocate nothing.
            rows[position].cells.assign(next);
            rows[position].mark = mark;
        } else {
            rows.emplace_back();
            if (!spareCells.empty()) {
                rows.back().cells.swap(spareCells.back());
                spareCells.pop_back();
            }
            rows.back().cells.assign(next);
            rows.back().mark = mark;
        }
        changed.push_back(static_cast<int>(position));
    }
    stagedCount = 0;
    stagedKept = true;
}

size_t RowModel::OverheadBytes() const {
    return rows.capacity() * sizeof(Row) + (staged.capacity() + spareCells.capacity()) * sizeof(std::string) +
           keys.capacity() * sizeof(SortKey) + (order.capacity() + lastOrder.capacity()) * sizeof(uint32_t) +
           keyRows.capacity() * sizeof(const std::string*) + sortKeys.capacity() + lastSortKeys.capacity();
}

size_t RowModel::TextBytes() const {
    // Texts short enough to live inside the string object take no buffer of their own.
    const size_t inside = std::string().capacity();
    size_t bytes = 0;
    for (const Row& row : rows)
        bytes += row.cells.capacity() > inside ? row.cells.capacity() + 1 : 0;
    for (const std::vector<std::string>* texts : {&staged, &spareCells})
        for (const std::string& text : *texts)
            bytes += text.capacity() > inside ? text.capacity() + 1 : 0;
    return bytes;
}
