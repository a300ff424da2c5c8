#include "files/ListTextReader.h"

#include "files/TextLines.h"

#include <cstring>
#include <utility>

namespace {
// Enough bytes to hold MaxLineChars characters of UTF-8, plus a carriage return. What a line
// gives never depends on its bytes past this, so a long line can be decided early.
constexpr size_t KeptBytesMax = TextLines::MaxLineChars * 4;
constexpr size_t LineKeepBytes = KeptBytesMax + 1;

// Length of the well-formed UTF-8 sequence at s[i] (shortest form, no surrogates, at most
// U+10FFFF), or 0 when there is none.
size_t utf8Length(std::string_view s, size_t i) {
    const auto at = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t b = at(i);
    if (b < 0x80) return 1;
    size_t n;
    uint8_t lo = 0x80, hi = 0xBF; // range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    if (at(i + 1) < lo || at(i + 1) > hi) return 0;
    for (size_t k = 2; k < n; ++k)
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    return n;
}

// The line cut after its first MaxLineChars characters, and whether those are Latin-1
// rather than UTF-8. Only the first KeptBytesMax bytes are ever looked at.
struct Kept {
    std::string_view bytes;
    bool latin1 = false;
};
Kept keptPart(std::string_view line) {
    constexpr size_t maxChars = TextLines::MaxLineChars;
    size_t i = 0;
    for (size_t chars = 0; i < line.size() && chars < maxChars; ++chars) {
        if (static_cast<uint8_t>(line[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t n = utf8Length(line, i);
        if (n == 0) return {line.substr(0, std::min(line.size(), maxChars)), true};
        i += n;
    }
    return {line.substr(0, i), false};
}

void appendLatin1AsUtf8(std::string& out, std::string_view bytes) {
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

bool ListTextReader::splitLine(std::string_view line, char separator, const RowSink& sink) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const Kept kept = keptPart(line);
    line = kept.bytes;
    std::string converted;
    if (kept.latin1) {
        appendLatin1AsUtf8(converted, line);
        line = converted;
    }
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
    if (m_ended) return false;
    if (!m_started) {
        // The first four bytes tell the encoding; they may come in separate chunks.
        m_head.append(bytes);
        if (m_head.size() < 4) return true;
        const std::string head = std::move(m_head);
        m_head.clear();
        startDecoding(head);
        return !m_ended;
    }
    if (m_utf16) {
        QString text = m_utf16->decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
        // A surrogate pair cut by the chunk end is kept whole for the next chunk: converted
        // apart, its halves would read differently from the pair.
        if (m_highSurrogate != 0) text.prepend(QChar(std::exchange(m_highSurrogate, 0)));
        if (!text.isEmpty() && text.back().isHighSurrogate()) {
            m_highSurrogate = text.back().unicode();
            text.chop(1);
        }
        feedUtf16(text);
    } else {
        feedLines(bytes);
    }
    return !m_ended;
}

void ListTextReader::startDecoding(std::string_view head) {
    m_started = true;
    const auto starts = [&](const char* mark, size_t n) {
        return head.size() >= n && std::memcmp(head.data(), mark, n) == 0;
    };
    // UTF-16 without a mark: text whose every other byte is a NUL.
    const auto zeroAt = [&](size_t i) { return head.size() >= 4 && head[i] == '\0'; };
    const bool little = zeroAt(1) && zeroAt(3) && head[0] != '\0' && head[2] != '\0';
    const bool big =
        zeroAt(0) && zeroAt(2) && head.size() >= 4 && head[1] != '\0' && head[3] != '\0';
    if (starts("\xEF\xBB\xBF", 3)) {
        head.remove_prefix(3);
    } else if (starts("\xFF\xFE", 2) || starts("\xFE\xFF", 2)) {
        m_utf16.emplace(head[0] == '\xFF' ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        head.remove_prefix(2);
    } else if (little || big) {
        m_utf16.emplace(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    }
    feed(head);
}

void ListTextReader::feedLines(std::string_view bytes) {
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
}

void ListTextReader::feedUtf16(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    feedLines(std::string_view(utf8.constData(), size_t(utf8.size())));
}

void ListTextReader::finish() {
    if (!m_started) {
        const std::string head = std::move(m_head);
        m_head.clear();
        startDecoding(head);
    }
    if (m_highSurrogate != 0 && !m_ended) feedUtf16(QString(QChar(m_highSurrogate)));
    m_highSurrogate = 0;
    if (!m_ended && !m_skipping && !m_partial.empty()) takeLine(m_partial);
    m_partial.clear();
    m_skipping = false;
}
