// Real user input for the end-to-end tests: keys and mouse clicks injected with SendInput, which the system
// delivers to the foreground window, so every helper here first brings the target's top-level window to the front.
#ifndef PELLORAN_E2E_INPUT_H
#define PELLORAN_E2E_INPUT_H

#include "Wait.h"

#include <windows.h>

#include <initializer_list>

namespace e2e {

enum class MouseButton { Left, Right };

// Makes the top-level window of the given window the foreground window with the keyboard focus, or throws.
// A display without a window manager grants activation only on request, so this escalates from
// SetForegroundWindow to attaching the input queues and finally to clicking the window.
void BringToForeground(HWND window);

// vk with the modifiers (VK_CONTROL, VK_SHIFT, VK_MENU) held; all keys are released afterwards.
void PressKey(WORD vk, std::initializer_list<WORD> modifiers = {});

void MoveMouse(POINT screenPoint);
// The left button pressed or released at a point (a drag is a press, moves and a release).
void PressMouse(POINT screenPoint);
void ReleaseMouse(POINT screenPoint);
void ClickAt(POINT screenPoint, MouseButton button = MouseButton::Left, int clicks = 1);
// Brings the window's top-level window to the front, then clicks at a point of the window's client area.
void Click(HWND window, POINT clientPoint, MouseButton button = MouseButton::Left, int clicks = 1);

} // namespace e2e

#endif
