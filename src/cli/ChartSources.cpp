#include "cli/ChartSources.h"

#include "app/DateTimeText.h"
#include "files/CollectionFile.h"
#include "files/GraphFile.h"
#include "files/ListTextReader.h"
#include "files/TextLines.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "logger/MemoryDecoder.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <charconv>
#include <cstring>
#include <string>
#include <unordered_map>

namespace cli {

std::optional<InputKind> inputKind(const QString& fileName) {
    const QString ext = TextLines::lowerExtension(fileName);
    if (ext == QLatin1String(".732")) return InputKind::Collection;
    if (ext == QLatin1String(".ghf")) return InputKind::GraphFile;
    if (ext == QLatin1String(".txt") || ext == QLatin1String(".csv")) return InputKind::Table;
    return std::nullopt;
}

std::optional<DataSetStore> readCollection(const QString& fileName, QString* why) {
    const std::optional<MemoryImage> image = CollectionFile::readImage(fileName);
    if (!image) {
        *why = QFile::exists(fileName)
                   ? QStringLiteral("%1: not a data set collection file").arg(fileName)
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
    // The data logger window's ShowDataSet, without the window around the chart.
    const int count = store.sampleCount[size_t(k)];
    const size_t offset = store.firstEntry(k);
    const size_t entries = 3 * size_t(std::max(count, 0));
    const double start = store.startTime[size_t(k)];
    const double end = start + count * (store.interval[size_t(k)] / DateTimeText::SecondsPerDay);
    TfrmGraph::ConfigureGraph(chart, 3, count, start, end, 0, 10000, -50, 100);
    if (offset + entries > store.values.size() || offset + entries > store.times.size()) return;
    chart.setAllXData(std::span<const double>(store.times.data() + offset, entries));
    chart.setAllYData(std::span<const float>(store.values.data() + offset, entries));
    chart.undoZoom();
    chart.redraw();
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
constexpr float NullValue = 99999.0f;

// A table's rows turned into chart values, as "Output Tabular to graph" reads its cells.
// Dates and times repeat from row to row: each distinct text is parsed once.
class TableParser {
  public:
    TableParser() : m_locale(QLocale::system()) {
        m_decimal = TextLines::decimalSeparator(m_locale);
        const QString f = DateTimeText::timeFormat();
        if (f == QLatin1String("HH:mm:ss")) m_plainTime = PlainTime::TwoDigitHour;
        if (f == QLatin1String("H:mm:ss")) m_plainTime = PlainTime::AnyHour;
    }

    std::optional<double> time(std::string_view date, std::string_view timeOfDay) {
        // Rows come in time order: the date is nearly always the one before.
        if (!m_hasLastDate || date != m_lastDateText) {
            m_lastDateText.assign(date);
            m_lastDate = cached(m_dates, date, true);
            m_hasLastDate = true;
        }
        const std::optional<double> d = m_lastDate;
        const std::optional<double> t = d ? timeOfDayValue(timeOfDay) : std::nullopt;
        if (d && t) return *d + *t;
        return DateTimeText::parseDateTime(
            QString::fromUtf8(date.data(), qsizetype(date.size())) + QLatin1Char(' ') +
            QString::fromUtf8(timeOfDay.data(), qsizetype(timeOfDay.size())));
    }

    float value(std::string_view text) {
        if (text == " OL") return NullValue;
        if (text == " -OL") return -NullValue;
        if (const auto v = plainNumber(text)) return float(*v);
        bool ok = false;
        const double v = m_locale.toDouble(
            QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed(), &ok);
        return ok ? float(v) : NullValue;
    }

  private:
    // Times of day of up to eight bytes ("09:26:53") are looked up by their bytes as a number.
    std::optional<double> timeOfDayValue(std::string_view text) {
        if (m_plainTime != PlainTime::No)
            if (const auto v = plainTime(text, m_plainTime == PlainTime::TwoDigitHour)) return v;
        if (text.size() > 8) return cached(m_times, text, false);
        uint64_t key = 0;
        std::memcpy(&key, text.data(), text.size());
        auto it = m_shortTimes.find(key);
        if (it != m_shortTimes.end() && it->second.first == text) return it->second.second;
        const std::optional<double> v = DateTimeText::parseTime(
            QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed());
        if (it == m_shortTimes.end())
            m_shortTimes.emplace(key, std::make_pair(std::string(text), v));
        return v;
    }

    std::optional<double> cached(std::unordered_map<std::string, std::optional<double>>& cache,
                                 std::string_view text, bool isDate) {
        m_key.assign(text);
        auto it = cache.find(m_key);
        if (it != cache.end()) return it->second;
        const QString s = QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed();
        const std::optional<double> v =
            isDate ? DateTimeText::parseDate(s) : DateTimeText::parseTime(s);
        cache.emplace(m_key, v);
        return v;
    }

    // "h:mm:ss" or "hh:mm:ss" in a 24-hour locale, read as the locale reads it; anything else
    // (blanks, other widths, values out of range) goes the locale's way.
    static std::optional<double> plainTime(std::string_view t, bool twoDigitHour) {
        auto digit = [&](size_t i) { return i < t.size() && t[i] >= '0' && t[i] <= '9'; };
        const size_t h = digit(0) && digit(1) ? 2 : digit(0) ? 1 : 0;
        if (h == 0 || (twoDigitHour && h != 2) || t.size() != h + 6 || t[h] != ':' ||
            t[h + 3] != ':' || !digit(h + 1) || !digit(h + 2) || !digit(h + 4) || !digit(h + 5))
            return std::nullopt;
        const int hours = h == 2 ? (t[0] - '0') * 10 + (t[1] - '0') : t[0] - '0';
        const int minutes = (t[h + 1] - '0') * 10 + (t[h + 2] - '0');
        const int seconds = (t[h + 4] - '0') * 10 + (t[h + 5] - '0');
        if (hours > 23 || minutes > 59 || seconds > 59) return std::nullopt;
        const int ms = ((hours * 60 + minutes) * 60 + seconds) * 1000;
        return ms / (DateTimeText::SecondsPerDay * 1000.0); // as DateTimeText::parseTime
    }

    // Digits with an optional minus sign and decimal part, blanks around: what the locale
    // reads the same way in every locale that writes this decimal separator.
    std::optional<double> plainNumber(std::string_view text) const {
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
        const size_t digitsFrom = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        if (i == digitsFrom) return std::nullopt;
        std::string number(text.substr(0, i));
        if (i < text.size()) {
            if (text[i] != m_decimal || i + 1 == text.size()) return std::nullopt;
            number.push_back('.');
            for (++i; i < text.size(); ++i) {
                if (text[i] < '0' || text[i] > '9') return std::nullopt;
                number.push_back(text[i]);
            }
        }
        double v = 0;
        const auto r = std::from_chars(number.data(), number.data() + number.size(), v);
        if (r.ec != std::errc()) return std::nullopt;
        return v;
    }

    QLocale m_locale;
    char m_decimal = '.';
    std::string m_key;
    std::unordered_map<std::string, std::optional<double>> m_dates, m_times;
    std::unordered_map<uint64_t, std::pair<std::string, std::optional<double>>> m_shortTimes;
    std::string m_lastDateText;
    std::optional<double> m_lastDate;
    bool m_hasLastDate = false;
    enum class PlainTime { No, TwoDigitHour, AnyHour };
    PlainTime m_plainTime = PlainTime::No;
};

} // namespace

bool chartTable(chart::Chart& chart, const QString& fileName, char separator, QString* why) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        return false;
    }
    // The rows as the list window would hold them: columns 1..7 of each line.
    TableParser parser;
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
        *why = QStringLiteral("No data to graph !");
        return false;
    }
    if (timeBad || !lastTime) {
        const QString text = QString::fromStdString(timeBad ? firstDateTime : lastDateTime);
        *why = QStringLiteral("'%1' is not a valid date and time").arg(text);
        return false;
    }
    TfrmGraph::ConfigureGraph(chart, 3, rows, *firstTime, *lastTime, 0, 10000, -50, 100);
    for (int s = 0; s < 3; ++s)
        chart.setSubsetXData(s, 0, x);
    chart.setSubsetYData(0, 0, ppm);
    chart.setSubsetYData(1, 0, rh);
    chart.setSubsetYData(2, 0, temperature);
    chart.reinitAndReset();
    return true;
}

ChartPoints chartPoints(const chart::Chart& chart) {
    const size_t n = size_t(std::max(chart.points(), 0));
    const std::span<const double> x = chart.xCells();
    const std::span<const float> y = chart.yCells();
    auto ySubset = [&](size_t k) {
        return y.size() >= (k + 1) * n ? y.subspan(k * n, n) : std::span<const float>();
    };
    return {x.size() >= n ? x.first(n) : std::span<const double>(), ySubset(0), ySubset(1),
            ySubset(2)};
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
