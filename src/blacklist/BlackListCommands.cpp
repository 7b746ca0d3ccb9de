// The main window's black-list operations: loading and saving its list, Add To Black List from the row
// menu, and the Black List command that runs the editor and then rereads what the editor saved.
#include "app/MainFrame.h"
#include "app/SettingsKey.h"
#include "blacklist/BlackListDialog.h"

void CMainFrame::LoadBlackList() {
    BlackList fresh;
    if (blackListFile.Load(fresh) != BlackListFileSystem::ReadResult::Read)
        return;
    std::lock_guard<std::mutex> hold(shared->lock);
    shared->blackList.swap(fresh);
}

bool CMainFrame::SaveBlackList() {
    BlackList copy;
    {
        std::lock_guard<std::mutex> hold(shared->lock);
        copy = shared->blackList;
    }
    return blackListFile.Save(copy) == BlackListStore::SaveResult::Saved;
}

void CMainFrame::OnAddToBlackList() {
    if (contextItem < 0)
        return;
    // The row's text as it was displayed at the click. An empty text (a row that has gone since) is not
    // added: it would be an entry that can never match.
    const std::string_view text = TrimSpace(clickedRow.remoteAddress);
    if (text.empty())
        return;
    {
        std::lock_guard<std::mutex> hold(shared->lock);
        AppendUnique(shared->blackList, std::string(text));
    }
    // A file that cannot be written keeps the entry in memory only, until the next load.
    SaveBlackList();
}

void CMainFrame::OnBlackList() {
    BlackListDialog dialog;
    if (dialog.DoModal() != IDOK)
        return;
    if (SettingsKey key = SettingsKey::Open(); key.IsOpen())
        key.ReadInt("EnableBlackList", enableBlackList);
    LoadBlackList();
}
