#pragma once
// The main window's command exchange with the meter: the 7-byte frame buffer, the 64-byte
// reply buffer, the sequence counter, delay(), the generic / live / block-positioning exchanges
// and the interlock that keeps the poll tick and every other exchange apart.
#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class Clock;
class QTimer;
class Transport;

using Frame = std::array<uint8_t, 7>;
constexpr Frame InitialFrame{0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03};

// Block-positioning failure codes.
enum BlockPositionCode {
    BlockOk = 0,
    BlockOpenFailed = 1002,
    BlockTimeoutsFailed = 1003,
    BlockWriteFailed = 1004,
    BlockReadFailed = 1005,
    BlockStatusBad = 1006,
    BlockEchoBad = 1007,
};

class Exchange : public QObject {
    Q_OBJECT
  public:
    Exchange(Transport& transport, Clock& clock, QObject* parent = nullptr);

    Transport& transport() { return *m_transport; }
    void setTransport(Transport& transport) { m_transport = &transport; }
    Clock& clock() { return m_clock; }

    // The poll timer that the interlock stops and restarts (may be null: no polling).
    void setMainTimer(QTimer* timer) { m_mainTimer = timer; }
    QTimer* mainTimer() const { return m_mainTimer; }

    // Dispatches pending events until more than ms milliseconds have passed on the clock
    // (at least one dispatch, even for 0).
    void delay(uint32_t ms);

    // 'K' and other one-frame commands with a 32-byte reply. True when the reply arrived.
    bool genericExchange(uint8_t letter);
    // 'A': true when the 64-byte live reply arrived, or at once when the link is not open.
    bool liveRead(bool linkOpen);
    // 'P' with a block number: 0 or a BlockPositionCode. Leaves the device open and the
    // poll timer stopped; the caller carries on.
    int blockPositioning(int blockNumber);

    // The busy flag: set by the poll tick for its whole run. beginTick/endTick nest, so a tick
    // that runs inside another tick's pause does not clear the flag under the outer one.
    bool busy() const { return m_tickDepth > 0; }
    void beginTick() { ++m_tickDepth; }
    void endTick();

    // The interlock for every exchange outside the poll tick: stop the poll timer, run the
    // job, start the poll timer again. When a poll tick is in progress further up the call
    // chain (its pause dispatches events), waiting would never end: the job is deferred and
    // runs as soon as the tick is over. Returns true when the job ran now.
    bool runExclusive(std::function<void()> job);
    // The same, split for exchanges that span several event-loop turns (the download).
    // acquire() fails when a tick is in progress.
    bool acquire();
    void release();
    bool exclusive() const { return m_exclusiveDepth > 0; }

    Frame mainFrame = InitialFrame;
    std::array<uint8_t, 64> reply{};
    uint8_t sequence = 0;

  private:
    Transport* m_transport;
    Clock& m_clock;
    QTimer* m_mainTimer = nullptr;
    int m_tickDepth = 0;
    int m_exclusiveDepth = 0;
    std::vector<std::function<void()>> m_deferred;
};
