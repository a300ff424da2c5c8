#pragma once
// The meter's memory as the meter itself lays it out, without any protocol in between.
//
//   0 ..   31   identification block (model text), not used by the program
//  32 ..   95   configuration; the 'X' reply is a copy of these 64 bytes
//  96 .. 2815   unused header space (0x00)
// 2816 .. 258815 logger: data set records one after the other, then erased bytes (0xFF)
//
// Data set record: 0xA5 0x5A, one unused byte, start date-time (6 BCD bytes: year - 2000,
// month, day, hour, minute, second), interval (BCD minutes, BCD seconds), unit byte
// (0 = degrees C), sample count (u16), CO2 offset (s16), %RH offset (s8, tenths),
// temperature offset (s8, tenths of degrees F), 8 bytes per sample (CO2 float, temperature
// u16 tenths of degrees C, %RH u16 tenths), 0x5A 0xA5. All numbers big-endian.
#include <QDateTime>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace MeterMemory {
constexpr int Size = 262144;
constexpr int InfoStart = 32; // the 'X' reply mirrors 64 bytes from here
constexpr int InfoSize = 64;
constexpr int DataSetCount = 36;    // u16
constexpr int LastUsed = 38;        // u24: offset of the last byte of the last record
constexpr int IntervalMinutes = 41; // BCD
constexpr int IntervalSeconds = 42; // BCD
constexpr int Firmware = 47;        // version x 100
constexpr int Col2000 = 50;         // u16 calibration points
constexpr int Col400 = 52;
constexpr int Col0 = 54;
constexpr int AlarmSwitch = 61;       // 1 = on
constexpr int AlarmHigh = 62;         // u16 ppm
constexpr int AlarmLow = 64;          // u16 ppm
constexpr int Altitude = 70;          // u16 metres
constexpr int TemperatureUnit = 72;   // 0 = degrees C
constexpr int RhOffset = 73;          // s8 tenths of %RH
constexpr int TemperatureOffset = 74; // s8 tenths of degrees F
constexpr int Co2Offset = 75;         // s16 ppm
constexpr int PowerOff = 80;          // 0 = off, 1..6 = 10 min .. 8 h
constexpr int ClockSeconds = 81;      // BCD: seconds, minutes, hours, day, month, weekday, year
constexpr int ClockYear = 87;
constexpr int LoggerStart = 2816;
constexpr int LoggerEnd = 258815; // last byte a record may use
constexpr int EmptyLastUsed = LoggerStart - 1;
constexpr int RecordOverhead = 20;
constexpr int SampleSize = 8;
} // namespace MeterMemory

uint8_t toBcd(int value);  // 0..99
int fromBcd(uint8_t byte); // -1 when a nibble is above 9

// One sample as the logger stores it.
struct LoggedSample {
    float co2 = 0;            // ppm; above 40000 stands for over range
    uint16_t temperature = 0; // tenths of degrees C; 0xFFFF = no reading
    uint16_t humidity = 0;    // tenths of %RH; 0xFFFF = no reading
};

// One data set record, field by field as stored (BCD kept raw so odd bytes can be built).
struct LoggedDataSet {
    std::array<uint8_t, 6> start{0x26, 0x01, 0x01, 0x00, 0x00, 0x00}; // BCD y-2000 m d h m s
    uint8_t intervalMinutes = 0x00;                                   // BCD
    uint8_t intervalSeconds = 0x02;                                   // BCD
    uint8_t unit = 0; // 0 = degrees C, other = degrees F
    int16_t co2Offset = 0;
    int8_t rhOffset = 0;          // tenths of %RH
    int8_t temperatureOffset = 0; // tenths of degrees F
    std::vector<LoggedSample> samples;

    void setStart(const QDateTime& t);
    QDateTime startTime() const; // invalid when the BCD bytes are no date
    void setInterval(int minutes, int seconds);
    int intervalTotalSeconds() const; // as the program reads it (bad BCD falls back, 0 gives 2)
    int recordSize() const {
        return MeterMemory::RecordOverhead + MeterMemory::SampleSize * int(samples.size());
    }
};

// Writes the data set count, the last used offset and the records into a memory of
// MeterMemory::Size bytes and erases everything behind the last record to 0xFF.
// Returns false, leaving the memory as it was, when the records do not fit.
bool writeLoggerRecords(std::span<uint8_t> memory, const std::vector<LoggedDataSet>& sets);

// Encodes one record at memory[offset]; the caller has checked that it fits.
void writeLoggerRecord(std::span<uint8_t> memory, int offset, const LoggedDataSet& set);

// Reads the records back (count and sample counts taken from the memory; stops at the end
// of the logger area). For tests and the meter's own bookkeeping, not the program's decoder.
std::vector<LoggedDataSet> readLoggerRecords(std::span<const uint8_t> memory);

// The factory configuration (interval 00:10, degrees C, no offsets, alarm off at 1000/800 ppm,
// altitude 0, power-off 10 minutes, firmware 1.23), written into bytes 0..2815, with the clock
// bytes set to `clock`. The logger area is left alone.
void writeFactoryConfiguration(std::span<uint8_t> memory, const QDateTime& clock);

// Writes the meter clock bytes (81..87).
void writeClock(std::span<uint8_t> memory, const QDateTime& t);

// The logger contents the virtual meter starts with, chosen to exercise every rule of the
// program's decoder:
//  1. 2026-03-10 08:00:00, 00:02, degrees C, no offsets, 120 samples
//  2. 2026-03-11 13:45:30, 01:30, degrees F, offsets -25 ppm / -1.5 %RH / -0.9 F, 1 sample
//  3. 2026-03-12 09:00:00, 00:10, degrees C, 0 samples
//  4. 2026-03-12 09:05:00, 00:30, degrees C, offsets +50 / +0.5 / +0.3, 3000 samples; sample
//     100 has CO2 45000 (over range), sample 200 has %RH 0xFFFF (no reading)
//  5. 2026-03-13 00:00:00, 60:60, degrees F, offsets -400 / -10.0 / -9.0, 48 samples
std::vector<LoggedDataSet> defaultLoggerDataSets();

// A memory image as a complete download of a factory-configured meter holding these data sets
// delivers it: bytes 0 up to and including the last used byte (no rounding to blocks).
// The clock bytes hold `clock`. Empty when the sets do not fit.
std::vector<uint8_t> buildMemoryImage(const std::vector<LoggedDataSet>& sets,
                                      const QDateTime& clock = QDateTime(QDate(2026, 3, 14),
                                                                         QTime(9, 26, 53)));

// Big-endian helpers for the memory (bounds are the caller's business).
inline void putU16(std::span<uint8_t> m, int at, unsigned v) {
    m[at] = uint8_t(v >> 8);
    m[at + 1] = uint8_t(v);
}
inline void putU24(std::span<uint8_t> m, int at, unsigned v) {
    m[at] = uint8_t(v >> 16);
    m[at + 1] = uint8_t(v >> 8);
    m[at + 2] = uint8_t(v);
}
inline unsigned getU16(std::span<const uint8_t> m, int at) {
    return m[at] << 8 | m[at + 1];
}
inline unsigned getU24(std::span<const uint8_t> m, int at) {
    return m[at] << 16 | m[at + 1] << 8 | m[at + 2];
}
void putFloat(std::span<uint8_t> m, int at, float v);
float getFloat(std::span<const uint8_t> m, int at);
