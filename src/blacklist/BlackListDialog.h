// The Black List dialog (template 134): the editor of blacklist.xml and of the EnableBlackList setting.
// It works on its own copy of the list, held in the rows of its entry list, read from and written to the
// file; the main window's list is not touched (the window rereads the file after Save).
#pragma once

#include "blacklist/Win32BlackListFiles.h"
#include "controls/SortListCtrl.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"

class BlackListDialog : public CDialog {
public:
    BlackListDialog();

    SortListCtrl entryList; // control 9876: one column, one row per entry
    int selectedItem = -1;  // the row last clicked, -1 for none

protected:
    BOOL OnInitDialog() override;
    // Enter (with no push button focused) does nothing: only Save closes the dialog with OK.
    void OnOK() override {}

    DECLARE_MESSAGE_MAP()
    void OnAdd();
    void OnDelete();
    void OnReload() { LoadFromFile(); }
    void OnSave();
    void OnItemClick(NMHDR* header, LRESULT* result);

private:
    // Fills the rows from the file; a file that is missing or cannot be read leaves them as they are.
    void LoadFromFile();
    void ReportSaveFailure();

    CButton enableBox;
    DataFolderBlackList file;
};
