// Prints how long a download of 200 codes takes to reach the archive: the
// lines built, appended in one write under the lock and flushed to the disk,
// as the pen link does before it may clear the pen. No pass or fail.
//   archive_bench [FOLDER]   (default: a new folder in the system's temp folder)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Pen.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path folder = argc > 1 ? fs::path(argv[1]) / "stylorix-archive-bench"
                                     : fs::temp_directory_path() / "stylorix-archive-bench";
    fs::remove_all(folder);
    TDMPen pen(std::make_unique<platform::MemoryStore>());
    pen.SetArchiveFolder(folder.string());
    Einstell.Archiv = true;
    PenData.DeviceID = "PEN0042";
    PenData.Uploads = 7;
    for (int i = 1; i <= kMaxCodes; ++i) Codes[i] = {'A', "4006" + std::to_string(381333000 + i)};
    CodeCount = kMaxCodes;

    constexpr int kRounds = 50;
    std::vector<double> ms;
    for (int round = 0; round < kRounds; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        const PenClearCheck check = pen.SecureCodes(true);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
        if (!check.Safe()) {
            std::fprintf(stderr, "archive not written: %s\n", check.archiveError.c_str());
            return 1;
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "200 codes to the archive, flushed (%s): min %.2f ms, median %.2f ms, max %.2f ms "
        "over %d downloads\n",
        folder.string().c_str(), ms.front(), ms[ms.size() / 2], ms.back(), kRounds);
    fs::remove_all(folder);
}
