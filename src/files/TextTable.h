#pragma once
// The rows of a text or CSV file as the list window shows them, kept compactly (the bytes of
// the fields and one offset per row), and the reader that fills them line by line.
#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TextTable {
  public:
    // Fields kept per row: the list window's columns 1..7.
    static constexpr int MaxFields = 7;

    size_t rowCount() const { return m_rowStart.size(); }
    // Field col (0-based) of a row; empty when the row has fewer fields.
    std::string_view field(size_t row, int col) const;
    int fieldCount(size_t row) const;
    void appendRow(std::span<const std::string_view> fields);
    void clear();
    size_t bytesUsed() const { return m_bytes.capacity() + m_rowStart.capacity() * sizeof(size_t); }

  private:
    // Per row: a field count byte, then each field as a 2-byte length and its bytes.
    std::string m_bytes;
    std::vector<size_t> m_rowStart;
};

// Reads text lines into a TextTable: at most 179 characters of each line are kept, a line
// without the separator ends the reading, and each line is split at the separator.
class ListTextReader {
  public:
    explicit ListTextReader(char separator) : m_separator(separator) {}

    // Feeds the next bytes of the file; whole lines go into the table. Returns false once the
    // reading has ended (a line without the separator); later bytes are then ignored.
    bool feed(std::string_view bytes, TextTable& table);
    // The end of the file: a last line without a line end is read too.
    void finish(TextTable& table);
    bool ended() const { return m_ended; }

    // One line (without its line end) into the table; false when it has no separator.
    static bool addLine(std::string_view line, char separator, TextTable& table);

  private:
    void takeLine(std::string_view line, TextTable& table);

    char m_separator;
    bool m_ended = false;
    bool m_skipping = false; // the kept part of an overlong line has been taken
    std::string m_partial;   // a line cut by the end of a chunk
};

// The list window's grid over a TextTable: column 0 the row number, columns 1..7 the fields,
// and the header texts given.
class TextTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit TextTableModel(QObject* parent = nullptr);

    void setHeaders(const QStringList& headers) { m_headers = headers; }
    // Takes the rows over (the table is moved).
    void setTable(TextTable table);
    const TextTable& table() const { return m_table; }
    // Cell text as the grid holds it (column 0 the row number).
    QString cellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    TextTable m_table;
    QStringList m_headers;
};
