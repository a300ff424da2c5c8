#pragma once
// Writing chart points and list rows to text or CSV files, and reading such files back into
// list rows. The loops report progress through a callback that may stop them.
#include "files/ListTextReader.h"
#include "files/TextLines.h"

#include <QString>
#include <functional>
#include <span>

class QAbstractItemModel;
class ListTableModel;

// The points of a chart: X of subset 0 and the Y values of subsets 0, 1 and 2.
struct ChartPoints {
    std::span<const double> x;
    std::span<const float> ppm;
    std::span<const float> rh;
    std::span<const float> temperature;
    int count() const { return static_cast<int>(x.size()); }

    // The points of a chart's cells, stored subset after subset: `points` X values of
    // subset 0 and the Y values of subsets 0..2. A subset the cells do not hold stays empty.
    static ChartPoints fromCells(std::span<const double> x, std::span<const float> y, int points);
};

// Called with the number of lines done so far; returning false stops the loop.
using ProgressFn = std::function<bool(qint64 done)>;

enum class TextOutcome { Done, Cancelled, Failed };

// Appends the line of point `point` (1-based) as the writer makes it. False, with nothing
// appended, at a point whose X is 0: it and the points after it were never recorded.
bool appendChartLine(std::string& out, const ChartPoints& points, int point,
                     const TextLines::LineWriter& writer);

// Writes points first..last (1-based), one line each as the writer makes it (the chart line of
// the Save command, or another format); stops at the first point whose X is 0.
// The file is replaced only when the whole range was written: a cancelled or failed save
// leaves an existing file as it was. error gets the reason of a failure.
TextOutcome writeChartText(const QString& fileName, const ChartPoints& points,
                           const TextLines::Range& range, const TextLines::LineWriter& writer,
                           const ProgressFn& progress, QString* error = nullptr,
                           qint64* linesWritten = nullptr);

// Writes rows first..last (1-based) of a list grid model, columns 1 to the last, each cell
// followed by the separator.
TextOutcome writeListText(const QString& fileName, const QAbstractItemModel& grid,
                          const TextLines::Range& range, char separator, const ProgressFn& progress,
                          QString* error = nullptr);

// Reads a text or CSV file, handing each row to the sink; progress gets the rows read so far.
// Failed: the file cannot be opened (nothing was read). Cancelled: the rows read so far have
// been handed over.
TextOutcome readListText(const QString& fileName, char separator, const RowSink& sink,
                         const ProgressFn& progress);

// A sink that writes rows 1, 2, ... of a list window's grid: column 0 the row number, then the
// fields; rows are added to the grid as needed.
RowSink listGridSink(ListTableModel& grid);
