#pragma once
// The text form of USB traffic that RecordingTransport writes and ReplayTransport plays back:
// one transport operation per line, bytes as two-digit hex separated by blanks.
//
//   open 04d9 e000 -> 0                  vendor and product id, result
//   timeouts 100 100 -> 0                the two time-outs, result
//   command 02 41 00 00 00 01 03 -> 0    the frame sent, result
//   block 05 30 14 ... -> 0              the 32-byte block sent, result
//   flush
//   reply 64 -> 0 : 02 41 ...            length asked for, result, the buffer after the read
//   close
//   serial 32 : 51 37 33 32 30           buffer length, the text up to its zero byte
//
// Blank lines and lines starting with '#' are comments.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct TransportOp {
    enum Kind { Open, Timeouts, Command, Block, Flush, Reply, Close, Serial };

    Kind kind = Flush;
    int first = 0;  // open: vendor id; timeouts: first; reply and serial: buffer length
    int second = 0; // open: product id; timeouts: second
    std::vector<uint8_t> sent;
    int result = 0;
    std::vector<uint8_t> received;

    // What the program asked for, without the answer: two operations that ask the same are the
    // same request.
    std::string request() const;
    std::string line() const;
};

// Parses one line; nullopt for a comment or blank line. A malformed line sets *error and
// returns nullopt.
std::optional<TransportOp> parseTransportOp(std::string_view line, std::string* error);

std::string hexBytes(std::span<const uint8_t> bytes);
