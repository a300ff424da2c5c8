#pragma once
// Transport decorators for recording USB traffic and playing it back (format: TransportLog.h).
//
// RecordingTransport passes every operation to the transport it wraps and writes the operation,
// its bytes and its result to a text file, one line each, flushed at once. As it goes (the
// window's way), the recording survives a crash or an unplugged meter; as a whole (the command
// line's way, where the recording is one of the command's output files), it is written beside
// its name and put in place by finish(), so that a failed or unfinished one leaves nothing.
//
// ReplayTransport stands in for the meter: each operation must ask what the next line of the
// recording asked, and gets the recorded result and bytes. At the first operation that departs
// from the recording (or runs past its end) it stops: errorText() says where and how, and from
// then on every operation fails as if the meter had been unplugged.
#include "link/Transport.h"
#include "link/TransportLog.h"

#include <QFileDevice>
#include <QString>
#include <memory>
#include <vector>

enum class RecordSaving { AsItGoes, Whole };

class RecordingTransport : public Transport {
  public:
    RecordingTransport(Transport& inner, const QString& path,
                       RecordSaving saving = RecordSaving::AsItGoes);
    ~RecordingTransport() override;

    // False when the file could not be created or a write failed; the operations still reach
    // the meter.
    bool ok() const { return m_error.isEmpty(); }
    QString errorText() const { return m_error; }
    Transport& inner() const { return m_inner; }
    // Ends the recording: a whole recording is put in place now. False: *why says what went
    // wrong, and a whole recording left nothing.
    bool finish(QString* why);

    int open(uint16_t vendorId, uint16_t productId) override;
    int setTimeouts(int first, int second) override;
    int writeCommand(std::span<const uint8_t> frame) override;
    int writeBlock(std::span<const uint8_t> block) override;
    void flush() override;
    int readReply(std::span<uint8_t> buffer) override;
    void close() override;
    void readSerialString(std::span<char> buffer) override;

  private:
    void write(const TransportOp& op);

    Transport& m_inner;
    std::unique_ptr<QFileDevice> m_file;
    QString m_error;
};

class ReplayTransport : public Transport {
  public:
    explicit ReplayTransport(const QString& path);

    // True until the program departs from the recording (or the file was unreadable).
    bool ok() const { return m_error.isEmpty(); }
    QString errorText() const { return m_error; }
    // Every recorded operation has been played.
    bool atEnd() const { return m_next == m_ops.size(); }

    int open(uint16_t vendorId, uint16_t productId) override;
    int setTimeouts(int first, int second) override;
    int writeCommand(std::span<const uint8_t> frame) override;
    int writeBlock(std::span<const uint8_t> block) override;
    void flush() override;
    int readReply(std::span<uint8_t> buffer) override;
    void close() override;
    void readSerialString(std::span<char> buffer) override;

  private:
    // The recorded operation that answers `asked`, or null after a departure.
    const TransportOp* play(const TransportOp& asked);

    struct Recorded {
        TransportOp op;
        int lineNumber;
    };
    QString m_path;
    std::vector<Recorded> m_ops;
    std::size_t m_next = 0;
    QString m_error;
};
