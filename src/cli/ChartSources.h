#pragma once
// The charts the file subcommands work on, made by the window's own code: a data set of a
// collection file as the "DataLogger" window charts it, a chart file as it opens, and a text
// or CSV table as "Output Tabular to graph" charts it.
#include "files/TextFiles.h"
#include "logger/DataSetStore.h"

#include <QString>
#include <optional>
#include <vector>

namespace chart {
class Chart;
}

namespace cli {

enum class InputKind { Collection, GraphFile, Table };
// By extension (any case): .732, .ghf, .txt / .csv. Null for anything else.
std::optional<InputKind> inputKind(const QString& fileName);

// Reads and decodes a collection file. Null: *why tells what went wrong.
std::optional<DataSetStore> readCollection(const QString& fileName, QString* why);

// Makes chart components find the chart template as the window does.
void installTemplateReader();

// Data set k of the store, charted as the data logger window shows it.
void chartDataSet(chart::Chart& chart, const DataSetStore& store, int k);
// A chart file. False: *why holds the file error.
bool chartGraphFile(chart::Chart& chart, const QString& fileName, QString* why);
// A text (tab) or CSV (comma) table of date, time, ppm, %RH and temperature. False: *why
// holds the message (the file cannot be read, "No data to graph !", a bad first/last date).
bool chartTable(chart::Chart& chart, const QString& fileName, char separator, QString* why);

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
