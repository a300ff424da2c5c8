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
// The longest journal: a recording of the most samples the setup dialog's five digits allow.
constexpr qint64 MaxJournalBytes = JournalHeaderSize + qint64(99999) * JournalRecordSize;

// Byte images, for the writer and for tests.
std::vector<uint8_t> encodeJournalHeader(const JournalHeader& h);
std::vector<uint8_t> encodeJournalRecord(uint32_t index, const Sample& s);
// Reads a journal image; nothing when the header is missing, short or damaged.
std::optional<JournalContents> decodeJournal(std::span<const uint8_t> bytes);
// Reads a journal file; nothing when it is absent, not a regular file or its header is
// unusable. Bytes past MaxJournalBytes are not read.
std::optional<JournalContents> readJournal(const QString& path);

// The writer. Every append goes straight to the operating system (no user-space buffer);
// with syncEachRecord it is also forced to the disk before append returns.
//
// A journal that cannot be written (a read-only or full data folder, a folder that has gone)
// does not stop the recording: the writer keeps every sample of the recording in memory, says
// so through failed() and error(), and at each later append tries again to bring the file up
// to date - cutting a torn last record, or writing the whole journal anew when the file never
// got its header or has gone.
class JournalWriter {
  public:
    JournalWriter() = default;
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Starts a new journal at path, replacing any old one. False when it could not be written
    // yet (see failed()).
    bool start(const QString& path, const JournalHeader& header, bool syncEachRecord = true);
    // Continues an existing journal holding its header and goodRecords whole records (after a
    // restore); whatever follows them is cut off. The writer owns the file from then on, so
    // discard() removes it even when it cannot be written.
    bool resume(const QString& path, uint32_t goodRecords, bool syncEachRecord = true);
    // Appends one sample. True when it and every sample before it are on disk.
    bool append(const Sample& s);
    // Tries again to write what is not on disk yet; true when nothing is left behind.
    bool retry();
    bool isOpen() const { return m_fd >= 0; }
    // Samples (or the header) are waiting in memory because the file could not be written.
    bool failed() const { return !m_error.isEmpty(); }
    // The system's reason for the last failure ("No space left on device").
    QString error() const { return m_error; }
    QString path() const { return m_path; }
    // Samples handed to the writer (resumed ones included) and how many of them are on disk.
    uint32_t records() const { return m_base + uint32_t(m_samples.size()); }
    uint32_t recordsOnDisk() const { return m_onDisk; }
    void close();
    // Closes and deletes the file; the writer is idle afterwards.
    void discard();

  private:
    void reset(const QString& path, bool headerOnDisk, uint32_t recordsOnDisk);
    bool flush();
    bool openFile();
    bool writeAll(std::span<const uint8_t> bytes);
    bool fail(int error);
    qint64 goodBytes() const;

    int m_fd = -1;
    QString m_path;
    JournalHeader m_header;
    bool m_sync = true;
    bool m_headerOnDisk = false;
    bool m_tailUnsure = false; // a failed write may have left a torn record behind
    uint32_t m_base = 0;       // records on disk before a resume, not held in memory
    uint32_t m_onDisk = 0;
    std::vector<Sample> m_samples; // every sample since the start or the resume
    QString m_error;
};

uint32_t crc32(std::span<const uint8_t> bytes);

} // namespace RealTime
