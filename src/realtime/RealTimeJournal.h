#pragma once
// Recovery journal of the real-time recording. A recording can run for days; every sample is
// appended to a small file in the data folder as it is taken, so a crash, a power cut or a
// kill loses at most the sample being written. The file is a 64-byte header (start time,
// interval, chosen count) followed by 32-byte records, each with its own index and CRC, so a
// reader stops cleanly at a torn or damaged last record.
#include "realtime/RealTimeCore.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace RealTime {

struct JournalHeader {
    double startTime = 0; // days since 1899-12-30
    int32_t interval = 0; // seconds
    int32_t count = 0;    // samples asked for
};

struct JournalContents {
    JournalHeader header;
    std::vector<Sample> samples;
    bool damagedTail = false; // bytes after the last good record (torn or corrupt)
};

constexpr int JournalHeaderSize = 64;
constexpr int JournalRecordSize = 32;
inline constexpr char JournalFileName[] = "RealTime.rtj";

// Byte images, for the writer and for tests.
std::vector<uint8_t> encodeJournalHeader(const JournalHeader& h);
std::vector<uint8_t> encodeJournalRecord(uint32_t index, const Sample& s);
// Reads a journal image; nothing when the header is missing, short or damaged.
std::optional<JournalContents> decodeJournal(std::span<const uint8_t> bytes);
// Reads a journal file; nothing when it is absent or its header is unusable.
std::optional<JournalContents> readJournal(const QString& path);

// The writer. Every append goes straight to the operating system (no user-space buffer);
// with syncEachRecord it is also forced to the disk before append returns.
class JournalWriter {
  public:
    JournalWriter() = default;
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Starts a new journal at path, replacing any old one. False when it cannot be written.
    bool start(const QString& path, const JournalHeader& header, bool syncEachRecord = true);
    // Continues an existing journal whose good part is validBytes long with next index n
    // (after a restore); the damaged tail, if any, is cut off.
    bool resume(const QString& path, qint64 validBytes, uint32_t nextIndex,
                bool syncEachRecord = true);
    bool append(const Sample& s);
    bool isOpen() const { return m_fd >= 0; }
    bool failed() const { return m_failed; }
    QString path() const { return m_path; }
    uint32_t records() const { return m_next; }
    void close();
    // Closes and deletes the file.
    void discard();

  private:
    bool writeAll(std::span<const uint8_t> bytes);
    int m_fd = -1;
    QString m_path;
    uint32_t m_next = 0;
    bool m_sync = true;
    bool m_failed = false;
};

uint32_t crc32(std::span<const uint8_t> bytes);

} // namespace RealTime
