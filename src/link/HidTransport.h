#pragma once
// The meter over USB HID (hidapi, hidraw backend). Report layout: link/HidFraming.h.
//
// What the operations do here:
//  - open: finds the first device with the given ids and opens its hidraw node. Succeeds at once
//    while a device is already open. When the node exists but may not be opened for lack of
//    permission, permissionDenied() tells so and errorText() names the udev rule to install.
//  - setTimeouts(first, second): milliseconds that readReply waits for the first report of a
//    reply (the meter's answer time) and for each following report. 0 = do not wait; negative
//    values are refused. Both are 100 until set.
//  - writeCommand: drains stale input, then sends the frame. writeBlock sends a block that
//    belongs to the command before it, so it drains nothing.
//  - flush: drains stale input when no reply is pending; right after a write it leaves the
//    queue alone, because what is queued then is the answer to that write.
//  - readReply: assembles the reply from input reports; nonzero when the time-outs run out
//    before the buffer is full (what did arrive stays in the buffer).
//  - close: harmless when nothing is open.
//  - readSerialString: the device's USB serial number as ASCII text, zero-terminated.
// A read or write error (the meter was unplugged) closes the device, so the next open finds it
// afresh; the operation that met the error fails.
#include "link/Transport.h"

#include <memory>
#include <span>
#include <string>

// The hidapi calls the transport makes, so that a fake device can stand in for tests.
class HidDevice {
  public:
    enum class OpenStatus { Opened, NotFound, PermissionDenied, Failed };
    virtual ~HidDevice() = default;
    virtual OpenStatus open(uint16_t vendorId, uint16_t productId) = 0;
    virtual void close() = 0;
    // hid_write: report[0] is the report id. Bytes written, or -1.
    virtual int write(std::span<const uint8_t> report) = 0;
    // hid_read_timeout: bytes read, 0 when nothing came within timeoutMs, -1 on error.
    virtual int read(std::span<uint8_t> report, int timeoutMs) = 0;
    // hid_get_serial_number_string; empty when the device has none.
    virtual std::wstring serialNumber() = 0;
    // Words for the last failure: the system's error text, or the node's path for a refused open.
    virtual std::string errorText() const = 0;
};

// The hidapi device itself.
std::unique_ptr<HidDevice> makeHidapiDevice();

// The udev rule that gives the logged-in user access to the meter's hidraw node (installed from
// dist/ into the system's udev rules folder).
constexpr const char* MeterUdevRule = "60-q7320.rules";

class HidTransport : public Transport {
  public:
    enum class Error { None, NotFound, PermissionDenied, OpenFailed, Io };

    explicit HidTransport(std::unique_ptr<HidDevice> device = makeHidapiDevice());
    ~HidTransport() override;

    int open(uint16_t vendorId, uint16_t productId) override;
    int setTimeouts(int first, int second) override;
    int writeCommand(std::span<const uint8_t> frame) override;
    int writeBlock(std::span<const uint8_t> block) override;
    void flush() override;
    int readReply(std::span<uint8_t> buffer) override;
    void close() override;
    void readSerialString(std::span<char> buffer) override;

    bool isOpen() const { return m_open; }
    // Why the last open, read or write failed (None after a successful open).
    Error lastError() const { return m_error; }
    bool permissionDenied() const { return m_error == Error::PermissionDenied; }
    // One sentence for the status bar or the command line; empty when nothing failed.
    std::string errorText() const;

  private:
    int send(std::span<const uint8_t> message);
    bool drain();
    void lost();

    std::unique_ptr<HidDevice> m_device;
    bool m_open = false;
    bool m_replyPending = false;
    int m_firstTimeoutMs = 100;
    int m_nextTimeoutMs = 100;
    Error m_error = Error::None;
    std::string m_detail;
};
