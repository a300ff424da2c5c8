#pragma once
// Where Window > Tile puts the child windows, worked out from sizes alone.
//
// Windows of a fixed size (the front panel) keep it and stand in columns at the left edge;
// the others share the rest of the area in a grid. No window is placed outside the area
// unless it is larger than the area itself, and nothing ever asks the area to grow.
#include <QRect>
#include <QSize>
#include <vector>

struct TileWindow {
    QSize size;         // its size now
    QSize minimum;      // the smallest it can be made
    bool fixed = false; // it keeps its size
};

std::vector<QRect> tileLayout(const QRect& area, const std::vector<TileWindow>& windows);

// The rectangle moved (and, where it is larger, cut down to the area's size) so that it lies
// inside the area; a minimum larger than the area wins over the area.
QRect keepInside(const QRect& window, const QRect& area, const QSize& minimum = QSize(0, 0));
