#pragma once
// Builds logger memory images byte by byte for the decoder and download tests.
#include <cstdint>
#include <cstring>
#include <vector>

struct SampleBytes {
    float co2 = 400.0f;
    uint16_t temperature = 250; // tenths of degrees C
    uint16_t rh = 500;          // tenths of %RH
};

struct RecordBytes {
    uint8_t date[6] = {0x26, 0x03, 0x14, 0x12, 0x34, 0x56}; // yy mm dd hh nn ss, BCD
    uint8_t intervalMinutes = 0x00;
    uint8_t intervalSeconds = 0x02;
    uint8_t unit = 0;
    int16_t co2Offset = 0;
    uint8_t rhOffset = 0;
    uint8_t temperatureOffset = 0;
    std::vector<SampleBytes> samples;
    int countOverride = -1; // sample count field, when it should differ from samples.size()
};

inline void putBe16(std::vector<uint8_t>& v, size_t off, uint16_t x) {
    v[off] = uint8_t(x >> 8);
    v[off + 1] = uint8_t(x);
}

// Header with the set count at 36 and the last used offset at 38, then the records from 0xB00.
inline std::vector<uint8_t> buildImage(const std::vector<RecordBytes>& records,
                                       int countField = -1) {
    std::vector<uint8_t> img(0xB00, 0);
    for (const RecordBytes& r : records) {
        const size_t b = img.size();
        img.resize(b + 20 + 8 * r.samples.size());
        img[b] = 0xA5;
        img[b + 1] = 0x5A;
        std::memcpy(&img[b + 3], r.date, 6);
        img[b + 9] = r.intervalMinutes;
        img[b + 10] = r.intervalSeconds;
        img[b + 11] = r.unit;
        putBe16(img, b + 12,
               uint16_t(r.countOverride >= 0 ? r.countOverride : int(r.samples.size())));
        putBe16(img, b + 14, uint16_t(r.co2Offset));
        img[b + 16] = r.rhOffset;
        img[b + 17] = r.temperatureOffset;
        size_t p = b + 18;
        for (const SampleBytes& s : r.samples) {
            uint32_t bits;
            std::memcpy(&bits, &s.co2, 4);
            img[p] = uint8_t(bits >> 24);
            img[p + 1] = uint8_t(bits >> 16);
            img[p + 2] = uint8_t(bits >> 8);
            img[p + 3] = uint8_t(bits);
            putBe16(img, p + 4, s.temperature);
            putBe16(img, p + 6, s.rh);
            p += 8;
        }
        img[p] = 0x5A;
        img[p + 1] = 0xA5;
    }
    putBe16(img, 36, uint16_t(countField >= 0 ? countField : int(records.size())));
    const uint32_t last = uint32_t(img.size() - 1);
    img[38] = uint8_t(last >> 16);
    img[39] = uint8_t(last >> 8);
    img[40] = uint8_t(last);
    return img;
}

// A record's CO2 field from raw bytes (for values given as bit patterns).
inline float floatFromBytes(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint32_t bits = uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | d;
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
