#include "core/CaretPlacement.h"

#include <gtest/gtest.h>

namespace {

// Two monitors side by side, the right one at 150 % and a taskbar at the bottom of the left one;
// a third above the left one, at negative coordinates.
const MonitorArea kLeft{{0, 0, 1920, 1040}, 96};
const MonitorArea kRight{{1920, 0, 3840, 2160}, 144};
const MonitorArea kAbove{{0, -1080, 1920, 0}, 96};

TEST(CaretPlacementTest, TheLampSitsBelowRightOfTheCaretOrPointerInsideItsMonitor)
{
    using R = ScreenRect;
    const std::vector<MonitorArea> all = {kLeft, kRight, kAbove};
    const struct {
        const char* pszCase;
        std::optional<ScreenRect> caret;
        ScreenPoint pointer;
        ScreenRect expected;
    } rows[] = {
        {"caret", R{100, 200, 102, 218}, {5, 5}, {104, 220, 112, 228}},
        {"no caret: beside the pointer's arrow", std::nullopt, {500, 300}, {514, 321, 522, 329}},
        {"right edge: left of the caret", R{1915, 200, 1917, 218}, {5, 5}, {1905, 220, 1913, 228}},
        {"above the taskbar: above it", R{100, 1020, 102, 1038}, {5, 5}, {104, 1010, 112, 1018}},
        {"pointer in the corner", std::nullopt, {1919, 1039}, {1909, 1029, 1917, 1037}},
        {"second monitor: its scale", R{2000, 100, 2003, 127}, {5, 5}, {2006, 130, 2018, 142}},
        {"monitor above: negative", R{10, -500, 12, -482}, {5, 5}, {14, -480, 22, -472}},
        {"off every monitor: the nearest one's area", std::nullopt, {-300, 500}, {0, 521, 8, 529}},
        {"pointer on another monitor", R{100, 200, 102, 218}, {3000, 500}, {104, 220, 112, 228}},
    };
    for (const auto& row : rows) {
        const ScreenRect got = CaretLampRect(row.caret, row.pointer, all);
        EXPECT_EQ(got, row.expected) << row.pszCase << ": " << got.left << "," << got.top << ","
                                     << got.right << "," << got.bottom;
    }
    // No monitor known: as placed, at 96 dpi.
    EXPECT_EQ(CaretLampRect(std::nullopt, {-300, 500}, {}), (R{-286, 521, -278, 529}));
}

}  // namespace
