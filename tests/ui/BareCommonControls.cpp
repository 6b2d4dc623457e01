// Linked into the second bare window only: it turns on the common controls as
// the program does, with the program's manifest (tests/ui/BareCommonControls.rc).
// Under Wine that alone costs a good part of the program's start; the bench
// shows it as the floor no window with these controls can go below.

#include "HauptWin32.h"

namespace {

struct CommonControls {
    CommonControls() { ui::StartCommonControls(); }
} commonControls;

}  // namespace
