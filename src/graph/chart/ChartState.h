#pragma once
// Everything a chart holds: its settings, its cells and its annotations, and the state block
// that carries it into chart files and the chart template. The block is ours:
//   "Q7CS", u16 version, then every field below in order, little-endian; texts are a u32 byte
//   count and UTF-8 bytes; lists are a u32 count and their entries.
// The decoder checks every count and length against the bytes present before it allocates or
// indexes, and refuses a bad block with a readable reason.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace chart {

// Colours are 0xAARRGGBB (QRgb).
using Argb = uint32_t;

// Engine colour values are 0xBBGGRR; these turn them into opaque 0xAARRGGBB and back.
constexpr Argb fromBgr(uint32_t bgr) {
    return 0xFF000000u | ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
}
constexpr uint32_t toBgr(Argb argb) {
    return ((argb & 0xFFu) << 16) | (argb & 0xFF00u) | ((argb >> 16) & 0xFFu);
}
constexpr Argb argb(int alpha, int red, int green, int blue) {
    return (uint32_t(alpha & 0xFF) << 24) | (uint32_t(red & 0xFF) << 16) |
           (uint32_t(green & 0xFF) << 8) | uint32_t(blue & 0xFF);
}

enum class GridStyle : uint8_t { Solid = 0, Dot = 1, Dash = 2, None = 3 };
enum class ViewingStyle : uint8_t { Color = 0, Monochrome = 1 };
enum class LineStyle : uint8_t { Line = 0, Points = 1, LineAndPoints = 2, Step = 3 };
enum class PointStyle : uint8_t { None = 0, Dot = 1, Cross = 2, Plus = 3, Circle = 4, Square = 5 };
enum class TableBorder : uint8_t { None = 0, Line = 1, Inset = 2 };

// Graph annotation types.
constexpr int32_t AnnotationText = 0;  // text only, no symbol
constexpr int32_t AnnotationCross = 2; // cross symbol (and its text, if any)

struct SubsetStyle {
    QString label;
    Argb color = 0xFFFFFFFF;
    LineStyle line = LineStyle::Line;
    PointStyle point = PointStyle::None;
    float lineWidth = 1.0f;

    bool operator==(const SubsetStyle&) const = default;
};

struct YAxisState {
    bool manual = false;
    double min = 0.0;
    double max = 1.0;
    QString label;

    bool operator==(const YAxisState&) const = default;
};

struct GraphAnnotation {
    int32_t index = 0;
    int32_t type = AnnotationText;
    double x = 0.0;
    double y = 0.0;
    Argb color = 0xFF000000;
    QString text;

    bool operator==(const GraphAnnotation&) const = default;
};

struct LineAnnotation {
    double x = 0.0;
    Argb color = 0xFF000000;
    QString text;

    bool operator==(const LineAnnotation&) const = default;
};

struct TableAnnotation {
    int32_t rows = 0;
    int32_t columns = 0;
    std::vector<QString> texts; // rows * columns, row after row
    std::vector<Argb> colors;   // rows * columns
    Argb backColor = 0xFFFFFFFF;
    bool shown = false;
    bool insideAxis0 = true;
    int32_t left = 0; // pixels from the plotting area's top-left corner
    int32_t top = 0;
    bool movable = false;
    bool headerRow = false;
    bool headerColumn = false;
    TableBorder border = TableBorder::Line;
    int32_t textSize = 100; // percent of the chart's base font

    bool operator==(const TableAnnotation&) const = default;
};

struct ChartState {
    // Cells: subset s, point p at [s * points + p].
    int32_t subsets = 1;
    int32_t points = 0;
    std::vector<double> x;
    std::vector<float> y;
    double nullValueY = 99999.0;
    double lineGapThreshold = 1e20;
    std::vector<SubsetStyle> subsetStyles; // one per subset
    bool subsetsFiltered = false;          // false: every subset is shown
    std::vector<int32_t> shownSubsets;     // slot -> subset, when filtered

    // X axis (date-times).
    bool dateTimeX = true;
    bool manualX = false;
    double minX = 0.0;
    double maxX = 1.0;
    QString xLabel;

    // Y axes: one entry per axis of the stacked layout (at least one).
    std::vector<YAxisState> yAxes{YAxisState{}};
    int32_t workingAxis = 0;
    std::vector<int32_t> axisSubsets; // subsets per stacked axis; empty: one axis with all
    std::vector<double> axisProportions;
    bool axisSeparators = false;

    // Look.
    QString mainTitle;
    QString subTitle;
    Argb graphForeColor = 0xFF008000;
    Argb graphBackColor = 0xFF000000;
    Argb deskColor = 0xFFC0C0C0;
    Argb textColor = 0xFF000000;
    GridStyle gridStyle = GridStyle::Dot;
    ViewingStyle viewingStyle = ViewingStyle::Color;
    bool dataLabels = false;
    QString fontFamily;
    int32_t fontPixelSize = 12;

    // Interaction.
    bool zoomHorizontal = true;
    bool zoomVertical = true;
    bool scrollingZoom = true;
    bool dataHotSpots = false;
    bool graphAnnotationHotSpots = false;
    bool lineAnnotationHotSpots = false;
    bool allowAxisPage = true;
    bool allowFontPage = true;
    bool allowPage1 = true;
    bool allowPage2 = true;
    bool allowSubsetsPage = true;

    // Annotations.
    bool showGraphAnnotations = true;
    int32_t graphAnnotationTextSize = 100;
    std::vector<GraphAnnotation> graphAnnotations; // sorted by index, indices unique
    bool showLineAnnotations = true;
    int32_t lineAnnotationTextSize = 100;
    std::vector<LineAnnotation> lineAnnotations;
    TableAnnotation table;

    bool operator==(const ChartState&) const = default;
};

constexpr uint16_t ChartStateVersion = 1;

// Limits that keep a hostile block from asking for absurd amounts of memory.
constexpr int32_t MaxSubsets = 64;
constexpr int32_t MaxPoints = 20'000'000;
constexpr int32_t MaxAxes = 16;
constexpr int32_t MaxAnnotationIndex = 1'000'000;
constexpr int32_t MaxTableCells = 4096;
// The program's charts hold three quantities; a block can hold no more cells than that many
// at the most points, nor be larger than such a chart with room for its texts and annotations.
constexpr int64_t MaxCells = 3 * int64_t(MaxPoints);
constexpr int64_t MaxChartStateBytes = MaxCells * 12 + (int64_t(256) << 20);
// Numbers a chart can draw: values, axis limits and annotation places lie within this of zero
// (X values of a date-time chart within the days a date text can show).
constexpr double MaxMagnitude = 1e15;
constexpr float MaxLineWidth = 16.0f;
constexpr int32_t MaxTableOffset = 100'000; // pixels

QByteArray encodeChartState(const ChartState& state);

// Returns the state, or nothing with *error set to the reason.
std::optional<ChartState> decodeChartState(std::span<const uint8_t> block, QString* error);

// Checks the invariants the chart relies on (also used after decoding).
bool checkChartState(const ChartState& state, QString* error);

} // namespace chart
