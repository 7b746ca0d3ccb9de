// Modal dialogs from resource templates.
//
// DoModal runs the template through the system's dialog box with AfxDlgProc as its dialog procedure. The
// object is linked to the dialog window at the first message the procedure sees (the dialog's WM_SETFONT or a
// control's WM_MEASUREITEM during creation, at the latest WM_INITDIALOG), in the same per-thread link map
// as every other window, so FromHandlePermanent, reflection and the message map work as for a CWnd.
//
// Results: a handled message's result is stored with DWLP_MSGRESULT and the procedure returns TRUE; the
// messages whose result is the procedure's own return value (WM_INITDIALOG, WM_CTLCOLOR*, WM_COMPAREITEM,
// WM_VKEYTOITEM, WM_CHARTOITEM, WM_QUERYDRAGICON) return it directly. A message no entry handles returns
// FALSE so the dialog manager does its default. A handler that calls Default() also gets the default
// processing, after the handler (the dialog manager runs it once the procedure returns FALSE).
//
// Controls of the template: BindControl(id, object) before DoModal, and the framework subclasses each bound
// control at WM_INITDIALOG, before OnInitDialog (a bound id missing from the template ends the dialog with
// -1). Rule for owner-drawn controls: their first WM_MEASUREITEM arrives while the dialog is being created,
// before any control is linked, and gets the default answer; a control class that measures its own items
// asks again once linked (CListCtrl::PreSubclassWindow does for owner-drawn fixed rows), so a SortListCtrl
// in a dialog measures its rows exactly as in the frame.
//
// Idle: while the dialog's modal loop waits, the application's idle pass keeps running (ModalIdle, and the
// frame's WM_ENTERIDLE), so toolbar states and status text stay current under a modal dialog.
#pragma once

#include "Wnd.h"

#include <utility>
#include <vector>

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : templateId(templateId), parent(parent) {}
    // A dialog from an in-memory template (the template must outlive DoModal).
    explicit CDialog(const DLGTEMPLATE* dialogTemplate, CWnd* parent = nullptr)
        : dialogTemplate(dialogTemplate), parent(parent) {}

    // Runs the dialog; returns the code given to EndDialog (IDOK, IDCANCEL...), or -1 when the dialog
    // could not be created or its initialisation failed.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result) const { ::EndDialog(hwnd, result); }

    // Links the template's control `id` to `control` at WM_INITDIALOG (the object must outlive DoModal).
    void BindControl(UINT id, CWnd& control) { boundControls.emplace_back(id, &control); }

protected:
    // After the controls are bound; returns TRUE to let the system give the focus to the first control.
    // An exception escaping it ends the dialog with -1.
    virtual BOOL OnInitDialog() { return TRUE; }
    // IDOK (the default button or Enter) and IDCANCEL (Cancel, Esc, the close box).
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    DECLARE_MESSAGE_MAP()

    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);

private:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL InitDialog();

    UINT templateId = 0;
    const DLGTEMPLATE* dialogTemplate = nullptr;
    CWnd* parent = nullptr;
    std::vector<std::pair<UINT, CWnd*>> boundControls;
    bool defaultWanted = false; // the message being handled asked for the dialog manager's default
};

INT_PTR CALLBACK AfxDlgProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
