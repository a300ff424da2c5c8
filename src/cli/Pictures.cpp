#include "cli/Pictures.h"

#include "files/TextLines.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QScreen>
#include <QSvgGenerator>
#include <cmath>
#include <qcustomplot.h>
#include <vector>

namespace cli {

std::optional<PictureFormat> pictureFormat(const QString& nameOrExtension) {
    QString word = nameOrExtension.toLower();
    if (word.contains(QLatin1Char('.'))) word = TextLines::lowerExtension(word).mid(1);
    if (word == QLatin1String("png")) return PictureFormat::Png;
    if (word == QLatin1String("pdf")) return PictureFormat::Pdf;
    if (word == QLatin1String("svg")) return PictureFormat::Svg;
    return std::nullopt;
}

namespace {
// The resolution the window's own export uses for text given in points.
int screenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

QByteArray png(QCustomPlot& plot, int width, int height) {
    QImage image = plot.toPixmap(width, height).toImage();
    if (image.isNull()) return {};
    // 96 dots per inch, as QCustomPlot::savePng marks it.
    const int dotsPerMeter = int(96 / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? buffer.data() : QByteArray();
}

QByteArray pdf(QCustomPlot& plot, int width, int height) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        // One page of width x height points, the chart filling it, as QCustomPlot::savePdf
        // lays it out.
        QPdfWriter writer(&buffer);
        writer.setResolution(screenDpi());
        QPageLayout layout(
            QPageSize(QSizeF(width, height), QPageSize::Point, QString(), QPageSize::ExactMatch),
            QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
        layout.setMode(QPageLayout::FullPageMode);
        writer.setPageLayout(layout);
        QCPPainter painter;
        if (!painter.begin(&writer)) return {};
        painter.setMode(QCPPainter::pmVectorized);
        painter.setWindow(QRect(0, 0, width, height));
        plot.toPainter(&painter, width, height);
        if (!painter.end()) return {};
    }
    return buffer.data();
}

// The SVG writer ignores the painter's clipping, so a graph would run out of its axis rect
// into the margins and the other axes. While the picture is drawn, each graph holds its line
// clipped to its axes' ranges instead: points outside are left out, and where the line
// crosses the border it ends (or starts) there, with a gap for the part outside.
class GraphsClippedToAxes {
  public:
    explicit GraphsClippedToAxes(QCustomPlot& plot) {
        for (int i = 0; i < plot.graphCount(); ++i) {
            QCPGraph* g = plot.graph(i);
            if (!g->visible() || !g->keyAxis() || !g->valueAxis()) continue;
            // Steps are drawn as lines through their corners, which would get point symbols
            // of their own: a stepped graph with symbols is left as it is.
            if (g->lineStyle() == QCPGraph::lsStepLeft &&
                g->scatterStyle().shape() != QCPScatterStyle::ssNone)
                continue;
            m_saved.push_back({g, g->data(), g->lineStyle()});
            g->setData(clipped(*g));
            if (g->lineStyle() == QCPGraph::lsStepLeft) g->setLineStyle(QCPGraph::lsLine);
        }
    }
    ~GraphsClippedToAxes() {
        for (const Saved& s : m_saved) {
            s.graph->setData(s.data);
            s.graph->setLineStyle(s.style);
        }
    }

  private:
    struct Saved {
        QCPGraph* graph;
        QSharedPointer<QCPGraphDataContainer> data;
        QCPGraph::LineStyle style;
    };

    static QSharedPointer<QCPGraphDataContainer> clipped(const QCPGraph& g) {
        const QCPRange k = g.keyAxis()->range(), v = g.valueAxis()->range();
        // Points where the line meets the border lie a hair outside it, so that no point
        // symbol is drawn for them.
        const double dk = k.size() * 1e-9, dv = v.size() * 1e-9;
        const double k0 = k.lower - dk, k1 = k.upper + dk, v0 = v.lower - dv, v1 = v.upper + dv;
        const double nan = std::numeric_limits<double>::quiet_NaN();

        // The line's corners: the points themselves, or the steps between them.
        std::vector<QCPGraphData> corners;
        const QCPGraph::LineStyle style = g.lineStyle();
        for (auto it = g.data()->constBegin(); it != g.data()->constEnd(); ++it) {
            if (style == QCPGraph::lsStepLeft && !corners.empty() &&
                !std::isnan(corners.back().value) && !std::isnan(it->value))
                corners.push_back(QCPGraphData(it->key, corners.back().value));
            corners.push_back(*it);
        }
        QVector<QCPGraphData> out;
        auto inside = [&](const QCPGraphData& p) {
            return p.key >= k.lower && p.key <= k.upper && p.value >= v.lower && p.value <= v.upper;
        };
        auto gap = [&] {
            if (!out.isEmpty() && !std::isnan(out.back().value)) out.append({out.back().key, nan});
        };
        const bool lines = style != QCPGraph::lsNone;
        const QCPGraphData* prev = nullptr; // the last point, when the line goes on from it
        bool penDown = false;               // the line so far ends at prev
        for (const QCPGraphData& c : corners) {
            if (std::isnan(c.key) || std::isnan(c.value)) {
                gap();
                prev = nullptr;
                penDown = false;
                continue;
            }
            if (!prev || !lines) {
                if (inside(c)) {
                    if (!penDown) gap();
                    out.append(c);
                }
                penDown = lines && inside(c);
                prev = &c;
                continue;
            }
            double t0 = 0, t1 = 1;
            if (!clip(*prev, c, k0, k1, v0, v1, &t0, &t1)) {
                gap();
                penDown = false;
            } else {
                if (!penDown || t0 > 0) {
                    gap();
                    out.append(along(*prev, c, t0));
                }
                if (t1 < 1) {
                    out.append(along(*prev, c, t1));
                    gap();
                    penDown = false;
                } else {
                    out.append(c);
                    penDown = true;
                }
            }
            prev = &c;
        }
        auto container = QSharedPointer<QCPGraphDataContainer>::create();
        container->set(out, true);
        return container;
    }

    static QCPGraphData along(const QCPGraphData& a, const QCPGraphData& b, double t) {
        return {a.key + (b.key - a.key) * t, a.value + (b.value - a.value) * t};
    }

    // Liang-Barsky: the part [t0, t1] of the segment a -> b inside the rectangle.
    static bool clip(const QCPGraphData& a, const QCPGraphData& b, double k0, double k1, double v0,
                     double v1, double* t0, double* t1) {
        const double dk = b.key - a.key, dv = b.value - a.value;
        const double p[4] = {-dk, dk, -dv, dv};
        const double q[4] = {a.key - k0, k1 - a.key, a.value - v0, v1 - a.value};
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0) {
                if (q[i] < 0) return false;
                continue;
            }
            const double r = q[i] / p[i];
            if (p[i] < 0)
                *t0 = std::max(*t0, r);
            else
                *t1 = std::min(*t1, r);
            if (*t0 > *t1) return false;
        }
        return true;
    }

    std::vector<Saved> m_saved;
};

QByteArray svg(QCustomPlot& plot, int width, int height) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(QSize(width, height));
        generator.setViewBox(QRect(0, 0, width, height));
        generator.setTitle(QStringLiteral("Q7320"));
        GraphsClippedToAxes clip(plot);
        QCPPainter painter;
        if (!painter.begin(&generator)) return {};
        painter.setMode(QCPPainter::pmVectorized);
        plot.toPainter(&painter, width, height);
        if (!painter.end()) return {};
    }
    // The generator gives the size in millimetres at its own resolution, which readers turn
    // into pixels at theirs: the size is put in pixels, as asked for.
    QByteArray bytes = buffer.data();
    static const QRegularExpression size(
        QStringLiteral("width=\"[0-9.]+mm\" height=\"[0-9.]+mm\""));
    const QRegularExpressionMatch m = size.match(QString::fromUtf8(bytes.left(2048)));
    if (m.hasMatch())
        bytes.replace(m.capturedStart(), m.capturedLength(),
                      QStringLiteral("width=\"%1\" height=\"%2\"").arg(width).arg(height).toUtf8());
    return bytes;
}
} // namespace

QByteArray drawPicture(QCustomPlot& plot, PictureFormat format, int width, int height) {
    switch (format) {
    case PictureFormat::Png:
        return png(plot, width, height);
    case PictureFormat::Pdf:
        return pdf(plot, width, height);
    case PictureFormat::Svg:
        return svg(plot, width, height);
    }
    return {};
}

} // namespace cli
