// sets, export and plot: collection, chart and table files, without a meter.
#include "cli/ChartSources.h"
#include "cli/CliSupport.h"
#include "cli/Pictures.h"
#include "cli/Subcommands.h"

#include "files/SafeFile.h"
#include "files/TextFiles.h"
#include "files/TextLines.h"
#include "graph/chart/Chart.h"

#include <QLocale>
#include <QRegularExpression>
#include <memory>
#include <qcustomplot.h>

namespace cli {

namespace {
const QString StandardStream = QStringLiteral("-");

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

// The output, whole: a file put in place only when all of it is written, or stdout.
int writeOutput(const QString& outName, const QByteArray& bytes) {
    QString why;
    const bool ok = outName == StandardStream ? writeOut(bytes, &why)
                                              : SafeFile::writeWhole(outName, bytes, &why);
    if (ok) return ExitOk;
    error(QStringLiteral("%1: %2").arg(
        outName == StandardStream ? QStringLiteral("standard output") : outName, why));
    return ExitFailure;
}

// Opens the input file; a file that is none of the kinds is bad usage, one that cannot be
// read a failure.
std::optional<Input> open(const CommandParser& p, const QString& name, int* exit) {
    QString why;
    std::optional<Input> input = openInput(name, &why, exit);
    if (input) return input;
    if (*exit == ExitUsage)
        p.usage(why);
    else
        error(why);
    return std::nullopt;
}

// Writes a header line before the first line of another writer.
class HeaderLineWriter : public TextLines::LineWriter {
  public:
    HeaderLineWriter(const TextLines::LineWriter& lines, std::string header)
        : m_lines(lines), m_header(std::move(header)) {}
    void append(std::string& out, double x, double ppm, double rh,
                double temperature) const override {
        if (!m_written) out += m_header;
        m_written = true;
        m_lines.append(out, x, ppm, rh, temperature);
    }

  private:
    const TextLines::LineWriter& m_lines;
    std::string m_header;
    mutable bool m_written = false;
};

// The header line: the fields' names with their units. The temperature's unit is that of the
// data sets written; a chart or table does not say it.
std::string headerLine(bool iso, char separator, const QString& temperatureUnit) {
    QStringList names;
    if (iso)
        names << QStringLiteral("Time");
    else
        names << QStringLiteral("Date") << QStringLiteral("Time");
    names << QStringLiteral("CO2 (ppm)") << QStringLiteral("Humidity (%RH)")
          << (temperatureUnit.isEmpty() ? QStringLiteral("Temperature")
                                        : QStringLiteral("Temperature (%1)").arg(temperatureUnit));
    return (names.join(QLatin1Char(separator)) + QStringLiteral("\r\n")).toStdString();
}

QString unitOf(const DataSetStore& store, int k) {
    return store.temperatureUnit[size_t(k)] != 0 ? QStringLiteral("°F") : QStringLiteral("°C");
}
} // namespace

int setsCommand(const QStringList& args) {
    CommandParser p(QStringLiteral("sets"), QStringLiteral("sets FILE.732|- [--format F]"),
                    QStringLiteral("Lists the data sets of a collection file (by its name, .732, "
                                   "or its content; - reads standard input): the columns of the "
                                   "\"Data Sets\" list, tab-separated, after a header line; or "
                                   "CSV or JSON with ISO dates and '.' as decimal separator."));
    p.parser.addPositionalArgument(QStringLiteral("FILE.732"), QStringLiteral("Collection file."));
    const QCommandLineOption format = listFormatOption();
    p.parser.addOption(format);
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;
    const QStringList files = p.parser.positionalArguments();
    if (files.size() != 1) return p.usage(QStringLiteral("one collection file, please"));
    const std::optional<ListFormat> listFormat = parseListFormat(p.parser.value(format));
    if (!listFormat) return p.usage(QStringLiteral("--format is text, csv or json"));

    QString why;
    std::optional<Input> input = openInput(files[0], &why, &exit);
    if (!input && exit != ExitUsage) {
        error(why);
        return exit;
    }
    char separator = 0;
    if (!input || (input->kind != InputKind::Collection &&
                   contentKind(*input->device, &separator) != InputKind::Collection))
        return p.usage(QStringLiteral("%1: not a .732 collection file")
                           .arg(input ? input->shownName : files[0]));
    const std::optional<DataSetStore> store = readCollection(*input, &why);
    if (!store) {
        error(why);
        return ExitFailure;
    }
    printDataSets(*store, *listFormat);
    return ExitOk;
}

int exportCommand(const QStringList& args) {
    CommandParser p(
        QStringLiteral("export"),
        QStringLiteral("export FILE.732|FILE.ghf|FILE.txt|FILE.csv|- [--set N|--all] "
                       "-o OUT.csv|OUT.txt|- [--format csv|txt] [--iso] [--header]"),
        QStringLiteral(
            "Writes the points of a chart as text lines, as the window's Save does: date, time, "
            "ppm, %RH, temperature, with \" OL\", \" -OL\" and \"----\" for values out of range "
            "or missing; tab-separated for .txt, comma-separated for .csv, no header line "
            "unless asked for.\n"
            "A collection file gives data set N (1 when not told), or every data set one after "
            "the other with --all. A chart file gives its chart; a text or CSV table gives its "
            "rows as \"Output Tabular to graph\" charts them (tables written with --iso too). A "
            "file is known by its extension, or else by its content; - is standard input, and "
            "-o - standard output."));
    p.parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to export."));
    const QCommandLineOption set(QStringLiteral("set"),
                                 QStringLiteral("Data set N of a collection file (from 1)."),
                                 QStringLiteral("N"));
    const QCommandLineOption all(QStringLiteral("all"),
                                 QStringLiteral("Every data set of a collection file."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The text (.txt) or CSV (.csv) file to write; "
                                                   "- for standard output."),
                                    QStringLiteral("OUT"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("csv or txt: the lines' separator for "
                                                   "standard output (csv when not told)."),
                                    QStringLiteral("csv|txt"));
    const QCommandLineOption iso(
        QStringLiteral("iso"),
        QStringLiteral("One ISO 8601 timestamp with its UTC offset (2026-03-14T09:26:53+01:00) "
                       "in place of the date and time fields, and '.' as decimal separator."));
    const QCommandLineOption header(QStringLiteral("header"),
                                    QStringLiteral("A first line with the fields' names and "
                                                   "units."));
    p.parser.addOptions({set, all, output, format, iso, header});
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;

    const QStringList files = p.parser.positionalArguments();
    if (files.size() != 1) return p.usage(QStringLiteral("one file to export, please"));
    if (!p.parser.isSet(output)) return p.usage(QStringLiteral("-o OUT.csv|OUT.txt|- is missing"));
    const QString outName = p.parser.value(output);
    QString outExt = TextLines::lowerExtension(outName);
    if (p.parser.isSet(format)) {
        const QString f = QLatin1Char('.') + p.parser.value(format).toLower();
        if (f != QLatin1String(".csv") && f != QLatin1String(".txt"))
            return p.usage(QStringLiteral("--format is csv or txt"));
        if (outName != StandardStream && f != outExt)
            return p.usage(QStringLiteral("--format %1 is not what %2 is")
                               .arg(p.parser.value(format), outName));
        outExt = f;
    } else if (outName == StandardStream) {
        outExt = QStringLiteral(".csv");
    }
    if (outExt != QLatin1String(".csv") && outExt != QLatin1String(".txt"))
        return p.usage(QStringLiteral("%1: the output is a .csv or .txt file").arg(outName));
    if (p.parser.isSet(set) && p.parser.isSet(all))
        return p.usage(QStringLiteral("--set and --all exclude each other"));
    int setNumber = 1;
    if (!parseSet(p, set, &setNumber, &exit)) return exit;
    const char separator = outExt == QLatin1String(".csv") ? TextLines::Comma : TextLines::Tab;

    std::optional<Input> input = open(p, files[0], &exit);
    if (!input) return exit;
    if (input->kind != InputKind::Collection && (p.parser.isSet(set) || p.parser.isSet(all)))
        return p.usage(QStringLiteral("--set and --all are for collection files"));

    installTemplateReader();
    chart::Chart chart;
    PointColumns gathered;
    ChartPoints points;
    QString unit;
    QString why;
    if (input->kind == InputKind::Collection) {
        const std::optional<DataSetStore> store = readCollection(*input, &why);
        if (!store) {
            error(why);
            return ExitFailure;
        }
        const int first = p.parser.isSet(all) ? 0 : setNumber - 1;
        const int last = p.parser.isSet(all) ? store->count() - 1 : setNumber - 1;
        if (first >= store->count()) {
            error(QStringLiteral("%1 holds %2 data sets, not %3")
                      .arg(input->shownName)
                      .arg(store->count())
                      .arg(setNumber));
            return ExitFailure;
        }
        unit = unitOf(*store, first);
        for (int k = first; k <= last; ++k) {
            chartDataSet(chart, *store, k);
            gathered.append(chartPoints(chart));
            if (unitOf(*store, k) != unit) unit = QStringLiteral("°C or °F");
        }
        points = gathered.points();
    } else {
        if (!chartFile(chart, *input, 1, &why)) {
            error(why);
            return ExitFailure;
        }
        points = chartPoints(chart);
    }

    std::unique_ptr<TextLines::LineWriter> writer;
    if (p.parser.isSet(iso))
        writer = std::make_unique<IsoLineWriter>(separator);
    else
        writer = std::make_unique<TextLines::ChartLineWriter>(
            TextLines::ChartLineWriter::forSystem(separator));
    std::unique_ptr<HeaderLineWriter> withHeader;
    if (p.parser.isSet(header)) {
        withHeader = std::make_unique<HeaderLineWriter>(
            *writer, headerLine(p.parser.isSet(iso), separator, unit));
    }
    const TextLines::LineWriter& lines = withHeader ? *withHeader : *writer;
    std::string text;
    for (int i = 1; i <= points.count() && appendChartLine(text, points, i, lines); ++i) {
    }
    return writeOutput(outName, QByteArray::fromStdString(text));
}

int plotCommand(const QStringList& args) {
    CommandParser p(
        QStringLiteral("plot"),
        QStringLiteral("plot FILE.732|FILE.ghf|FILE.txt|FILE.csv|- [--set N] "
                       "-o OUT.png|OUT.pdf|OUT.svg|- [--format png|pdf|svg] [--size WxH]"),
        QStringLiteral("Draws the program's chart of a file (the same chart, colours and axes "
                       "as its graph windows) into a picture. A file is known by its extension, "
                       "or else by its content; - is standard input, and -o - standard "
                       "output."));
    p.parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to chart."));
    const QCommandLineOption set(
        QStringLiteral("set"), QStringLiteral("Data set N of a collection file (1 when not told)."),
        QStringLiteral("N"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The picture: .png, .pdf or .svg; - for "
                                                   "standard output."),
                                    QStringLiteral("OUT"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("png, pdf or svg: the picture's format for "
                                                   "standard output (png when not told)."),
                                    QStringLiteral("png|pdf|svg"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Picture size in pixels (PDF: points); "
                                                 "1024x600 when not told."),
                                  QStringLiteral("WxH"));
    p.parser.addOptions({set, output, format, size});
    int exit = ExitOk;
    if (!p.parse(args, &exit)) return exit;

    const QStringList files = p.parser.positionalArguments();
    if (files.size() != 1) return p.usage(QStringLiteral("one file to chart, please"));
    if (!p.parser.isSet(output))
        return p.usage(QStringLiteral("-o OUT.png|OUT.pdf|OUT.svg|- is missing"));
    const QString outName = p.parser.value(output);
    std::optional<PictureFormat> picture;
    if (p.parser.isSet(format)) {
        picture = pictureFormat(p.parser.value(format));
        if (!picture || p.parser.value(format).contains(QLatin1Char('.')))
            return p.usage(QStringLiteral("--format is png, pdf or svg"));
        if (outName != StandardStream && pictureFormat(outName) != picture)
            return p.usage(QStringLiteral("--format %1 is not what %2 is")
                               .arg(p.parser.value(format), outName));
    } else {
        picture = outName == StandardStream ? PictureFormat::Png : pictureFormat(outName);
    }
    if (!picture)
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
    int setNumber = 1;
    if (!parseSet(p, set, &setNumber, &exit)) return exit;

    std::optional<Input> input = open(p, files[0], &exit);
    if (!input) return exit;
    if (input->kind != InputKind::Collection && p.parser.isSet(set))
        return p.usage(QStringLiteral("--set is for collection files"));

    installTemplateReader();
    chart::Chart chart;
    chart.resize(width, height);
    QString why;
    if (!chartFile(chart, *input, setNumber, &why)) {
        error(why);
        return ExitFailure;
    }
    const QByteArray bytes = drawPicture(*chart.plot(), *picture, width, height);
    if (bytes.isEmpty()) {
        error(QStringLiteral("%1: the picture could not be drawn").arg(outName));
        return ExitFailure;
    }
    return writeOutput(outName, bytes);
}

} // namespace cli
