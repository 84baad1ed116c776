// Where the lamp at the text caret goes: plain geometry in the screen's pixels, the same for both
// editions, so the edges and the monitors are tested on the build machine.
#pragma once

#include <optional>
#include <vector>

// Right and bottom are exclusive, as in a Windows RECT.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const ScreenRect& other) const
    {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
};
struct ScreenPoint {
    int x = 0, y = 0;
};
// One monitor: its work area (without the taskbar or the panels) and its scale in dots per inch,
// 96 at 100 %.
struct MonitorArea {
    ScreenRect work;
    int nDpi = 96;
};

// The lamp's diameter at 96 dpi.
constexpr int CARET_LAMP_SIZE = 8;

// Its colours, the tray lamps': bright or dark green in a grey rim.
struct LampColour {
    int r, g, b;
};
constexpr LampColour CARET_LAMP_LIT{0, 255, 0};
constexpr LampColour CARET_LAMP_DARK{0, 128, 0};
constexpr LampColour CARET_LAMP_RIM{128, 128, 128};

// The lamp's square: just below and to the right of the caret or, with no caret, of the mouse
// pointer's arrow. It takes the scale of the monitor that holds the caret or the pointer (the
// nearest one when none does) and stays on that monitor's work area: where it would cross the
// right or the bottom edge it moves to the other side of the caret or the arrow, and it never
// leaves the work area. With no monitor known it goes where the rules put it, at 96 dpi.
ScreenRect CaretLampRect(const std::optional<ScreenRect>& caret, ScreenPoint pointer,
                         const std::vector<MonitorArea>& monitors);
