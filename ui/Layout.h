#pragma once

// The window's layout as data: every control with its kind, parent, caption,
// rectangle in 96-DPI pixels relative to its parent's client area, style and
// tool tip. The Win32 view creates the controls from it in table order, which
// is also the keyboard's Tab order; tests check the geometry natively.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "HauptView.h"

namespace ui {

enum class Kind {
    Group,  // group box; its children are laid out inside it
    Button,
    Radio,
    Check,
    Label,  // static text
    Edit,
    Spin,   // edit with an up-down
    Combo,  // drop-down list, not editable
    Tabs,   // page control
    Page,   // one page of the page control
    List,   // report-style list view
    Memo,   // multi-line edit with a vertical scroll bar
    TrackBar,
    Panel,  // the wait panel
    StatusBar,
};

struct Rect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }
    bool operator==(const Rect&) const = default;
};

// Style bits that are not implied by the kind.
enum Style : std::uint32_t {
    Plain = 0,
    Bold = 1u << 0,   // bold caption
    Large = 1u << 1,  // 19 px caption font
    ReadOnly = 1u << 2,
    Hidden = 1u << 3,    // not visible at creation
    Floating = 1u << 4,  // lies over its siblings on purpose (the wait panel)
    Yellow = 1u << 5,    // yellow background
    FixedPitch = 1u << 6,
    Centered = 1u << 7,  // centred caption
    TicksBoth = 1u << 8,
};

struct LayoutItem {
    Kind kind;
    Ctl id;
    Ctl parent;           // Ctl::None: the window's client area
    std::string caption;  // "&" marks the keyboard mnemonic
    Rect rect;
    std::uint32_t style = Plain;
    std::string tip{};
    std::vector<std::string> items{};  // drop-down entries
    int low = 0, high = 0;             // range of spin fields and track bars
};

struct ListColumn {
    std::string caption;
    int width;  // 96-DPI pixels
};

// The client area at 96 DPI.
inline constexpr Size kClientSize{745, 507};
// Status bar panels' widths; the last one takes the rest.
inline constexpr int kStatusPanels[] = {200, 200, 50};

const std::vector<LayoutItem>& Layout();
const LayoutItem& Item(Ctl id);
std::span<const ListColumn> ListColumns();

// The caption as shown, without the mnemonic marker.
std::string ShownCaption(const std::string& caption);

// The fixed text of the "Über..." page, one line each.
std::vector<std::string> AboutText(const std::string& version);

}  // namespace ui
