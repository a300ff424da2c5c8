#pragma once
// The setup commands on the wire: frame builders for the setup frame buffer, the clock block,
// the "OK" acknowledgement, and the checks of what the user typed, with the program's texts.
//
// Each builder writes only the bytes its command sets; the others keep what the previous
// setup command left in the buffer.
#include "link/Exchange.h" // Frame

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace SetupText {
inline const QString NoConnection = QStringLiteral("There is no connection with meter !");
inline const QString InvalidInput = QStringLiteral("Invalid Input");
inline const QString RhRange = QStringLiteral("invalid data, must between 10.0 and -10.0");
inline const QString TempRangeF = QStringLiteral("invalid data, must between 9.0 and -9.0");
inline const QString TempRangeC = QStringLiteral("invalid data, must between 5.0 and -5.0");
inline const QString Co2Range =
    QStringLiteral("invalid data, must be integer between 400 and -400");
inline const QString AltitudeRange =
    QStringLiteral("invalid data, must be integer between 0 and 3000");
inline const QString AlarmRange =
    QStringLiteral("invalid data, must be integer between 0 and 40000");
inline const QString EraseConfirm =
    QStringLiteral("This will delete all data in the meter, are you sure ?");
} // namespace SetupText

// Meter memory addresses written one byte at a time.
constexpr int32_t RhOffsetAddress = 73;
constexpr int32_t TempOffsetAddress = 74;
constexpr int32_t PowerOffAddress = 80;

constexpr int SetupReplySize = 32;
constexpr int ClockBlockSize = 32;

// Two decimal digits packed in one byte, tens in the high nibble (v in 0..99).
uint8_t bcdByte(int v);

void buildInfoFrame(Frame& f);  // 'X'
void buildClockFrame(Frame& f); // 't', followed by the clock block
void buildEraseFrame(Frame& f); // 'e'
void buildIntervalFrame(Frame& f, uint8_t minutesBcd, uint8_t secondsBcd); // 'I'
void buildWriteByteFrame(Frame& f, int32_t address, uint8_t value);        // 'W'
void buildCo2OffsetFrame(Frame& f, int16_t offset);                        // 'D'
void buildAltitudeFrame(Frame& f, uint16_t metres);                        // 'L'
struct AlarmLimits {
    uint16_t high = 0;
    uint16_t low = 0;
};
void buildAlarmFrame(Frame& f, std::optional<AlarmLimits> limits); // 'F'; null = alarm off

// Writes the clock fields of the 32-byte block; bytes 5 and 11..31 keep what they held.
void fillClockBlock(std::span<uint8_t> block, const QDateTime& now);

// A 32-byte setup reply acknowledges with "OK" at bytes 2 and 3.
bool isAcknowledged(std::span<const uint8_t> reply);

// Integer text: optional blanks around an optional sign and decimal digits, 32-bit range.
std::optional<int32_t> parseInteger(const QString& text);
// Number text with '.' or the given decimal separator, finite, read as a 32-bit float.
std::optional<float> parseFloat(const QString& text, QChar decimalPoint = QLatin1Char('.'));

// The outcome of checking one input: the value to send, or the message to show.
template <typename T> struct Checked {
    std::optional<T> value;
    QString message;
    bool ok() const { return value.has_value(); }
};

struct IntervalBcd {
    uint8_t minutes = 0;
    uint8_t seconds = 0;
};
// mm and ss each 0..60, not both 0.
Checked<IntervalBcd> checkInterval(const QString& minutes, const QString& seconds);
// %RH offset -10.0..10.0 -> the signed byte in tenths.
Checked<uint8_t> checkRhOffset(const QString& text, QChar decimalPoint = QLatin1Char('.'));
// Temperature offset in the meter's unit -> the signed byte in tenths of a degree F.
Checked<uint8_t> checkTempOffset(const QString& text, bool fahrenheit,
                                 QChar decimalPoint = QLatin1Char('.'));
// CO2 offset -400..400. notInteger tells the dialog to mark the command failed as well.
struct Co2Check : Checked<int16_t> {
    bool notInteger = false;
};
Co2Check checkCo2Offset(const QString& text);
// Altitude 0..3000 m.
Checked<uint16_t> checkAltitude(const QString& text);
// Alarm limits 0..40000; a low limit above the high one swaps the two (swapped tells the
// dialog to swap its fields too, also when a limit is then out of range).
struct AlarmCheck : Checked<AlarmLimits> {
    bool swapped = false;
};
AlarmCheck checkAlarm(const QString& high, const QString& low);
