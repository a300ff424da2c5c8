#include "files/TextFiles.h"

#include "files/SaveFile.h"
#include "logger/ListTableModel.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QSaveFile>
#include <charconv>

namespace {
// Lines are gathered and written in blocks of about this many bytes; progress is reported and
// Cancel looked at once per block.
constexpr size_t BlockBytes = 1 << 16;

bool flush(QSaveFile& file, std::string& buffer, QString* error) {
    const bool ok =
        SaveFile::writeAll(file, buffer.data(), static_cast<qint64>(buffer.size()), error);
    buffer.clear();
    return ok;
}

TextOutcome fail(QSaveFile& file, QString* error) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return TextOutcome::Failed;
}

// A write that failed has already said why.
TextOutcome failWritten(QSaveFile& file) {
    file.cancelWriting();
    return TextOutcome::Failed;
}

// Writes lines first..last through a save file, a block at a time. appendLine(i, buffer)
// appends line i; false ends the file before that line. Progress gets the lines done after
// each block and once at the end; a failed write or a cancel leaves no file behind.
template <class AppendLine>
TextOutcome writeLines(const QString& fileName, int first, int last, size_t lineReserve,
                       const AppendLine& appendLine, const ProgressFn& progress, QString* error,
                       qint64* linesWritten = nullptr) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) return fail(file, error);
    std::string buffer;
    buffer.reserve(BlockBytes + lineReserve);
    qint64 done = 0;
    for (int i = first; i <= last; ++i) {
        if (!appendLine(i, buffer)) break;
        ++done;
        if (buffer.size() >= BlockBytes) {
            if (!flush(file, buffer, error)) return failWritten(file);
            if (progress && !progress(done)) {
                file.cancelWriting();
                return TextOutcome::Cancelled;
            }
        }
    }
    if (!flush(file, buffer, error)) return failWritten(file);
    if (progress && !progress(done)) {
        file.cancelWriting();
        return TextOutcome::Cancelled;
    }
    if (!file.commit()) return fail(file, error);
    if (linesWritten) *linesWritten = done;
    return TextOutcome::Done;
}
} // namespace

ChartPoints ChartPoints::fromCells(std::span<const double> x, std::span<const float> y,
                                   int points) {
    const size_t n = static_cast<size_t>(std::max(points, 0));
    auto ySubset = [&](size_t k) {
        return y.size() >= (k + 1) * n ? y.subspan(k * n, n) : std::span<const float>();
    };
    return {x.size() >= n ? x.first(n) : std::span<const double>(), ySubset(0), ySubset(1),
            ySubset(2)};
}

TextOutcome writeChartText(const QString& fileName, const ChartPoints& points,
                           const TextLines::Range& range, const TextLines::LineWriter& writer,
                           const ProgressFn& progress, QString* error, qint64* linesWritten) {
    const auto line = [&](int i, std::string& buffer) {
        const size_t p = static_cast<size_t>(i - 1);
        const double x = points.x[p];
        if (x == 0) return false; // the points not yet recorded
        const auto y = [&](std::span<const float> s) {
            return p < s.size() ? static_cast<double>(s[p]) : 99999.0;
        };
        writer.append(buffer, x, y(points.ppm), y(points.rh), y(points.temperature));
        return true;
    };
    return writeLines(fileName, std::max(range.first, 1), std::min(range.last, points.count()), 256,
                      line, progress, error, linesWritten);
}

TextOutcome writeListText(const QString& fileName, const QAbstractItemModel& grid,
                          const TextLines::Range& range, char separator, const ProgressFn& progress,
                          QString* error) {
    const int columns = grid.columnCount();
    const auto line = [&](int row, std::string& buffer) {
        // Grid row r (after the header row) is model row r - 1.
        for (int c = 1; c < columns; ++c) {
            buffer += grid.data(grid.index(row - 1, c)).toString().toUtf8().toStdString();
            buffer.push_back(separator);
        }
        buffer += "\r\n";
        return true;
    };
    return writeLines(fileName, range.first, std::min(range.last, grid.rowCount()), 1024, line,
                      progress, error);
}

TextOutcome readListText(const QString& fileName, char separator, const RowSink& sink,
                         const ProgressFn& progress) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return TextOutcome::Failed;
    qint64 rows = 0;
    ListTextReader reader(separator, [&](std::span<const std::string_view> fields) {
        ++rows;
        sink(fields);
    });
    std::string chunk(1 << 18, '\0');
    for (;;) {
        const qint64 n = file.read(chunk.data(), static_cast<qint64>(chunk.size()));
        if (n <= 0) break;
        if (!reader.feed(std::string_view(chunk.data(), static_cast<size_t>(n)))) break;
        if (progress && !progress(rows)) return TextOutcome::Cancelled;
    }
    reader.finish();
    if (progress) progress(rows);
    return TextOutcome::Done;
}

RowSink listGridSink(ListTableModel& grid) {
    return [&grid, row = 0](std::span<const std::string_view> fields) mutable {
        ++row;
        char number[16];
        const auto r = std::to_chars(number, number + sizeof number, row);
        std::string_view cells[ListTextReader::MaxFields + 1];
        cells[0] = std::string_view(number, static_cast<size_t>(r.ptr - number));
        const size_t n = std::min<size_t>(fields.size(), ListTextReader::MaxFields);
        for (size_t i = 0; i < n; ++i)
            cells[i + 1] = fields[i];
        const std::span<const std::string_view> all(cells, n + 1);
        if (grid.gridRowCount() - 1 < row)
            grid.appendRowUtf8(all);
        else
            grid.setRowUtf8(row, all);
    };
}
