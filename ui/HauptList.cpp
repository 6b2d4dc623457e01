// The barcode list and the parameter view.

#include "Haupt.h"
#include "Pen.h"

namespace ui {

void TFHaupt::ShowCodes() {}

void TFHaupt::ShowParam(std::uint8_t) {}

void TFHaupt::BUploadClick() {}

std::optional<Rgb> TFHaupt::ListView1CustomDrawItem(int item) {
    if (item % 2 == 1) return kOddRowColour;
    return std::nullopt;
}

}  // namespace ui
