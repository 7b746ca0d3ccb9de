// Thin wrapper of a menu handle.
#pragma once

#include "Afx.h"

class CMenu {
public:
    HMENU menu = nullptr;

    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    virtual ~CMenu() = default;

    operator HMENU() const { return menu; }
    void Attach(HMENU handle) { menu = handle; }
    HMENU Detach() {
        HMENU handle = menu;
        menu = nullptr;
        return handle;
    }
};
