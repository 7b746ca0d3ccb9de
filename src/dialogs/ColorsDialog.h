// The Colors dialog (template 139): one swatch per row colour of the connection list, the selection
// colour and the two change colours. A click on a swatch opens the system's colour picker; Default restores the
// built-in colours; OK writes all ten to the settings key. The dialog keeps no colour of its own: each swatch's
// background colour is the current choice for its row.
#pragma once

#include "controls/HyperLinkLabel.h"
#include "framework/Dialog.h"

#include <array>
#include <cstddef>

class ColorsDialog : public CDialog {
public:
    static constexpr std::size_t kRowCount = 10;

    ColorsDialog();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

    DECLARE_MESSAGE_MAP()
    // One handler per swatch, all of one pattern.
    template <std::size_t Row> void OnSwatchClicked() { PickColor(swatches[Row]); }
    void OnDefault();

private:
    void PickColor(HyperLinkLabel& swatch);

    std::array<HyperLinkLabel, kRowCount> swatches; // in the order of the rows of the template
};
