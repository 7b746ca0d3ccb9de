// File and colour common dialogs.
#include "CommonDialogs.h"
#include "WinApp.h"

#include <algorithm>
#include <cstring>

namespace {

// Without an explicit parent the picker belongs to the window the user is working in: the main window's
// last active pop-up (a modal dialog that opened the picker), so that dialog is disabled while the picker
// is open and cannot be closed or asked for a second picker underneath it.
HWND OwnerOf(CWnd* parent) {
    if (parent != nullptr)
        return parent->hwnd;
    CWnd* main = AfxGetMainWnd();
    if (main == nullptr || main->hwnd == nullptr)
        return nullptr;
    HWND active = GetLastActivePopup(main->hwnd);
    return active != nullptr ? active : main->hwnd;
}

// The colour picker's sixteen custom colours, kept for the life of the program as the user made them.
COLORREF customColors[16] = {RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                             RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                             RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                             RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)};

// Room for the chosen path: long paths are allowed, and an initial name longer than that is kept whole.
constexpr size_t kPathRoom = 4096;

} // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                         const char* filterText, CWnd* parent)
    : open(openFileDialog != FALSE), parent(parent) {
    if (defaultExtension != nullptr)
        this->defaultExtension = defaultExtension;
    if (filterText != nullptr && *filterText != '\0') {
        filter = filterText;
        std::replace(filter.begin(), filter.end(), '|', '\0');
        // Every part ends with a NUL and the list with one more; std::string adds a last one of its own.
        if (filter.back() != '\0')
            filter.push_back('\0');
    }
    std::string initial = fileName != nullptr ? fileName : "";
    file.assign(std::max(kPathRoom, initial.size() + 1), '\0');
    std::copy(initial.begin(), initial.end(), file.begin());

    ofn.lStructSize = sizeof(ofn);
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal() {
    // Pointers into members are set here, so a caller's changes to ofn before the call are kept.
    ofn.hwndOwner = OwnerOf(parent);
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ModalIdle idle;
    BOOL chosen = open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
    // Cancel or a failure (the system writes a needed size into a too small buffer) chooses no path.
    path = chosen ? std::string(file.data(), strnlen(file.data(), file.size())) : std::string();
    return chosen ? IDOK : IDCANCEL;
}

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) : parent(parent) {
    cc.lStructSize = sizeof(cc);
    cc.rgbResult = initial;
    cc.lpCustColors = customColors;
    cc.Flags = flags | CC_RGBINIT;
}

INT_PTR CColorDialog::DoModal() {
    cc.hwndOwner = OwnerOf(parent);
    COLORREF before = cc.rgbResult;
    ModalIdle idle;
    if (!ChooseColorA(&cc)) {
        cc.rgbResult = before;
        return IDCANCEL;
    }
    return IDOK;
}
