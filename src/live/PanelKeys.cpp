#include "live/PanelKeys.h"

#include "link/Transport.h"

#include <array>

int panelKeyExchange(Transport& t, const Frame& frame) {
    int code = KeyOk;
    // The transport reports failures by result; should one throw anyway, the step counts
    // as failed instead of tearing down the event handler.
    auto step = [&code](int failCode, auto&& op) {
        try {
            if (op() != 0) code = failCode;
        } catch (...) {
            code = failCode;
        }
    };
    step(KeyOpenFailed, [&] { return t.open(MeterVendorId, MeterProductId); });
    step(KeyTimeoutsFailed, [&] { return t.setTimeouts(100, 100); });
    step(KeyWriteFailed, [&] { return t.writeCommand(frame); });
    try {
        t.flush();
    } catch (...) {
    }
    try {
        std::array<uint8_t, 32> reply{};
        if (t.readReply(reply) != 0) return KeyNoReply;
        if (reply[2] != 'O' || reply[3] != 'K') code = KeyNotAcknowledged;
    } catch (...) {
        return KeyReplyException;
    }
    return code;
}
