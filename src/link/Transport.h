#pragma once
// The meter's USB link as the exchanges see it: eight operations with int results.
//
// Result contract every implementation keeps:
//  - open(vendor, product): 0 = device open. Calling it again while open succeeds.
//  - setTimeouts(read, write): 0 = success.
//  - writeCommand(7-byte frame): 0 = sent.
//  - writeBlock(32-byte block): 0 = sent.
//  - flush(): no result.
//  - readReply(buffer of 32, 36 or 64 bytes): 0 = the buffer holds a complete reply; anything
//    else = no complete reply arrived within the time-outs. Must return within them.
//  - close(): harmless when nothing is open.
//  - readSerialString(32-byte buffer): fills a zero-terminated text; no result.
#include <cstdint>
#include <span>

constexpr uint16_t MeterVendorId = 0x04D9;
constexpr uint16_t MeterProductId = 0xE000;

class Transport {
  public:
    virtual ~Transport() = default;
    virtual int open(uint16_t vendorId, uint16_t productId) = 0;
    virtual int setTimeouts(int first, int second) = 0;
    virtual int writeCommand(std::span<const uint8_t> frame) = 0;
    virtual int writeBlock(std::span<const uint8_t> block) = 0;
    virtual void flush() = 0;
    virtual int readReply(std::span<uint8_t> buffer) = 0;
    virtual void close() = 0;
    virtual void readSerialString(std::span<char> buffer) = 0;
};
