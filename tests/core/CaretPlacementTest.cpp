#include "core/CaretPlacement.h"

#include <gtest/gtest.h>

namespace {

// Two monitors side by side, the right one at 150 % and a taskbar at the bottom of the left one;
// a third above the left one, at negative coordinates.
const MonitorArea kLeft{{0, 0, 1920, 1040}, 96};
const MonitorArea kRight{{1920, 0, 3840, 2160}, 144};
const MonitorArea kAbove{{0, -1080, 1920, 0}, 96};

struct Row {
    const char* pszCase;
    std::optional<ScreenRect> caret;
    ScreenPoint pointer;
    std::vector<MonitorArea> monitors;
    ScreenRect expected;
};

TEST(CaretPlacementTest, TheLampSitsBelowRightOfTheCaretOrPointerInsideItsMonitor)
{
    const std::vector<MonitorArea> all = {kLeft, kRight, kAbove};
    const Row rows[] = {
        {"caret", ScreenRect{100, 200, 102, 218}, {5, 5}, all, {104, 220, 112, 228}},
        {"no caret: beside the pointer's arrow",
         std::nullopt,
         {500, 300},
         all,
         {514, 321, 522, 329}},
        {"right edge: left of the caret",
         ScreenRect{1915, 200, 1917, 218},
         {5, 5},
         all,
         {1905, 220, 1913, 228}},
        {"above the taskbar: above the caret",
         ScreenRect{100, 1020, 102, 1038},
         {5, 5},
         all,
         {104, 1010, 112, 1018}},
        {"bottom right corner of the pointer",
         std::nullopt,
         {1919, 1039},
         all,
         {1909, 1029, 1917, 1037}},
        {"second monitor: its scale",
         ScreenRect{2000, 100, 2003, 127},
         {5, 5},
         all,
         {2006, 130, 2018, 142}},
        {"monitor above, negative coordinates",
         ScreenRect{10, -500, 12, -482},
         {5, 5},
         all,
         {14, -480, 22, -472}},
        {"off every monitor: the nearest one's area",
         std::nullopt,
         {-300, 500},
         all,
         {0, 521, 8, 529}},
        {"no monitor known: as placed, at 96 dpi",
         std::nullopt,
         {-300, 500},
         {},
         {-286, 521, -278, 529}},
        {"caret on the left, pointer on the right: the caret's monitor",
         ScreenRect{100, 200, 102, 218},
         {3000, 500},
         all,
         {104, 220, 112, 228}},
    };
    for (const Row& row : rows) {
        const ScreenRect got = CaretLampRect(row.caret, row.pointer, row.monitors);
        EXPECT_EQ(got, row.expected) << row.pszCase << ": " << got.left << "," << got.top << ","
                                     << got.right << "," << got.bottom;
    }
}

}  // namespace
