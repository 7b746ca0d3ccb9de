// BlackListDialog: opening, the entry buttons, and Save.
#include "blacklist/BlackListDialog.h"

#include "app/SettingsKey.h"
#include "framework/WinApp.h"
#include "processes/RowActions.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(BlackListDialog, CDialog)
ON_BN_CLICKED(IDC_BLACKLIST_ADD, OnAdd)
ON_BN_CLICKED(IDC_BLACKLIST_DELETE, OnDelete)
ON_BN_CLICKED(IDC_BLACKLIST_RELOAD, OnReload)
ON_BN_CLICKED(IDC_BLACKLIST_SAVE, OnSave)
ON_NOTIFY(NM_CLICK, IDC_BLACKLIST_ENTRIES, OnItemClick)
ON_NOTIFY(NM_RCLICK, IDC_BLACKLIST_ENTRIES, OnItemClick)
END_MESSAGE_MAP()

BlackListDialog::BlackListDialog() : CDialog(IDD_BLACKLIST) {
    BindControl(IDC_BLACKLIST_ENTRIES, entryList);
    BindControl(IDC_ENABLE_BLACKLIST, enableBox);
}

BOOL BlackListDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BLACKLIST), IMAGE_ICON,
                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    selectedItem = -1;

    // The list spans the edit's width, from 9 to 195 pixels down the client area.
    RECT edit{};
    ::GetWindowRect(GetDlgItem(IDC_BLACKLIST_ENTRY), &edit);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&edit), 2);
    // The dialog manager turns a template control's border into the sunken edge; the list has both.
    SetWindowLongPtrA(entryList.hwnd, GWL_STYLE, GetWindowLongPtrA(entryList.hwnd, GWL_STYLE) | WS_BORDER);
    entryList.SetWindowPos(nullptr, edit.left, 9, edit.right - edit.left, 195 - 9, SWP_NOZORDER | SWP_FRAMECHANGED);
    entryList.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    entryList.InsertColumn(0, "IP Address or Host Name", LVCFMT_LEFT, 260);
    entryList.FitColumns();
    entryList.SetColumnWidth(0, LVSCW_AUTOSIZE_USEHEADER);

    if (SettingsKey key = SettingsKey::Open(); key.IsOpen()) {
        DWORD enabled = 0;
        if (key.ReadDword("EnableBlackList", enabled))
            enableBox.SetCheck(enabled != 0 ? BST_CHECKED : BST_UNCHECKED);
    }
    LoadFromFile();
    return TRUE;
}

void BlackListDialog::LoadFromFile() {
    BlackList entries;
    if (file.Load(entries) != BlackListFileSystem::ReadResult::Read)
        return;
    entryList.DeleteAllItems();
    int row = 0;
    for (const std::string& entry : entries)
        entryList.InsertItem(row++, entry.c_str());
}

void BlackListDialog::OnAdd() {
    const std::string typed = GetDlgItemText(IDC_BLACKLIST_ENTRY);
    const std::string text(TrimSpace(typed));
    if (text.empty())
        return;
    const int count = entryList.GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (entryList.GetItemText(row, 0) == text) {
            AfxMessageBox("Selected entry already exists.\nPlease enter another address.", MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    entryList.InsertItem(count, text.c_str());
    ::SetDlgItemTextA(hwnd, IDC_BLACKLIST_ENTRY, "");
}

void BlackListDialog::OnItemClick(NMHDR* header, LRESULT* result) {
    selectedItem = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
    *result = 0;
}

void BlackListDialog::OnDelete() {
    if (selectedItem < 0) {
        AfxMessageBox("Please select an item to delete.", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // selectedItem stays: a second Delete removes the row that moved into its place.
    if (AfxMessageBox("Are you sure you want to delete this item?", MB_YESNO | MB_ICONQUESTION) == IDYES)
        entryList.DeleteItem(selectedItem);
}

void BlackListDialog::OnSave() {
    // The rows in the order shown, so a sort by the header is the file's new order.
    BlackList entries;
    const int count = entryList.GetItemCount();
    for (int row = 0; row < count; ++row)
        entries.push_back(entryList.GetItemText(row, 0));
    switch (file.Save(entries)) {
    case BlackListStore::SaveResult::Saved:
        break;
    case BlackListStore::SaveResult::Refused: {
        // The file was there when the dialog opened but could not be read, so the rows are not its content:
        // the user chooses whether they replace it. Either way the check box is saved and the dialog closes,
        // so an unreadable file never holds the setting hostage.
        const std::string question = "The black list file could not be read:\n" + file.FilePath() +
                                     "\n\nReplace it with the list shown? (No keeps the old file.)";
        if (AfxMessageBox(question.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES && !file.Overwrite(entries)) {
            ReportSaveFailure();
            return;
        }
        break;
    }
    case BlackListStore::SaveResult::Failed:
        // A file that could not be written is left as it was, and so is the setting: the user keeps the
        // dialog and its edits, and learns where it failed.
        ReportSaveFailure();
        return;
    }
    if (SettingsKey key = SettingsKey::OpenOrCreate(); key.IsOpen())
        key.WriteDword("EnableBlackList", enableBox.GetCheck() == BST_CHECKED ? 1 : 0);
    EndDialog(IDOK);
}

void BlackListDialog::ReportSaveFailure() {
    // Without an application-data folder there is no file to name.
    const std::string message = file.FilePath().empty()
                                    ? "Cannot save the black list: the application-data folder cannot be found."
                                    : "Cannot save the black list to:\n" + file.FilePath();
    AfxMessageBox(message.c_str(), MB_OK | MB_ICONEXCLAMATION);
}
