// Keyboard and mouse injection of the end-to-end harness.
#include "Input.h"
#include "WindowInfo.h"

#include <vector>

namespace e2e {

namespace {

// Gives the injected events time to reach the program before the caller looks at the result.
constexpr Milliseconds kInputSettle = 30ms;

void Inject(std::vector<INPUT>& inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size())
        FailWithLastError("SendInput");
    Pause(kInputSettle);
}

bool IsExtendedKey(WORD vk) {
    switch (vk) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_RMENU:
    case VK_RCONTROL:
    case VK_APPS:
        return true;
    default:
        return false;
    }
}

INPUT KeyInput(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

INPUT MouseInput(DWORD flags, POINT screenPoint) {
    // Absolute coordinates run from 0 to 65535 across the primary screen.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((screenPoint.x * 65535LL + width / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((screenPoint.y * 65535LL + height / 2) / (height - 1));
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    return input;
}

bool IsForeground(HWND top) { return GetForegroundWindow() == top; }

} // namespace

void BringToForeground(HWND window) {
    HWND top = GetAncestor(window, GA_ROOT);
    if (!top || !IsWindow(top))
        Fail("BringToForeground: no such window");
    if (IsIconic(top))
        ShowWindow(top, SW_RESTORE);
    if (IsForeground(top))
        return;

    SetForegroundWindow(top);
    if (WaitUntil([&] { return IsForeground(top); }, 1s))
        return;

    // Sharing the input state with the target's thread lets this process hand it the activation.
    const DWORD targetThread = GetWindowThreadProcessId(top, nullptr);
    const DWORD ownThread = GetCurrentThreadId();
    if (AttachThreadInput(ownThread, targetThread, TRUE)) {
        BringWindowToTop(top);
        SetForegroundWindow(top);
        SetActiveWindow(top);
        AttachThreadInput(ownThread, targetThread, FALSE);
    }
    if (WaitUntil([&] { return IsForeground(top); }, 1s))
        return;

    // Last resort, as a user would do it: click the window's top edge, inside the window but away from controls.
    const RECT rect = WindowRect(top);
    std::vector<INPUT> click{MouseInput(0, {rect.left + Width(rect) / 2, rect.top + 2}),
                             MouseInput(MOUSEEVENTF_LEFTDOWN, {rect.left + Width(rect) / 2, rect.top + 2}),
                             MouseInput(MOUSEEVENTF_LEFTUP, {rect.left + Width(rect) / 2, rect.top + 2})};
    Inject(click);
    if (!WaitUntil([&] { return IsForeground(top); }, 2s))
        Fail("cannot bring window \"" + WindowText(top) + "\" to the foreground");
}

void PressKey(WORD vk, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> inputs;
    for (WORD modifier : modifiers)
        inputs.push_back(KeyInput(modifier, false));
    inputs.push_back(KeyInput(vk, false));
    inputs.push_back(KeyInput(vk, true));
    for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier)
        inputs.push_back(KeyInput(*modifier, true));
    Inject(inputs);
}

void MoveMouse(POINT screenPoint) {
    std::vector<INPUT> inputs{MouseInput(0, screenPoint)};
    Inject(inputs);
}

void PressMouse(POINT screenPoint) {
    std::vector<INPUT> inputs{MouseInput(MOUSEEVENTF_LEFTDOWN, screenPoint)};
    Inject(inputs);
}

void ReleaseMouse(POINT screenPoint) {
    std::vector<INPUT> inputs{MouseInput(MOUSEEVENTF_LEFTUP, screenPoint)};
    Inject(inputs);
}

void ClickAt(POINT screenPoint, MouseButton button, int clicks) {
    const DWORD down = button == MouseButton::Left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
    const DWORD up = button == MouseButton::Left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
    std::vector<INPUT> inputs{MouseInput(0, screenPoint)};
    for (int i = 0; i < clicks; ++i) {
        inputs.push_back(MouseInput(down, screenPoint));
        inputs.push_back(MouseInput(up, screenPoint));
    }
    Inject(inputs);
}

void Click(HWND window, POINT clientPoint, MouseButton button, int clicks) {
    BringToForeground(window);
    ClickAt(ClientToScreenPoint(window, clientPoint), button, clicks);
}

} // namespace e2e
