#pragma once
// How the meter's 7-byte command frames, 32-byte data blocks and 32/36/64-byte replies travel
// as USB HID reports. This is the only place that knows the report layout.
//
// Reports
//   The meter uses unnumbered reports (report id 0) of ReportSize = 8 bytes in both directions.
//   Eight bytes is what a low-speed HID interrupt endpoint carries in one transfer, so every
//   report is one USB transaction and nothing is split below us.
//
// Output (host to meter)
//   A message of n bytes goes out as ceil(n / 8) reports, in order, each holding the next 8
//   bytes of the message; the last report is padded with zero bytes. hidapi wants the report id
//   in front, so each output buffer is 1 + 8 bytes: 0x00, then the 8 payload bytes.
//     7-byte command frame -> 1 report:  00 | f0 f1 f2 f3 f4 f5 f6 00
//     32-byte data block   -> 4 reports: 00 | b0..b7,  00 | b8..b15,  ...  00 | b24..b31
//
// Input (meter to host)
//   A reply of n bytes (32, 36 or 64) arrives as ceil(n / 8) reports (4, 5 or 8). The reply is
//   the reports' bytes in order of arrival; padding behind the last reply byte is dropped.
//   hidapi strips the report id of unnumbered reports, so an input report is the payload alone.
//   A report shorter than 8 bytes contributes the bytes it has; the reply is complete once it
//   holds n bytes.
//
// Stale input
//   Input that is already queued when a new command is about to go out belongs to an earlier
//   exchange (a reply nobody read, the rest of a reply that was read short, or one that came
//   after its time-out). The transport drains it before writing each command frame, so a reply
//   is always read from the first report that the new command produced.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace HidFraming {

constexpr std::size_t ReportSize = 8;
constexpr uint8_t ReportId = 0;

// One output report as handed to hid_write: report id, then ReportSize payload bytes.
using OutputReport = std::array<uint8_t, 1 + ReportSize>;

// Number of reports that carry a message of `length` bytes.
constexpr std::size_t reportCount(std::size_t length) {
    return (length + ReportSize - 1) / ReportSize;
}

// Splits a frame or block into output reports (an empty message gives no report).
std::vector<OutputReport> outputReports(std::span<const uint8_t> message);

// Builds a reply in the caller's buffer from input reports as they arrive. Bytes land in the
// buffer at once, so a reply cut short leaves what was delivered in front of the old content.
class ReplyAssembler {
  public:
    explicit ReplyAssembler(std::span<uint8_t> reply) : m_reply(reply) {}

    // Appends one input report; bytes beyond the reply's length are padding and dropped.
    void add(std::span<const uint8_t> report);

    bool complete() const { return m_filled == m_reply.size(); }
    std::size_t filled() const { return m_filled; }

  private:
    std::span<uint8_t> m_reply;
    std::size_t m_filled = 0;
};

} // namespace HidFraming
