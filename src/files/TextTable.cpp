#include "files/TextTable.h"

#include "files/TextLines.h"

#include <cstring>

namespace {
// Enough bytes to hold MaxLineChars characters of UTF-8, plus a carriage return.
constexpr size_t LineKeepBytes = TextLines::MaxLineChars * 4 + 1;

uint16_t readU16(const char* p) {
    return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8));
}

// The line cut after its first MaxLineChars characters (UTF-8).
std::string_view keptPart(std::string_view line) {
    if (line.size() <= static_cast<size_t>(TextLines::MaxLineChars)) return line;
    int chars = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if ((static_cast<uint8_t>(line[i]) & 0xC0) != 0x80) {
            if (chars == TextLines::MaxLineChars) return line.substr(0, i);
            ++chars;
        }
    }
    return line;
}

QString decode(std::string_view bytes) {
    if (bytes.empty()) return {};
    QString s = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // Not UTF-8 (a file from an older tool, in a single-byte code page): take the bytes as they
    // are.
    if (s.contains(QChar::ReplacementCharacter) &&
        bytes.find("\xEF\xBF\xBD") == std::string_view::npos)
        s = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return s;
}
} // namespace

// ---------------------------------------------------------------------------------------------

std::string_view TextTable::field(size_t row, int col) const {
    if (row >= m_rowStart.size() || col < 0) return {};
    const char* p = m_bytes.data() + m_rowStart[row];
    const int count = static_cast<uint8_t>(*p++);
    if (col >= count) return {};
    for (int i = 0; i < col; ++i)
        p += 2 + readU16(p);
    return {p + 2, readU16(p)};
}

int TextTable::fieldCount(size_t row) const {
    return row < m_rowStart.size() ? static_cast<uint8_t>(m_bytes[m_rowStart[row]]) : 0;
}

void TextTable::appendRow(std::span<const std::string_view> fields) {
    m_rowStart.push_back(m_bytes.size());
    const size_t count = std::min<size_t>(fields.size(), MaxFields);
    m_bytes.push_back(static_cast<char>(count));
    for (size_t i = 0; i < count; ++i) {
        const size_t len = std::min<size_t>(fields[i].size(), 0xFFFF);
        m_bytes.push_back(static_cast<char>(len & 0xFF));
        m_bytes.push_back(static_cast<char>(len >> 8));
        m_bytes.append(fields[i].data(), len);
    }
}

void TextTable::clear() {
    m_bytes.clear();
    m_rowStart.clear();
}

// ---------------------------------------------------------------------------------------------

bool ListTextReader::addLine(std::string_view line, char separator, TextTable& table) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = keptPart(line);
    size_t sep = line.find(separator);
    if (sep == std::string_view::npos) return false;
    std::string_view fields[TextTable::MaxFields];
    int n = 0;
    while (n < TextTable::MaxFields) {
        if (sep == std::string_view::npos) {
            if (!line.empty()) fields[n++] = line;
            break;
        }
        fields[n++] = line.substr(0, sep);
        line.remove_prefix(sep + 1);
        sep = line.find(separator);
    }
    table.appendRow(std::span<const std::string_view>(fields, static_cast<size_t>(n)));
    return true;
}

void ListTextReader::takeLine(std::string_view line, TextTable& table) {
    if (!addLine(line, m_separator, table)) m_ended = true;
}

bool ListTextReader::feed(std::string_view bytes, TextTable& table) {
    size_t pos = 0;
    while (!m_ended && pos < bytes.size()) {
        const void* hit = std::memchr(bytes.data() + pos, '\n', bytes.size() - pos);
        if (!hit) {
            // The line goes on in the next chunk.
            if (!m_skipping) {
                m_partial.append(bytes.data() + pos, bytes.size() - pos);
                if (m_partial.size() > LineKeepBytes) {
                    // Long enough to decide: take the kept part now, skip the rest of the line.
                    takeLine(m_partial, table);
                    m_partial.clear();
                    m_skipping = true;
                }
            }
            break;
        }
        const size_t end = static_cast<const char*>(hit) - bytes.data();
        const std::string_view segment = bytes.substr(pos, end - pos);
        if (m_skipping) {
            m_skipping = false;
        } else if (!m_partial.empty()) {
            m_partial.append(segment);
            takeLine(m_partial, table);
            m_partial.clear();
        } else {
            takeLine(segment, table);
        }
        pos = end + 1;
    }
    return !m_ended;
}

void ListTextReader::finish(TextTable& table) {
    if (!m_ended && !m_skipping && !m_partial.empty()) takeLine(m_partial, table);
    m_partial.clear();
    m_skipping = false;
}

// ---------------------------------------------------------------------------------------------

TextTableModel::TextTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TextTableModel::setTable(TextTable table) {
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
}

QString TextTableModel::cellText(int row, int column) const {
    if (row < 0 || static_cast<size_t>(row) >= m_table.rowCount()) return {};
    if (column == 0) return QString::number(row + 1);
    return decode(m_table.field(static_cast<size_t>(row), column - 1));
}

int TextTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_table.rowCount());
}

int TextTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TextTable::MaxFields + 1;
}

QVariant TextTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return cellText(index.row(), index.column());
}

QVariant TextTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return section < m_headers.size() ? m_headers.at(section) : QString();
    return section + 1;
}
