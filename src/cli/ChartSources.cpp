#include "cli/ChartSources.h"

#include "cli/CliSupport.h"

#include "app/DateTimeText.h"
#include "files/CollectionFile.h"
#include "files/GraphFile.h"
#include "files/ListTextReader.h"
#include "files/SafeFile.h"
#include "files/TextLines.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "logger/MemoryDecoder.h"
#include "logger/TableToGraph.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <cstdio>
#include <string>

namespace cli {

std::optional<InputKind> inputKind(const QString& fileName) {
    const QString ext = TextLines::lowerExtension(fileName);
    if (ext == QLatin1String(".732")) return InputKind::Collection;
    if (ext == QLatin1String(".ghf")) return InputKind::GraphFile;
    if (ext == QLatin1String(".txt") || ext == QLatin1String(".csv")) return InputKind::Table;
    return std::nullopt;
}

std::optional<InputKind> contentKind(QIODevice& device, char* separator) {
    const QByteArray head = device.peek(CollectionFile::MaxImageBytes + 1);
    if (head.size() >= 4) {
        const auto* b = reinterpret_cast<const uint8_t*>(head.constData());
        const qint64 length =
            qint64(b[0]) | qint64(b[1]) << 8 | qint64(b[2]) << 16 | qint64(b[3]) << 24;
        if (length == device.size() - 4) return InputKind::GraphFile;
    }
    // A logger memory: its first data set record opens with the markers 0xA5 0x5A at 2816,
    // and it decodes.
    constexpr qsizetype FirstRecord = 2816;
    if (head.size() > FirstRecord + 1 && head.size() <= CollectionFile::MaxImageBytes &&
        uint8_t(head[FirstRecord]) == 0xA5 && uint8_t(head[FirstRecord + 1]) == 0x5A) {
        const MemoryImage image(head.begin(), head.end());
        DataSetStore store;
        if (DecodeMemory(image, store, QDateTime::currentDateTime()) == DecodeOk)
            return InputKind::Collection;
    }
    const qsizetype end = head.indexOf('\n');
    const QByteArray first = end < 0 ? head : head.left(end);
    for (const char c : {TextLines::Tab, TextLines::Comma})
        if (first.contains(c)) {
            *separator = c;
            return InputKind::Table;
        }
    return std::nullopt;
}

namespace {
// Standard input may be a pipe: it is read to its end, into memory, up to this much.
constexpr qint64 MaxStdinBytes = qint64(1) << 30;

std::unique_ptr<QIODevice> readStdin(QString* why) {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        *why = in.errorString();
        return nullptr;
    }
    QByteArray bytes;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const qint64 n = in.read(chunk.data(), qint64(chunk.size()));
        if (n < 0) {
            *why = in.errorString();
            return nullptr;
        }
        if (n == 0) break;
        if (bytes.size() + n > MaxStdinBytes) {
            *why = QStringLiteral("more than %1 bytes").arg(MaxStdinBytes);
            return nullptr;
        }
        bytes.append(chunk.data(), n);
    }
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}
} // namespace

std::optional<Input> openInput(const QString& name, QString* why, int* exit) {
    Input input;
    input.name = name;
    input.shownName = name == QLatin1String("-") ? QStringLiteral("standard input") : name;
    QString reason;
    if (name == QLatin1String("-")) {
        input.device = readStdin(&reason);
    } else {
        auto file = std::make_unique<QFile>(name);
        if (SafeFile::openForReading(*file, &reason)) input.device = std::move(file);
    }
    if (!input.device) {
        *why = QStringLiteral("%1: %2").arg(input.shownName, reason);
        *exit = 1;
        return std::nullopt;
    }
    std::optional<InputKind> kind = name == QLatin1String("-") ? std::nullopt : inputKind(name);
    if (kind == InputKind::Table)
        input.separator = *TextLines::readSeparatorForExtension(TextLines::lowerExtension(name));
    else if (!kind)
        kind = contentKind(*input.device, &input.separator);
    if (!kind) {
        *why = QStringLiteral("%1: not a .732, .ghf, .txt or .csv file (by name or content)")
                   .arg(input.shownName);
        *exit = 2;
        return std::nullopt;
    }
    input.kind = *kind;
    return input;
}

std::optional<DataSetStore> readCollection(Input& input, QString* why) {
    QString reason;
    const std::optional<MemoryImage> image = CollectionFile::readImage(*input.device, &reason);
    if (!image) {
        *why =
            QStringLiteral("%1: not a data set collection file (%2)").arg(input.shownName, reason);
        return std::nullopt;
    }
    DataSetStore store;
    const int code = DecodeMemory(*image, store, QDateTime::currentDateTime());
    if (code == DecodeNoData) {
        *why =
            QStringLiteral("%1: no data set in the file (code %2)").arg(input.shownName).arg(code);
        return std::nullopt;
    }
    if (code != DecodeOk) {
        *why = QStringLiteral("%1: more data sets than a meter holds (code %2)")
                   .arg(input.shownName)
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

bool chartGraphFile(chart::Chart& chart, Input& input, QString* why) {
    const GraphFile::ReadResult r = GraphFile::read(*input.device);
    if (!r.ok()) {
        *why = QStringLiteral("%1: %2").arg(input.shownName, r.error);
        return false;
    }
    QString reason;
    if (!chart.loadState(
            std::span(reinterpret_cast<const uint8_t*>(r.block.data()), size_t(r.block.size())),
            &reason)) {
        *why = QStringLiteral("%1: %2").arg(input.shownName,
                                            reason.isEmpty() ? GraphFile::readError() : reason);
        return false;
    }
    chart.reinitAndReset();
    return true;
}

namespace {
constexpr float NullValue = TableToGraph::NullValue;
} // namespace

bool chartTable(chart::Chart& chart, const QString& fileName, char separator, QString* why) {
    QFile file(fileName);
    QString reason;
    if (!SafeFile::openForReading(file, &reason)) {
        *why = QStringLiteral("%1: %2").arg(fileName, reason);
        return false;
    }
    return chartTable(chart, file, separator, why);
}

bool chartTable(chart::Chart& chart, QIODevice& in, char separator, QString* why) {
    // The rows as the list window would hold them: columns 1..7 of each line.
    TableToGraph::CellReader parser;
    std::vector<double> x;
    std::vector<float> ppm, rh, temperature;
    bool timeBad = false;
    bool iso = false; // a line of ISO timestamp, ppm, %RH, temperature
    std::string firstDate, firstDateTime, lastDateTime;
    auto field = [](std::span<const std::string_view> f, size_t i) {
        return i < f.size() ? f[i] : std::string_view();
    };
    int rows = 0;
    std::optional<double> firstTime, lastTime;
    ListTextReader reader(separator, [&](std::span<const std::string_view> f) {
        if (timeBad) return;
        ++rows;
        const std::string_view date = field(f, 0);
        if (rows == 1) {
            firstDate.assign(date);
            iso = parser.isoTime(date).has_value();
        }
        const std::string_view timeOfDay = iso ? std::string_view() : field(f, 1);
        const std::optional<double> t = iso ? parser.isoTime(date) : parser.time(date, timeOfDay);
        lastTime = t;
        lastDateTime.assign(date);
        if (!iso) {
            lastDateTime.push_back(' ');
            lastDateTime.append(timeOfDay);
        }
        if (rows == 1) {
            firstDateTime = lastDateTime;
            firstTime = t;
            if (!t) timeBad = true; // the chart cannot be made: no need to read on
        }
        // A row whose time does not parse is skipped: its cells stay empty.
        x.push_back(t ? *t : 0.0);
        const size_t v = iso ? 1 : 2;
        auto value = [&](std::string_view text) {
            return !t ? NullValue : iso ? parser.isoValue(text) : parser.value(text);
        };
        ppm.push_back(value(field(f, v)));
        rh.push_back(value(field(f, v + 1)));
        temperature.push_back(value(field(f, v + 2)));
    });
    std::vector<char> buffer(1 << 20);
    while (!reader.ended() && !timeBad) {
        const qint64 n = in.read(buffer.data(), qint64(buffer.size()));
        if (n <= 0) break;
        reader.feed(std::string_view(buffer.data(), size_t(n)));
    }
    reader.finish();

    if (rows == 0 || firstDate.empty()) {
        *why = QString::fromLatin1(TableToGraph::NoDataText);
        return false;
    }
    if (timeBad || !lastTime) {
        // The text comes from the file, which may be anything: only what can be shown is.
        const QString text = QString::fromStdString(timeBad ? firstDateTime : lastDateTime);
        *why = TableToGraph::notValidDateTimeText(shownText(text));
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

bool chartFile(chart::Chart& chart, Input& input, int set, QString* why) {
    if (input.kind == InputKind::GraphFile) return chartGraphFile(chart, input, why);
    if (input.kind == InputKind::Table) {
        if (chartTable(chart, *input.device, input.separator, why)) return true;
        *why = QStringLiteral("%1: %2").arg(input.shownName, *why);
        return false;
    }
    const std::optional<DataSetStore> store = readCollection(input, why);
    if (!store) return false;
    if (set < 1 || set > store->count()) {
        *why = QStringLiteral("%1 holds %2 data sets, not %3")
                   .arg(input.shownName)
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
