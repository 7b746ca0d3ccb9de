// The system's Save/Open file dialog and colour picker, with the calling shape the program's classes know.
// Both run modally, owned by the given window or else by the main window's last active pop-up (the dialog
// that opened them, or the main window itself), and return IDOK or IDCANCEL.
#pragma once

#include "Wnd.h"

#include <commdlg.h>
#include <string>
#include <vector>

class CFileDialog {
public:
    // `filter` pairs a description with its patterns, every part ended by '|' ("Text (*.txt)|*.txt||");
    // a filter without the closing "||" is closed all the same.
    CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    INT_PTR DoModal();
    // The chosen file's full path; empty unless the last DoModal returned IDOK.
    const std::string& GetPathName() const { return path; }
    // The filter as the system reads it: parts separated and ended by NULs, two NULs at the end.
    const std::string& GetFilter() const { return filter; }

    OPENFILENAMEA ofn{};

private:
    bool open;
    std::string defaultExtension;
    std::string filter;
    std::vector<char> file;
    std::string path;
    CWnd* parent;
};

class CColorDialog {
public:
    explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);

    INT_PTR DoModal();
    COLORREF GetColor() const { return cc.rgbResult; }

    CHOOSECOLORA cc{};

private:
    CWnd* parent;
};
