// ColorsDialog: the row table (swatch, setting, built-in colour), the picker, and the write on OK.
#include "ColorsDialog.h"
#include "app/SettingsKey.h"
#include "controls/RowColorDefaults.h"
#include "framework/CommonDialogs.h"
#include "resource.h"

namespace {

struct ColorRow {
    UINT swatchId;
    const char* setting;
    COLORREF builtIn;
};

// Top to bottom as the dialog shows them. The row labelled "TCB" edits UnknownColor (DELETE_TCB rows).
constexpr ColorRow kRows[ColorsDialog::kRowCount] = {
    {IDC_LISTENING_COLOR, "ListeningColor", rowcolors::kListening},
    {IDC_ESTABLISHED_COLOR, "EstablishedColor", rowcolors::kEstablished},
    {IDC_CLOSED_COLOR, "ClosedColor", rowcolors::kClosed},
    {IDC_FIN_COLOR, "FINColor", rowcolors::kFIN},
    {IDC_SYN_COLOR, "SYNColor", rowcolors::kSYN},
    {IDC_TIME_WAIT_COLOR, "TimeWaitColor", rowcolors::kTimeWait},
    {IDC_TCB_COLOR, "UnknownColor", rowcolors::kUnknown},
    {IDC_SELECT_COLOR, "SelectColor", rowcolors::kSelect},
    {IDC_NEW_COLOR, "NewColor", rowcolors::kNew},
    {IDC_REMOVED_COLOR, "RemovedColor", rowcolors::kRemoved},
};

} // namespace

BEGIN_MESSAGE_MAP(ColorsDialog, CDialog)
ON_CONTROL(STN_CLICKED, IDC_LISTENING_COLOR, OnSwatchClicked<0>)
ON_CONTROL(STN_CLICKED, IDC_ESTABLISHED_COLOR, OnSwatchClicked<1>)
ON_CONTROL(STN_CLICKED, IDC_CLOSED_COLOR, OnSwatchClicked<2>)
ON_CONTROL(STN_CLICKED, IDC_FIN_COLOR, OnSwatchClicked<3>)
ON_CONTROL(STN_CLICKED, IDC_SYN_COLOR, OnSwatchClicked<4>)
ON_CONTROL(STN_CLICKED, IDC_TIME_WAIT_COLOR, OnSwatchClicked<5>)
ON_CONTROL(STN_CLICKED, IDC_TCB_COLOR, OnSwatchClicked<6>)
ON_CONTROL(STN_CLICKED, IDC_SELECT_COLOR, OnSwatchClicked<7>)
ON_CONTROL(STN_CLICKED, IDC_NEW_COLOR, OnSwatchClicked<8>)
ON_CONTROL(STN_CLICKED, IDC_REMOVED_COLOR, OnSwatchClicked<9>)
ON_BN_CLICKED(IDC_DEFAULT_COLORS, OnDefault)
END_MESSAGE_MAP()

ColorsDialog::ColorsDialog() : CDialog(IDD_COLORS) {
    for (std::size_t row = 0; row < kRowCount; ++row)
        BindControl(kRows[row].swatchId, swatches[row]);
}

BOOL ColorsDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_COLORS), IMAGE_ICON,
                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    // A value that is missing or unreadable shows the built-in colour of its row.
    SettingsKey key = SettingsKey::Open();
    for (std::size_t row = 0; row < kRowCount; ++row) {
        DWORD color = kRows[row].builtIn;
        if (key.IsOpen())
            key.ReadDword(kRows[row].setting, color);
        swatches[row].SetBackColor(color);
    }
    return TRUE;
}

void ColorsDialog::PickColor(HyperLinkLabel& swatch) {
    // The picker does not start at the swatch's colour; Cancel leaves the swatch as it is.
    CColorDialog picker;
    if (picker.DoModal() == IDOK)
        swatch.SetBackColor(picker.GetColor());
}

void ColorsDialog::OnDefault() {
    // Only the swatches change: nothing is stored unless the dialog closes with OK.
    for (std::size_t row = 0; row < kRowCount; ++row)
        swatches[row].SetBackColor(kRows[row].builtIn);
}

void ColorsDialog::OnOK() {
    // All ten are written, changed or not; a key that can be neither opened nor created writes nothing
    // and the dialog still closes with OK.
    if (SettingsKey key = SettingsKey::OpenOrCreate(); key.IsOpen()) {
        for (std::size_t row = 0; row < kRowCount; ++row)
            key.WriteDword(kRows[row].setting, swatches[row].GetBackColor());
    }
    CDialog::OnOK();
}
