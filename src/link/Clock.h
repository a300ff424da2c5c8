#pragma once
// The one source of time: local date-time, a millisecond tick count, and the idle step that
// delay() takes between dispatches. Tests swap in TestClock, whose idle step advances time.
#include <QDateTime>
#include <cstdint>

class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;     // local date and time
    virtual uint32_t tickMs() const = 0;   // milliseconds, wraps at 2^32
    virtual void idle(uint32_t maxMs) = 0; // give up at most maxMs while waiting

    static Clock& system();
};

class SystemClock : public Clock {
  public:
    QDateTime now() const override;
    uint32_t tickMs() const override;
    void idle(uint32_t maxMs) override;
};

// Deterministic clock for tests: time moves only when idle() or advance() is called.
class TestClock : public Clock {
  public:
    explicit TestClock(QDateTime start = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)),
                       uint32_t startTick = 1000);
    QDateTime now() const override;
    uint32_t tickMs() const override { return m_tick; }
    void idle(uint32_t maxMs) override { advance(maxMs == 0 ? 1 : maxMs); }
    void advance(uint32_t ms);
    void setNow(const QDateTime& t) {
        m_start = t;
        m_elapsedMs = 0;
    }

  private:
    QDateTime m_start;
    uint32_t m_tick;
    int64_t m_elapsedMs = 0;
};
