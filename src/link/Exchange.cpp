#include "link/Exchange.h"

#include "link/Clock.h"
#include "link/Transport.h"

#include <QCoreApplication>
#include <QTimer>

Exchange::Exchange(Transport& transport, Clock& clock, QObject* parent)
    : QObject(parent), m_transport(&transport), m_clock(clock) {}

void Exchange::delay(uint32_t ms) {
    const uint32_t t0 = m_clock.tickMs();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const uint32_t elapsed = m_clock.tickMs() - t0; // unsigned: wrap-around is harmless
        if (elapsed > ms) break;
        m_clock.idle(ms - elapsed + 1);
    }
}

bool Exchange::genericExchange(uint8_t letter) {
    Transport& t = *m_transport;
    bool ok = false;
    if (t.open(MeterVendorId, MeterProductId) == 0 && t.setTimeouts(100, 100) == 0) {
        mainFrame[0] = 0x02;
        mainFrame[1] = letter;
        mainFrame[6] = 0x03;
        t.writeCommand(mainFrame);
        t.flush();
        ok = t.readReply(std::span<uint8_t>(reply.data(), 32)) == 0;
    }
    t.close();
    return ok;
}

bool Exchange::liveRead(bool linkOpen) {
    if (!linkOpen) return true;
    Transport& t = *m_transport;
    if (t.open(MeterVendorId, MeterProductId) != 0 || t.setTimeouts(100, 100) != 0) {
        t.close();
        return false;
    }
    mainFrame[0] = 0x02;
    mainFrame[1] = 'A';
    mainFrame[5] = ++sequence;
    mainFrame[6] = 0x03;
    t.writeCommand(mainFrame);
    t.flush();
    reply.fill(0);
    const bool ok = t.readReply(reply) == 0;
    t.close();
    return ok;
}

int Exchange::blockPositioning(int n) {
    if (m_mainTimer) m_mainTimer->stop();
    Transport& t = *m_transport;
    if (t.open(MeterVendorId, MeterProductId) != 0) return BlockOpenFailed;
    delay(100);
    if (t.setTimeouts(100, 100) != 0) return BlockTimeoutsFailed;
    delay(100);
    mainFrame[0] = 0x02;
    mainFrame[1] = 'P';
    mainFrame[2] = static_cast<uint8_t>((n >> 8) & 0xFF);
    mainFrame[3] = static_cast<uint8_t>(n & 0xFF);
    mainFrame[6] = 0x03;
    if (t.writeCommand(mainFrame) != 0) return BlockWriteFailed;
    t.flush();
    delay(100);
    if (t.readReply(std::span<uint8_t>(reply.data(), 36)) != 0) return BlockReadFailed;
    if (reply[35] != 5) return BlockStatusBad;
    if (reply[32] != mainFrame[2] || reply[33] != mainFrame[3]) return BlockEchoBad;
    return BlockOk;
}

void Exchange::endTick() {
    if (m_tickDepth > 0) --m_tickDepth;
    if (m_tickDepth == 0 && !m_deferred.empty()) {
        // Run what waited for the tick once the tick has returned to the event loop.
        QTimer::singleShot(0, this, [this] {
            auto jobs = std::move(m_deferred);
            m_deferred.clear();
            for (auto& job : jobs)
                runExclusive(std::move(job));
        });
    }
}

bool Exchange::acquire() {
    if (busy()) return false;
    if (m_mainTimer) m_mainTimer->stop();
    ++m_exclusiveDepth;
    return true;
}

void Exchange::release() {
    if (m_exclusiveDepth > 0) --m_exclusiveDepth;
    if (m_exclusiveDepth == 0 && m_mainTimer) m_mainTimer->start();
}

bool Exchange::runExclusive(std::function<void()> job) {
    if (!acquire()) {
        m_deferred.push_back(std::move(job));
        return false;
    }
    job();
    release();
    return true;
}
