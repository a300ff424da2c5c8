#pragma once
// The files the file subcommands read, and the charts they make of them with the window's own
// code: a data set of a collection file as the "DataLogger" window charts it, a chart file as
// it opens, and a text or CSV table as "Output Tabular to graph" charts it.
#include "files/TextFiles.h"
#include "logger/DataSetStore.h"

#include <QIODevice>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace chart {
class Chart;
}

namespace cli {

enum class InputKind { Collection, GraphFile, Table };

// One input, open for reading from its start.
struct Input {
    QString name;      // as given; "-" is standard input
    QString shownName; // for messages: the name, or "standard input"
    InputKind kind = InputKind::Table;
    char separator = '\t'; // a table's
    std::unique_ptr<QIODevice> device;
};

// By extension (any case): .732, .ghf, .txt / .csv. Null for anything else.
std::optional<InputKind> inputKind(const QString& fileName);
// By content: a chart file (its length field matches the file), a collection (it decodes into
// data sets), or a table (its first line holds a tab or a comma, which is then *separator).
std::optional<InputKind> contentKind(QIODevice& device, char* separator);

// Opens a regular file ("-": standard input, read to its end first); a named pipe, device or
// folder is refused, never waited on. The kind is the name's extension, else the content's.
// Null: *why tells why, and *exit is 1 (cannot be read) or 2 (none of the kinds).
std::optional<Input> openInput(const QString& name, QString* why, int* exit);

// Reads and decodes a collection. Null: *why tells what went wrong.
std::optional<DataSetStore> readCollection(Input& input, QString* why);

// Makes chart components find the chart template as the window does.
void installTemplateReader();

// Data set k of the store, charted as the data logger window shows it.
void chartDataSet(chart::Chart& chart, const DataSetStore& store, int k);
// A chart file. False: *why holds the file error.
bool chartGraphFile(chart::Chart& chart, Input& input, QString* why);
// A table of date, time, ppm, %RH and temperature (or of ISO timestamp, ppm, %RH and
// temperature, as "export --iso" writes it). False: *why holds the message (the file cannot
// be read, "No data to graph !", a bad first/last date).
bool chartTable(chart::Chart& chart, QIODevice& in, char separator, QString* why);
bool chartTable(chart::Chart& chart, const QString& fileName, char separator, QString* why);

// One input charted: data set `set` (from 1) of a collection, a chart file, or a table.
// False: *why tells what went wrong.
bool chartFile(chart::Chart& chart, Input& input, int set, QString* why);

// The chart's points as the text writer reads them: X of subset 0, Y of subsets 0..2.
ChartPoints chartPoints(const chart::Chart& chart);

// Points gathered from several charts, one after the other.
struct PointColumns {
    std::vector<double> x;
    std::vector<float> ppm, rh, temperature;
    void append(const ChartPoints& p);
    ChartPoints points() const { return {x, ppm, rh, temperature}; }
};

} // namespace cli
