// The list's rows as text for other programs: tab-separated lines for the clipboard (Copy Rows) and CSV
// (RFC 4180, the Save dialog's second file type). Both begin with a line of the column titles and read the
// list through ExportCells, as the plain export does.
#pragma once

#include "log/ExportText.h"

#include <string>
#include <vector>

// The titles, then the given rows (indexes into the list, in the order given; an index outside the rows is
// skipped), one line each: fields separated by a tab, CR LF after every line. A tab, CR or LF inside a cell
// becomes a blank, so every line keeps one field per column. No row to copy (or no column) gives an empty
// text, so nothing is copied.
std::string BuildCopyText(ExportCells& cells, const std::vector<std::string>& titles, const std::vector<int>& rows);

// The titles, then every row top to bottom: fields separated by commas, a field that holds a comma, a double
// quote, CR or LF enclosed in double quotes with its quotes doubled, CR LF after every line (the last
// included). A list without columns gives an empty text.
std::string BuildCsvText(ExportCells& cells, const std::vector<std::string>& titles);
