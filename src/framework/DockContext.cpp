// Docking of a control bar: the gripper, the drag loop, the landing outline and the floating window.
#include "DockContext.h"
#include "FrameWnd.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kGripperSize = 8;
constexpr int kOutlineWidth = 3;
constexpr DWORD kFloatStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFloatExStyle = WS_EX_TOOLWINDOW;

// The outline of where a dragged bar will land: a top-most window cut to a thin frame by its region, so
// nothing under it is painted over and nothing is left behind when it goes (a rectangle drawn on the
// screen would leave traces wherever a window repaints under it during the drag).
class DragOutline {
public:
    explicit DragOutline(HWND owner) : owner(owner) {}
    ~DragOutline() {
        if (window != nullptr)
            ::DestroyWindow(window);
    }
    DragOutline(const DragOutline&) = delete;
    DragOutline& operator=(const DragOutline&) = delete;

    void Show(const RECT& rect) {
        if (window == nullptr) {
            window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE,
                                     AfxRegisterWndClass(0, nullptr, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1)), "",
                                     WS_POPUP, 0, 0, 0, 0, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
            if (window == nullptr)
                return;
        }
        int width = rect.right - rect.left;
        int height = rect.bottom - rect.top;
        SetWindowPos(window, HWND_TOPMOST, rect.left, rect.top, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        if (width != shaped.cx || height != shaped.cy) {
            shaped = SIZE{width, height};
            HRGN frame = CreateRectRgn(0, 0, width, height);
            HRGN inside = CreateRectRgn(kOutlineWidth, kOutlineWidth, width - kOutlineWidth, height - kOutlineWidth);
            CombineRgn(frame, frame, inside, RGN_DIFF);
            DeleteObject(inside);
            if (!SetWindowRgn(window, frame, TRUE)) // on success the window owns the region
                DeleteObject(frame);
        }
    }

private:
    HWND owner;
    HWND window = nullptr;
    SIZE shaped{0, 0};
};

CRect ToScreen(HWND window, CRect rect) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

DWORD AlignStyleOf(DockSide side) {
    switch (side) {
    case DockSide::Top:
        return CBRS_ALIGN_TOP;
    case DockSide::Bottom:
        return CBRS_ALIGN_BOTTOM;
    case DockSide::Left:
        return CBRS_ALIGN_LEFT;
    case DockSide::Right:
        return CBRS_ALIGN_RIGHT;
    case DockSide::Float:
        break;
    }
    return 0;
}

unsigned DockSidesOf(DWORD alignStyle) {
    unsigned sides = 0;
    for (DockSide side : {DockSide::Top, DockSide::Bottom, DockSide::Left, DockSide::Right}) {
        if (alignStyle & AlignStyleOf(side))
            sides |= DockSideBit(side);
    }
    return sides;
}

SIZE FloatWindowSize(SIZE client) {
    RECT rect{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&rect, kFloatStyle, FALSE, kFloatExStyle);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// --- The bar's side of docking ---

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
ON_MESSAGE(WM_NCCALCSIZE, OnNcCalcSize)
ON_MESSAGE(WM_NCPAINT, OnNcPaint)
ON_MESSAGE(WM_NCHITTEST, OnNcHitTest)
ON_MESSAGE(WM_NCLBUTTONDOWN, OnNcLButtonDown)
// A second press soon after the first arrives as a double click; it starts a drag all the same.
ON_MESSAGE(WM_NCLBUTTONDBLCLK, OnNcLButtonDown)
ON_MESSAGE(WM_SETCURSOR, OnSetCursor)
END_MESSAGE_MAP()

CControlBar::CControlBar() = default;
CControlBar::~CControlBar() = default;

void CControlBar::EnableDocking(DWORD style) {
    dockStyle = style & CBRS_ALIGN_ANY;
    if (dockStyle != 0 && dockContext == nullptr)
        dockContext = std::make_unique<CDockContext>(this);
}

DockSide CControlBar::GetDockSide() const {
    if (IsFloating())
        return DockSide::Float;
    for (DockSide side : {DockSide::Top, DockSide::Bottom, DockSide::Left, DockSide::Right}) {
        if (barStyle & AlignStyleOf(side))
            return side;
    }
    return DockSide::Top;
}

bool CControlBar::IsFloating() const { return dockContext != nullptr && dockContext->floating; }

bool CControlBar::HasGripper() const { return dockContext != nullptr && dockStyle != 0 && !dockContext->floating; }

CRect CControlBar::GripperRect() const {
    CRect window;
    GetWindowRect(&window);
    if (IsVerticalSide(GetDockSide()))
        return CRect(0, 0, window.Width(), std::min(kGripperSize, window.Height()));
    return CRect(0, 0, std::min(kGripperSize, window.Width()), window.Height());
}

LRESULT CControlBar::OnNcCalcSize(WPARAM wParam, LPARAM lParam) {
    LRESULT result = Default();
    if (HasGripper()) {
        // Both forms of the message start with the rectangle that becomes the client area.
        auto* client = reinterpret_cast<RECT*>(lParam);
        if (IsVerticalSide(GetDockSide()))
            client->top = std::min(client->top + kGripperSize, client->bottom);
        else
            client->left = std::min(client->left + kGripperSize, client->right);
    }
    return result;
}

LRESULT CControlBar::OnNcPaint(WPARAM wParam, LPARAM lParam) {
    LRESULT result = Default();
    if (!HasGripper())
        return result;
    HDC dc = GetWindowDC(hwnd);
    if (dc == nullptr)
        return result;
    CRect band = GripperRect();
    FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
    // One raised ridge along the band, as the user knows grippers.
    CRect ridge = IsVerticalSide(GetDockSide()) ? CRect(band.left + 3, 2, band.right - 3, 5)
                                                : CRect(2, band.top + 3, 5, band.bottom - 3);
    if (!ridge.IsRectEmpty())
        DrawEdge(dc, &ridge, BDR_RAISEDINNER, BF_RECT);
    ReleaseDC(hwnd, dc);
    return result;
}

LRESULT CControlBar::OnNcHitTest(WPARAM wParam, LPARAM lParam) {
    if (HasGripper()) {
        CPoint point(lParam);
        CRect window;
        GetWindowRect(&window);
        CRect band = GripperRect();
        OffsetRect(&band, window.left, window.top);
        if (PtInRect(&band, point))
            return HTCAPTION;
    }
    return Default();
}

LRESULT CControlBar::OnNcLButtonDown(WPARAM wParam, LPARAM lParam) {
    if (wParam == HTCAPTION && HasGripper()) {
        dockContext->StartDrag(hwnd, CPoint(lParam));
        return 0;
    }
    return Default();
}

LRESULT CControlBar::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) == hwnd && LOWORD(lParam) == HTCAPTION && HasGripper()) {
        SetCursor(LoadCursor(nullptr, IDC_SIZEALL));
        return TRUE;
    }
    return Default();
}

// --- Dragging ---

CDockContext::~CDockContext() {
    // Normally the floating window went with the frame that owns it; a bar that goes first takes it along.
    if (floatWindow.hwnd != nullptr)
        floatWindow.DestroyWindow();
}

void CDockContext::StartDrag(HWND window, POINT start) {
    CFrameWnd* frame = bar->GetParentFrame();
    if (frame == nullptr)
        return;
    CRect from;
    ::GetWindowRect(floating ? floatWindow.hwnd : bar->hwnd, &from);
    POINT grab{start.x - from.left, start.y - from.top};
    if (!floating) {
        // A bar pulled off an edge hangs from its floating window's caption, near where it was gripped.
        SIZE outer = FloatWindowSize(bar->CalcFloatSize());
        grab.x = std::clamp<LONG>(grab.x, 0, std::max<LONG>(outer.cx - 1, 0));
        grab.y = GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYSMCAPTION) / 2;
    }

    bool dragging = false;
    bool dropped = false;
    POINT point = start;
    const int slackX = GetSystemMetrics(SM_CXDRAG);
    const int slackY = GetSystemMetrics(SM_CYDRAG);
    SetCapture(window);
    { // the outline goes before the bar moves
        const ModalLoop loop;
        DragOutline outline(frame->hwnd);
        while (GetCapture() == window) {
            MSG msg;
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got <= 0) {
                if (got == 0)
                    PostQuitMessage(static_cast<int>(msg.wParam)); // the loop above this one ends as asked
                break;
            }
            if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP) {
                // Mouse messages under capture carry client coordinates of the capturing window.
                point = CPoint(msg.lParam);
                ClientToScreen(msg.hwnd, &point);
                if (!dragging && std::abs(point.x - start.x) <= slackX && std::abs(point.y - start.y) <= slackY) {
                    if (msg.message == WM_LBUTTONUP)
                        break;
                    continue;
                }
                dragging = true;
                if (msg.message == WM_LBUTTONUP) {
                    dropped = true;
                    break;
                }
                RECT landing;
                Track(point, grab, &landing);
                outline.Show(landing);
                continue;
            }
            if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
                if (msg.wParam == VK_ESCAPE)
                    break;
                continue; // no other key reaches the program during the drag
            }
            if (msg.message == WM_RBUTTONDOWN || msg.message == WM_CANCELMODE)
                break;
            DispatchMessageA(&msg);
        }
    }
    if (GetCapture() == window)
        ReleaseCapture();
    if (!dropped)
        return;
    RECT landing;
    DockSide side = Track(point, grab, &landing);
    if (side == DockSide::Float)
        frame->FloatControlBar(bar, POINT{landing.left, landing.top});
    else
        frame->DockControlBar(bar, side);
}

DockSide CDockContext::Track(POINT point, POINT grab, RECT* landing) const {
    CFrameWnd* frame = bar->GetParentFrame();
    CRect client;
    frame->GetClientRect(&client);
    client = ToScreen(frame->hwnd, client);
    // An edge catches the bar within about the bar's own thickness.
    int reach = std::max(bar->CalcHeight(client.Width()), GetSystemMetrics(SM_CYCAPTION));
    DockSide side = PickDockSide(point.x, point.y, DockBox{client.left, client.top, client.right, client.bottom}, reach,
                                 frame->DockSidesFor(bar));
    if (side == DockSide::Float) {
        SIZE outer = FloatWindowSize(bar->CalcFloatSize());
        *landing = CRect(point.x - grab.x, point.y - grab.y, point.x - grab.x + outer.cx, point.y - grab.y + outer.cy);
    } else {
        *landing = ToScreen(frame->hwnd, frame->DockedBarRect(bar, side));
    }
    return side;
}

void CDockContext::DockBack() {
    if (CFrameWnd* frame = bar->GetParentFrame(); frame != nullptr && floating)
        frame->DockControlBar(bar, lastDocked);
}

// --- The floating window ---

BEGIN_MESSAGE_MAP(CMiniDockFrameWnd, CWnd)
ON_WM_CLOSE()
ON_MESSAGE(WM_NCLBUTTONDOWN, OnNcLButtonDown)
ON_MESSAGE(WM_NCLBUTTONDBLCLK, OnNcLButtonDblClk)
END_MESSAGE_MAP()

bool CMiniDockFrameWnd::Create(CFrameWnd* owner, CControlBar* floatingBar) {
    frame = owner;
    bar = floatingBar;
    const char* windowClass =
        AfxRegisterWndClass(0, LoadCursor(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // Owned by the frame: it stays above it, hides when it is minimised and goes when it is destroyed.
    return CreateEx(kFloatExStyle, windowClass, bar->GetWindowText().c_str(), kFloatStyle, CRect(), frame->hwnd, 0);
}

void CMiniDockFrameWnd::OnClose() { frame->ShowControlBar(bar, FALSE, FALSE); }

LRESULT CMiniDockFrameWnd::OnNcLButtonDown(WPARAM wParam, LPARAM lParam) {
    if (wParam != HTCAPTION || bar->GetDockContext() == nullptr)
        return Default();
    // The caption drag is the bar's own drag: it moves the window, or docks the bar on an edge.
    bar->GetDockContext()->StartDrag(hwnd, CPoint(lParam));
    return 0;
}

LRESULT CMiniDockFrameWnd::OnNcLButtonDblClk(WPARAM wParam, LPARAM lParam) {
    if (wParam != HTCAPTION || bar->GetDockContext() == nullptr)
        return Default();
    bar->GetDockContext()->DockBack();
    return 0;
}

bool CMiniDockFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    frame->SendMessage(WM_COMMAND, wParam, lParam);
    return true;
}

bool CMiniDockFrameWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = frame->SendMessage(WM_NOTIFY, wParam, lParam);
    return true;
}
