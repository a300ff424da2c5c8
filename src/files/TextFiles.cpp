#include "files/TextFiles.h"

#include "logger/ListTableModel.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QSaveFile>
#include <charconv>

namespace {
// Lines are gathered and written in blocks of about this many bytes; progress is reported and
// Cancel looked at once per block.
constexpr size_t BlockBytes = 1 << 16;

bool flush(QSaveFile& file, std::string& buffer) {
    const qint64 n = static_cast<qint64>(buffer.size());
    const bool ok = file.write(buffer.data(), n) == n;
    buffer.clear();
    return ok;
}

TextOutcome fail(QSaveFile& file, QString* error) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return TextOutcome::Failed;
}
} // namespace

TextOutcome writeChartText(const QString& fileName, const ChartPoints& points,
                           const TextLines::Range& range, const TextLines::ChartLineWriter& writer,
                           const ProgressFn& progress, QString* error, qint64* linesWritten) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) return fail(file, error);
    std::string buffer;
    buffer.reserve(BlockBytes + 256);
    const int last = std::min(range.last, points.count());
    qint64 done = 0;
    for (int p = range.first - 1; p <= last - 1; ++p) {
        if (p < 0) continue;
        const double x = points.x[p];
        if (x == 0) break; // the points not yet recorded
        const auto y = [&](std::span<const float> s) {
            return p < int(s.size()) ? static_cast<double>(s[p]) : 99999.0;
        };
        writer.append(buffer, x, y(points.ppm), y(points.rh), y(points.temperature));
        ++done;
        if (buffer.size() >= BlockBytes) {
            if (!flush(file, buffer)) return fail(file, error);
            if (progress && !progress(done)) {
                file.cancelWriting();
                return TextOutcome::Cancelled;
            }
        }
    }
    if (!flush(file, buffer)) return fail(file, error);
    if (progress && !progress(done)) {
        file.cancelWriting();
        return TextOutcome::Cancelled;
    }
    if (!file.commit()) return fail(file, error);
    if (linesWritten) *linesWritten = done;
    return TextOutcome::Done;
}

TextOutcome writeListText(const QString& fileName, const QAbstractItemModel& grid,
                          const TextLines::Range& range, char separator, const ProgressFn& progress,
                          QString* error) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) return fail(file, error);
    std::string buffer;
    buffer.reserve(BlockBytes + 1024);
    const int columns = grid.columnCount();
    const int last = std::min(range.last, grid.rowCount());
    qint64 done = 0;
    for (int row = range.first; row <= last; ++row) {
        // Grid row r (after the header row) is model row r - 1.
        for (int c = 1; c < columns; ++c) {
            buffer += grid.data(grid.index(row - 1, c)).toString().toUtf8().toStdString();
            buffer.push_back(separator);
        }
        buffer += "\r\n";
        ++done;
        if (buffer.size() >= BlockBytes) {
            if (!flush(file, buffer)) return fail(file, error);
            if (progress && !progress(done)) {
                file.cancelWriting();
                return TextOutcome::Cancelled;
            }
        }
    }
    if (!flush(file, buffer)) return fail(file, error);
    if (progress && !progress(done)) {
        file.cancelWriting();
        return TextOutcome::Cancelled;
    }
    if (!file.commit()) return fail(file, error);
    return TextOutcome::Done;
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
