// Window > Tile: where the child windows go, from their sizes alone.
#include "app/TileLayout.h"

#include <gtest/gtest.h>

namespace {
const TileWindow Panel{{301, 713}, {301, 713}, true};
TileWindow chart(QSize minimum = {0, 0}) {
    return {{1160, 615}, minimum, false};
}

bool overlap(const QRect& a, const QRect& b) {
    return a.intersects(b);
}
} // namespace

TEST(TileLayout, FixedWindowsStandLeftAndTheOthersShareTheRest) {
    struct Case {
        const char* name;
        QRect area;
        std::vector<TileWindow> windows;
    };
    const Case cases[] = {
        {"panel and four charts", {0, 0, 1600, 880}, {Panel, chart(), chart(), chart(), chart()}},
        {"panel and one chart", {0, 0, 1280, 760}, {chart(), Panel}},
        {"charts only", {0, 0, 1024, 700}, {chart(), chart(), chart()}},
        {"two panels in two columns", {0, 0, 1600, 880}, {Panel, Panel, chart(), chart()}},
        {"a minimum larger than its cell", {0, 0, 1280, 760}, {Panel, chart({900, 500}), chart()}},
    };
    for (const Case& c : cases) {
        const std::vector<QRect> r = tileLayout(c.area, c.windows);
        ASSERT_EQ(r.size(), c.windows.size()) << c.name;
        for (size_t i = 0; i < r.size(); ++i) {
            EXPECT_TRUE(c.area.contains(r[i])) << c.name << " window " << i;
            if (c.windows[i].fixed) EXPECT_EQ(r[i].size(), c.windows[i].size) << c.name;
            EXPECT_GE(r[i].width(), c.windows[i].minimum.width()) << c.name;
            EXPECT_GE(r[i].height(), c.windows[i].minimum.height()) << c.name;
            // Charts never cover a fixed window.
            for (size_t j = 0; j < r.size(); ++j)
                if (c.windows[i].fixed && !c.windows[j].fixed)
                    EXPECT_FALSE(overlap(r[i], r[j])) << c.name << " " << i << " " << j;
        }
    }
}

TEST(TileLayout, TheGridFillsTheAreaBesideTheFixedWindows) {
    const QRect area(0, 0, 1600, 880);
    const std::vector<QRect> r = tileLayout(area, {Panel, chart(), chart(), chart()});
    EXPECT_EQ(r[0], QRect(0, 0, 301, 713));
    // Three charts: two columns, the last row's chart takes the row's whole width.
    EXPECT_EQ(r[1], QRect(301, 0, 649, 440));
    EXPECT_EQ(r[2], QRect(950, 0, 650, 440));
    EXPECT_EQ(r[3], QRect(301, 440, 1299, 440));
}

TEST(TileLayout, AnAreaTooSmallForAFixedWindowKeepsItsCornerInView) {
    const QRect area(0, 0, 500, 600);
    const std::vector<QRect> r = tileLayout(area, {Panel, chart()});
    EXPECT_EQ(r[0], QRect(0, 0, 301, 713)); // cannot shrink; its top-left stays in view
    // Too little room beside it: the chart takes the whole area.
    EXPECT_EQ(r[1], area);
}

TEST(TileLayout, KeepInsideMovesAndCutsToTheArea) {
    const QRect area(0, 0, 1000, 700);
    EXPECT_EQ(keepInside({900, 600, 300, 200}, area), QRect(700, 500, 300, 200));
    EXPECT_EQ(keepInside({-20, -5, 300, 200}, area), QRect(0, 0, 300, 200));
    EXPECT_EQ(keepInside({0, 0, 1600, 900}, area), area);
    EXPECT_EQ(keepInside({0, 0, 1600, 900}, area, {1200, 0}), QRect(0, 0, 1200, 700));
}
