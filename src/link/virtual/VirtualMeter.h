#pragma once
// The virtual meter: a complete meter behind the Transport interface. It receives the same
// 7-byte frames and 32-byte blocks as the real device and answers from its own state, so the
// demo and every test run the program's real exchanges and decoders.
//
// How it answers (frame: 0x02, letter, bytes 2..5, 0x03; frames with other framing are ignored):
//  'K'  32 bytes: 0x02 'K', model text "Q7320" at 2..6, "513" at 23..25, 0x03 at 31.
//  'A'  64 bytes, the live reply: battery bit (byte 1), degrees F (2), alarm / Hi / Lo / REC /
//       memory full / HOLD / mode blink (3), MIN / MAX / STEL / TWA / all modes (4), CO2 dashes
//       (5), over-range flags (6), measured CO2 float (9..12) and temperature s16 tenths of
//       degrees C (13..14), %RH u16 tenths (15..16), displayed CO2 / degrees C / %RH floats
//       (21..32), held CO2 / temperature in the display unit / %RH floats (41..52). A quantity
//       without a reading is sent as 0xFF bytes. Readings drift slowly with the clock and carry
//       the configured offsets. Over range: CO2 above 40000 ppm, %RH above 100, temperature
//       above 100 or below -10 degrees C. Alarm (when switched on): CO2 above the high limit
//       (Hi) or below the low limit (Lo). Memory full: no room for one more sample.
//  'C' 'M' 'N' 'B' 'H' 'E'  the keys, 32 bytes with "OK" at 2..3:
//       'C' degrees C / F (also memory address 72); 'M' steps the statistics display:
//       normal -> all modes (collecting, indicators blink) -> MAX -> MIN -> AVG -> STEL -> TWA ->
//       all modes ...; 'N' leaves it; 'B' backlight; 'H' hold on / off; 'E' recording on / off
//       (starts and ends a data set record in the logger; refused while the memory is full).
//       The reply has no AVG bit: in AVG the mode bits are all clear. The statistics take one
//       sample a second from entering "all modes"; STEL is the CO2 mean of the last 15 minutes,
//       TWA the CO2 time integral divided by 8 hours; %RH and temperature stay current there.
//  'P' n  36 bytes: the block that ends at n x 32 (block n counted from 1), echo n at 32..33,
//       8-bit sum of the data at 34, status 5 at 35; the next 'p' delivers the block from n x 32.
//  'p'  36 bytes: the next block, echoing its number counted from 1. Past the memory: 0xFF.
//  'r'  36 bytes: steps back one block (the next 'p' repeats the last one) and answers like 'P'.
//  'q' 'Q'  no reply: end / abandon the transfer.
//  'X'  64 bytes: memory 32..95 (clock bytes as of now), as the memory holds them.
//  't'  no reply; the 32-byte clock block that follows (BCD s m h d mo . y, 0, "rtc") sets the
//       clock and is answered with "OK" (a block without "rtc" or with no valid date: "ER").
//  'e'  erases the logger (no data sets, last used offset 2815), ends a recording; "OK".
//  'I'  interval minutes / seconds BCD into 41 / 42; "OK".
//  'W'  one byte into the header area (address 32..2815, except the logger's own count and
//       last used offset at 36..40); "OK", elsewhere "ER". Address 72 is the display unit.
//  'D'  CO2 offset into 75..76; 'L' altitude into 70..71; 'F' alarm limits into 62..65 and the
//       switch at 61 on, or switch off for 0xFF 0xFF 0xFF 0xFF; each "OK".
//  Other letters: no reply.
// 32-byte replies: 0x02, letter, "OK" (or "ER"), 0x03 at 31. A read that finds no reply or a
// reply shorter than the buffer fails; a longer reply fills the buffer. Every transport call
// other than open, close and flush fails while the device is closed or unplugged; the serial
// string is then empty. The power-off setting and the altitude are stored, not acted on: the
// virtual meter never switches itself off.
#include "link/Clock.h"
#include "link/Transport.h"
#include "link/virtual/MeterMemory.h"

#include <array>
#include <cmath>
#include <deque>
#include <optional>
#include <string>
#include <vector>

class VirtualMeter : public Transport {
  public:
    explicit VirtualMeter(Clock& clock = Clock::system());

    // Transport
    int open(uint16_t vendorId, uint16_t productId) override;
    int setTimeouts(int first, int second) override;
    int writeCommand(std::span<const uint8_t> frame) override;
    int writeBlock(std::span<const uint8_t> block) override;
    void flush() override;
    int readReply(std::span<uint8_t> buffer) override;
    void close() override;
    void readSerialString(std::span<char> buffer) override;

    // ---- Setting the meter up -------------------------------------------------------------
    // Sensor values (ppm, %RH, degrees C; NaN = no reading) before the configured offsets.
    struct LiveValues {
        double co2 = 0;
        double humidity = 0;
        double temperature = 0;
    };
    void setLiveValues(const LiveValues& values); // holds them until resumeDrift()
    void resumeDrift();
    LiveValues liveValues() const;     // sensor values now
    LiveValues measuredValues() const; // with the offsets, as the meter shows them
    void setBatteryLevel(int level);   // 0..3; -1 sends no battery bit
    // A key pressed on the meter's own case ('C', 'M', 'N', 'B', 'H' or 'E'): the same effect
    // as the key frame, without the link.
    void press(char key);
    void setCo2Dashes(bool on);

    // Replaces the logger contents; sets that do not fit are left out from the end.
    void setLoggerDataSets(const std::vector<LoggedDataSet>& sets);
    // Replaces the memory from address 0 with these bytes (the rest is erased to 0xFF); the
    // configuration and logger then read from it as they stand.
    void setMemory(std::span<const uint8_t> bytes);
    void setMeterTime(const QDateTime& t);
    void setSerialNumber(const std::string& text); // at most 31 characters are sent

    // ---- Reading its state ----------------------------------------------------------------
    struct Config {
        int intervalMinutes = 0; // decoded BCD (-1 when not BCD)
        int intervalSeconds = 0;
        uint8_t intervalMinutesBcd = 0;
        uint8_t intervalSecondsBcd = 0;
        bool fahrenheit = false;
        int rhOffset = 0;          // tenths of %RH
        int temperatureOffset = 0; // tenths of degrees F
        int co2Offset = 0;         // ppm
        int altitude = 0;          // metres
        bool alarmOn = false;
        int alarmHigh = 0;
        int alarmLow = 0;
        int powerOff = 0;
        int dataSetCount = 0;
        int lastUsed = 0;
        int firmware = 0;
    };
    Config config() const;
    QDateTime meterTime() const;

    enum class DisplayMode { Normal, AllModes, Max, Min, Avg, Stel, Twa };
    struct Display {
        DisplayMode mode = DisplayMode::Normal;
        bool hold = false;
        bool fahrenheit = false;
        bool recording = false;
        bool memoryFull = false;
        bool backlight = false;
        bool alarm = false;
        bool alarmHigh = false;
        bool alarmLow = false;
    };
    Display display() const;

    // The whole memory (MeterMemory::Size bytes), clock bytes as of now. No protocol involved.
    const std::vector<uint8_t>& memory() const;
    // What a complete download delivers: the expected size (last used + 1) rounded up to 32,
    // or all of the memory when that is below 256 or above it.
    std::vector<uint8_t> loggerImage() const;
    // The logger contents read back from memory.
    std::vector<LoggedDataSet> loggerDataSets() const;

    // Replies as the meter would send them now, without the transport (and without faults).
    std::array<uint8_t, 64> liveReply() const;
    std::array<uint8_t, 64> infoReply() const;

    // Everything the meter received, in order (frames whose write failed are not here).
    const std::vector<std::array<uint8_t, 7>>& framesReceived() const { return m_frames; }
    const std::vector<std::array<uint8_t, 32>>& blocksReceived() const { return m_blocks; }
    std::string lettersReceived() const; // the command letters of framesReceived(), in order
    void clearLog();

    bool isOpen() const { return m_open; }
    bool isPlugged() const { return m_plugged; }
    int transferCursor() const { return m_cursor; } // offset the next 'p' delivers

    // ---- Faults -----------------------------------------------------------------------------
    enum class Operation { Open, SetTimeouts, WriteCommand, WriteBlock, ReadReply };
    // The next `times` calls of the operation fail. With a letter, only calls for that command
    // count (the frame written; the block after it; the reply read), and the first `skip` of
    // them still succeed. A failed write does not reach the meter; a failed read loses the reply.
    void failNext(Operation op, int times = 1, char letter = 0, int skip = 0);
    int callCount(Operation op) const { return m_calls[int(op)]; }

    enum class ReplyFault {
        Drop,        // the meter acts on the command but sends nothing
        Corrupt,     // every byte of the reply is garbled
        BadChecksum, // memory reply: byte 34 is off by one
        BadStatus,   // memory reply: byte 35 is not 5
        BadEcho,     // memory reply: the block number echo is off by one
        NotOk,       // 32-byte reply: "ER" instead of "OK"
    };
    // The next `times` replies (to that letter, after `skip` of them) carry the fault.
    void faultNextReply(ReplyFault fault, int times = 1, char letter = 0, int skip = 0);
    void clearFaults();

    void unplug(); // every call fails until plug(); the meter keeps its state
    void plug();
    // Pulls the plug just as the matching call is made (that call and all after it fail), for
    // unplugging in the middle of an exchange. Letter and skip as for failNext.
    void unplugAt(Operation op, char letter = 0, int skip = 0);
    void setLatency(uint32_t ms); // clock time spent by every read

  private:
    struct FaultRule {
        int kind; // Operation or ReplyFault, by list
        char letter;
        int skip;
        int times;
    };
    struct Pending {
        char letter;
        std::vector<uint8_t> bytes;
    };

    bool takeFault(std::vector<FaultRule>& rules, int kind, char letter, bool anyLetter = false);
    int callResult(Operation op, char letter); // counts the call; unplug, closed, failure
    void catchUp() const;                      // statistics and recording up to now
    void refreshClock() const;                 // clock bytes of the memory up to now
    LiveValues sensorAt(uint32_t tick) const;
    LiveValues withOffsets(const LiveValues& v) const;
    std::optional<std::vector<uint8_t>> answer(const std::array<uint8_t, 7>& frame);
    std::vector<uint8_t> shortReply(char letter, bool ok) const;
    std::vector<uint8_t> memoryReply(int dataOffset, int echo) const;
    void pressKey(char letter);
    void startRecording();
    void stopRecording();
    void recordSamplesDue() const;
    void updateStatistics() const;
    void resetStatistics() const;
    bool memoryFull() const;

    Clock& m_clock;
    uint32_t m_startTick;
    mutable std::vector<uint8_t> m_memory;
    int64_t m_clockOffsetMs = 0; // meter clock minus the computer clock

    // link
    bool m_plugged = true;
    bool m_open = false;
    uint32_t m_latencyMs = 0;
    std::optional<Pending> m_pending;
    char m_lastLetter = 0;
    bool m_awaitingClockBlock = false;
    int m_cursor = 0;
    std::string m_serial = "Q7320-2611-0042";

    // live
    std::optional<LiveValues> m_fixed;
    int m_battery = 3;
    bool m_co2Dashes = false;

    // display
    DisplayMode m_mode = DisplayMode::Normal;
    bool m_hold = false;
    bool m_backlight = false;
    LiveValues m_held{};
    bool m_recording = false;
    uint32_t m_recordStartTick = 0;
    int m_recordOffset = 0; // where the open record starts

    // statistics of the MAX/MIN/AVG/STEL/TWA display
    struct Stats {
        bool any = false;
        LiveValues max{}, min{}, sum{};
        double weight[3] = {0, 0, 0};
        double twaIntegral = 0;
        std::deque<std::pair<uint32_t, double>> stel; // (tick, CO2) one a second at most
        uint32_t lastTick = 0;
    };
    mutable Stats m_stats;

    // faults and log
    std::vector<FaultRule> m_opFaults;
    std::vector<FaultRule> m_unplugRules;
    std::vector<FaultRule> m_replyFaults;
    int m_calls[5] = {0, 0, 0, 0, 0};
    std::vector<std::array<uint8_t, 7>> m_frames;
    std::vector<std::array<uint8_t, 32>> m_blocks;
};
