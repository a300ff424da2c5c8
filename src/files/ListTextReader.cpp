#include "files/ListTextReader.h"

#include "files/TextLines.h"

#include <cstring>

namespace {
// Enough bytes to hold MaxLineChars characters of UTF-8, plus a carriage return.
constexpr size_t LineKeepBytes = TextLines::MaxLineChars * 4 + 1;

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

} // namespace

// ---------------------------------------------------------------------------------------------

bool ListTextReader::splitLine(std::string_view line, char separator, const RowSink& sink) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = keptPart(line);
    size_t sep = line.find(separator);
    if (sep == std::string_view::npos) return false;
    std::string_view fields[MaxFields];
    int n = 0;
    while (n < MaxFields) {
        if (sep == std::string_view::npos) {
            if (!line.empty()) fields[n++] = line;
            break;
        }
        fields[n++] = line.substr(0, sep);
        line.remove_prefix(sep + 1);
        sep = line.find(separator);
    }
    sink(std::span<const std::string_view>(fields, static_cast<size_t>(n)));
    return true;
}

void ListTextReader::takeLine(std::string_view line) {
    if (!splitLine(line, m_separator, m_sink)) m_ended = true;
}

bool ListTextReader::feed(std::string_view bytes) {
    size_t pos = 0;
    while (!m_ended && pos < bytes.size()) {
        const void* hit = std::memchr(bytes.data() + pos, '\n', bytes.size() - pos);
        if (!hit) {
            // The line goes on in the next chunk.
            if (!m_skipping) {
                m_partial.append(bytes.data() + pos, bytes.size() - pos);
                if (m_partial.size() > LineKeepBytes) {
                    // Long enough to decide: take the kept part now, skip the rest of the line.
                    takeLine(m_partial);
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
            takeLine(m_partial);
            m_partial.clear();
        } else {
            takeLine(segment);
        }
        pos = end + 1;
    }
    return !m_ended;
}

void ListTextReader::finish() {
    if (!m_ended && !m_skipping && !m_partial.empty()) takeLine(m_partial);
    m_partial.clear();
    m_skipping = false;
}
