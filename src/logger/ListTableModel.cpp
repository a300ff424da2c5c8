#include "logger/ListTableModel.h"

#include <algorithm>

namespace {
constexpr size_t MaxCellBytes = 0xFFFF;

// Cuts text at MaxCellBytes without splitting a UTF-8 sequence.
std::string_view clipped(std::string_view s) {
    if (s.size() <= MaxCellBytes) return s;
    size_t n = MaxCellBytes;
    while (n > 0 && (static_cast<uint8_t>(s[n]) & 0xC0) == 0x80)
        --n;
    return s.substr(0, n);
}
} // namespace

ListTableModel::ListTableModel(int columns, int rows, QObject* parent)
    : QAbstractTableModel(parent), m_columns(std::clamp(columns, 1, 255)),
      m_rowStart(static_cast<size_t>(std::max(rows, 1)), NoRow) {}

void ListTableModel::setGridRowCount(int rows) {
    rows = std::max(rows, 1);
    const int old = gridRowCount();
    if (rows == old) return;
    if (m_filling) {
        m_rowStart.resize(static_cast<size_t>(rows), NoRow);
        return;
    }
    if (rows > old) {
        beginInsertRows(QModelIndex(), old - 1, rows - 2);
        m_rowStart.resize(static_cast<size_t>(rows), NoRow);
        endInsertRows();
    } else {
        beginRemoveRows(QModelIndex(), rows - 1, old - 2);
        m_rowStart.resize(static_cast<size_t>(rows));
        endRemoveRows();
    }
}

void ListTableModel::setGridColumnCount(int columns) {
    columns = std::clamp(columns, 1, 255);
    if (columns == m_columns) return;
    beginResetModel();
    m_columns = columns; // cells beyond the count are kept but not shown
    endResetModel();
}

std::string_view ListTableModel::cellUtf8(int row, int column) const {
    if (row < 0 || row >= gridRowCount() || column < 0 || column >= m_columns) return {};
    const uint64_t start = m_rowStart[static_cast<size_t>(row)];
    if (start == NoRow) return {};
    const char* p = m_pool.data() + start;
    const int cells = static_cast<uint8_t>(*p++);
    if (column >= cells) return {};
    for (int c = 0;; ++c) {
        const size_t len = static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8;
        p += 2;
        if (c == column) return {p, len};
        p += len;
    }
}

QString ListTableModel::cell(int row, int column) const {
    const std::string_view s = cellUtf8(row, column);
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

void ListTableModel::storeRow(int row, std::span<const std::string_view> cells) {
    const size_t n = std::min<size_t>(cells.size(), static_cast<size_t>(m_columns));
    uint64_t& start = m_rowStart[static_cast<size_t>(row)];
    if (start != NoRow) {
        // The old run stays in the pool until a compaction.
        const char* p = m_pool.data() + start;
        const int old = static_cast<uint8_t>(*p++);
        size_t bytes = 1;
        for (int c = 0; c < old; ++c) {
            const size_t len = static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8;
            p += 2 + len;
            bytes += 2 + len;
        }
        m_garbage += bytes;
    }
    size_t need = 1;
    for (size_t c = 0; c < n; ++c)
        need += 2 + clipped(cells[c]).size();
    start = m_pool.size();
    m_pool.resize(m_pool.size() + need);
    char* p = m_pool.data() + start;
    *p++ = static_cast<char>(n);
    for (size_t c = 0; c < n; ++c) {
        const std::string_view s = clipped(cells[c]);
        *p++ = static_cast<char>(s.size() & 0xFF);
        *p++ = static_cast<char>(s.size() >> 8);
        std::copy(s.begin(), s.end(), p);
        p += s.size();
    }
    compactIfWasteful();
}

void ListTableModel::compactIfWasteful() {
    if (m_garbage < (1u << 20) || m_garbage < m_pool.size() / 2) return;
    std::vector<char> pool;
    pool.reserve(m_pool.size() - m_garbage);
    for (uint64_t& start : m_rowStart) {
        if (start == NoRow) continue;
        const char* first = m_pool.data() + start;
        const char* p = first;
        const int cells = static_cast<uint8_t>(*p++);
        for (int c = 0; c < cells; ++c)
            p += 2 + (static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8);
        start = pool.size();
        pool.insert(pool.end(), first, p);
    }
    m_pool = std::move(pool);
    m_garbage = 0;
}

void ListTableModel::rowChanged(int row) {
    if (m_filling) return;
    if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
    } else {
        emit dataChanged(index(row - 1, 0), index(row - 1, m_columns - 1));
    }
}

void ListTableModel::setCell(int row, int column, const QString& text) {
    if (row < 0 || row >= gridRowCount() || column < 0 || column >= m_columns) return;
    std::vector<QByteArray> bytes(static_cast<size_t>(m_columns));
    std::vector<std::string_view> cells(static_cast<size_t>(m_columns));
    for (int c = 0; c < m_columns; ++c) {
        if (c == column) {
            bytes[c] = text.toUtf8();
            cells[c] = std::string_view(bytes[c].constData(), bytes[c].size());
        } else {
            cells[c] = cellUtf8(row, c);
        }
    }
    // The views of the old run are copied before the run is replaced.
    std::vector<std::string> copies(cells.begin(), cells.end());
    std::vector<std::string_view> views(copies.begin(), copies.end());
    storeRow(row, views);
    rowChanged(row);
}

void ListTableModel::setRowUtf8(int row, std::span<const std::string_view> cells) {
    if (row < 0 || row >= gridRowCount()) return;
    storeRow(row, cells);
    rowChanged(row);
}

namespace {
// The cells as UTF-8 views, for the row functions that take bytes.
struct Utf8Cells {
    explicit Utf8Cells(const QStringList& cells) {
        bytes.reserve(static_cast<size_t>(cells.size()));
        for (const QString& s : cells) {
            bytes.push_back(s.toUtf8());
            views.emplace_back(bytes.back().constData(), bytes.back().size());
        }
    }
    std::vector<QByteArray> bytes;
    std::vector<std::string_view> views;
};
} // namespace

void ListTableModel::setRow(int row, const QStringList& cells) {
    setRowUtf8(row, Utf8Cells(cells).views);
}

void ListTableModel::appendRowUtf8(std::span<const std::string_view> cells) {
    const int row = gridRowCount();
    if (m_filling) {
        m_rowStart.push_back(NoRow);
        storeRow(row, cells);
        return;
    }
    beginInsertRows(QModelIndex(), row - 1, row - 1);
    m_rowStart.push_back(NoRow);
    storeRow(row, cells);
    endInsertRows();
}

void ListTableModel::appendRow(const QStringList& cells) {
    appendRowUtf8(Utf8Cells(cells).views);
}

void ListTableModel::beginFill() {
    if (m_filling) return;
    beginResetModel();
    m_filling = true;
}

void ListTableModel::endFill() {
    if (!m_filling) return;
    m_filling = false;
    endResetModel();
}

size_t ListTableModel::memoryUsed() const {
    return m_pool.capacity() + m_rowStart.capacity() * sizeof(uint64_t);
}

int ListTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : gridRowCount() - 1;
}

int ListTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return cell(index.row() + 1, index.column());
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return cell(0, section);
    return section + 1;
}
