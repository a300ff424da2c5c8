#pragma once
// The front panel's remote keys: one 7-byte frame with the key's letter, acknowledged by "OK".
#include "link/Exchange.h"

class Transport;

enum PanelKeyCode {
    KeyOk = 0,
    KeyOpenFailed = 7002,
    KeyTimeoutsFailed = 7003,
    KeyWriteFailed = 7004,
    KeyNoReply = 7005,
    KeyNotAcknowledged = 7006,
    KeyReplyException = 7007,
};

// Sends frame and checks the 32-byte acknowledgement. A failing step before the read sets its
// code and the exchange goes on, so a later failure replaces an earlier one. The device is left
// open.
int panelKeyExchange(Transport& transport, const Frame& frame);
