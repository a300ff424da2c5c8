#pragma once
// The meter's configuration as its 64-byte information reply ('X') carries it, and the texts
// the setup dialog shows for it. The reply mirrors meter memory from address 32, so a setting
// written at address A is found at reply byte A - 32.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

constexpr int InfoReplySize = 64;
constexpr int32_t LoggerMemoryEnd = 258815; // last usable logger memory offset
constexpr int InfoMirrorBase = 32;          // reply byte 0 is meter memory address 32

// Raw fields, decoded without interpretation beyond byte order and sign.
struct MeterInfo {
    uint16_t dataSets = 0;       // bytes 4, 5
    uint32_t lastOffset = 0;     // bytes 6..8, last used logger memory offset
    uint8_t intervalMinutes = 0; // byte 9, BCD
    uint8_t intervalSeconds = 0; // byte 10, BCD
    uint8_t version = 0;         // byte 15, firmware version x 100
    uint16_t col2000 = 0;        // bytes 18, 19
    uint16_t col400 = 0;         // bytes 20, 21
    uint16_t col0 = 0;           // bytes 22, 23
    uint8_t alarmSwitch = 0;     // byte 29, 1 = on
    uint16_t alarmHigh = 0;      // bytes 30, 31
    uint16_t alarmLow = 0;       // bytes 32, 33
    uint16_t altitude = 0;       // bytes 38, 39, metres
    uint8_t unit = 0;            // byte 40, 0 = degrees C
    int8_t rhOffset = 0;         // byte 41, tenths of %RH
    int8_t tempOffset = 0;       // byte 42, tenths of a degree F
    int16_t co2Offset = 0;       // bytes 43, 44, ppm
    uint8_t powerOff = 0;        // byte 48, 0..6
    // Clock, BCD: seconds, minutes, hours, day, month, year within the century.
    uint8_t second = 0, minute = 0, hour = 0, day = 0, month = 0, year = 0;

    bool alarmOn() const { return alarmSwitch == 1; }
    bool fahrenheit() const { return unit != 0; }
};

// Decodes a reply. Null when fewer than 64 bytes are present.
std::optional<MeterInfo> decodeMeterInfo(std::span<const uint8_t> reply);

// What the dialog shows for one reply. Numbers with decimals use the given decimal separator.
struct MeterInfoTexts {
    QString dataSets;        // txtDataSets
    QString memoryAvailable; // txtMemoryAvailable
    QString interval;        // txtInt "mm:ss"
    QString intervalMinutes; // edtInt1
    QString intervalSeconds; // edtInt2
    QString version;         // txtVer
    QString col2000, col400, col0;
    QString alarm;     // txtAlarm "ON" / "OFF"
    int alarmItem = 0; // ComboBox1 item
    QString alarmHigh, alarmLow;
    QString altitude; // txtaltoffset
    QString unit;     // txtUnit "C" / "F"
    bool fahrenheit = false;
    QString rhOffset;                // txtRHoffset
    QString tempOffset;              // txtT1offset, in the meter's unit
    QString co2Offset;               // txtppmoffset
    std::optional<int> powerOffItem; // ComboBox2 item; null leaves it as it was
    QString sleepTime;               // txtSleepTime, empty for an unknown setting
    QString meterTime;               // txtMeterTime "MM/DD/20YY   hh:mm:ss"
};

MeterInfoTexts meterInfoTexts(const MeterInfo& info, QChar decimalPoint = QLatin1Char('.'));

// (258815 - P) / 8 toward zero, never negative.
int32_t memoryAvailable(uint32_t lastOffset);
// A byte as two upper-case hex digits: the two decimal digits of a BCD byte.
QString bcdText(uint8_t value);
// Texts of the power-off setting 0..6; empty for any other value.
QString powerOffText(uint8_t setting);
// The serial string: the buffer's text up to its first zero byte (or its end).
QString serialText(std::span<const char> buffer);
