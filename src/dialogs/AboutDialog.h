// The About box (template 101): program icon, name and version in bold, the notice line, and a link to
// the maker's home page that the shell opens in the user's browser.
#pragma once

#include "controls/HyperLinkLabel.h"
#include "framework/Dialog.h"
#include "resource.h"

class AboutDialog : public CDialog {
public:
    // The maker's home page: the link's text and the address the shell opens.
    static constexpr const char kHomePage[] = PELLORAN_HOME_PAGE;

    AboutDialog();
    ~AboutDialog() override;

protected:
    BOOL OnInitDialog() override;

    DECLARE_MESSAGE_MAP()
    void OnLinkClicked();
    void OnDestroy();

private:
    HyperLinkLabel linkLabel;
    HFONT titleFont = nullptr; // bold font of the title line, owned; lives while the window does
};
