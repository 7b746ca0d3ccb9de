// AboutDialog: the bold title font it owns, the link colours, and the shell call behind the link.
#include "AboutDialog.h"
#include "resource.h"

#include <shellapi.h>

BEGIN_MESSAGE_MAP(AboutDialog, CDialog)
ON_CONTROL(STN_CLICKED, IDC_HOMEPAGE_LINK, OnLinkClicked)
ON_WM_DESTROY()
END_MESSAGE_MAP()

AboutDialog::AboutDialog() : CDialog(IDD_ABOUTBOX) { BindControl(IDC_HOMEPAGE_LINK, linkLabel); }

AboutDialog::~AboutDialog() {
    if (titleFont != nullptr)
        DeleteObject(titleFont);
}

BOOL AboutDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    linkLabel.SetBackColor(GetSysColor(COLOR_BTNFACE));
    linkLabel.SetLinkText(kHomePage, 0x00FF0000);

    // The title is the system's GUI font made bold; Arial of the same size where that font is missing.
    LOGFONTA description{};
    HGDIOBJ guiFont = GetStockObject(DEFAULT_GUI_FONT);
    if (guiFont == nullptr || GetObjectA(guiFont, sizeof description, &description) == 0) {
        description = LOGFONTA{};
        description.lfHeight = -11;
        description.lfCharSet = 0;
        description.lfOutPrecision = OUT_DEFAULT_PRECIS;
        description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        description.lfQuality = PROOF_QUALITY;
        description.lfPitchAndFamily = 0x12;
        lstrcpynA(description.lfFaceName, "Arial", LF_FACESIZE);
    }
    description.lfWeight = FW_BOLD;
    if (titleFont != nullptr)
        DeleteObject(titleFont);
    titleFont = CreateFontIndirectA(&description);
    ::SendDlgItemMessageA(hwnd, IDC_ABOUT_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont), TRUE);
    return TRUE;
}

void AboutDialog::OnLinkClicked() {
    // A missing or failing browser is not reported: the box simply stays open.
    ShellExecuteA(nullptr, nullptr, kHomePage, nullptr, nullptr, SW_SHOWNORMAL);
}

void AboutDialog::OnDestroy() {
    Default();
    if (titleFont != nullptr) {
        DeleteObject(titleFont);
        titleFont = nullptr;
    }
}
