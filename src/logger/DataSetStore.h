#pragma once
// The data set store: what the last successful decode of the logger memory produced.
// Data sets are numbered 1..count in memory order; list index k = number - 1.
// The flat arrays hold three entries per sample (CO2 ppm, %RH, temperature in the set's unit),
// each set one contiguous run starting at 3 * (n(0) + ... + n(k-1)).
#include <cstdint>
#include <span>
#include <vector>

struct DataSetStore {
    std::vector<double> startTime; // days since 1899-12-30
    std::vector<int32_t> interval; // seconds, 1..3660
    std::vector<int32_t> sampleCount;
    std::vector<uint8_t> temperatureUnit; // 0 = degrees C, other = degrees F
    std::vector<int32_t> co2Offset;
    std::vector<int32_t> rhOffset;          // byte as stored (signed tenths of %RH)
    std::vector<int32_t> temperatureOffset; // byte as stored (signed tenths of degrees F)
    std::vector<int32_t> headerOffset;
    std::vector<int32_t> endOffset;

    std::vector<float> values;
    std::vector<double> times;

    int count() const { return static_cast<int>(sampleCount.size()); }
    // Index of the first flat entry of data set k (0-based).
    size_t firstEntry(int k) const {
        size_t n = 0;
        for (int i = 0; i < k; ++i)
            n += static_cast<size_t>(sampleCount[i]);
        return 3 * n;
    }
    // The 3 * n entries of data set k, one contiguous run each.
    std::span<const float> valuesOf(int k) const {
        return std::span<const float>(values).subspan(firstEntry(k), 3 * size_t(sampleCount[k]));
    }
    std::span<const double> timesOf(int k) const {
        return std::span<const double>(times).subspan(firstEntry(k), 3 * size_t(sampleCount[k]));
    }
    void clear() { *this = DataSetStore(); }
};

// The raw logger memory image as downloaded (or read from a collection file).
using MemoryImage = std::vector<uint8_t>;
