// Prints how long the window's creation and its first port list take with a
// full port table (256 named ports), on the presenter with a fake view. No pass or fail.

#include <chrono>
#include <cstdio>

#include "FakeView.h"
#include "Haupt.h"
#include "Pen.h"

int main() {
    using Clock = std::chrono::steady_clock;
    TDMPen pen(std::make_unique<platform::MemoryStore>());
    constexpr int kRounds = 2000;
    double best = 1e30, total = 0;
    for (int round = 0; round < kRounds; ++round) {
        ui::FakeView view;
        ui::TFHaupt form(pen, view, [](std::span<portdetect::TDetectedPort> table) {
            for (std::size_t i = 0; i < table.size(); ++i)
                table[i].Name = "Kommunikationsanschluss (COM" + std::to_string(i + 1) + ")";
        });
        const auto t0 = Clock::now();
        form.FormCreate();
        form.FormStarted();
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        best = std::min(best, us);
        total += us;
    }
    std::printf(
        "FormCreate and FormStarted with 256 ports: best %.1f us, mean %.1f us over %d rounds\n",
        best, total / kRounds, kRounds);
}
