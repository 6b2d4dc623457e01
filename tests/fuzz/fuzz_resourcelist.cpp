// Registry resource lists and device-node resource descriptors: any bytes
// must be parsed without reading outside them, and applying the same data a
// second time changes nothing (the first report of each kind wins).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "unitportdetect.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using portdetect::TDetectedPort;
    std::span<const std::uint8_t> bytes(data, size);

    TDetectedPort port;
    portdetect::ApplyResourceList(port, bytes);
    TDetectedPort again = port;
    portdetect::ApplyResourceList(again, bytes);
    if (!(again == port)) std::abort();
    if (!port.HasIRQ && port.IRQ != 0) std::abort();
    if (!port.HasDMA && port.DMAChannel != 0) std::abort();

    if (size > 0) {
        // First byte: the descriptor's type; the rest: its data.
        TDetectedPort des;
        portdetect::ApplyResDesData(des, data[0] % 6, bytes.subspan(1));
        TDetectedPort desAgain = des;
        portdetect::ApplyResDesData(desAgain, data[0] % 6, bytes.subspan(1));
        if (!(desAgain == des)) std::abort();
    }
    return 0;
}
