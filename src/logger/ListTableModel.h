#pragma once
// The cells of a list window's grid, held compactly enough for a million rows.
//
// Rows and columns are numbered as in the grid: row 0 is the header row (shown as the view's
// column headers), rows 1.. are the data rows; column 0 holds the row number. Each row is kept
// as one run of UTF-8 bytes in a shared pool (per cell: a 16-bit length, then the bytes), so a
// row costs its text plus a few bytes instead of one string object per cell. A cell keeps at
// most 65535 bytes of text; a row at most 255 cells.
#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class ListTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit ListTableModel(int columns = 8, int rows = 2, QObject* parent = nullptr);

    int gridRowCount() const { return static_cast<int>(m_rowStart.size()); }
    int gridColumnCount() const { return m_columns; }
    void setGridRowCount(int rows);       // at least 1: the header row stays
    void setGridColumnCount(int columns); // 1..255

    QString cell(int row, int column) const;
    // The cell's UTF-8 bytes, valid until the model changes.
    std::string_view cellUtf8(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    // Replaces a whole row (missing cells are empty; cells past the last column are dropped).
    void setRow(int row, const QStringList& cells);
    void setRowUtf8(int row, std::span<const std::string_view> cells);
    // Adds a row after the last one.
    void appendRow(const QStringList& cells);
    void appendRowUtf8(std::span<const std::string_view> cells);

    // Filling many rows: the views are told once at the end instead of row by row.
    void beginFill();
    void endFill();

    // Bytes held by the cells and the row index (for the figures of the benchmarks).
    size_t memoryUsed() const;

    // The view's model: data rows only, the header row as column headers.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    static constexpr uint64_t NoRow = UINT64_MAX;
    void storeRow(int row, std::span<const std::string_view> cells);
    void rowChanged(int row);
    void compactIfWasteful();

    int m_columns;
    std::vector<uint64_t> m_rowStart; // offset of each row's run in m_pool, or NoRow (all empty)
    std::vector<char> m_pool;
    size_t m_garbage = 0; // bytes of runs that were replaced
    bool m_filling = false;
};
