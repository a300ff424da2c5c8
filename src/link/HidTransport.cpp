#include "link/HidTransport.h"

#include "link/HidFraming.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// A meter that keeps sending must not hold a drain for ever; this is far more than any
// exchange leaves behind.
constexpr int MaxDrainReports = 256;

// Large enough for any input report, so a device with longer reports is read whole.
constexpr std::size_t InputBufferSize = 64;

std::string narrow(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (; *text; ++text)
        out += (*text >= 0x20 && *text < 0x7F) ? char(*text) : '?';
    return out;
}

class HidapiDevice : public HidDevice {
  public:
    ~HidapiDevice() override { close(); }

    OpenStatus open(uint16_t vendorId, uint16_t productId) override {
        close();
        m_error.clear();
        hid_device_info* list = hid_enumerate(vendorId, productId);
        if (!list) {
            m_error = "no device " + hex4(vendorId) + ":" + hex4(productId);
            return OpenStatus::NotFound;
        }
        const std::string path = list->path ? list->path : "";
        hid_free_enumeration(list);
        errno = 0;
        m_handle = hid_open_path(path.c_str());
        if (m_handle) return OpenStatus::Opened;
        // hidraw opens the node with open(2); a node we may not read and write is a missing
        // udev rule, not a missing meter.
        const int openErrno = errno;
        if (openErrno == EACCES || openErrno == EPERM ||
            (::access(path.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM))) {
            m_error = path;
            return OpenStatus::PermissionDenied;
        }
        m_error = path + ": " + narrow(hid_error(nullptr));
        return OpenStatus::Failed;
    }

    void close() override {
        if (m_handle) hid_close(m_handle);
        m_handle = nullptr;
    }

    int write(std::span<const uint8_t> report) override {
        if (!m_handle) return -1;
        const int n = hid_write(m_handle, report.data(), report.size());
        if (n < 0) m_error = narrow(hid_error(m_handle));
        return n;
    }

    int read(std::span<uint8_t> report, int timeoutMs) override {
        if (!m_handle) return -1;
        const int n = hid_read_timeout(m_handle, report.data(), report.size(), timeoutMs);
        if (n < 0) m_error = narrow(hid_error(m_handle));
        return n;
    }

    std::wstring serialNumber() override {
        std::array<wchar_t, 64> text{};
        if (!m_handle || hid_get_serial_number_string(m_handle, text.data(), text.size()) != 0)
            return {};
        text.back() = 0;
        return text.data();
    }

    std::string errorText() const override { return m_error; }

  private:
    static std::string hex4(uint16_t v) {
        char s[8];
        std::snprintf(s, sizeof s, "%04x", v);
        return s;
    }

    hid_device* m_handle = nullptr;
    std::string m_error;
};

} // namespace

std::unique_ptr<HidDevice> makeHidapiDevice() {
    return std::make_unique<HidapiDevice>();
}

HidTransport::HidTransport(std::unique_ptr<HidDevice> device) : m_device(std::move(device)) {}

HidTransport::~HidTransport() {
    close();
}

int HidTransport::open(uint16_t vendorId, uint16_t productId) {
    if (m_open) return 0;
    const HidDevice::OpenStatus status = m_device->open(vendorId, productId);
    m_detail = m_device->errorText();
    switch (status) {
    case HidDevice::OpenStatus::Opened:
        m_open = true;
        m_replyPending = false;
        m_error = Error::None;
        m_detail.clear();
        return 0;
    case HidDevice::OpenStatus::NotFound:
        m_error = Error::NotFound;
        break;
    case HidDevice::OpenStatus::PermissionDenied:
        m_error = Error::PermissionDenied;
        break;
    case HidDevice::OpenStatus::Failed:
        m_error = Error::OpenFailed;
        break;
    }
    return -1;
}

int HidTransport::setTimeouts(int first, int second) {
    if (first < 0 || second < 0) return -1; // hidapi would wait for ever
    m_firstTimeoutMs = first;
    m_nextTimeoutMs = second;
    return 0;
}

int HidTransport::writeCommand(std::span<const uint8_t> frame) {
    if (!m_open || frame.empty()) return -1;
    if (!drain()) return -1;
    return send(frame);
}

int HidTransport::writeBlock(std::span<const uint8_t> block) {
    if (!m_open || block.empty()) return -1;
    return send(block);
}

int HidTransport::send(std::span<const uint8_t> message) {
    for (const HidFraming::OutputReport& report : HidFraming::outputReports(message)) {
        if (m_device->write(report) != static_cast<int>(report.size())) {
            lost();
            return -1;
        }
    }
    m_replyPending = true;
    return 0;
}

void HidTransport::flush() {
    if (m_open && !m_replyPending) drain();
}

bool HidTransport::drain() {
    std::array<uint8_t, InputBufferSize> report;
    for (int i = 0; i < MaxDrainReports; ++i) {
        const int n = m_device->read(report, 0);
        if (n == 0) return true;
        if (n < 0) {
            lost();
            return false;
        }
    }
    return true;
}

int HidTransport::readReply(std::span<uint8_t> buffer) {
    if (!m_open) return -1;
    m_replyPending = false;
    HidFraming::ReplyAssembler reply(buffer);
    std::array<uint8_t, InputBufferSize> report;
    while (!reply.complete()) {
        const int timeout = reply.filled() == 0 ? m_firstTimeoutMs : m_nextTimeoutMs;
        const int n = m_device->read(report, timeout);
        if (n < 0) {
            lost();
            return -1;
        }
        if (n == 0) return -1; // timed out; what came stays in the buffer
        reply.add(std::span<const uint8_t>(report.data(), static_cast<std::size_t>(n)));
    }
    return 0;
}

void HidTransport::close() {
    if (m_open) m_device->close();
    m_open = false;
    m_replyPending = false;
}

void HidTransport::readSerialString(std::span<char> buffer) {
    if (buffer.empty()) return;
    std::fill(buffer.begin(), buffer.end(), '\0');
    if (!m_open) return;
    const std::wstring serial = m_device->serialNumber();
    const std::string text = narrow(serial.c_str());
    std::copy_n(text.begin(), std::min(text.size(), buffer.size() - 1), buffer.begin());
}

void HidTransport::lost() {
    m_error = Error::Io;
    m_detail = m_device->errorText();
    m_device->close();
    m_open = false;
    m_replyPending = false;
}

std::string HidTransport::errorText() const {
    switch (m_error) {
    case Error::None:
        return {};
    case Error::NotFound:
        return "The meter is not plugged in.";
    case Error::PermissionDenied:
        return "No permission to open the meter's USB device " + m_detail +
               "; install the udev rule " + MeterUdevRule + " and plug the meter in again.";
    case Error::OpenFailed:
        return "The meter's USB device could not be opened: " + m_detail;
    case Error::Io:
        return "The USB link to the meter failed: " + m_detail;
    }
    return {};
}
