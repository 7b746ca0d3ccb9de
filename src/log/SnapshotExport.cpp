// CMainFrame's File > Save: the list as shown (rows in their current order, columns in index order)
// written to a file the user picks. Any failure to create, write or close the file gets the same
// message, and a file left half-written is removed.
#include "app/MainFrame.h"
#include "framework/CommonDialogs.h"
#include "log/ExportText.h"
#include "log/TableText.h"
#include "log/Win32TextFile.h"

namespace {

class ListCells : public ExportCells {
public:
    explicit ListCells(SortListCtrl& list) : list(list) {}
    int GetColumnCount() override { return list.GetColumnCount(); }
    int GetRowCount() override { return list.GetItemCount(); }
    std::string GetCellText(int row, int column) override { return list.GetItemText(row, column); }

private:
    SortListCtrl& list;
};

} // namespace

void CMainFrame::OnFileSave() {
    // No overwrite prompt: an existing file is replaced without asking.
    // The text type stays first and writes what it always wrote; the second writes CSV with a header line.
    CFileDialog dialog(FALSE, "txt", "Events.txt", OFN_HIDEREADONLY, "Text files (*.txt)|*.*|CSV files (*.csv)|*.csv|");
    if (dialog.DoModal() != IDOK)
        return;
    const std::string path = dialog.GetPathName();
    ListCells cells(listCtrl);
    const bool csv = dialog.ofn.nFilterIndex == 2;
    Win32TextFile file;
    if (!SaveText(file, path, csv ? BuildCsvText(cells, listCtrl.ColumnTitles()) : BuildExportText(cells))) {
        const std::string message = "Cannot save the data to:\r\n" + path + "\r\nPlease select another file location.";
        AfxMessageBox(message.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
}
