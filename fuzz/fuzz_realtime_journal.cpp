// Any bytes as a real-time recovery journal: the reader never reads past the bytes present,
// and every sample it returns is one whole record that re-encodes to the same bytes.
//
// Random bytes rarely pass the header's CRC, so the first byte chooses how the rest is used:
//   0: the journal as it stands;
//   1: a valid header made from the next 16 bytes, the rest as records;
//   2: as 1, each whole record with its right CRC (so the index check is reached);
//   3: as 2, each record with its right index too: every whole record must come back.
#include "realtime/RealTimeJournal.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace RealTime;
    if (size == 0) return 0;
    const int mode = data[0] % 4;
    std::vector<uint8_t> image;
    if (mode == 0) {
        image.assign(data + 1, data + size);
    } else {
        JournalHeader h;
        uint8_t fields[16] = {};
        std::memcpy(fields, data + 1, std::min<size_t>(16, size - 1));
        std::memcpy(&h.startTime, fields, 8);
        std::memcpy(&h.interval, fields + 8, 4);
        std::memcpy(&h.count, fields + 12, 4);
        image = encodeJournalHeader(h);
        if (size > 17) image.insert(image.end(), data + 17, data + size);
        for (size_t off = JournalHeaderSize, i = 0; off + JournalRecordSize <= image.size();
             off += JournalRecordSize, ++i) {
            uint8_t* rec = image.data() + off;
            if (mode == 3) putU32(rec, uint32_t(i));
            if (mode >= 2) putU32(rec + 28, crc32(std::span<const uint8_t>(rec, 28)));
        }
    }

    const auto journal = decodeJournal(image);
    if (!journal) {
        if (mode != 0) abort(); // a header made by the encoder is always read
        return 0;
    }
    const size_t used = JournalHeaderSize + journal->samples.size() * JournalRecordSize;
    if (used > image.size() || journal->damagedTail != (used != image.size())) abort();
    if (mode == 3 &&
        journal->samples.size() != (image.size() - JournalHeaderSize) / JournalRecordSize)
        abort();
    for (size_t i = 0; i < journal->samples.size(); ++i) {
        const auto rec = encodeJournalRecord(uint32_t(i), journal->samples[i]);
        // Bytes 25..27 are padding the reader does not look at.
        const uint8_t* at = image.data() + JournalHeaderSize + i * JournalRecordSize;
        if (std::memcmp(rec.data(), at, 25) != 0) abort();
    }
    return 0;
}
