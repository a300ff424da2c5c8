#include "link/RecordingTransport.h"

#include "files/SafeFile.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cstring>

namespace {

TransportOp asked(TransportOp::Kind kind, int first = 0, int second = 0,
                  std::span<const uint8_t> sent = {}) {
    TransportOp op;
    op.kind = kind;
    op.first = first;
    op.second = second;
    op.sent.assign(sent.begin(), sent.end());
    return op;
}

// The text in a serial-string buffer, up to its zero byte.
std::vector<uint8_t> serialText(std::span<const char> buffer) {
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return {buffer.begin(), end};
}

} // namespace

// ---- recording

RecordingTransport::RecordingTransport(Transport& inner, const QString& path, RecordSaving saving)
    : m_inner(inner) {
    QString why;
    if (saving == RecordSaving::Whole) {
        auto file = std::make_unique<QSaveFile>(path);
        if (SafeFile::openForWriting(*file, &why)) m_file = std::move(file);
    } else {
        auto file = std::make_unique<QFile>(path);
        if (file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            m_file = std::move(file);
        else
            why = file->errorString();
    }
    if (!m_file) {
        m_error = QStringLiteral("Cannot write the recording %1: %2").arg(path, why);
        return;
    }
    const char head[] = "# Q7320 USB traffic: one transport operation per line, bytes in hex\n";
    m_file->write(head, qint64(sizeof head - 1));
    m_file->flush();
}

RecordingTransport::~RecordingTransport() = default;

void RecordingTransport::write(const TransportOp& op) {
    if (!m_file) return;
    const std::string line = op.line() + '\n';
    QString why;
    if (!SafeFile::writeAll(*m_file, line.data(), static_cast<qint64>(line.size()), &why) ||
        !m_file->flush()) {
        if (why.isEmpty()) why = m_file->errorString();
        if (auto* whole = dynamic_cast<QSaveFile*>(m_file.get())) whole->cancelWriting();
        m_error =
            QStringLiteral("Writing the recording %1 failed: %2").arg(m_file->fileName(), why);
        m_file.reset();
    }
}

bool RecordingTransport::finish(QString* why) {
    if (m_file) {
        const QString name = m_file->fileName();
        QString reason;
        if (auto* whole = dynamic_cast<QSaveFile*>(m_file.get());
            whole && !SafeFile::commit(*whole, &reason))
            m_error = QStringLiteral("Writing the recording %1 failed: %2").arg(name, reason);
        m_file.reset();
    }
    if (why) *why = m_error;
    return m_error.isEmpty();
}

int RecordingTransport::open(uint16_t vendorId, uint16_t productId) {
    TransportOp op = asked(TransportOp::Open, vendorId, productId);
    op.result = m_inner.open(vendorId, productId);
    write(op);
    return op.result;
}

int RecordingTransport::setTimeouts(int first, int second) {
    TransportOp op = asked(TransportOp::Timeouts, first, second);
    op.result = m_inner.setTimeouts(first, second);
    write(op);
    return op.result;
}

int RecordingTransport::writeCommand(std::span<const uint8_t> frame) {
    TransportOp op = asked(TransportOp::Command, 0, 0, frame);
    op.result = m_inner.writeCommand(frame);
    write(op);
    return op.result;
}

int RecordingTransport::writeBlock(std::span<const uint8_t> block) {
    TransportOp op = asked(TransportOp::Block, 0, 0, block);
    op.result = m_inner.writeBlock(block);
    write(op);
    return op.result;
}

void RecordingTransport::flush() {
    m_inner.flush();
    write(asked(TransportOp::Flush));
}

int RecordingTransport::readReply(std::span<uint8_t> buffer) {
    TransportOp op = asked(TransportOp::Reply, static_cast<int>(buffer.size()));
    op.result = m_inner.readReply(buffer);
    op.received.assign(buffer.begin(), buffer.end());
    write(op);
    return op.result;
}

void RecordingTransport::close() {
    m_inner.close();
    write(asked(TransportOp::Close));
}

void RecordingTransport::readSerialString(std::span<char> buffer) {
    TransportOp op = asked(TransportOp::Serial, static_cast<int>(buffer.size()));
    m_inner.readSerialString(buffer);
    op.received = serialText(buffer);
    write(op);
}

// ---- replay

ReplayTransport::ReplayTransport(const QString& path) : m_path(path) {
    QFile file(path);
    QString why;
    if (!SafeFile::openForReading(file, &why)) {
        m_error = QStringLiteral("Cannot read the recording %1: %2").arg(path, why);
        return;
    }
    int lineNumber = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(1 << 16);
        ++lineNumber;
        std::string why;
        std::string_view text(line.constData(), static_cast<std::size_t>(line.size()));
        if (text.ends_with('\n')) text.remove_suffix(1);
        if (text.ends_with('\r')) text.remove_suffix(1); // a recording edited elsewhere
        auto op = parseTransportOp(text, &why);
        if (op) {
            m_ops.push_back({std::move(*op), lineNumber});
        } else if (!why.empty()) {
            m_error = QStringLiteral("The recording %1 is damaged at line %2: %3")
                          .arg(path)
                          .arg(lineNumber)
                          .arg(QString::fromStdString(why));
            m_ops.clear();
            return;
        }
    }
}

const TransportOp* ReplayTransport::play(const TransportOp& op) {
    if (!m_error.isEmpty()) return nullptr;
    const QString sent = QString::fromStdString(op.request());
    if (m_next >= m_ops.size()) {
        m_error = QStringLiteral("Replay of %1: the program sent \"%2\" after the end of the "
                                 "recording")
                      .arg(m_path, sent);
        return nullptr;
    }
    const Recorded& r = m_ops[m_next];
    if (r.op.request() != op.request()) {
        m_error = QStringLiteral("Replay of %1 departs from the recording at line %2: the "
                                 "recording has \"%3\", the program sent \"%4\"")
                      .arg(m_path)
                      .arg(r.lineNumber)
                      .arg(QString::fromStdString(r.op.request()), sent);
        return nullptr;
    }
    ++m_next;
    return &r.op;
}

int ReplayTransport::open(uint16_t vendorId, uint16_t productId) {
    const TransportOp* r = play(asked(TransportOp::Open, vendorId, productId));
    return r ? r->result : -1;
}

int ReplayTransport::setTimeouts(int first, int second) {
    const TransportOp* r = play(asked(TransportOp::Timeouts, first, second));
    return r ? r->result : -1;
}

int ReplayTransport::writeCommand(std::span<const uint8_t> frame) {
    const TransportOp* r = play(asked(TransportOp::Command, 0, 0, frame));
    return r ? r->result : -1;
}

int ReplayTransport::writeBlock(std::span<const uint8_t> block) {
    const TransportOp* r = play(asked(TransportOp::Block, 0, 0, block));
    return r ? r->result : -1;
}

void ReplayTransport::flush() {
    play(asked(TransportOp::Flush));
}

int ReplayTransport::readReply(std::span<uint8_t> buffer) {
    const TransportOp* r = play(asked(TransportOp::Reply, static_cast<int>(buffer.size())));
    if (!r) return -1;
    std::copy_n(r->received.begin(), std::min(r->received.size(), buffer.size()), buffer.begin());
    return r->result;
}

void ReplayTransport::close() {
    play(asked(TransportOp::Close));
}

void ReplayTransport::readSerialString(std::span<char> buffer) {
    if (buffer.empty()) return;
    std::fill(buffer.begin(), buffer.end(), '\0');
    const TransportOp* r = play(asked(TransportOp::Serial, static_cast<int>(buffer.size())));
    if (!r) return;
    std::copy_n(r->received.begin(), std::min(r->received.size(), buffer.size() - 1),
                buffer.begin());
}
