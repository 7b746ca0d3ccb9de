// Everything an end-to-end test needs: include this one header.
#ifndef PELLORAN_E2E_E2E_H
#define PELLORAN_E2E_E2E_H

#include "App.h"
#include "Controls.h"
#include "Dialogs.h"
#include "Input.h"
#include "Menu.h"
#include "Process.h"
#include "Registry.h"
#include "RemoteMemory.h"
#include "Screen.h"
#include "Wait.h"
#include "WindowInfo.h"

#endif
