// Clipboard and CSV text building. A title missing for a column gives an empty field; titles beyond the
// columns are left out.
#include "log/TableText.h"

#include <algorithm>
#include <string_view>

namespace {

std::string_view Title(const std::vector<std::string>& titles, int column) {
    return static_cast<size_t>(column) < titles.size() ? std::string_view(titles[static_cast<size_t>(column)])
                                                       : std::string_view();
}

void AppendCopyField(std::string& text, std::string_view field) {
    for (char c : field)
        text += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
}

void AppendCsvField(std::string& text, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        text += field;
        return;
    }
    text += '"';
    for (char c : field) {
        if (c == '"')
            text += '"';
        text += c;
    }
    text += '"';
}

// One line of `columns` fields.
template <class Field, class Append>
void AppendLine(std::string& text, int columns, char separator, Field field, Append append) {
    for (int column = 0; column < columns; ++column) {
        if (column != 0)
            text += separator;
        append(text, field(column));
    }
    text += "\r\n";
}

} // namespace

std::string BuildCopyText(ExportCells& cells, const std::vector<std::string>& titles, const std::vector<int>& rows) {
    const int columns = std::max(cells.GetColumnCount(), 0);
    const int rowCount = cells.GetRowCount();
    std::string text;
    if (columns == 0 || std::none_of(rows.begin(), rows.end(), [&](int row) { return row >= 0 && row < rowCount; }))
        return text;
    AppendLine(
        text, columns, '\t', [&](int column) { return std::string(Title(titles, column)); }, AppendCopyField);
    for (int row : rows) {
        if (row >= 0 && row < rowCount)
            AppendLine(
                text, columns, '\t', [&](int column) { return cells.GetCellText(row, column); }, AppendCopyField);
    }
    return text;
}

std::string BuildCsvText(ExportCells& cells, const std::vector<std::string>& titles) {
    const int columns = std::max(cells.GetColumnCount(), 0);
    const int rowCount = cells.GetRowCount();
    std::string text;
    if (columns == 0)
        return text;
    AppendLine(
        text, columns, ',', [&](int column) { return std::string(Title(titles, column)); }, AppendCsvField);
    for (int row = 0; row < rowCount; ++row)
        AppendLine(
            text, columns, ',', [&](int column) { return cells.GetCellText(row, column); }, AppendCsvField);
    return text;
}
