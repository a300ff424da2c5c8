#include "logger/MemoryReader.h"

#include "link/Exchange.h"
#include "link/Transport.h"

#include <QCoreApplication>
#include <span>

namespace {
constexpr int MemoryReplySize = 36;

uint8_t blockChecksum(std::span<const uint8_t> data) {
    uint8_t sum = 0;
    for (uint8_t b : data)
        sum = static_cast<uint8_t>(sum + b);
    return sum;
}
} // namespace

int transferSizeFor(int64_t expected) {
    if (expected > MaxTransferSize || expected < 256) expected = MaxTransferSize;
    return static_cast<int>((expected + MemoryBlockSize - 1) / MemoryBlockSize * MemoryBlockSize);
}

MemoryReader::MemoryReader(Exchange& exchange, MemoryImage& image)
    : m_exchange(exchange), m_image(image) {}

void abandonTransfer(Exchange& exchange) {
    exchange.transport().flush();
    Frame& f = exchange.mainFrame;
    f[0] = 0x02;
    f[1] = 'Q';
    f[6] = 0x03;
    exchange.transport().writeCommand(f);
}

bool MemoryReader::send(uint8_t letter) {
    Frame& f = m_exchange.mainFrame;
    f[0] = 0x02;
    f[1] = letter;
    f[6] = 0x03;
    if (m_exchange.transport().writeCommand(f) != 0) return false;
    m_exchange.transport().flush();
    return true;
}

bool MemoryReader::readBlock() {
    return m_exchange.transport().readReply(
               std::span<uint8_t>(m_exchange.reply.data(), MemoryReplySize)) == 0;
}

void MemoryReader::appendBlock() {
    const uint8_t* data = m_exchange.reply.data();
    m_image.insert(m_image.end(), data, data + MemoryBlockSize);
}

void MemoryReader::blockReceived(DownloadProgress* progress, bool retryPass) {
    m_remaining -= MemoryBlockSize;
    m_bytesReceived += MemoryBlockSize;
    appendBlock();
    if (progress) progress->received(m_bytesReceived, retryPass);
    if (!retryPass) QCoreApplication::processEvents();
}

int MemoryReader::ReadMemory(DownloadProgress* progress) {
    Transport& t = m_exchange.transport();
    Frame& frame = m_exchange.mainFrame;
    auto& reply = m_exchange.reply;
    m_bytesReceived = 0;
    m_expected = 0;
    m_transfer = 0;
    m_remaining = 0;

    // Start: block 1, then the block that says how much memory is in use.
    t.flush();
    if (t.open(MeterVendorId, MeterProductId) != 0) return ReadOpenFailed;
    if (t.setTimeouts(100, 100) != 0) return ReadTimeoutsFailed;
    frame[2] = 0x00;
    frame[3] = 0x01;
    if (!send('P')) return ReadStartWriteFailed;
    if (!readBlock()) return ReadStartReadFailed;
    if (reply[35] != 5) return ReadStartStatusBad;
    appendBlock();

    if (!send('p') || !readBlock()) {
        t.close();
        return ReadBlockFailed;
    }
    if (blockChecksum(std::span<const uint8_t>(reply.data(), MemoryBlockSize)) != reply[34]) {
        t.close();
        return ReadChecksumBad;
    }
    m_expected = int64_t(reply[6]) * 65536 + reply[7] * 256 + reply[8] + 1;
    m_transfer = transferSizeFor(m_expected);
    if (progress) progress->open(m_transfer);
    m_remaining = m_transfer - 2 * MemoryBlockSize;
    m_bytesReceived = 2 * MemoryBlockSize;
    appendBlock();

    // Main pass. A lost block costs a pause and an 'r'; the next 'p' fetches it again.
    int code = ReadOk;
    int lostInARow = 0;
    while (m_remaining != 0) {
        if (!send('p')) {
            t.close();
            code = ReadBlockFailed;
            break;
        }
        if (readBlock()) {
            lostInARow = 0;
            blockReceived(progress, false);
            if (m_remaining == 0 && !send('q')) code = ReadEndWriteFailed;
            continue;
        }
        m_exchange.delay(1000);
        if (!send('r')) {
            t.close();
            code = ReadBlockFailed;
            break;
        }
        if (!readBlock()) break; // the retry passes take over, code unchanged
        if (++lostInARow >= MaxLostBlocksInARow) break;
    }

    // Retry passes: reposition after the last block received and carry on. A pass that brings
    // no new block counts as failed, so the passes end even when the meter claims more memory
    // than can be read.
    int retries = 0;
    while (m_bytesReceived < m_expected && retries < MaxRetryPasses) {
        code = ReadOk;
        const int before = m_bytesReceived;
        frame[5] = ++m_exchange.sequence;
        send('A');
        t.readReply(std::span<uint8_t>(reply.data(), 32));

        m_exchange.delay(300);
        m_exchange.blockPositioning(m_bytesReceived / MemoryBlockSize);
        m_exchange.delay(300);
        if (m_exchange.blockPositioning(m_bytesReceived / MemoryBlockSize) != 0) {
            code = ReadRetryPositionFailed;
            ++retries;
            continue;
        }
        while (m_remaining != 0) {
            if (!send('p')) {
                t.close();
                code = ReadRetryWriteFailed;
                ++retries;
                break;
            }
            if (!readBlock()) {
                code = ReadRetryReadFailed;
                ++retries;
                break;
            }
            retries = 0;
            blockReceived(progress, true);
        }
        if (code == ReadOk) {
            send('q');
            if (m_bytesReceived == before) ++retries;
        }
    }

    if (progress) progress->close();
    return code;
}
