#include "graph/chart/ChartState.h"

#include "app/DateTimeText.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace chart {
namespace {

constexpr char Magic[4] = {'Q', '7', 'C', 'S'};

class Writer {
  public:
    void raw(const void* p, size_t n) { m_out.append(static_cast<const char*>(p), qsizetype(n)); }
    void u8(uint8_t v) { m_out.append(char(v)); }
    void flag(bool v) { u8(v ? 1 : 0); }
    void u16(uint16_t v) {
        for (int i = 0; i < 2; ++i)
            u8(uint8_t(v >> (8 * i)));
    }
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            u8(uint8_t(v >> (8 * i)));
    }
    void i32(int32_t v) { u32(uint32_t(v)); }
    void u64(uint64_t v) {
        for (int i = 0; i < 8; ++i)
            u8(uint8_t(v >> (8 * i)));
    }
    void f32(float v) { u32(std::bit_cast<uint32_t>(v)); }
    void f64(double v) { u64(std::bit_cast<uint64_t>(v)); }
    void text(const QString& s) {
        const QByteArray utf8 = s.toUtf8();
        u32(uint32_t(utf8.size()));
        m_out.append(utf8);
    }
    QByteArray take() { return std::move(m_out); }

  private:
    QByteArray m_out;
};

// Bounds-checked reader: after the first failure every read returns zero and ok() is false,
// so the decoder can read a whole section and check once.
class Reader {
  public:
    explicit Reader(std::span<const uint8_t> in) : m_in(in) {}

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    size_t remaining() const { return m_in.size() - m_pos; }
    size_t position() const { return m_pos; }
    void fail(const QString& why) {
        if (m_error.isEmpty())
            m_error =
                QStringLiteral("chart state block is invalid at byte %1: %2").arg(m_pos).arg(why);
    }

    bool need(size_t n, const char* what) {
        if (!ok()) return false;
        if (n > remaining()) {
            fail(QStringLiteral("%1 needs %2 bytes, only %3 left")
                     .arg(QLatin1String(what))
                     .arg(n)
                     .arg(remaining()));
            return false;
        }
        return true;
    }
    uint64_t le(int bytes, const char* what) {
        if (!need(size_t(bytes), what)) return 0;
        uint64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= uint64_t(m_in[m_pos + i]) << (8 * i);
        m_pos += size_t(bytes);
        return v;
    }
    uint8_t u8(const char* what) { return uint8_t(le(1, what)); }
    bool flag(const char* what) {
        const uint8_t v = u8(what);
        if (v > 1)
            fail(QStringLiteral("%1 is %2, expected 0 or 1").arg(QLatin1String(what)).arg(v));
        return v == 1;
    }
    uint16_t u16(const char* what) { return uint16_t(le(2, what)); }
    uint32_t u32(const char* what) { return uint32_t(le(4, what)); }
    int32_t i32(const char* what) { return int32_t(u32(what)); }
    float f32(const char* what) { return std::bit_cast<float>(u32(what)); }
    double f64(const char* what) { return std::bit_cast<double>(le(8, what)); }
    QString text(const char* what) {
        const uint32_t n = u32(what);
        if (!need(n, what)) return {};
        const QString s =
            QString::fromUtf8(reinterpret_cast<const char*>(m_in.data() + m_pos), qsizetype(n));
        m_pos += n;
        return s;
    }
    // A count of entries that each take at least minBytes; checked against what is left.
    uint32_t count(const char* what, uint32_t limit, size_t minBytes) {
        const uint32_t n = u32(what);
        if (!ok()) return 0;
        if (n > limit) {
            fail(QStringLiteral("%1 %2 exceeds the limit %3")
                     .arg(QLatin1String(what))
                     .arg(n)
                     .arg(limit));
            return 0;
        }
        if (minBytes > 0 && size_t(n) > remaining() / minBytes) {
            fail(QStringLiteral("%1 %2 does not fit in the %3 bytes left")
                     .arg(QLatin1String(what))
                     .arg(n)
                     .arg(remaining()));
            return 0;
        }
        return n;
    }
    template <typename E> E choice(const char* what, uint8_t last) {
        const uint8_t v = u8(what);
        if (v > last)
            fail(QStringLiteral("%1 is %2, expected 0 to %3")
                     .arg(QLatin1String(what))
                     .arg(v)
                     .arg(last));
        return E(v > last ? 0 : v);
    }

  private:
    std::span<const uint8_t> m_in;
    size_t m_pos = 0;
    QString m_error;
};

} // namespace

QByteArray encodeChartState(const ChartState& s) {
    Writer w;
    w.raw(Magic, 4);
    w.u16(ChartStateVersion);

    w.i32(s.subsets);
    w.i32(s.points);
    for (double v : s.x)
        w.f64(v);
    for (float v : s.y)
        w.f32(v);
    w.f64(s.nullValueY);
    w.f64(s.lineGapThreshold);
    w.u32(uint32_t(s.subsetStyles.size()));
    for (const SubsetStyle& st : s.subsetStyles) {
        w.text(st.label);
        w.u32(st.color);
        w.u8(uint8_t(st.line));
        w.u8(uint8_t(st.point));
        w.f32(st.lineWidth);
    }
    w.flag(s.subsetsFiltered);
    w.u32(uint32_t(s.shownSubsets.size()));
    for (int32_t v : s.shownSubsets)
        w.i32(v);

    w.flag(s.dateTimeX);
    w.flag(s.manualX);
    w.f64(s.minX);
    w.f64(s.maxX);
    w.text(s.xLabel);

    w.u32(uint32_t(s.yAxes.size()));
    for (const YAxisState& a : s.yAxes) {
        w.flag(a.manual);
        w.f64(a.min);
        w.f64(a.max);
        w.text(a.label);
    }
    w.i32(s.workingAxis);
    w.u32(uint32_t(s.axisSubsets.size()));
    for (int32_t v : s.axisSubsets)
        w.i32(v);
    w.u32(uint32_t(s.axisProportions.size()));
    for (double v : s.axisProportions)
        w.f64(v);
    w.flag(s.axisSeparators);

    w.text(s.mainTitle);
    w.text(s.subTitle);
    w.u32(s.graphForeColor);
    w.u32(s.graphBackColor);
    w.u32(s.deskColor);
    w.u32(s.textColor);
    w.u8(uint8_t(s.gridStyle));
    w.u8(uint8_t(s.viewingStyle));
    w.flag(s.dataLabels);
    w.text(s.fontFamily);
    w.i32(s.fontPixelSize);

    w.flag(s.zoomHorizontal);
    w.flag(s.zoomVertical);
    w.flag(s.scrollingZoom);
    w.flag(s.dataHotSpots);
    w.flag(s.graphAnnotationHotSpots);
    w.flag(s.lineAnnotationHotSpots);
    w.flag(s.allowAxisPage);
    w.flag(s.allowFontPage);
    w.flag(s.allowPage1);
    w.flag(s.allowPage2);
    w.flag(s.allowSubsetsPage);

    w.flag(s.showGraphAnnotations);
    w.i32(s.graphAnnotationTextSize);
    w.u32(uint32_t(s.graphAnnotations.size()));
    for (const GraphAnnotation& a : s.graphAnnotations) {
        w.i32(a.index);
        w.i32(a.type);
        w.f64(a.x);
        w.f64(a.y);
        w.u32(a.color);
        w.text(a.text);
    }
    w.flag(s.showLineAnnotations);
    w.i32(s.lineAnnotationTextSize);
    w.u32(uint32_t(s.lineAnnotations.size()));
    for (const LineAnnotation& a : s.lineAnnotations) {
        w.f64(a.x);
        w.u32(a.color);
        w.text(a.text);
    }

    const TableAnnotation& t = s.table;
    w.i32(t.rows);
    w.i32(t.columns);
    for (const QString& txt : t.texts)
        w.text(txt);
    for (Argb c : t.colors)
        w.u32(c);
    w.u32(t.backColor);
    w.flag(t.shown);
    w.flag(t.insideAxis0);
    w.i32(t.left);
    w.i32(t.top);
    w.flag(t.movable);
    w.flag(t.headerRow);
    w.flag(t.headerColumn);
    w.u8(uint8_t(t.border));
    w.i32(t.textSize);
    return w.take();
}

std::optional<ChartState> decodeChartState(std::span<const uint8_t> block, QString* error) {
    auto refuse = [&](const QString& why) -> std::optional<ChartState> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (block.size() < 6 || std::memcmp(block.data(), Magic, 4) != 0)
        return refuse(QStringLiteral("not a chart state block (no Q7CS signature)"));
    if (block.size() > size_t(MaxChartStateBytes))
        return refuse(QStringLiteral("chart state block of %1 bytes is larger than any chart "
                                     "(at most %2 bytes)")
                          .arg(block.size())
                          .arg(MaxChartStateBytes));
    Reader r(block.subspan(4));
    const uint16_t version = r.u16("version");
    if (version != ChartStateVersion)
        return refuse(QStringLiteral("chart state block version %1 is not supported (expected %2)")
                          .arg(version)
                          .arg(ChartStateVersion));

    ChartState s;
    s.subsets = r.i32("subset count");
    s.points = r.i32("point count");
    if (!r.ok()) return refuse(r.error());
    if (s.subsets < 1 || s.subsets > MaxSubsets)
        return refuse(QStringLiteral("chart state block has %1 subsets (1 to %2 allowed)")
                          .arg(s.subsets)
                          .arg(MaxSubsets));
    if (s.points < 0 || s.points > MaxPoints)
        return refuse(QStringLiteral("chart state block has %1 points (0 to %2 allowed)")
                          .arg(s.points)
                          .arg(MaxPoints));
    const size_t cells = size_t(s.subsets) * size_t(s.points);
    if (cells > size_t(MaxCells))
        return refuse(QStringLiteral("chart state block has %1 x %2 cells (at most %3)")
                          .arg(s.subsets)
                          .arg(s.points)
                          .arg(MaxCells));
    if (!r.need(cells * 12, "cells")) return refuse(r.error());
    s.x.resize(cells);
    s.y.resize(cells);
    for (double& v : s.x)
        v = r.f64("X cell");
    for (float& v : s.y)
        v = r.f32("Y cell");
    s.nullValueY = r.f64("null value");
    s.lineGapThreshold = r.f64("line gap threshold");
    const uint32_t styles = r.count("subset style count", MaxSubsets, 14);
    s.subsetStyles.resize(styles);
    for (SubsetStyle& st : s.subsetStyles) {
        st.label = r.text("subset label");
        st.color = r.u32("subset colour");
        st.line = r.choice<LineStyle>("line style", uint8_t(LineStyle::Step));
        st.point = r.choice<PointStyle>("point style", uint8_t(PointStyle::Square));
        st.lineWidth = r.f32("line width");
    }
    s.subsetsFiltered = r.flag("subset filter");
    const uint32_t shown = r.count("shown subset count", MaxSubsets, 4);
    s.shownSubsets.resize(shown);
    for (int32_t& v : s.shownSubsets)
        v = r.i32("shown subset");

    s.dateTimeX = r.flag("date-time X");
    s.manualX = r.flag("manual X");
    s.minX = r.f64("X minimum");
    s.maxX = r.f64("X maximum");
    s.xLabel = r.text("X label");

    const uint32_t axes = r.count("axis count", MaxAxes, 21);
    s.yAxes.resize(axes);
    for (YAxisState& a : s.yAxes) {
        a.manual = r.flag("manual Y");
        a.min = r.f64("Y minimum");
        a.max = r.f64("Y maximum");
        a.label = r.text("Y label");
    }
    s.workingAxis = r.i32("working axis");
    const uint32_t axisSubsets = r.count("axis layout count", MaxAxes, 4);
    s.axisSubsets.resize(axisSubsets);
    for (int32_t& v : s.axisSubsets)
        v = r.i32("subsets per axis");
    const uint32_t proportions = r.count("axis proportion count", MaxAxes, 8);
    s.axisProportions.resize(proportions);
    for (double& v : s.axisProportions)
        v = r.f64("axis proportion");
    s.axisSeparators = r.flag("axis separators");

    s.mainTitle = r.text("main title");
    s.subTitle = r.text("subtitle");
    s.graphForeColor = r.u32("graph foreground");
    s.graphBackColor = r.u32("graph background");
    s.deskColor = r.u32("desk colour");
    s.textColor = r.u32("text colour");
    s.gridStyle = r.choice<GridStyle>("grid style", uint8_t(GridStyle::None));
    s.viewingStyle = r.choice<ViewingStyle>("viewing style", uint8_t(ViewingStyle::Monochrome));
    s.dataLabels = r.flag("data labels");
    s.fontFamily = r.text("font family");
    s.fontPixelSize = r.i32("font size");

    s.zoomHorizontal = r.flag("horizontal zoom");
    s.zoomVertical = r.flag("vertical zoom");
    s.scrollingZoom = r.flag("scrolling zoom");
    s.dataHotSpots = r.flag("data hot spots");
    s.graphAnnotationHotSpots = r.flag("annotation hot spots");
    s.lineAnnotationHotSpots = r.flag("line annotation hot spots");
    s.allowAxisPage = r.flag("axis page");
    s.allowFontPage = r.flag("font page");
    s.allowPage1 = r.flag("page 1");
    s.allowPage2 = r.flag("page 2");
    s.allowSubsetsPage = r.flag("subsets page");

    s.showGraphAnnotations = r.flag("show annotations");
    s.graphAnnotationTextSize = r.i32("annotation text size");
    const uint32_t annotations = r.count("annotation count", uint32_t(MaxAnnotationIndex) + 1, 32);
    s.graphAnnotations.resize(annotations);
    for (GraphAnnotation& a : s.graphAnnotations) {
        a.index = r.i32("annotation index");
        a.type = r.i32("annotation type");
        a.x = r.f64("annotation X");
        a.y = r.f64("annotation Y");
        a.color = r.u32("annotation colour");
        a.text = r.text("annotation text");
    }
    s.showLineAnnotations = r.flag("show line annotations");
    s.lineAnnotationTextSize = r.i32("line annotation text size");
    const uint32_t lines = r.count("line annotation count", uint32_t(MaxAnnotationIndex) + 1, 16);
    s.lineAnnotations.resize(lines);
    for (LineAnnotation& a : s.lineAnnotations) {
        a.x = r.f64("line annotation X");
        a.color = r.u32("line annotation colour");
        a.text = r.text("line annotation text");
    }

    TableAnnotation& t = s.table;
    t.rows = r.i32("table rows");
    t.columns = r.i32("table columns");
    if (!r.ok()) return refuse(r.error());
    if (t.rows < 0 || t.columns < 0 || int64_t(t.rows) * t.columns > MaxTableCells)
        return refuse(QStringLiteral("chart state block has a table of %1 x %2 cells (at most %3)")
                          .arg(t.rows)
                          .arg(t.columns)
                          .arg(MaxTableCells));
    const size_t tableCells = size_t(t.rows) * size_t(t.columns);
    if (!r.need(tableCells * 8, "table cells")) return refuse(r.error());
    t.texts.resize(tableCells);
    t.colors.resize(tableCells);
    for (QString& txt : t.texts)
        txt = r.text("table text");
    for (Argb& c : t.colors)
        c = r.u32("table colour");
    t.backColor = r.u32("table background");
    t.shown = r.flag("table shown");
    t.insideAxis0 = r.flag("table location");
    t.left = r.i32("table left");
    t.top = r.i32("table top");
    t.movable = r.flag("table movable");
    t.headerRow = r.flag("table header row");
    t.headerColumn = r.flag("table header column");
    t.border = r.choice<TableBorder>("table border", uint8_t(TableBorder::Inset));
    t.textSize = r.i32("table text size");

    if (!r.ok()) return refuse(r.error());
    if (r.remaining() != 0)
        return refuse(QStringLiteral("chart state block has %1 unexpected bytes at its end")
                          .arg(r.remaining()));
    QString why;
    if (!checkChartState(s, &why))
        return refuse(QStringLiteral("chart state block is inconsistent: ") + why);
    return s;
}

bool checkChartState(const ChartState& s, QString* error) {
    auto bad = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (s.subsets < 1 || s.subsets > MaxSubsets)
        return bad(QStringLiteral("subset count %1").arg(s.subsets));
    if (s.points < 0 || s.points > MaxPoints)
        return bad(QStringLiteral("point count %1").arg(s.points));
    const size_t cells = size_t(s.subsets) * size_t(s.points);
    if (cells > size_t(MaxCells)) return bad(QStringLiteral("%1 cells").arg(cells));
    if (s.x.size() != cells || s.y.size() != cells)
        return bad(QStringLiteral("cell arrays do not match the size"));

    // Numbers: nothing that is not finite, nothing no axis could show.
    const auto sane = [](double v) { return std::isfinite(v) && std::fabs(v) <= MaxMagnitude; };
    const auto saneX = [&](double v) {
        return s.dateTimeX ? v >= DateTimeText::FirstDay && v <= DateTimeText::LastDay + 1
                           : sane(v);
    };
    const auto number = [](double v) { return QString::number(v, 'g', 12); };
    for (size_t i = 0; i < cells; ++i) {
        if (!saneX(s.x[i])) return bad(QStringLiteral("X value %1").arg(number(s.x[i])));
        if (!sane(s.y[i])) return bad(QStringLiteral("Y value %1").arg(number(s.y[i])));
    }
    if (!sane(s.nullValueY)) return bad(QStringLiteral("null value %1").arg(number(s.nullValueY)));
    if (!std::isfinite(s.lineGapThreshold) || s.lineGapThreshold < 0)
        return bad(QStringLiteral("line gap threshold %1").arg(number(s.lineGapThreshold)));
    if (!saneX(s.minX) || !saneX(s.maxX))
        return bad(QStringLiteral("X range %1 to %2").arg(number(s.minX), number(s.maxX)));
    for (const YAxisState& a : s.yAxes)
        if (!sane(a.min) || !sane(a.max))
            return bad(QStringLiteral("Y range %1 to %2").arg(number(a.min), number(a.max)));
    for (const SubsetStyle& st : s.subsetStyles)
        if (!(st.lineWidth >= 0 && st.lineWidth <= MaxLineWidth))
            return bad(QStringLiteral("line width %1").arg(number(st.lineWidth)));
    for (const GraphAnnotation& a : s.graphAnnotations)
        if (!saneX(a.x) || !sane(a.y))
            return bad(QStringLiteral("annotation at %1, %2").arg(number(a.x), number(a.y)));
    for (const LineAnnotation& a : s.lineAnnotations)
        if (!saneX(a.x)) return bad(QStringLiteral("line annotation at %1").arg(number(a.x)));
    if (std::abs(int64_t(s.table.left)) > MaxTableOffset ||
        std::abs(int64_t(s.table.top)) > MaxTableOffset)
        return bad(QStringLiteral("table placed at %1, %2").arg(s.table.left).arg(s.table.top));
    if (s.subsetStyles.size() != size_t(s.subsets))
        return bad(QStringLiteral("%1 subset styles for %2 subsets")
                       .arg(s.subsetStyles.size())
                       .arg(s.subsets));
    for (int32_t v : s.shownSubsets)
        if (v < 0 || v >= s.subsets)
            return bad(QStringLiteral("shown subset %1 does not exist").arg(v));
    if (s.yAxes.empty() || s.yAxes.size() > size_t(MaxAxes))
        return bad(QStringLiteral("%1 Y axes").arg(s.yAxes.size()));
    if (s.workingAxis < 0 || size_t(s.workingAxis) >= s.yAxes.size())
        return bad(QStringLiteral("working axis %1 does not exist").arg(s.workingAxis));
    if (s.axisSubsets.size() > s.yAxes.size() || s.axisProportions.size() > s.yAxes.size())
        return bad(QStringLiteral("axis layout longer than the axes"));
    for (int32_t v : s.axisSubsets)
        if (v < 0 || v > MaxSubsets) return bad(QStringLiteral("axis holds %1 subsets").arg(v));
    for (double v : s.axisProportions)
        if (!(v >= 0.0 && v <= 1.0)) return bad(QStringLiteral("axis proportion %1").arg(v));
    if (s.fontPixelSize < 1 || s.fontPixelSize > 400)
        return bad(QStringLiteral("font size %1").arg(s.fontPixelSize));
    for (int32_t size : {s.graphAnnotationTextSize, s.lineAnnotationTextSize, s.table.textSize})
        if (size < 1 || size > 1000) return bad(QStringLiteral("text size %1").arg(size));
    int32_t previous = -1;
    for (const GraphAnnotation& a : s.graphAnnotations) {
        if (a.index < 0 || a.index > MaxAnnotationIndex || a.index <= previous)
            return bad(QStringLiteral("annotation index %1 out of order or range").arg(a.index));
        previous = a.index;
    }
    const TableAnnotation& t = s.table;
    if (t.rows < 0 || t.columns < 0 || int64_t(t.rows) * t.columns > MaxTableCells)
        return bad(QStringLiteral("table of %1 x %2").arg(t.rows).arg(t.columns));
    const size_t tableCells = size_t(t.rows) * size_t(t.columns);
    if (t.texts.size() != tableCells || t.colors.size() != tableCells)
        return bad(QStringLiteral("table cell arrays do not match its size"));
    return true;
}

} // namespace chart
