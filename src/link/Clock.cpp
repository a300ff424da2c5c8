#include "link/Clock.h"

#include <QElapsedTimer>
#include <QThread>

Clock& Clock::system() {
    static SystemClock clock;
    return clock;
}

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

uint32_t SystemClock::tickMs() const {
    static QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<uint32_t>(started.elapsed());
}

void SystemClock::idle(uint32_t maxMs) {
    QThread::msleep(maxMs < 2 ? maxMs : 2);
}

TestClock::TestClock(QDateTime start, uint32_t startTick) : m_start(start), m_tick(startTick) {}

QDateTime TestClock::now() const {
    return m_start.addMSecs(m_elapsedMs);
}

void TestClock::advance(uint32_t ms) {
    m_tick += ms; // wraps like the system tick count
    m_elapsedMs += ms;
}
