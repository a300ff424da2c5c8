// Arbitrary bytes as a logger memory image: the decoder must neither crash nor read outside
// the image, and what it stores must be consistent with what it was given.
#include "logger/MemoryDecoder.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QDateTime now(QDate(2026, 1, 2), QTime(3, 4, 5));
    DataSetStore store;
    const int result = DecodeMemory(std::span<const uint8_t>(data, size), store, now);
    if (result != DecodeOk) {
        if (store.count() != 0) std::abort();
        return 0;
    }
    size_t samples = 0;
    for (int k = 0; k < store.count(); ++k) {
        if (store.endOffset[k] > static_cast<int64_t>(size) + 1) std::abort();
        if (store.interval[k] < 1 || store.interval[k] > 3660) std::abort();
        samples += static_cast<size_t>(store.sampleCount[k]);
    }
    if (store.values.size() != 3 * samples || store.times.size() != 3 * samples) std::abort();
    if (3 * samples * 8 > 3 * size) std::abort(); // never more samples than bytes allow
    return 0;
}
