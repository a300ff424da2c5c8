// Any bytes as a real-time recovery journal: the reader never reads past the bytes present,
// and every sample it returns is one whole record that re-encodes to the same bytes.
#include "realtime/RealTimeJournal.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace RealTime;
    const auto journal = decodeJournal(std::span<const uint8_t>(data, size));
    if (!journal) return 0;
    const size_t used = JournalHeaderSize + journal->samples.size() * JournalRecordSize;
    if (used > size || journal->damagedTail != (used != size)) abort();
    for (size_t i = 0; i < journal->samples.size(); ++i) {
        const auto rec = encodeJournalRecord(uint32_t(i), journal->samples[i]);
        // Bytes 25..27 are padding the reader does not look at.
        const uint8_t* at = data + JournalHeaderSize + i * JournalRecordSize;
        if (std::memcmp(rec.data(), at, 25) != 0) abort();
    }
    return 0;
}
