// Any bytes as a reply in RecBuf, with any RecCount: no decoder may read
// outside the received bytes or write past the code table.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Errors.h"
#include "Pen.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte shortens RecCount below the received bytes (0 = all).
    const std::size_t cut = data[0];
    RecBuf.assign(data + 1, data + size);
    // Exactly sized, so any read past the bytes is caught.
    RecBuf.shrink_to_fit();
    RecCount = static_cast<std::int32_t>(RecBuf.size() - std::min(cut, RecBuf.size()));
    if (cut == 0) RecCount = static_cast<std::int32_t>(RecBuf.size());

    TDMPen::ExtractPenData();
    TDMPen::ExtractCodes();
    if (CodeCount < 0 || CodeCount > kMaxCodes) std::abort();
    TDMPen::ExtractPenParamMulti();
    TDMPen::ExtractPenParamEinzel();
    try {
        TDMPen::PenParamToRec();
    } catch (const platform::ConvertError&) {
    }
    return 0;
}
