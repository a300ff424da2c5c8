#include "realtime/RealTimeJournal.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RealTime {
namespace {
constexpr char Magic[8] = {'Q', '7', '3', '2', '0', 'R', 'T', 'J'};
constexpr uint32_t Version = 1;

// Little-endian, bounds-checked by the callers' size checks.
void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void putU64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t getU32(std::span<const uint8_t> b, size_t off) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(b[off + i]) << (8 * i);
    return v;
}
uint64_t getU64(std::span<const uint8_t> b, size_t off) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= static_cast<uint64_t>(b[off + i]) << (8 * i);
    return v;
}
void putF64(uint8_t* p, double d) {
    uint64_t v;
    std::memcpy(&v, &d, 8);
    putU64(p, v);
}
void putF32(uint8_t* p, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    putU32(p, v);
}
double getF64(std::span<const uint8_t> b, size_t off) {
    const uint64_t v = getU64(b, off);
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}
float getF32(std::span<const uint8_t> b, size_t off) {
    const uint32_t v = getU32(b, off);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

void syncFolderOf(const QString& path) {
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

uint32_t crc32(std::span<const uint8_t> bytes) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t b : bytes)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> encodeJournalHeader(const JournalHeader& h) {
    std::vector<uint8_t> b(JournalHeaderSize, 0);
    std::memcpy(b.data(), Magic, 8);
    putU32(&b[8], Version);
    putU32(&b[12], JournalRecordSize);
    putF64(&b[16], h.startTime);
    putU32(&b[24], static_cast<uint32_t>(h.interval));
    putU32(&b[28], static_cast<uint32_t>(h.count));
    putU32(&b[60], crc32(std::span(b).first(60)));
    return b;
}

std::vector<uint8_t> encodeJournalRecord(uint32_t index, const Sample& s) {
    std::vector<uint8_t> b(JournalRecordSize, 0);
    putU32(&b[0], index);
    putF64(&b[4], s.time);
    putU32(&b[12], static_cast<uint32_t>(s.ppm));
    putF32(&b[16], s.rh);
    putF32(&b[20], s.temp);
    b[24] = s.flags;
    putU32(&b[28], crc32(std::span(b).first(28)));
    return b;
}

std::optional<JournalContents> decodeJournal(std::span<const uint8_t> bytes) {
    if (bytes.size() < JournalHeaderSize) return std::nullopt;
    if (std::memcmp(bytes.data(), Magic, 8) != 0) return std::nullopt;
    if (getU32(bytes, 60) != crc32(bytes.first(60))) return std::nullopt;
    if (getU32(bytes, 8) != Version || getU32(bytes, 12) != JournalRecordSize) return std::nullopt;

    JournalContents out;
    out.header.startTime = getF64(bytes, 16);
    out.header.interval = static_cast<int32_t>(getU32(bytes, 24));
    out.header.count = static_cast<int32_t>(getU32(bytes, 28));

    size_t off = JournalHeaderSize;
    out.samples.reserve((bytes.size() - off) / JournalRecordSize);
    while (off + JournalRecordSize <= bytes.size()) {
        const auto rec = bytes.subspan(off, JournalRecordSize);
        if (getU32(rec, 28) != crc32(rec.first(28)) ||
            getU32(rec, 0) != static_cast<uint32_t>(out.samples.size()))
            break;
        Sample s;
        s.time = getF64(rec, 4);
        s.ppm = static_cast<int32_t>(getU32(rec, 12));
        s.rh = getF32(rec, 16);
        s.temp = getF32(rec, 20);
        s.flags = rec[24];
        out.samples.push_back(s);
        off += JournalRecordSize;
    }
    out.damagedTail = off != bytes.size();
    return out;
}

std::optional<JournalContents> readJournal(const QString& path) {
    // A journal name that leads to a device or a pipe would otherwise be read for ever at start.
    if (!QFileInfo(path).isFile()) return std::nullopt;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray data = f.read(MaxJournalBytes);
    return decodeJournal(std::span(reinterpret_cast<const uint8_t*>(data.constData()),
                                   static_cast<size_t>(data.size())));
}

JournalWriter::~JournalWriter() {
    close();
}

void JournalWriter::reset(const QString& path, bool headerOnDisk, uint32_t recordsOnDisk) {
    close();
    m_path = path;
    m_headerOnDisk = headerOnDisk;
    // A journal taken over may have a damaged tail: it is cut off before anything is appended.
    m_tailUnsure = headerOnDisk;
    m_base = recordsOnDisk;
    m_onDisk = recordsOnDisk;
    m_samples.clear();
    m_error.clear();
}

bool JournalWriter::start(const QString& path, const JournalHeader& header, bool syncEachRecord) {
    reset(path, false, 0);
    m_header = header;
    m_sync = syncEachRecord;
    return flush();
}

bool JournalWriter::resume(const QString& path, uint32_t goodRecords, bool syncEachRecord) {
    reset(path, true, goodRecords);
    m_sync = syncEachRecord;
    return flush();
}

bool JournalWriter::append(const Sample& s) {
    if (m_path.isEmpty()) return false;
    m_samples.push_back(s);
    return flush();
}

bool JournalWriter::retry() {
    if (m_path.isEmpty()) return false;
    return flush();
}

qint64 JournalWriter::goodBytes() const {
    return JournalHeaderSize + qint64(m_onDisk) * JournalRecordSize;
}

bool JournalWriter::fail(int error) {
    m_error = QString::fromLocal8Bit(std::strerror(error));
    close();
    m_tailUnsure = true;
    return false;
}

// Opens the file for appending; a file that never got its header, or that has gone, is
// written anew (header first) when every sample is still at hand.
bool JournalWriter::openFile() {
    const QByteArray name = QFile::encodeName(m_path);
    if (m_headerOnDisk) {
        m_fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (m_fd >= 0) {
            m_tailUnsure = true; // whatever an earlier failed write left goes first
            return true;
        }
        if (errno != ENOENT || m_base > 0) return fail(errno);
        m_headerOnDisk = false;
        m_onDisk = 0;
    }
    m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd < 0) return fail(errno);
    m_tailUnsure = false;
    if (!writeAll(encodeJournalHeader(m_header))) return false;
    if (::fsync(m_fd) != 0) return fail(errno);
    syncFolderOf(m_path);
    m_headerOnDisk = true;
    return true;
}

bool JournalWriter::flush() {
    // A journal deleted under the writer (a tidied data folder) would take the samples with
    // it: start it again under its name.
    struct stat st;
    if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && st.st_nlink == 0) close();
    if (m_fd < 0 && !openFile()) return false;
    // Whatever a failed write left after the last whole record goes first.
    if (m_tailUnsure) {
        if (::ftruncate(m_fd, goodBytes()) != 0) return fail(errno);
        m_tailUnsure = false;
    }
    const uint32_t before = m_onDisk;
    while (m_onDisk < records()) {
        if (!writeAll(encodeJournalRecord(m_onDisk, m_samples[m_onDisk - m_base]))) return false;
        ++m_onDisk;
    }
    if (m_sync && m_onDisk != before && ::fdatasync(m_fd) != 0) {
        // Not known to be on the disk: write these again at the next try.
        m_onDisk = before;
        return fail(errno);
    }
    m_error.clear();
    return true;
}

bool JournalWriter::writeAll(std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(errno);
        if (n == 0) return fail(ENOSPC);
        done += static_cast<size_t>(n);
    }
    return true;
}

void JournalWriter::close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

void JournalWriter::discard() {
    close();
    if (!m_path.isEmpty()) QFile::remove(m_path);
    reset(QString(), false, 0);
}

} // namespace RealTime
