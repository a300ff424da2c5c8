#pragma once
// Reads the lines of a text or CSV file into list rows: at most 179 characters of each line
// are kept, a line without the separator ends the reading, and each line is split at the
// separator into at most seven fields.
//
// Rows reach the sink as UTF-8. A line that is not valid UTF-8 within its kept part is read
// as Latin-1 (one character a byte), as older programs wrote "°C" and "é". A file that starts
// with a UTF-16 byte order mark (a spreadsheet's "Unicode text"), or whose first characters
// are UTF-16 without one, is decoded from UTF-16; a UTF-8 byte order mark is skipped. The rows
// never depend on how the file arrives in chunks.
#include <QStringDecoder>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Receives the fields of each row read (UTF-8).
using RowSink = std::function<void(std::span<const std::string_view> fields)>;

class ListTextReader {
  public:
    // Fields kept per row: the list window's columns 1..7.
    static constexpr int MaxFields = 7;

    ListTextReader(char separator, RowSink sink)
        : m_separator(separator), m_sink(std::move(sink)) {}

    // Feeds the next bytes of the file; each whole line goes to the sink. Returns false once
    // the reading has ended (a line without the separator); later bytes are then ignored.
    bool feed(std::string_view bytes);
    // The end of the file: a last line without a line end is read too.
    void finish();
    bool ended() const { return m_ended; }

    // One line (without its line end) to the sink; false when it has no separator.
    static bool splitLine(std::string_view line, char separator, const RowSink& sink);

  private:
    void feedLines(std::string_view bytes);
    void feedUtf16(const QString& text);
    void takeLine(std::string_view line);
    void startDecoding(std::string_view head);

    char m_separator;
    RowSink m_sink;
    bool m_ended = false;
    bool m_skipping = false; // the kept part of an overlong line has been taken
    std::string m_partial;   // a line cut by the end of a chunk
    bool m_started = false;  // the byte order mark, if any, has been looked for
    std::string m_head;      // the first bytes, until they can tell a byte order mark
    std::optional<QStringDecoder> m_utf16;
    char16_t m_highSurrogate = 0; // the first half of a pair the last chunk ended with
};
