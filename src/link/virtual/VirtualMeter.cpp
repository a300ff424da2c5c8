#include "link/virtual/VirtualMeter.h"

#include <algorithm>
#include <limits>

using namespace MeterMemory;

namespace {
constexpr double Pi = 3.14159265358979;
constexpr double OverRangeCo2 = 40000; // ppm
constexpr double MaxTemperature = 100; // degrees C, 212 F
constexpr double MinTemperature = -10; // degrees C, 14 F
constexpr uint32_t StelWindowMs = 15 * 60 * 1000;
constexpr double TwaSeconds = 8 * 3600;

bool missing(double v) {
    return std::isnan(v);
}

// A float field, or 0xFF bytes when there is no reading.
void putReading(std::span<uint8_t> r, int at, double v) {
    if (missing(v))
        std::fill_n(r.begin() + at, 4, uint8_t(0xFF));
    else
        putFloat(r, at, float(v));
}

double readingAt(std::span<const uint8_t> r, int at) {
    if (r[at] == 0xFF && r[at + 3] == 0xFF) return std::numeric_limits<double>::quiet_NaN();
    return getFloat(r, at);
}

uint16_t tenthsUnsigned(double v) {
    if (missing(v)) return 0xFFFF;
    return uint16_t(std::clamp<long>(std::lround(v * 10), 0, 0xFFFE));
}
} // namespace

VirtualMeter::VirtualMeter(Clock& clock)
    : m_clock(clock), m_startTick(clock.tickMs()), m_memory(Size, 0xFF) {
    writeFactoryConfiguration(m_memory, m_clock.now());
    writeLoggerRecords(m_memory, defaultLoggerDataSets());
}

// ---- Transport ------------------------------------------------------------------------------

int VirtualMeter::open(uint16_t vendorId, uint16_t productId) {
    catchUp();
    if (vendorId != MeterVendorId || productId != MeterProductId) {
        ++m_calls[int(Operation::Open)];
        return 1;
    }
    if (const int rc = callResult(Operation::Open, 0)) return rc;
    m_open = true;
    return 0;
}

int VirtualMeter::setTimeouts(int, int) {
    return callResult(Operation::SetTimeouts, 0);
}

int VirtualMeter::writeCommand(std::span<const uint8_t> frame) {
    catchUp();
    const char letter = frame.size() > 1 ? char(frame[1]) : 0;
    if (const int rc = callResult(Operation::WriteCommand, letter)) return rc;
    if (frame.size() != 7) return 3;

    std::array<uint8_t, 7> f{};
    std::copy(frame.begin(), frame.end(), f.begin());
    m_frames.push_back(f);
    m_pending.reset(); // a new command makes an unread reply stale
    m_lastLetter = letter;
    m_awaitingClockBlock = false;
    if (f[0] != 0x02 || f[6] != 0x03) return 0; // not a frame: the meter ignores it

    auto reply = answer(f);
    if (!reply) return 0;
    std::vector<uint8_t>& r = *reply;
    const bool memoryShaped = r.size() == 36;
    const bool shortShaped = r.size() == 32;
    if (takeFault(m_replyFaults, int(ReplyFault::Drop), letter)) return 0;
    if (takeFault(m_replyFaults, int(ReplyFault::Corrupt), letter))
        for (auto& b : r)
            b ^= 0x5A;
    if (memoryShaped && takeFault(m_replyFaults, int(ReplyFault::BadChecksum), letter)) ++r[34];
    if (memoryShaped && takeFault(m_replyFaults, int(ReplyFault::BadStatus), letter)) r[35] = 4;
    if (memoryShaped && takeFault(m_replyFaults, int(ReplyFault::BadEcho), letter)) {
        const unsigned echo = getU16(r, 32) + 1;
        putU16(r, 32, echo);
    }
    if (shortShaped && takeFault(m_replyFaults, int(ReplyFault::NotOk), letter)) {
        r[2] = 'E';
        r[3] = 'R';
    }
    m_pending = Pending{letter, std::move(r)};
    return 0;
}

int VirtualMeter::writeBlock(std::span<const uint8_t> block) {
    catchUp();
    const char letter = m_awaitingClockBlock ? 't' : 0;
    if (const int rc = callResult(Operation::WriteBlock, letter)) return rc;
    if (block.size() != 32) return 3;
    std::array<uint8_t, 32> b{};
    std::copy(block.begin(), block.end(), b.begin());
    m_blocks.push_back(b);
    m_pending.reset();
    if (!m_awaitingClockBlock) return 0; // nothing expects a block: ignored
    m_awaitingClockBlock = false;

    bool ok = b[8] == 'r' && b[9] == 't' && b[10] == 'c';
    if (ok) {
        const int sec = fromBcd(b[0]), min = fromBcd(b[1]), hour = fromBcd(b[2]);
        const int day = fromBcd(b[3]), month = fromBcd(b[4]), year = fromBcd(b[6]);
        const QDate d(2000 + year, month, day);
        const QTime t(hour, min, sec);
        ok = year >= 0 && d.isValid() && t.isValid();
        if (ok) setMeterTime(QDateTime(d, t));
    }
    std::vector<uint8_t> r = shortReply('t', ok);
    if (takeFault(m_replyFaults, int(ReplyFault::Drop), 't')) return 0;
    if (takeFault(m_replyFaults, int(ReplyFault::Corrupt), 't'))
        for (auto& x : r)
            x ^= 0x5A;
    if (takeFault(m_replyFaults, int(ReplyFault::NotOk), 't')) {
        r[2] = 'E';
        r[3] = 'R';
    }
    m_pending = Pending{'t', std::move(r)};
    return 0;
}

void VirtualMeter::flush() {
    // Output goes out at once; nothing to do. Input is kept for the read that follows.
}

int VirtualMeter::readReply(std::span<uint8_t> buffer) {
    catchUp();
    if (m_latencyMs > 0) {
        const uint32_t t0 = m_clock.tickMs();
        for (uint32_t spent = 0; spent < m_latencyMs; spent = m_clock.tickMs() - t0)
            m_clock.idle(m_latencyMs - spent);
    }
    const char letter = m_pending ? m_pending->letter : m_lastLetter;
    if (const int rc = callResult(Operation::ReadReply, letter)) {
        m_pending.reset(); // a failed read loses the reply
        return rc;
    }
    if (!m_pending) return 3;
    Pending p = std::move(*m_pending);
    m_pending.reset();
    if (p.bytes.size() < buffer.size()) return 4; // incomplete
    std::copy_n(p.bytes.begin(), buffer.size(), buffer.begin());
    return 0;
}

void VirtualMeter::close() {
    m_open = false;
    m_pending.reset();
    m_awaitingClockBlock = false;
}

void VirtualMeter::readSerialString(std::span<char> buffer) {
    if (buffer.empty()) return;
    if (!m_plugged || !m_open) {
        buffer[0] = 0;
        return;
    }
    const size_t n = std::min(m_serial.size(), buffer.size() - 1);
    std::copy_n(m_serial.begin(), n, buffer.begin());
    buffer[n] = 0;
}

// ---- Commands -------------------------------------------------------------------------------

std::vector<uint8_t> VirtualMeter::shortReply(char letter, bool ok) const {
    std::vector<uint8_t> r(32, 0x00);
    r[0] = 0x02;
    r[1] = uint8_t(letter);
    r[2] = ok ? 'O' : 'E';
    r[3] = ok ? 'K' : 'R';
    r[31] = 0x03;
    return r;
}

std::vector<uint8_t> VirtualMeter::memoryReply(int dataOffset, int echo) const {
    if (dataOffset <= MeterMemory::ClockYear && dataOffset + 32 > MeterMemory::ClockSeconds)
        refreshClock();
    std::vector<uint8_t> r(36, 0xFF);
    uint8_t sum = 0;
    for (int i = 0; i < 32; ++i) {
        const int at = dataOffset + i;
        r[size_t(i)] = at >= 0 && at < Size ? m_memory[size_t(at)] : 0xFF;
        sum = uint8_t(sum + r[size_t(i)]);
    }
    putU16(r, 32, unsigned(echo));
    r[34] = sum;
    r[35] = 5;
    return r;
}

std::optional<std::vector<uint8_t>> VirtualMeter::answer(const std::array<uint8_t, 7>& f) {
    const char letter = char(f[1]);
    switch (letter) {
    case 'K': {
        std::vector<uint8_t> r = shortReply('K', true);
        const char model[] = "Q7320";
        std::copy(model, model + 5, r.begin() + 2);
        r[23] = '5';
        r[24] = '1';
        r[25] = '3';
        return r;
    }
    case 'A': {
        const auto live = liveReply();
        return std::vector<uint8_t>(live.begin(), live.end());
    }
    case 'C':
    case 'M':
    case 'N':
    case 'B':
    case 'H':
    case 'E':
        pressKey(letter);
        return shortReply(letter, true);
    case 'P': {
        const int n = f[2] << 8 | f[3];
        m_cursor = n * 32;
        return memoryReply(std::max(n - 1, 0) * 32, n);
    }
    case 'p': {
        const int at = m_cursor;
        if (m_cursor < 0xFFFF * 32) m_cursor += 32;
        return memoryReply(at, m_cursor / 32);
    }
    case 'r': {
        m_cursor = std::max(m_cursor - 32, 0);
        const int n = m_cursor / 32;
        return memoryReply(std::max(n - 1, 0) * 32, n);
    }
    case 'q':
    case 'Q':
        m_cursor = 0;
        return std::nullopt;
    case 'X': {
        const auto info = infoReply();
        return std::vector<uint8_t>(info.begin(), info.end());
    }
    case 't':
        m_awaitingClockBlock = true;
        return std::nullopt;
    case 'e':
        stopRecording();
        writeLoggerRecords(m_memory, {});
        return shortReply('e', true);
    case 'I':
        m_memory[IntervalMinutes] = f[2];
        m_memory[IntervalSeconds] = f[3];
        return shortReply('I', true);
    case 'W': {
        const int address = f[2] << 16 | f[3] << 8 | f[4];
        // The configuration and header area is writable; the logger is the meter's own.
        const bool ok = address >= InfoStart && address < LoggerStart &&
                        !(address >= DataSetCount && address < IntervalMinutes);
        if (ok) m_memory[size_t(address)] = f[5];
        return shortReply('W', ok);
    }
    case 'D':
        m_memory[Co2Offset] = f[2];
        m_memory[Co2Offset + 1] = f[3];
        return shortReply('D', true);
    case 'F':
        if (f[2] == 0xFF && f[3] == 0xFF && f[4] == 0xFF && f[5] == 0xFF) {
            m_memory[AlarmSwitch] = 0;
        } else {
            m_memory[AlarmSwitch] = 1;
            std::copy(f.begin() + 2, f.begin() + 6, m_memory.begin() + AlarmHigh);
        }
        return shortReply('F', true);
    case 'L':
        m_memory[Altitude] = f[2];
        m_memory[Altitude + 1] = f[3];
        return shortReply('L', true);
    default:
        return std::nullopt;
    }
}

void VirtualMeter::pressKey(char letter) {
    switch (letter) {
    case 'C':
        m_memory[TemperatureUnit] = m_memory[TemperatureUnit] ? 0 : 1;
        break;
    case 'M':
        switch (m_mode) {
        case DisplayMode::Normal:
            m_mode = DisplayMode::AllModes;
            resetStatistics();
            updateStatistics();
            break;
        case DisplayMode::AllModes:
            m_mode = DisplayMode::Max;
            break;
        case DisplayMode::Max:
            m_mode = DisplayMode::Min;
            break;
        case DisplayMode::Min:
            m_mode = DisplayMode::Avg;
            break;
        case DisplayMode::Avg:
            m_mode = DisplayMode::Stel;
            break;
        case DisplayMode::Stel:
            m_mode = DisplayMode::Twa;
            break;
        case DisplayMode::Twa:
            m_mode = DisplayMode::AllModes;
            break;
        }
        break;
    case 'N':
        m_mode = DisplayMode::Normal;
        resetStatistics();
        break;
    case 'B':
        m_backlight = !m_backlight;
        break;
    case 'H':
        if (!m_hold) {
            const auto live = liveReply(); // the displayed fields, as shown at this moment
            m_held = {readingAt(live, 21), readingAt(live, 29), readingAt(live, 25)};
        }
        m_hold = !m_hold;
        break;
    case 'E':
        if (m_recording)
            stopRecording();
        else
            startRecording();
        break;
    default:
        break;
    }
}

// ---- Live values ----------------------------------------------------------------------------

VirtualMeter::LiveValues VirtualMeter::sensorAt(uint32_t tick) const {
    if (m_fixed) return *m_fixed;
    const double t = double(uint32_t(tick - m_startTick)) / 1000.0;
    return {650 + 180 * std::sin(2 * Pi * t / 1800) + 40 * std::sin(2 * Pi * t / 317 + 0.5) +
                6 * std::sin(2 * Pi * t / 23),
            45 + 8 * std::sin(2 * Pi * t / 2400 + 1) + 0.6 * std::sin(2 * Pi * t / 97),
            22.5 + 1.5 * std::sin(2 * Pi * t / 3000 + 2) + 0.1 * std::sin(2 * Pi * t / 61)};
}

VirtualMeter::LiveValues VirtualMeter::withOffsets(const LiveValues& v) const {
    const Config c = config();
    return {v.co2 + c.co2Offset, v.humidity + c.rhOffset / 10.0,
            v.temperature + c.temperatureOffset / 18.0};
}

VirtualMeter::LiveValues VirtualMeter::liveValues() const {
    return sensorAt(m_clock.tickMs());
}

VirtualMeter::LiveValues VirtualMeter::measuredValues() const {
    return withOffsets(liveValues());
}

void VirtualMeter::setLiveValues(const LiveValues& values) {
    catchUp();
    m_fixed = values;
}

void VirtualMeter::resumeDrift() {
    catchUp();
    m_fixed.reset();
}

void VirtualMeter::press(char key) {
    catchUp();
    pressKey(key);
}

void VirtualMeter::setBatteryLevel(int level) {
    m_battery = std::clamp(level, -1, 3);
}

void VirtualMeter::setCo2Dashes(bool on) {
    m_co2Dashes = on;
}

std::array<uint8_t, 64> VirtualMeter::liveReply() const {
    catchUp();
    std::array<uint8_t, 64> r{};
    r[0] = 0x02;
    r[63] = 0x03;
    static constexpr uint8_t batteryBit[4] = {0x08, 0x01, 0x02, 0x04};
    r[1] = m_battery >= 0 ? batteryBit[m_battery] : 0;
    const Display d = display();
    r[2] = d.fahrenheit ? 0x01 : 0x00;
    r[3] = uint8_t((d.alarm ? 0x01 : 0) | (d.alarmHigh ? 0x02 : 0) | (d.alarmLow ? 0x04 : 0) |
                   (d.recording ? 0x08 : 0) | (d.memoryFull ? 0x10 : 0) | (d.hold ? 0x20 : 0) |
                   (d.mode == DisplayMode::AllModes ? 0x40 : 0));
    switch (d.mode) {
    case DisplayMode::Min:
        r[4] = 0x01;
        break;
    case DisplayMode::Max:
        r[4] = 0x02;
        break;
    case DisplayMode::Stel:
        r[4] = 0x04;
        break;
    case DisplayMode::Twa:
        r[4] = 0x08;
        break;
    case DisplayMode::AllModes:
        r[4] = 0x10;
        break;
    default:
        r[4] = 0x00;
        break;
    }
    r[5] = m_co2Dashes ? 0x01 : 0x00;

    const LiveValues m = measuredValues();
    uint8_t over = 0;
    if (!missing(m.co2) && m.co2 > OverRangeCo2) over |= 0x01;
    if (!missing(m.humidity) && m.humidity > 100) over |= 0x02;
    if (!missing(m.temperature) && m.temperature > MaxTemperature) over |= 0x04;
    if (!missing(m.temperature) && m.temperature < MinTemperature) over |= 0x08;
    if (missing(m.humidity)) over |= 0x10;
    if (missing(m.temperature)) over |= 0x20;
    r[6] = over;

    putReading(r, 9, m.co2);
    const long t10 = missing(m.temperature) ? 0x7FFF : std::lround(m.temperature * 10);
    putU16(r, 13, uint16_t(int16_t(std::clamp<long>(t10, -32768, 32767))));
    putU16(r, 15, tenthsUnsigned(m.humidity));

    // What the display shows in the current statistics mode.
    LiveValues shown = m;
    const Stats& s = m_stats;
    if (s.any) {
        auto avg = [&](int i, double sum, double cur) {
            return s.weight[i] > 0 ? sum / s.weight[i] : cur;
        };
        switch (d.mode) {
        case DisplayMode::Max:
            shown = s.max;
            break;
        case DisplayMode::Min:
            shown = s.min;
            break;
        case DisplayMode::Avg:
            shown = {avg(0, s.sum.co2, m.co2), avg(1, s.sum.humidity, m.humidity),
                     avg(2, s.sum.temperature, m.temperature)};
            break;
        case DisplayMode::Stel: {
            double sum = 0;
            for (const auto& e : s.stel)
                sum += e.second;
            shown.co2 = s.stel.empty() ? m.co2 : sum / double(s.stel.size());
            break;
        }
        case DisplayMode::Twa:
            shown.co2 = s.twaIntegral / TwaSeconds;
            break;
        default:
            break;
        }
    }
    putReading(r, 21, shown.co2);
    putReading(r, 25, shown.temperature);
    putReading(r, 29, shown.humidity);

    // The hold register follows the display until HOLD freezes it.
    const LiveValues held = m_hold ? m_held : shown;
    putReading(r, 41, held.co2);
    putReading(r, 45,
               d.fahrenheit && !missing(held.temperature) ? held.temperature * 1.8 + 32
                                                          : held.temperature);
    putReading(r, 49, held.humidity);
    return r;
}

std::array<uint8_t, 64> VirtualMeter::infoReply() const {
    catchUp();
    refreshClock();
    std::array<uint8_t, 64> r{};
    std::copy_n(m_memory.begin() + InfoStart, InfoSize, r.begin());
    return r;
}

// ---- Time, statistics and recording ---------------------------------------------------------

void VirtualMeter::refreshClock() const {
    writeClock(m_memory, meterTime());
}

void VirtualMeter::catchUp() const {
    if (m_mode != DisplayMode::Normal) updateStatistics();
    if (m_recording) recordSamplesDue();
}

void VirtualMeter::resetStatistics() const {
    m_stats = Stats{};
}

void VirtualMeter::updateStatistics() const {
    Stats& s = m_stats;
    const uint32_t now = m_clock.tickMs();
    // One statistics sample a second, each taken from the readings of its own second, so a
    // meter that is asked rarely still sees the peaks in between. A long gap is bridged by
    // its last eight hours, the oldest sample carrying the weight of the seconds before.
    constexpr uint32_t MaxSteps = 8 * 3600;
    auto add = [&](uint32_t tick, double dt) {
        const LiveValues v = withOffsets(sensorAt(tick));
        const double values[3] = {v.co2, v.humidity, v.temperature};
        double* maxes[3] = {&s.max.co2, &s.max.humidity, &s.max.temperature};
        double* mins[3] = {&s.min.co2, &s.min.humidity, &s.min.temperature};
        double* sums[3] = {&s.sum.co2, &s.sum.humidity, &s.sum.temperature};
        for (int i = 0; i < 3; ++i) {
            if (missing(values[i])) continue;
            if (missing(*maxes[i]) || values[i] > *maxes[i]) *maxes[i] = values[i];
            if (missing(*mins[i]) || values[i] < *mins[i]) *mins[i] = values[i];
            *sums[i] += values[i] * dt;
            s.weight[i] += dt;
        }
        if (!missing(v.co2)) {
            s.twaIntegral += v.co2 * dt;
            s.stel.emplace_back(tick, v.co2);
        }
    };
    if (!s.any) {
        constexpr double nan = std::numeric_limits<double>::quiet_NaN();
        s = Stats{};
        s.any = true;
        s.max = s.min = {nan, nan, nan};
        s.lastTick = now;
        add(now, 1);
        s.twaIntegral = 0; // the first sample stands for no time yet
        return;
    }
    const uint32_t steps = (now - s.lastTick) / 1000;
    if (steps == 0) return;
    const uint32_t first = steps > MaxSteps ? steps - MaxSteps + 1 : 1;
    for (uint32_t k = first; k <= steps; ++k)
        add(s.lastTick + k * 1000, k == first ? double(first) : 1.0);
    s.lastTick += steps * 1000;
    while (!s.stel.empty() && s.lastTick - s.stel.front().first > StelWindowMs)
        s.stel.pop_front();
}

bool VirtualMeter::memoryFull() const {
    const int last = int(getU24(m_memory, LastUsed));
    const int room = m_recording ? SampleSize : RecordOverhead + SampleSize;
    return last + room > LoggerEnd;
}

void VirtualMeter::startRecording() {
    if (memoryFull()) return;
    int last = int(getU24(m_memory, LastUsed));
    if (last < EmptyLastUsed) last = EmptyLastUsed;
    const int b = last + 1;
    const Config c = config();
    LoggedDataSet set;
    set.setStart(meterTime());
    set.intervalMinutes = m_memory[IntervalMinutes];
    set.intervalSeconds = m_memory[IntervalSeconds];
    set.unit = m_memory[TemperatureUnit];
    set.co2Offset = int16_t(c.co2Offset);
    set.rhOffset = int8_t(c.rhOffset);
    set.temperatureOffset = int8_t(c.temperatureOffset);
    writeLoggerRecord(m_memory, b, set);
    putU16(m_memory, DataSetCount, getU16(m_memory, DataSetCount) + 1);
    putU24(m_memory, LastUsed, unsigned(b + RecordOverhead - 1));
    m_recordOffset = b;
    m_recordStartTick = m_clock.tickMs();
    m_recording = true;
    recordSamplesDue();
}

void VirtualMeter::stopRecording() {
    m_recording = false;
}

void VirtualMeter::recordSamplesDue() const {
    const int b = m_recordOffset;
    LoggedDataSet probe;
    probe.intervalMinutes = m_memory[size_t(b + 9)];
    probe.intervalSeconds = m_memory[size_t(b + 10)];
    const uint32_t stepMs = uint32_t(probe.intervalTotalSeconds()) * 1000;
    const uint32_t elapsed = m_clock.tickMs() - m_recordStartTick;
    const int64_t due = int64_t(elapsed / stepMs) + 1;
    int n = int(getU16(m_memory, b + 12));
    int last = int(getU24(m_memory, LastUsed));
    while (n < due && n < 0xFFFF && last + SampleSize <= LoggerEnd) {
        const LiveValues v = withOffsets(sensorAt(m_recordStartTick + uint32_t(n) * stepMs));
        const int p = b + 18 + n * SampleSize;
        putFloat(m_memory, p, missing(v.co2) ? 0.0f : float(std::max(v.co2, 0.0)));
        putU16(m_memory, p + 4, tenthsUnsigned(v.temperature));
        putU16(m_memory, p + 6, tenthsUnsigned(v.humidity));
        m_memory[size_t(p + 8)] = 0x5A;
        m_memory[size_t(p + 9)] = 0xA5;
        ++n;
        last += SampleSize;
    }
    putU16(m_memory, b + 12, unsigned(n));
    putU24(m_memory, LastUsed, unsigned(last));
}

// ---- State for tests ------------------------------------------------------------------------

void VirtualMeter::setLoggerDataSets(const std::vector<LoggedDataSet>& sets) {
    stopRecording();
    std::vector<LoggedDataSet> fitting = sets;
    while (!writeLoggerRecords(m_memory, fitting) && !fitting.empty())
        fitting.pop_back();
}

void VirtualMeter::setMemory(std::span<const uint8_t> bytes) {
    stopRecording();
    const size_t n = std::min(bytes.size(), size_t(Size));
    std::copy_n(bytes.begin(), n, m_memory.begin());
    std::fill(m_memory.begin() + long(n), m_memory.end(), uint8_t(0xFF));
    const QDateTime clock = meterTime();
    if (n > size_t(ClockYear)) {
        // Take the clock from the bytes when they hold one.
        LoggedDataSet probe;
        probe.start = {m_memory[ClockYear],        m_memory[ClockSeconds + 4],
                       m_memory[ClockSeconds + 3], m_memory[ClockSeconds + 2],
                       m_memory[ClockSeconds + 1], m_memory[ClockSeconds]};
        const QDateTime t = probe.startTime();
        setMeterTime(t.isValid() ? t : clock);
    }
}

void VirtualMeter::setMeterTime(const QDateTime& t) {
    m_clockOffsetMs = m_clock.now().msecsTo(t);
    writeClock(m_memory, meterTime());
}

QDateTime VirtualMeter::meterTime() const {
    return m_clock.now().addMSecs(m_clockOffsetMs);
}

void VirtualMeter::setSerialNumber(const std::string& text) {
    m_serial = text.substr(0, 31);
}

VirtualMeter::Config VirtualMeter::config() const {
    const auto& m = m_memory;
    Config c;
    c.intervalMinutesBcd = m[IntervalMinutes];
    c.intervalSecondsBcd = m[IntervalSeconds];
    c.intervalMinutes = fromBcd(c.intervalMinutesBcd);
    c.intervalSeconds = fromBcd(c.intervalSecondsBcd);
    c.fahrenheit = m[TemperatureUnit] != 0;
    c.rhOffset = int8_t(m[RhOffset]);
    c.temperatureOffset = int8_t(m[TemperatureOffset]);
    c.co2Offset = int16_t(getU16(m, Co2Offset));
    c.altitude = int(getU16(m, Altitude));
    c.alarmOn = m[AlarmSwitch] == 1;
    c.alarmHigh = int(getU16(m, AlarmHigh));
    c.alarmLow = int(getU16(m, AlarmLow));
    c.powerOff = m[PowerOff];
    c.dataSetCount = int(getU16(m, DataSetCount));
    c.lastUsed = int(getU24(m, LastUsed));
    c.firmware = m[Firmware];
    return c;
}

VirtualMeter::Display VirtualMeter::display() const {
    const Config c = config();
    Display d;
    d.mode = m_mode;
    d.hold = m_hold;
    d.fahrenheit = c.fahrenheit;
    d.recording = m_recording;
    d.memoryFull = memoryFull();
    d.backlight = m_backlight;
    const double co2 = measuredValues().co2;
    if (c.alarmOn && !missing(co2)) {
        d.alarmHigh = co2 > c.alarmHigh;
        d.alarmLow = co2 < c.alarmLow;
        d.alarm = d.alarmHigh || d.alarmLow;
    }
    return d;
}

const std::vector<uint8_t>& VirtualMeter::memory() const {
    catchUp();
    refreshClock();
    return m_memory;
}

std::vector<uint8_t> VirtualMeter::loggerImage() const {
    catchUp();
    refreshClock();
    int64_t size = int64_t(getU24(m_memory, LastUsed)) + 1;
    if (size > Size || size < 256) size = Size;
    size = (size + 31) / 32 * 32;
    return std::vector<uint8_t>(m_memory.begin(), m_memory.begin() + size);
}

std::vector<LoggedDataSet> VirtualMeter::loggerDataSets() const {
    return readLoggerRecords(memory());
}

std::string VirtualMeter::lettersReceived() const {
    std::string s;
    for (const auto& f : m_frames)
        s += char(f[1]);
    return s;
}

void VirtualMeter::clearLog() {
    m_frames.clear();
    m_blocks.clear();
    std::fill(std::begin(m_calls), std::end(m_calls), 0);
}

// ---- Faults ---------------------------------------------------------------------------------

int VirtualMeter::callResult(Operation op, char letter) {
    ++m_calls[int(op)];
    // Open and set time-outs concern no command: a rule's letter does not restrict them.
    const bool anyLetter = op == Operation::Open || op == Operation::SetTimeouts;
    if (takeFault(m_unplugRules, int(op), letter, anyLetter)) unplug();
    if (!m_plugged || (op != Operation::Open && !m_open)) return 1;
    if (takeFault(m_opFaults, int(op), letter, anyLetter)) return 2;
    return 0;
}

bool VirtualMeter::takeFault(std::vector<FaultRule>& rules, int kind, char letter, bool anyLetter) {
    bool hit = false;
    for (FaultRule& r : rules) {
        if (r.kind != kind) continue;
        if (!anyLetter && r.letter != 0 && r.letter != letter) continue;
        if (r.skip > 0) {
            --r.skip;
            continue;
        }
        if (r.times > 0 && !hit) {
            --r.times;
            hit = true;
        }
    }
    std::erase_if(rules, [](const FaultRule& r) { return r.times <= 0; });
    return hit;
}

void VirtualMeter::failNext(Operation op, int times, char letter, int skip) {
    if (times > 0) m_opFaults.push_back({int(op), letter, std::max(skip, 0), times});
}

void VirtualMeter::faultNextReply(ReplyFault fault, int times, char letter, int skip) {
    if (times > 0) m_replyFaults.push_back({int(fault), letter, std::max(skip, 0), times});
}

void VirtualMeter::unplugAt(Operation op, char letter, int skip) {
    m_unplugRules.push_back({int(op), letter, std::max(skip, 0), 1});
}

void VirtualMeter::clearFaults() {
    m_unplugRules.clear();
    m_opFaults.clear();
    m_replyFaults.clear();
}

void VirtualMeter::unplug() {
    m_plugged = false;
    close();
}

void VirtualMeter::plug() {
    m_plugged = true;
}

void VirtualMeter::setLatency(uint32_t ms) {
    m_latencyMs = ms;
}
