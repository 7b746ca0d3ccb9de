// Header of the sortable list: remembers the sort column and draws the sort triangle.
//
// LATER(sortable list): owner-drawn items, the themed background and hot tracking.
#pragma once

#include "framework/ListCtrl.h"

class SortHeaderCtrl : public CHeaderCtrl {
public:
    int sortColumn = -1;
    int hotItem = -1;
    int ascending = 1;
    HANDLE theme = nullptr;
    HMODULE themeModule = nullptr;
};
