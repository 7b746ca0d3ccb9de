// The application object: starts the program and creates the main window.
#pragma once

#include "framework/WinApp.h"

class MonitorApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
};
