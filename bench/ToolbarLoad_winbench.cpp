// Load time of the toolbar pictures under Wine: ToolBarImageSet::Create and LoadFromPng (decode, four
// composited strips with the theme's button backgrounds, the four image lists) and, for comparison, the
// bitmap fallback. Prints figures; asserts nothing. Run by tools/bench.sh.
#include "controls/ImageToolBar.h"
#include "resource.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double Milliseconds(const std::function<bool()>& work, int runs, bool* ok) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QueryPerformanceCounter(&start);
        *ok = work() && *ok;
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    constexpr int kRuns = 50;
    bool ok = true;
    const double png = Milliseconds(
        [] {
            ToolBarImageSet set;
            return set.Create(28, 28, true, 10) && set.LoadFromPng(IDR_TOOLBAR_PNG, nullptr, kNormalImages);
        },
        kRuns, &ok);
    const double bitmap = Milliseconds(
        [] {
            ToolBarImageSet set;
            return set.Create(28, 28, true, 10) && set.LoadFromBitmap(IDR_MAINFRAME, kNormalImages);
        },
        kRuns, &ok);
    std::printf("toolbar load from the PNG (decode + four lists): %.2f ms median of %d\n", png, kRuns);
    std::printf("toolbar load from the bitmap fallback (four lists): %.2f ms median of %d\n", bitmap, kRuns);
    return ok ? 0 : 1;
}
