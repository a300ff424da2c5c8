#pragma once
// The live reading: what the meter's display shows, decoded from the 64-byte reply to 'A'.
#include <cstdint>
#include <span>

// Bits of OverRangeFlags (reply byte 6, kept as received).
enum OverRangeBit : uint8_t {
    OverCo2 = 0x01,       // CO2 over range
    OverRh = 0x02,        // %RH over range
    OverTemp = 0x04,      // temperature over range
    UnderTemp = 0x08,     // temperature under range
    NoRhReading = 0x10,   // %RH has no reading
    NoTempReading = 0x20, // temperature has no reading
};

// The value a float field decodes to when it carries the no-value marker.
constexpr float NoValue = 99999.0f;

struct LiveReading {
    int batteryLevel = 0;         // 0..3; kept when the reply sets no battery bit
    bool batteryReported = false; // the last reply set a battery bit
    bool fahrenheit = false;
    bool alarm = false;
    bool alarmHigh = false;
    bool alarmLow = false;
    bool meterRecording = false; // kept while memory is full
    bool memoryFull = false;
    bool hold = false;
    bool modeBlink = false;
    bool showMin = false;
    bool showMax = false;
    bool showStel = false;
    bool showTwa = false;
    bool allModes = false;
    bool co2Dashes = false;
    uint8_t OverRangeFlags = 0;

    int32_t co2Ppm = 0;    // measured CO2
    float temperature = 0; // measured temperature, in the display unit
    float humidity = 0;    // displayed %RH

    // Display counts: ppm, tenths of %RH, tenths of a degree in the display unit.
    int32_t co2Shown = 0;
    int32_t humidityShown = 0;
    int32_t temperatureShown = 0;
    // Held values (same units), and the held temperature in tenths of a degree F for the
    // range test of the display.
    int32_t co2Held = 0;
    int32_t humidityHeld = 0;
    int32_t temperatureHeld = 0;
    int32_t temperatureHeldForRangeTest = 0;
    // The held %RH / temperature fields carried the no-value marker.
    bool humidityHeldNoValue = false;
    bool temperatureHeldNoValue = false;

    bool operator==(const LiveReading&) const = default;
};

constexpr size_t LiveReplySize = 64;

// A live reply is framed by 0x02 in byte 0 and 0x03 in byte 63.
bool isValidLiveReply(std::span<const uint8_t> reply);

// Decodes a valid live reply into reading, replacing every field except those the meter leaves
// to the previous reading (battery level without a battery bit, meter recording while memory is
// full). Returns false and leaves reading alone when the reply is not valid.
bool decodeLiveReply(std::span<const uint8_t> reply, LiveReading& reading);
