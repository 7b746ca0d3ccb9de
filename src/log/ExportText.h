// The text of File > Save: the list as shown, one line per row, cells separated by " \t", every line
// ended by CR LF. The list is reached through ExportCells, so the rule runs without a window.
#pragma once

#include <string>

struct ExportCells {
    virtual ~ExportCells();
    virtual int GetColumnCount() = 0; // a negative count (the header did not answer) counts as none
    virtual int GetRowCount() = 0;
    virtual std::string GetCellText(int row, int column) = 0;
};

// Rows top to bottom, columns in index order; an empty list gives an empty text.
std::string BuildExportText(ExportCells& cells);
