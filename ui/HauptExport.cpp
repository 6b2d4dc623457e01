// Export to file and clipboard, default addresses and the web look-up.

#include "Haupt.h"
#include "Pen.h"

namespace ui {

void TFHaupt::BSaveClick() {}

void TFHaupt::BClipClick() {}

void TFHaupt::CodeClip() {}

void TFHaupt::BLoadClick() {}

void TFHaupt::BSearchDefClick() {}

void TFHaupt::ListView1DblClick() {}

}  // namespace ui
