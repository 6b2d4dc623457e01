// Prints how long the real barcode list takes to show 200 codes (ShowCodes on
// the Win32 view, window on screen). No pass or fail.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "Haupt.h"
#include "HauptWin32.h"
#include "Pen.h"

int main() {
    using Clock = std::chrono::steady_clock;
    TDMPen pen(std::make_unique<platform::MemoryStore>());
    ui::HauptWin32 view;
    ui::TFHaupt form(pen, view, [](auto) {});
    if (!view.Create(form)) return 1;
    constexpr int kRounds = 10;
    double best = 1e30, total = 0;
    for (int round = 0; round < kRounds; ++round) {
        CodeCount = kMaxCodes;
        for (int i = 1; i <= kMaxCodes; ++i) Codes[i] = {'A', std::to_string(4006381333000 + i)};
        const auto t0 = Clock::now();
        form.ShowCodes();
        UpdateWindow(view.Handle());  // painted, as the user sees it
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        best = std::min(best, ms);
        total += ms;
    }
    std::printf("list of %d rows filled and painted: best %.1f ms, mean %.1f ms over %d rounds\n",
                kMaxCodes, best, total / kRounds, kRounds);
    form.FormDestroy();
    return 0;
}
