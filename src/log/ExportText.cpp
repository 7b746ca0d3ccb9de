// Export text building.
#include "log/ExportText.h"

ExportCells::~ExportCells() = default;

std::string BuildExportText(ExportCells& cells) {
    const int columns = cells.GetColumnCount();
    const int rows = cells.GetRowCount();
    std::string text;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            text += cells.GetCellText(row, column);
            if (column < columns - 1)
                text += " \t";
        }
        text += "\r\n";
    }
    return text;
}
