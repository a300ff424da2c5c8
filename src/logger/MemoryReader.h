#pragma once
// Reading the meter's logger memory over the link, 32 bytes a block, into a memory image:
// a start ('P' for block 1, then the first 'p' whose block carries the expected size), a main
// pass of 'p' requests with an 'r' after each lost block, and up to five retry passes that
// reposition with 'P' and carry on from the last block received.
#include "logger/DataSetStore.h"

#include <cstdint>

class Exchange;

// Result codes of ReadMemory (0 = the memory was read).
enum ReadMemoryCode {
    ReadOk = 0,
    ReadOpenFailed = 1002,
    ReadTimeoutsFailed = 1003,
    ReadStartWriteFailed = 1004,
    ReadStartReadFailed = 1005,
    ReadStartStatusBad = 1006,
    ReadBlockFailed = 123,    // first 'p' lost, or a 'p' / 'r' frame could not be written
    ReadChecksumBad = 177,    // the block that carries the expected size is garbled
    ReadEndWriteFailed = 125, // the closing 'q' could not be written
    ReadRetryPositionFailed = 1260,
    ReadRetryWriteFailed = 1261,
    ReadRetryReadFailed = 1263,
};

constexpr int MemoryBlockSize = 32;
constexpr int MaxTransferSize = 262144;
constexpr int MaxRetryPasses = 5;
// Lost blocks in a row after which the main pass gives the rest to the retry passes (a meter
// that answers 'r' but never 'p' would otherwise keep it going for ever).
constexpr int MaxLostBlocksInARow = 5;

// The bytes a download reads for an expected size: 262144 when it is above that or below 256,
// then rounded up to whole blocks.
int transferSizeFor(int64_t expectedSize);

// What the reader tells the progress display.
class DownloadProgress {
  public:
    virtual ~DownloadProgress() = default;
    virtual void open(int transferSize) = 0;
    // After each block; `repaint` asks for an immediate repaint (the retry passes), otherwise
    // the reader lets pending events run itself.
    virtual void received(int bytesReceived, bool repaint) = 0;
    virtual void close() = 0;
};

// After a failed download: flushes the link and sends 'Q' so that the meter gives up the
// transfer instead of waiting for the next block request.
void abandonTransfer(Exchange& exchange);

class MemoryReader {
  public:
    MemoryReader(Exchange& exchange, MemoryImage& image);

    // Reads the memory, appending every block to the image. Returns 0 or a ReadMemoryCode.
    // The caller holds the exchange interlock for the whole run.
    int ReadMemory(DownloadProgress* progress = nullptr);

    int bytesReceived() const { return m_bytesReceived; }
    int64_t expectedSize() const { return m_expected; }
    int transferSize() const { return m_transfer; }

  private:
    // Writes the main frame with this letter (other bytes as they stand) and flushes on success.
    bool send(uint8_t letter);
    bool readBlock(); // 36 bytes into the exchange's reply buffer
    void appendBlock();
    void blockReceived(DownloadProgress* progress, bool retryPass);

    Exchange& m_exchange;
    MemoryImage& m_image;
    int m_bytesReceived = 0;
    int64_t m_expected = 0;
    int m_transfer = 0;
    int m_remaining = 0;
};
