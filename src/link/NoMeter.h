#pragma once
// A transport with no meter behind it: every operation fails, as with the meter unplugged.
// For windows and tests that need a main window but no meter.
#include "link/Transport.h"

struct NoMeter : Transport {
    int open(uint16_t, uint16_t) override { return 1; }
    int setTimeouts(int, int) override { return 1; }
    int writeCommand(std::span<const uint8_t>) override { return 1; }
    int writeBlock(std::span<const uint8_t>) override { return 1; }
    void flush() override {}
    int readReply(std::span<uint8_t>) override { return 1; }
    void close() override {}
    void readSerialString(std::span<char> b) override {
        if (!b.empty()) b[0] = 0;
    }
};
