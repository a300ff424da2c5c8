#pragma once
// Builds 64-byte live replies field by field for the live-side tests.
#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>

struct ReplyBuilder {
    std::array<uint8_t, 64> bytes{};

    ReplyBuilder() {
        bytes[0] = 0x02;
        bytes[63] = 0x03;
    }
    ReplyBuilder& set(int at, std::initializer_list<uint8_t> values) {
        for (uint8_t v : values)
            bytes[at++] = v;
        return *this;
    }
    ReplyBuilder& flt(int at, float v) {
        const uint32_t bits = std::bit_cast<uint32_t>(v);
        return set(at,
                   {uint8_t(bits >> 24), uint8_t(bits >> 16), uint8_t(bits >> 8), uint8_t(bits)});
    }
    ReplyBuilder& co2(float v) { return flt(9, v); }
    ReplyBuilder& measuredTemp(int16_t tenths) {
        return set(13, {uint8_t(uint16_t(tenths) >> 8), uint8_t(tenths)});
    }
    ReplyBuilder& co2Shown(float v) { return flt(21, v); }
    ReplyBuilder& tempShown(float v) { return flt(25, v); }
    ReplyBuilder& rhShown(float v) { return flt(29, v); }
    ReplyBuilder& co2Held(float v) { return flt(41, v); }
    ReplyBuilder& tempHeld(float v) { return flt(45, v); }
    ReplyBuilder& rhHeld(float v) { return flt(49, v); }
    ReplyBuilder& fahrenheit() {
        bytes[2] |= 0x01;
        return *this;
    }
    ReplyBuilder& status(uint8_t b3) {
        bytes[3] = b3;
        return *this;
    }
    ReplyBuilder& modes(uint8_t b4) {
        bytes[4] = b4;
        return *this;
    }
    ReplyBuilder& over(uint8_t b6) {
        bytes[6] = b6;
        return *this;
    }
    ReplyBuilder& battery(uint8_t b1) {
        bytes[1] = b1;
        return *this;
    }
};
