// Program entry: the one application object and the framework's start.
#include "MonitorApp.h"

MonitorApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return AfxWinMain(); }
