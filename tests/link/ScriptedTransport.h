#pragma once
// A meter stand-in for exchange tests: answers like the meter, logs every call, and fails the
// operations a test names.
#include "link/Exchange.h"
#include "link/Transport.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct ScriptedTransport : Transport {
    // Every call by name: open, timeouts, command, block, flush, reply, close, serial.
    std::vector<std::string> calls;
    std::vector<Frame> frames;
    // Result to return per operation name (missing = 0).
    std::map<std::string, int> results;
    // Fills the reply to the last frame; its result is the read's result unless
    // results["reply"] says otherwise. The default answers like the meter.
    std::function<int(const Frame&, std::span<uint8_t>)> answer = meterAnswer;
    std::string serial = "Q7320-000123";

    static int meterAnswer(const Frame& f, std::span<uint8_t> reply) {
        std::fill(reply.begin(), reply.end(), 0);
        reply[0] = 0x02;
        reply[1] = f[1];
        if (reply.size() == 36) { // memory block: echo, checksum, status
            uint8_t sum = 0;
            for (int i = 0; i < 32; ++i)
                sum += reply[i];
            reply[32] = f[2];
            reply[33] = f[3];
            reply[34] = sum;
            reply[35] = 5;
        } else {
            reply[reply.size() - 1] = 0x03;
        }
        return 0;
    }

    int result(const char* op) {
        calls.push_back(op);
        auto it = results.find(op);
        return it == results.end() ? 0 : it->second;
    }

    int open(uint16_t, uint16_t) override { return result("open"); }
    int setTimeouts(int, int) override { return result("timeouts"); }
    int writeCommand(std::span<const uint8_t> f) override {
        Frame copy{};
        std::copy_n(f.begin(), std::min(f.size(), copy.size()), copy.begin());
        frames.push_back(copy);
        return result("command");
    }
    int writeBlock(std::span<const uint8_t>) override { return result("block"); }
    void flush() override { result("flush"); }
    int readReply(std::span<uint8_t> b) override {
        const int forced = result("reply");
        const int r = answer(frames.empty() ? InitialFrame : frames.back(), b);
        return forced != 0 ? forced : r;
    }
    void close() override { result("close"); }
    void readSerialString(std::span<char> b) override {
        result("serial");
        std::fill(b.begin(), b.end(), '\0');
        std::copy_n(serial.begin(), std::min(serial.size(), b.size() - 1), b.begin());
    }

    bool called(const std::string& op) const {
        return std::find(calls.begin(), calls.end(), op) != calls.end();
    }
};
