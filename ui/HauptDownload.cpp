// Download and clear: one exchange with the pen each.

#include "Haupt.h"
#include "Pen.h"

namespace ui {

void TFHaupt::BDownloadClick() {}

void TFHaupt::BClearClick() {}

}  // namespace ui
