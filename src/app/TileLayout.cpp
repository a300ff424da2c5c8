#include "app/TileLayout.h"

#include <algorithm>
#include <cmath>

namespace {
// Below this the grid beside the fixed windows would be too narrow to show a chart; the grid
// then takes the whole area.
constexpr int MinimumGridWidth = 240;
} // namespace

QRect keepInside(const QRect& window, const QRect& area, const QSize& minimum) {
    QRect r = window;
    r.setWidth(std::max(std::min(r.width(), area.width()), minimum.width()));
    r.setHeight(std::max(std::min(r.height(), area.height()), minimum.height()));
    r.moveLeft(std::max(std::min(r.left(), area.right() + 1 - r.width()), area.left()));
    r.moveTop(std::max(std::min(r.top(), area.bottom() + 1 - r.height()), area.top()));
    return r;
}

std::vector<QRect> tileLayout(const QRect& area, const std::vector<TileWindow>& windows) {
    std::vector<QRect> placed(windows.size());

    // Fixed windows: top to bottom, a new column when the next one does not fit below.
    int columnLeft = area.left(), columnWidth = 0, y = area.top();
    for (size_t i = 0; i < windows.size(); ++i) {
        if (!windows[i].fixed) continue;
        const QSize s = windows[i].size;
        if (y > area.top() && y + s.height() > area.bottom() + 1) {
            columnLeft += columnWidth;
            columnWidth = 0;
            y = area.top();
        }
        placed[i] = keepInside(QRect(QPoint(columnLeft, y), s), area, s);
        columnWidth = std::max(columnWidth, placed[i].right() + 1 - columnLeft);
        y += s.height();
    }
    const int fixedRight = columnLeft + columnWidth;

    std::vector<size_t> free;
    for (size_t i = 0; i < windows.size(); ++i)
        if (!windows[i].fixed) free.push_back(i);
    if (free.empty()) return placed;

    QRect grid = area;
    if (area.right() + 1 - fixedRight >= MinimumGridWidth) grid.setLeft(fixedRight);
    const int n = int(free.size());
    const int columns = std::max(1, int(std::ceil(std::sqrt(double(n)))));
    const int rows = (n + columns - 1) / columns;
    for (int k = 0; k < n; ++k) {
        const int row = k / columns;
        // The last row's windows share its whole width.
        const int inRow = row == rows - 1 ? n - row * columns : columns;
        const int col = k % columns;
        const int x0 = grid.left() + grid.width() * col / inRow;
        const int x1 = grid.left() + grid.width() * (col + 1) / inRow;
        const int y0 = grid.top() + grid.height() * row / rows;
        const int y1 = grid.top() + grid.height() * (row + 1) / rows;
        const TileWindow& w = windows[free[size_t(k)]];
        placed[free[size_t(k)]] = keepInside(QRect(x0, y0, x1 - x0, y1 - y0), area, w.minimum);
    }
    return placed;
}
