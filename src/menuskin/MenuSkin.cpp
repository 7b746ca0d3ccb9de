// Process-wide state of the menu skin: start and end, the style records, the call hook and the subclass of
// the system's pop-up menu windows ("#32768"), fonts and the error report.
//
// Menu windows are subclassed while they show: the hook catches their creation (WM_CREATE, or 0x01E2 when
// the system reuses a window), the replacement procedure paints the frame and background for menus of a
// CNewMenu, and the subclass is removed when the window hides, is destroyed, or moves away from where it
// opened. The old procedure lives in the window property "OldMenuProc"; a window whose property cannot be
// set keeps its own procedure.
#include "menuskin/MenuSkin.h"
#include "menuskin/NewMenu.h"

#include <cstdio>
#include <map>
#include <memory>
#include <unordered_map>

namespace menuskin {

void MeasureStyleTwo(MEASUREITEMSTRUCT* measure, const CNewMenuItemData& item);
void DrawStyleTwo(const DRAWITEMSTRUCT* draw, const CNewMenuItemData& item);
void DrawStyleTwoBar(const DRAWITEMSTRUCT* draw, const CNewMenuItemData& item);
void PaintStyleTwoFrame(HWND window, HDC dc);
void PaintStyleTwoBackground(HWND window, HDC dc);

namespace {

constexpr char kOldProcProperty[] = "OldMenuProc";
constexpr UINT kMenuWindowReused = 0x01E2;

// One subclassed menu window.
struct MenuWindow {
    WNDPROC oldProc = nullptr;
    ATOM atom = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    HMENU menu = nullptr;
    HBITMAP savedBackground = nullptr;
    HRGN updateRegion = nullptr;
    bool hasPosition = false;
    POINT position{};
    bool frameForced = false;
    bool escape = false;
    DWORD keyPosition = 0;

    ~MenuWindow() {
        if (savedBackground)
            DeleteObject(savedBackground);
        if (updateRegion)
            DeleteObject(updateRegion);
    }
};

struct SkinState {
    bool active = false;
    HHOOK hook = nullptr;
    SystemCode system = kSystemNtOther;
    bool highContrast = false;
    HMODULE uxtheme = nullptr;
    BOOL(WINAPI* isThemeActive)() = nullptr;
    HMODULE msimg32 = nullptr;
    FARPROC gradientFill = nullptr;
    std::unique_ptr<MenuStyle[]> styles;
    int selected = kSelectedStyle;
    HMENU openingMenu = nullptr;
    std::unordered_map<HWND, std::unique_ptr<MenuWindow>> windows;
    HFONT menuFont = nullptr;
    HBRUSH barBrush = nullptr;
    std::map<int, HFONT> marlett; // key: height * 2 + bold
};

SkinState& State() {
    static SkinState state;
    return state;
}

const MenuStyle kFallbackStyle{MeasureStyleTwo, DrawStyleTwo, DrawStyleTwoBar, true};

void ReadHighContrast() {
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    State().highContrast = SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

SystemCode ReadSystem() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        ReportSkinError(GetLastError());
        return kSystemNtOther;
    }
    return ClassifySystem(version.dwPlatformId == VER_PLATFORM_WIN32_NT, version.dwMajorVersion,
                          version.dwMinorVersion);
}

bool IsMenuWindow(HWND window) {
    char name[8] = {};
    return GetClassNameA(window, name, sizeof name) && lstrcmpA(name, "#32768") == 0;
}

MenuWindow* Find(HWND window) {
    auto& windows = State().windows;
    auto found = windows.find(window);
    return found == windows.end() ? nullptr : found->second.get();
}

// The menu of a record, asked of the window when the pop-up was not announced first.
HMENU MenuOf(HWND window, MenuWindow& record) {
    if (!record.menu)
        record.menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
    return record.menu;
}

bool Skinned(HWND window, MenuWindow& record) {
    HMENU menu = MenuOf(window, record);
    return menu && CNewMenu::FromHandle(menu);
}

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void Unsubclass(HWND window) {
    auto& windows = State().windows;
    auto found = windows.find(window);
    if (found == windows.end())
        return;
    MenuWindow& record = *found->second;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == MenuWindowProc)
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record.oldProc));
    RemovePropA(window, kOldProcProperty);
    if (record.atom)
        GlobalDeleteAtom(record.atom);
    windows.erase(found); // frees the record's bitmap and region
}

void Subclass(HWND window) {
    SkinState& state = State();
    if (Find(window))
        return;
    auto oldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (!SetPropA(window, kOldProcProperty, reinterpret_cast<HANDLE>(oldProc))) {
        // The old procedure would have nowhere to live: the window keeps it and draws as the system does.
        ReportSkinError(GetLastError());
        return;
    }
    auto record = std::make_unique<MenuWindow>();
    record->oldProc = oldProc;
    record->atom = GlobalAddAtomA(kOldProcProperty);
    record->style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    record->exStyle = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    record->menu = state.openingMenu;
    state.windows[window] = std::move(record);
    SetLastError(0);
    if (!SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MenuWindowProc)) && GetLastError()) {
        const DWORD code = GetLastError();
        Unsubclass(window);
        ReportSkinError(code);
    }
    // Style 2 needs nothing on the window beyond its procedure: it paints in the messages below.
}

// WM_PRINT of a skinned window: the frame, the system's output inside it, and the client area, rendered
// into a bitmap of the window's size (so an animation shows what the window will show).
void Print(HWND window, MenuWindow& record, HDC target, LPARAM flags) {
    RECT bounds;
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    HDC memory = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        PaintStyleTwoFrame(window, memory);
        const int saved = SaveDC(memory);
        IntersectClipRect(memory, 1, 1, width - 1, height - 1);
        CallWindowProcA(record.oldProc, window, WM_PRINT, reinterpret_cast<WPARAM>(memory), flags & ~PRF_CLIENT);
        RestoreDC(memory, saved);
        if (flags & PRF_CLIENT) {
            POINT origin{0, 0};
            ClientToScreen(window, &origin);
            SetViewportOrgEx(memory, origin.x - bounds.left, origin.y - bounds.top, nullptr);
            PaintStyleTwoBackground(window, memory);
            CallWindowProcA(record.oldProc, window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
            SetViewportOrgEx(memory, 0, 0, nullptr);
        }
        BitBlt(target, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
}

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MenuWindow* record = Find(window);
    if (!record) // cannot happen while the procedure is ours; never lose the message
        return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC oldProc = record->oldProc;
    const MenuStyle& style = CurrentStyle();
    switch (message) {
    case WM_ERASEBKGND:
        if (Skinned(window, *record)) {
            if (!record->frameForced && style.ownFrame) {
                record->frameForced = true;
                RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            }
            PaintStyleTwoBackground(window, reinterpret_cast<HDC>(wParam));
            return 1;
        }
        break;
    case WM_SHOWWINDOW:
        if (!wParam) {
            Unsubclass(window);
            return CallWindowProcA(oldProc, window, message, wParam, lParam);
        }
        break;
    case WM_NCDESTROY:
        Unsubclass(window);
        return CallWindowProcA(oldProc, window, message, wParam, lParam);
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED: {
        // Style 2 keeps the position and size the system gives.
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (pos->flags & SWP_NOMOVE)
            break;
        if (!record->hasPosition) {
            record->hasPosition = true;
            record->position = {pos->x, pos->y};
        } else if (pos->x != record->position.x || pos->y != record->position.y) {
            if (pos->flags & SWP_NOSIZE) {
                record->position = {pos->x, pos->y};
                if (record->savedBackground) {
                    DeleteObject(record->savedBackground);
                    record->savedBackground = nullptr;
                }
            } else {
                Unsubclass(window);
                return CallWindowProcA(oldProc, window, message, wParam, lParam);
            }
        }
        break;
    }
    case WM_NCPAINT:
        if (Skinned(window, *record)) {
            if (record->updateRegion)
                DeleteObject(record->updateRegion);
            record->updateRegion = nullptr;
            if (wParam > 1) {
                record->updateRegion = CreateRectRgn(0, 0, 0, 0);
                CombineRgn(record->updateRegion, reinterpret_cast<HRGN>(wParam), nullptr, RGN_COPY);
            }
            if (style.ownFrame) {
                // The system paints only inside our one-pixel frame.
                RECT bounds;
                GetWindowRect(window, &bounds);
                HRGN inner = CreateRectRgn(bounds.left + 1, bounds.top + 1, bounds.right - 1, bounds.bottom - 1);
                if (record->updateRegion)
                    CombineRgn(inner, inner, record->updateRegion, RGN_AND);
                CallWindowProcA(oldProc, window, message, reinterpret_cast<WPARAM>(inner), lParam);
                DeleteObject(inner);
                if (HDC dc = GetWindowDC(window)) {
                    PaintStyleTwoFrame(window, dc);
                    ReleaseDC(window, dc);
                }
                // Style 2 leaves the shadow to the system.
                return 0;
            }
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            record->escape = true;
        record->keyPosition = GetMessagePos();
        break;
    case WM_PRINT:
        if (style.ownFrame && Skinned(window, *record)) {
            Print(window, *record, reinterpret_cast<HDC>(wParam), lParam);
            return 0;
        }
        break;
    default:
        break;
    }
    return CallWindowProcA(oldProc, window, message, wParam, lParam);
}

LRESULT CALLBACK CallWndHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if ((call->message == WM_CREATE || call->message == kMenuWindowReused) && IsMenuWindow(call->hwnd))
            Subclass(call->hwnd);
    }
    return CallNextHookEx(State().hook, code, wParam, lParam);
}

} // namespace

void StartSkin() {
    SkinState& state = State();
    if (state.active)
        return;
    state.system = ReadSystem();
    ReadHighContrast();
    state.uxtheme = LoadLibraryA("uxtheme.dll");
    if (state.uxtheme)
        state.isThemeActive =
            reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(state.uxtheme, "IsThemeActive")));
    if (state.system != kSystem98) {
        state.msimg32 = LoadLibraryA("Msimg32.dll");
        if (state.msimg32)
            state.gradientFill = GetProcAddress(state.msimg32, "GradientFill");
    }
    // Pairs of styles: the even one paints its own frame, the odd one leaves it to the system. This
    // program draws with style 2 only; the other pairs share its routines.
    state.styles.reset(new MenuStyle[kStyleCount]);
    for (int i = 0; i < kStyleCount; ++i)
        state.styles[i] = MenuStyle{MeasureStyleTwo, DrawStyleTwo, DrawStyleTwoBar, i % 2 == 0};
    state.selected = kSelectedStyle;
    state.hook = SetWindowsHookExA(WH_CALLWNDPROC, CallWndHook, nullptr, GetCurrentThreadId());
    if (!state.hook) {
        // Menus stay the system's; the program runs on.
        ReportSkinError(GetLastError());
        return;
    }
    state.active = true;
}

void StopSkin() {
    SkinState& state = State();
    if (state.hook && !UnhookWindowsHookEx(state.hook))
        ReportSkinError(GetLastError());
    state.hook = nullptr;
    state.active = false;
    while (!state.windows.empty())
        Unsubclass(state.windows.begin()->first);
    state.styles.reset();
    CNewMenu::FreePictureSets();
    RefreshSystemState(); // frees the menu font and the bar brush
    for (auto& font : state.marlett)
        DeleteObject(font.second);
    state.marlett.clear();
    if (state.uxtheme)
        FreeLibrary(state.uxtheme);
    if (state.msimg32)
        FreeLibrary(state.msimg32);
    state.uxtheme = state.msimg32 = nullptr;
    state.isThemeActive = nullptr;
    state.gradientFill = nullptr;
}

bool SkinActive() { return State().active; }

const MenuStyle& CurrentStyle() {
    const SkinState& state = State();
    return state.styles ? state.styles[state.selected] : kFallbackStyle;
}

SystemCode CurrentSystem() { return State().system; }

bool HighContrast() { return State().highContrast; }

void RefreshSystemState() {
    ReadHighContrast();
    SkinState& state = State();
    if (state.menuFont)
        DeleteObject(state.menuFont);
    state.menuFont = nullptr;
    if (state.barBrush)
        DeleteObject(state.barBrush);
    state.barBrush = nullptr;
}

MenuColours CurrentColours() {
    const SkinState& state = State();
    SystemColours in;
    in.menu = GetSysColor(COLOR_MENU);
    in.menuBar = GetSysColor(COLOR_MENUBAR);
    in.window = GetSysColor(COLOR_WINDOW);
    in.highlight = GetSysColor(COLOR_HIGHLIGHT);
    in.buttonFace = GetSysColor(COLOR_BTNFACE);
    in.buttonHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    in.buttonText = GetSysColor(COLOR_BTNTEXT);
    in.grayText = GetSysColor(COLOR_GRAYTEXT);
    in.system = state.system;
    BOOL flat = FALSE;
    in.flatMenus = SystemParametersInfoA(SPI_GETFLATMENU, 0, &flat, 0) && flat;
    in.themeActive = state.isThemeActive && state.isThemeActive();
    in.highContrast = state.highContrast;
    HDC screen = GetDC(nullptr);
    in.numColors = GetDeviceCaps(screen, NUMCOLORS);
    MenuColours out = StyleColours(in, [screen](Colour c) { return static_cast<Colour>(GetNearestColor(screen, c)); });
    ReleaseDC(nullptr, screen);
    return out;
}

HFONT MenuFont() {
    SkinState& state = State();
    if (!state.menuFont) {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            state.menuFont = CreateFontIndirectA(&metrics.lfMenuFont);
    }
    return state.menuFont ? state.menuFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HBRUSH MenuBarBrush() {
    SkinState& state = State();
    if (!state.barBrush)
        state.barBrush = CreateSolidBrush(CurrentColours().menuBackground);
    return state.barBrush;
}

HFONT MarlettFont(int height, bool bold) {
    HFONT& font = State().marlett[height * 2 + (bold ? 1 : 0)];
    if (!font)
        font = CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Marlett");
    return font;
}

void SetOpeningMenu(HMENU menu) { State().openingMenu = menu; }

bool IsMenuWindowSubclassed(HWND window) { return Find(window) != nullptr; }

void ReportSkinError(DWORD code) {
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    char fallback[64];
    if (length == 0 || !text)
        std::snprintf(fallback, sizeof fallback, "Error message 0x%lx not found", static_cast<unsigned long>(code));
    MessageBoxA(GetActiveWindow(), length && text ? text : fallback, "Error", MB_OK | MB_ICONINFORMATION);
    if (text)
        LocalFree(text);
}

} // namespace menuskin
