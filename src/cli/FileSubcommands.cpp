// sets, export and plot: collection, chart and table files, without a meter.
#include "cli/ChartSources.h"
#include "cli/CliSupport.h"
#include "cli/Subcommands.h"

#include "app/DateTimeText.h"
#include "files/TextFiles.h"
#include "files/TextLines.h"
#include "graph/chart/Chart.h"
#include "logger/DataSetTexts.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>
#include <qcustomplot.h>

namespace cli {

namespace {
// The columns of the "Data Sets" list.
const QStringList DataSetHeaders{"Set",  "DATE",       "TIME",      "Rate",     "Nums",
                                 "Unit", "ppm Offset", "RH Offset", "T1 Offset"};

void printDataSets(const DataSetStore& store) {
    out(DataSetHeaders.join(QLatin1Char('\t')));
    for (int k = 0; k < store.count(); ++k) {
        const auto texts = dataSetRowTexts(store, k);
        out(QStringList(texts.begin(), texts.end()).join(QLatin1Char('\t')));
    }
}

// --set N: a data set number from 1 to count.
bool parseSet(const CommandParser& p, const QCommandLineOption& option, int* set, int* exit) {
    if (!p.parser.isSet(option)) return true;
    bool ok = false;
    *set = p.parser.value(option).toInt(&ok);
    if (!ok || *set < 1) {
        *exit = p.usage(QStringLiteral("--set needs a data set number from 1"));
        return false;
    }
    return true;
}

// Timestamps with the UTC offset of their moment: "2026-03-14T09:26:53+01:00".
class IsoLineWriter {
  public:
    explicit IsoLineWriter(char separator)
        : m_date(QLocale::c(), QStringLiteral("yyyy-MM-dd"),
                 TextLines::DateTimeFormatter::Kind::Date),
          m_time(QLocale::c(), QStringLiteral("HH:mm:ss"),
                 TextLines::DateTimeFormatter::Kind::Time),
          m_separator(separator) {}

    void append(std::string& out, double x, double ppm, double rh, double temperature) {
        m_date.append(out, x);
        out.push_back('T');
        m_time.append(out, x);
        appendOffset(out, x);
        out.push_back(m_separator);
        TextLines::appendPpm(out, ppm, '.');
        out.push_back(m_separator);
        TextLines::appendRh(out, rh, '.');
        out.push_back(m_separator);
        TextLines::appendTemperature(out, temperature, '.');
        out += "\r\n";
    }

  private:
    // Offsets change on whole hours: one look-up per local hour.
    void appendOffset(std::string& out, double x) {
        const long long hour = static_cast<long long>(std::floor(x * 24));
        if (hour != m_hour) {
            m_hour = hour;
            const int offset = DateTimeText::fromDays(x).offsetFromUtc();
            const int a = std::abs(offset) / 60;
            char text[16];
            std::snprintf(text, sizeof text, "%c%02d:%02d", offset < 0 ? '-' : '+', a / 60, a % 60);
            m_offset = text;
        }
        out += m_offset;
    }

    TextLines::DateTimeFormatter m_date, m_time;
    char m_separator;
    long long m_hour = LLONG_MIN;
    std::string m_offset;
};

bool writeIsoText(const QString& fileName, const ChartPoints& points, char separator,
                  QString* why) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *why = file.errorString();
        return false;
    }
    IsoLineWriter writer(separator);
    std::string buffer;
    for (int p = 0; p < points.count(); ++p) {
        const double x = points.x[size_t(p)];
        if (x == 0) break; // the points never written
        auto y = [&](std::span<const float> s) {
            return size_t(p) < s.size() ? double(s[size_t(p)]) : 99999.0;
        };
        writer.append(buffer, x, y(points.ppm), y(points.rh), y(points.temperature));
        if (buffer.size() >= (1 << 20)) {
            if (file.write(buffer.data(), qint64(buffer.size())) != qint64(buffer.size())) break;
            buffer.clear();
        }
    }
    file.write(buffer.data(), qint64(buffer.size()));
    if (!file.commit()) {
        *why = file.errorString();
        return false;
    }
    return true;
}
// The SVG writer gives the picture's size in millimetres at its own resolution, which readers
// turn into pixels at theirs: the size is put in pixels, as asked for.
bool sizeSvgInPixels(const QString& fileName, int width, int height) {
    QFile in(fileName);
    if (!in.open(QIODevice::ReadOnly)) return false;
    QByteArray svg = in.readAll();
    in.close();
    static const QRegularExpression size(
        QStringLiteral("width=\"[0-9.]+mm\" height=\"[0-9.]+mm\""));
    const QString head = QString::fromUtf8(svg.left(2048));
    const QRegularExpressionMatch m = size.match(head);
    if (!m.hasMatch()) return true;
    const QByteArray pixels =
        QStringLiteral("width=\"%1\" height=\"%2\"").arg(width).arg(height).toUtf8();
    svg.replace(m.capturedStart(), m.capturedLength(), pixels);
    QSaveFile out(fileName);
    return out.open(QIODevice::WriteOnly) && out.write(svg) == svg.size() && out.commit();
}
} // namespace

int setsCommand(const QStringList& args) {
    CommandParser p(QStringLiteral("sets"), QStringLiteral("sets FILE.732"),
                    QStringLiteral("Lists the data sets of a collection file: the columns of the "
                                   "\"Data Sets\" list, tab-separated, after a header line."));
    p.parser.addPositionalArgument(QStringLiteral("FILE.732"), QStringLiteral("Collection file."));
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;
    const QStringList files = p.parser.positionalArguments();
    if (files.size() != 1) return p.usage(QStringLiteral("one collection file, please"));
    if (inputKind(files[0]) != InputKind::Collection)
        return p.usage(QStringLiteral("%1: not a .732 collection file").arg(files[0]));
    QString why;
    const std::optional<DataSetStore> store = readCollection(files[0], &why);
    if (!store) {
        error(why);
        return ExitFailure;
    }
    printDataSets(*store);
    return ExitOk;
}

int exportCommand(const QStringList& args) {
    CommandParser p(
        QStringLiteral("export"),
        QStringLiteral(
            "export FILE.732|FILE.ghf|FILE.txt|FILE.csv [--set N|--all] -o OUT.csv|OUT.txt "
            "[--iso]"),
        QStringLiteral(
            "Writes the points of a chart as text lines, as the window's Save does: date, time, "
            "ppm, %RH, temperature, with \" OL\", \" -OL\" and \"----\" for values out of range "
            "or missing; tab-separated for .txt, comma-separated for .csv, no header line.\n"
            "A collection file gives data set N (1 when not told), or every data set one after "
            "the other with --all. A chart file gives its chart; a text or CSV table gives its "
            "rows as \"Output Tabular to graph\" charts them."));
    p.parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to export."));
    const QCommandLineOption set(QStringLiteral("set"),
                                 QStringLiteral("Data set N of a collection file (from 1)."),
                                 QStringLiteral("N"));
    const QCommandLineOption all(QStringLiteral("all"),
                                 QStringLiteral("Every data set of a collection file."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The text (.txt) or CSV (.csv) file to write."),
                                    QStringLiteral("OUT"));
    const QCommandLineOption iso(
        QStringLiteral("iso"),
        QStringLiteral("One ISO 8601 timestamp with its UTC offset (2026-03-14T09:26:53+01:00) "
                       "in place of the date and time fields, and '.' as decimal separator."));
    p.parser.addOptions({set, all, output, iso});
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;

    const QStringList files = p.parser.positionalArguments();
    if (files.size() != 1) return p.usage(QStringLiteral("one file to export, please"));
    const std::optional<InputKind> kind = inputKind(files[0]);
    if (!kind)
        return p.usage(QStringLiteral("%1: not a .732, .ghf, .txt or .csv file").arg(files[0]));
    if (!p.parser.isSet(output)) return p.usage(QStringLiteral("-o OUT.csv|OUT.txt is missing"));
    const QString outName = p.parser.value(output);
    const QString outExt = TextLines::lowerExtension(outName);
    if (outExt != QLatin1String(".csv") && outExt != QLatin1String(".txt"))
        return p.usage(QStringLiteral("%1: the output is a .csv or .txt file").arg(outName));
    if (p.parser.isSet(set) && p.parser.isSet(all))
        return p.usage(QStringLiteral("--set and --all exclude each other"));
    if (*kind != InputKind::Collection && (p.parser.isSet(set) || p.parser.isSet(all)))
        return p.usage(QStringLiteral("--set and --all are for collection files"));
    int setNumber = 1;
    if (!parseSet(p, set, &setNumber, &exit)) return exit;
    const char separator = outExt == QLatin1String(".csv") ? TextLines::Comma : TextLines::Tab;

    installTemplateReader();
    chart::Chart chart;
    PointColumns gathered;
    ChartPoints points;
    QString why;
    if (*kind == InputKind::Collection) {
        const std::optional<DataSetStore> store = readCollection(files[0], &why);
        if (!store) {
            error(why);
            return ExitFailure;
        }
        if (setNumber > store->count()) {
            error(QStringLiteral("%1 holds %2 data sets, not %3")
                      .arg(files[0])
                      .arg(store->count())
                      .arg(setNumber));
            return ExitFailure;
        }
        if (p.parser.isSet(all)) {
            for (int k = 0; k < store->count(); ++k) {
                chartDataSet(chart, *store, k);
                gathered.append(chartPoints(chart));
            }
            points = gathered.points();
        } else {
            chartDataSet(chart, *store, setNumber - 1);
            points = chartPoints(chart);
        }
    } else {
        const bool ok = *kind == InputKind::GraphFile
                            ? chartGraphFile(chart, files[0], &why)
                            : chartTable(chart, files[0],
                                         *TextLines::readSeparatorForExtension(
                                             TextLines::lowerExtension(files[0])),
                                         &why);
        if (!ok) {
            error(why);
            return ExitFailure;
        }
        points = chartPoints(chart);
    }

    bool ok = true;
    if (p.parser.isSet(iso)) {
        ok = writeIsoText(outName, points, separator, &why);
    } else {
        const auto writer = TextLines::ChartLineWriter::forSystem(separator);
        ok = writeChartText(outName, points, {1, points.count()}, writer, nullptr, &why) ==
             TextOutcome::Done;
    }
    if (!ok) {
        error(QStringLiteral("%1: %2").arg(outName, why));
        return ExitFailure;
    }
    return ExitOk;
}

int plotCommand(const QStringList& args) {
    CommandParser p(QStringLiteral("plot"),
                    QStringLiteral("plot FILE.732|FILE.ghf|FILE.txt|FILE.csv [--set N] "
                                   "-o OUT.png|OUT.pdf|OUT.svg [--size WxH]"),
                    QStringLiteral("Draws the program's chart of a file (the same chart, colours "
                                   "and axes as its graph windows) into a picture."));
    p.parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to chart."));
    const QCommandLineOption set(
        QStringLiteral("set"), QStringLiteral("Data set N of a collection file (1 when not told)."),
        QStringLiteral("N"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The picture: .png, .pdf or .svg."),
                                    QStringLiteral("OUT"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Picture size in pixels (PDF: points); "
                                                 "1024x600 when not told."),
                                  QStringLiteral("WxH"));
    p.parser.addOptions({set, output, size});
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;

    const QStringList files = p.parser.positionalArguments();
    if (files.size() != 1) return p.usage(QStringLiteral("one file to chart, please"));
    const std::optional<InputKind> kind = inputKind(files[0]);
    if (!kind)
        return p.usage(QStringLiteral("%1: not a .732, .ghf, .txt or .csv file").arg(files[0]));
    if (!p.parser.isSet(output))
        return p.usage(QStringLiteral("-o OUT.png|OUT.pdf|OUT.svg is missing"));
    const QString outName = p.parser.value(output);
    const QString outExt = TextLines::lowerExtension(outName);
    if (outExt != QLatin1String(".png") && outExt != QLatin1String(".pdf") &&
        outExt != QLatin1String(".svg"))
        return p.usage(QStringLiteral("%1: the picture is a .png, .pdf or .svg file").arg(outName));
    int width = 1024, height = 600;
    if (p.parser.isSet(size)) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"))
                .match(p.parser.value(size));
        width = m.hasMatch() ? m.captured(1).toInt() : 0;
        height = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (width < 16 || height < 16 || width > 20000 || height > 20000)
            return p.usage(QStringLiteral("--size is WxH, each from 16 to 20000"));
    }
    if (*kind != InputKind::Collection && p.parser.isSet(set))
        return p.usage(QStringLiteral("--set is for collection files"));
    int setNumber = 1;
    if (!parseSet(p, set, &setNumber, &exit)) return exit;

    installTemplateReader();
    chart::Chart chart;
    chart.resize(width, height);
    QString why;
    bool ok = true;
    if (*kind == InputKind::Collection) {
        const std::optional<DataSetStore> store = readCollection(files[0], &why);
        ok = store.has_value();
        if (ok && setNumber > store->count()) {
            why = QStringLiteral("%1 holds %2 data sets, not %3")
                      .arg(files[0])
                      .arg(store->count())
                      .arg(setNumber);
            ok = false;
        }
        if (ok) chartDataSet(chart, *store, setNumber - 1);
    } else if (*kind == InputKind::GraphFile) {
        ok = chartGraphFile(chart, files[0], &why);
    } else {
        ok = chartTable(chart, files[0],
                        *TextLines::readSeparatorForExtension(TextLines::lowerExtension(files[0])),
                        &why);
    }
    if (!ok) {
        error(why);
        return ExitFailure;
    }
    QCustomPlot& plot = *chart.plot();
    if (outExt == QLatin1String(".png")) {
        ok = plot.savePng(outName, width, height);
    } else if (outExt == QLatin1String(".pdf")) {
        ok = plot.savePdf(outName, width, height);
    } else {
        QSvgGenerator svg;
        svg.setFileName(outName);
        svg.setSize(QSize(width, height));
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setTitle(QStringLiteral("Q7320"));
        QCPPainter painter;
        ok = painter.begin(&svg);
        if (ok) {
            plot.toPainter(&painter, width, height);
            ok = painter.end();
        }
        if (ok) ok = sizeSvgInPixels(outName, width, height);
    }
    if (!ok) {
        error(QStringLiteral("%1: the picture could not be written").arg(outName));
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace cli
