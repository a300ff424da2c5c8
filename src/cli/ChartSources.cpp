#include "cli/ChartSources.h"

#include "app/DateTimeText.h"
#include "files/CollectionFile.h"
#include "files/GraphFile.h"
#include "files/ListTextReader.h"
#include "files/TextLines.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "logger/MemoryDecoder.h"
#include "logger/TableToGraph.h"

#include <QDateTime>
#include <QFile>
#include <string>

namespace cli {

std::optional<InputKind> inputKind(const QString& fileName) {
    const QString ext = TextLines::lowerExtension(fileName);
    if (ext == QLatin1String(".732")) return InputKind::Collection;
    if (ext == QLatin1String(".ghf")) return InputKind::GraphFile;
    if (ext == QLatin1String(".txt") || ext == QLatin1String(".csv")) return InputKind::Table;
    return std::nullopt;
}

std::optional<DataSetStore> readCollection(const QString& fileName, QString* why) {
    QString reason;
    const std::optional<MemoryImage> image = CollectionFile::readImage(fileName, &reason);
    if (!image) {
        *why = QFile::exists(fileName)
                   ? QStringLiteral("%1: not a data set collection file: %2").arg(fileName, reason)
                   : QStringLiteral("%1: no such file").arg(fileName);
        return std::nullopt;
    }
    DataSetStore store;
    const int code = DecodeMemory(*image, store, QDateTime::currentDateTime());
    if (code == DecodeNoData) {
        *why = QStringLiteral("%1: no data set in the file (code %2)").arg(fileName).arg(code);
        return std::nullopt;
    }
    if (code != DecodeOk) {
        *why = QStringLiteral("%1: more data sets than a meter holds (code %2)")
                   .arg(fileName)
                   .arg(code);
        return std::nullopt;
    }
    return store;
}

void installTemplateReader() {
    TfrmGraph::readGraphFile = [](chart::Chart& c, const QString& name) {
        const GraphFile::ReadResult r = GraphFile::read(name);
        return r.ok() && c.loadState(std::span(reinterpret_cast<const uint8_t*>(r.block.data()),
                                               size_t(r.block.size())));
    };
}

void chartDataSet(chart::Chart& chart, const DataSetStore& store, int k) {
    // The data logger window's own charting, without the window around the chart.
    if (TfrmGraph::chartDataSet(chart, store, k)) chart.redraw();
}

bool chartGraphFile(chart::Chart& chart, const QString& fileName, QString* why) {
    const GraphFile::ReadResult r = GraphFile::read(fileName);
    if (!r.ok()) {
        *why = r.error;
        return false;
    }
    if (!chart.loadState(
            std::span(reinterpret_cast<const uint8_t*>(r.block.data()), size_t(r.block.size())),
            why))
        return false;
    chart.reinitAndReset();
    return true;
}

namespace {
constexpr float NullValue = TableToGraph::NullValue;
} // namespace

bool chartTable(chart::Chart& chart, const QString& fileName, char separator, QString* why) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        return false;
    }
    // The rows as the list window would hold them: columns 1..7 of each line.
    TableToGraph::CellReader parser;
    std::vector<double> x;
    std::vector<float> ppm, rh, temperature;
    bool timeBad = false;
    std::string firstDate, firstDateTime, lastDateTime;
    auto field = [](std::span<const std::string_view> f, size_t i) {
        return i < f.size() ? f[i] : std::string_view();
    };
    int rows = 0;
    std::optional<double> firstTime, lastTime;
    ListTextReader reader(separator, [&](std::span<const std::string_view> f) {
        if (timeBad) return;
        ++rows;
        const std::string_view date = field(f, 0), timeOfDay = field(f, 1);
        if (rows == 1) firstDate.assign(date);
        const std::optional<double> t = parser.time(date, timeOfDay);
        lastTime = t;
        lastDateTime.assign(date);
        lastDateTime.push_back(' ');
        lastDateTime.append(timeOfDay);
        if (rows == 1) {
            firstDateTime = lastDateTime;
            firstTime = t;
            if (!t) timeBad = true; // the chart cannot be made: no need to read on
        }
        // A row whose time does not parse is skipped: its cells stay empty.
        x.push_back(t ? *t : 0.0);
        ppm.push_back(t ? parser.value(field(f, 2)) : NullValue);
        rh.push_back(t ? parser.value(field(f, 3)) : NullValue);
        temperature.push_back(t ? parser.value(field(f, 4)) : NullValue);
    });
    std::vector<char> buffer(1 << 20);
    while (!reader.ended() && !timeBad) {
        const qint64 n = file.read(buffer.data(), qint64(buffer.size()));
        if (n <= 0) break;
        reader.feed(std::string_view(buffer.data(), size_t(n)));
    }
    reader.finish();

    if (rows == 0 || firstDate.empty()) {
        *why = QString::fromLatin1(TableToGraph::NoDataText);
        return false;
    }
    if (timeBad || !lastTime) {
        const QString text = QString::fromStdString(timeBad ? firstDateTime : lastDateTime);
        *why = TableToGraph::notValidDateTimeText(text);
        return false;
    }
    TfrmGraph::ConfigureGraph(chart, rows, *firstTime, *lastTime);
    for (int s = 0; s < 3; ++s)
        chart.setSubsetXData(s, 0, x);
    chart.setSubsetYData(0, 0, ppm);
    chart.setSubsetYData(1, 0, rh);
    chart.setSubsetYData(2, 0, temperature);
    chart.reinitAndReset();
    return true;
}

bool chartFile(chart::Chart& chart, InputKind kind, const QString& fileName, int set,
               QString* why) {
    if (kind == InputKind::GraphFile) return chartGraphFile(chart, fileName, why);
    if (kind == InputKind::Table)
        return chartTable(
            chart, fileName,
            *TextLines::readSeparatorForExtension(TextLines::lowerExtension(fileName)), why);
    const std::optional<DataSetStore> store = readCollection(fileName, why);
    if (!store) return false;
    if (set < 1 || set > store->count()) {
        *why = QStringLiteral("%1 holds %2 data sets, not %3")
                   .arg(fileName)
                   .arg(store->count())
                   .arg(set);
        return false;
    }
    chartDataSet(chart, *store, set - 1);
    return true;
}

ChartPoints chartPoints(const chart::Chart& chart) {
    return ChartPoints::fromCells(chart.xCells(), chart.yCells(), chart.points());
}

void PointColumns::append(const ChartPoints& p) {
    const int n = p.count();
    for (int i = 0; i < n; ++i) {
        if (p.x[size_t(i)] == 0) break; // the rest of a chart never written
        x.push_back(p.x[size_t(i)]);
        auto y = [&](std::span<const float> s) {
            return size_t(i) < s.size() ? s[size_t(i)] : NullValue;
        };
        ppm.push_back(y(p.ppm));
        rh.push_back(y(p.rh));
        temperature.push_back(y(p.temperature));
    }
}

} // namespace cli
