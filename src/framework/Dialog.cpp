// Modal dialogs: the dialog procedure, linking, bound controls and how results reach the dialog manager.
#include "Dialog.h"
#include "WinApp.h"

namespace {

// The dialog DoModal is starting on this thread: linked at the first message its procedure sees.
thread_local CDialog* creatingDialog = nullptr;

// Messages whose result is the dialog procedure's return value rather than DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_INITDIALOG ||
           message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
           message == WM_QUERYDRAGICON;
}

} // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

INT_PTR CDialog::DoModal() {
    HWND owner = parent != nullptr ? parent->hwnd : nullptr;
    if (owner == nullptr && AfxGetMainWnd() != nullptr)
        owner = AfxGetMainWnd()->hwnd;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    CDialog* outer = creatingDialog;
    creatingDialog = this;
    ModalIdle idle;
    INT_PTR result = dialogTemplate != nullptr ? DialogBoxIndirectParamA(instance, dialogTemplate, owner, AfxDlgProc,
                                                                         reinterpret_cast<LPARAM>(this))
                                               : DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner,
                                                                 AfxDlgProc, reinterpret_cast<LPARAM>(this));
    creatingDialog = outer;
    // The window is gone; a system that sends the procedure no WM_NCDESTROY leaves the link to remove here.
    if (hwnd != nullptr && FromHandlePermanent(hwnd) == this)
        Detach();
    hwnd = nullptr;
    return result;
}

LRESULT CDialog::DefWindowProc(UINT, WPARAM, LPARAM) {
    // A dialog's default processing is the dialog manager's, which runs when the procedure returns FALSE.
    defaultWanted = true;
    return 0;
}

BOOL CDialog::InitDialog() {
    for (auto& [id, control] : boundControls) {
        if (control->hwnd == nullptr && control->SubclassDlgItem(id, this))
            continue;
        // A bound control that is missing (or already linked elsewhere) leaves the dialog unusable.
        ::EndDialog(hwnd, -1);
        return FALSE;
    }
    return OnInitDialog();
}

INT_PTR CDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND handle = hwnd;
    MSG msg{handle, message, wParam, lParam, 0, {}};
    const MSG* outerMsg = currentMsg;
    bool outerDefault = defaultWanted;
    currentMsg = &msg;
    defaultWanted = false;
    INT_PTR answer = FALSE;
    try {
        if (message == WM_INITDIALOG) {
            answer = InitDialog();
        } else {
            LRESULT result = WindowProc(message, wParam, lParam);
            if (!defaultWanted) {
                if (ReturnsDirectly(message)) {
                    answer = static_cast<INT_PTR>(result);
                } else {
                    SetWindowLongPtrA(handle, DWLP_MSGRESULT, result);
                    answer = TRUE;
                }
            }
        }
    } catch (...) {
        // No exception crosses into the system: a failed initialisation ends the dialog with -1, any other
        // message gets the default processing.
        if (message == WM_INITDIALOG)
            ::EndDialog(handle, -1);
        answer = FALSE;
    }
    currentMsg = outerMsg;
    defaultWanted = outerDefault;
    return answer;
}

INT_PTR CALLBACK AfxDlgProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* linked = CWnd::FromHandlePermanent(handle);
    auto* dialog = dynamic_cast<CDialog*>(linked);
    if (linked == nullptr && creatingDialog != nullptr) {
        dialog = creatingDialog;
        creatingDialog = nullptr;
        dialog->Attach(handle);
    }
    if (dialog == nullptr)
        return FALSE;
    INT_PTR answer = dialog->DialogProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        dialog->Detach();
        dialog->PostNcDestroy();
    }
    return answer;
}
