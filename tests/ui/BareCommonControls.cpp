// Linked into the second bare window only: it turns on the common controls as
// the program does, with the program's manifest (tests/ui/BareCommonControls.rc).
// Under Wine that alone costs a good part of the program's start; the bench
// shows it as the floor no window with these controls can go below.

#include <windows.h>

#include <commctrl.h>

namespace {

struct CommonControls {
    CommonControls() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                                 ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
    }
} commonControls;

}  // namespace
