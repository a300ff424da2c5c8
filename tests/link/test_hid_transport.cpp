#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/HidFraming.h"
#include "link/HidTransport.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes counting(std::size_t n, uint8_t first = 1) {
    Bytes b(n);
    std::iota(b.begin(), b.end(), first);
    return b;
}

// Splits a reply into the 8-byte input reports the meter sends (zero-padded).
std::vector<Bytes> inputReports(const Bytes& reply) {
    std::vector<Bytes> out;
    for (std::size_t i = 0; i < reply.size(); i += HidFraming::ReportSize) {
        Bytes r(HidFraming::ReportSize, 0);
        std::copy(reply.begin() + i, reply.begin() + std::min(reply.size(), i + 8), r.begin());
        out.push_back(r);
    }
    return out;
}

// The hidapi device as the transport sees it: a queue of input reports and a log of output
// reports. onWrite lets a test play the meter, queuing its answer as the reports go out.
struct FakeHidDevice : HidDevice {
    OpenStatus openStatus = OpenStatus::Opened;
    int opens = 0;
    int closes = 0;
    bool isOpen = false;
    std::vector<Bytes> written;
    std::deque<Bytes> input;
    std::vector<int> readTimeouts;
    int failReadsAfter = -1; // reads that succeed before the device "unplugs"
    int failWritesAfter = -1;
    std::function<void(FakeHidDevice&)> onWrite;
    std::wstring serial = L"Q7320-000123";

    OpenStatus open(uint16_t vendorId, uint16_t productId) override {
        EXPECT_EQ(vendorId, 0x04D9);
        EXPECT_EQ(productId, 0xE000);
        ++opens;
        isOpen = openStatus == OpenStatus::Opened;
        return openStatus;
    }
    void close() override {
        ++closes;
        isOpen = false;
    }
    int write(std::span<const uint8_t> report) override {
        EXPECT_TRUE(isOpen);
        if (failWritesAfter == 0) return -1;
        if (failWritesAfter > 0) --failWritesAfter;
        written.emplace_back(report.begin(), report.end());
        if (onWrite) onWrite(*this);
        return static_cast<int>(report.size());
    }
    int read(std::span<uint8_t> report, int timeoutMs) override {
        EXPECT_TRUE(isOpen);
        readTimeouts.push_back(timeoutMs);
        if (failReadsAfter == 0) return -1;
        if (failReadsAfter > 0) --failReadsAfter;
        if (input.empty()) return 0;
        Bytes r = input.front();
        input.pop_front();
        const std::size_t n = std::min(r.size(), report.size());
        std::copy_n(r.begin(), n, report.begin());
        return static_cast<int>(n);
    }
    std::wstring serialNumber() override { return serial; }
    std::string errorText() const override {
        return openStatus == OpenStatus::PermissionDenied ? "/dev/hidraw3" : "No such device";
    }
    void queueReply(const Bytes& reply) {
        for (auto& r : inputReports(reply))
            input.push_back(r);
    }
};

struct HidTransportTest : testing::Test {
    FakeHidDevice* dev = nullptr;
    std::unique_ptr<HidTransport> t;
    void SetUp() override {
        auto d = std::make_unique<FakeHidDevice>();
        dev = d.get();
        t = std::make_unique<HidTransport>(std::move(d));
    }
    int open() { return t->open(MeterVendorId, MeterProductId); }
};

// ---- framing

struct OutCase {
    const char* name;
    std::size_t length;
    std::size_t reports;
};
class OutputFraming : public testing::TestWithParam<OutCase> {};

TEST_P(OutputFraming, MessageGoesOutIn8ByteReportsBehindReportId0) {
    const Bytes msg = counting(GetParam().length, 0x41);
    const auto reports = HidFraming::outputReports(msg);
    ASSERT_EQ(reports.size(), GetParam().reports);
    Bytes joined;
    for (const auto& r : reports) {
        EXPECT_EQ(r[0], 0);
        joined.insert(joined.end(), r.begin() + 1, r.end());
    }
    ASSERT_EQ(joined.size(), reports.size() * 8);
    EXPECT_TRUE(std::equal(msg.begin(), msg.end(), joined.begin()));
    for (std::size_t i = msg.size(); i < joined.size(); ++i)
        EXPECT_EQ(joined[i], 0) << i;
}

INSTANTIATE_TEST_SUITE_P(Sizes, OutputFraming,
                         testing::Values(OutCase{"Frame7", 7, 1}, OutCase{"Block32", 32, 4},
                                         OutCase{"Exactly8", 8, 1}, OutCase{"Nine", 9, 2},
                                         OutCase{"Empty", 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyAssembler, DropsPaddingAndTakesReportsOfAnySize) {
    for (std::size_t len : {32u, 36u, 64u}) {
        const Bytes reply = counting(len);
        Bytes buf(len, 0xEE);
        HidFraming::ReplyAssembler a(buf);
        const auto reports = inputReports(reply);
        EXPECT_EQ(reports.size(), HidFraming::reportCount(len));
        for (const auto& r : reports) {
            EXPECT_FALSE(a.complete());
            a.add(r);
        }
        EXPECT_TRUE(a.complete());
        EXPECT_EQ(buf, reply) << len;
    }
    // A short report contributes what it has; an oversized one fills up to the end.
    Bytes buf(10, 0xEE);
    HidFraming::ReplyAssembler a(buf);
    a.add(Bytes{1, 2, 3});
    EXPECT_EQ(a.filled(), 3u);
    a.add(counting(64, 4));
    EXPECT_TRUE(a.complete());
    EXPECT_EQ(buf, counting(10));
}

// ---- the transport against the fake device

TEST_F(HidTransportTest, OpenIsIdempotentAndCloseIsHarmless) {
    t->close(); // nothing open
    EXPECT_EQ(dev->closes, 0);
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(dev->opens, 1);
    EXPECT_TRUE(t->isOpen());
    t->close();
    t->close();
    EXPECT_EQ(dev->closes, 1);
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(dev->opens, 2);
}

TEST_F(HidTransportTest, OperationsFailWhileClosed) {
    const Bytes frame(7, 0);
    Bytes reply(32, 0xEE);
    EXPECT_NE(t->writeCommand(frame), 0);
    EXPECT_NE(t->writeBlock(Bytes(32, 0)), 0);
    EXPECT_NE(t->readReply(reply), 0);
    t->flush();
    EXPECT_EQ(reply, Bytes(32, 0xEE));
    std::array<char, 32> serial;
    serial.fill('x');
    t->readSerialString(serial);
    EXPECT_EQ(serial[0], '\0');
}

TEST_F(HidTransportTest, CommandFrameIsOneReportAndReplyIsAssembled) {
    const Bytes reply = counting(64);
    dev->onWrite = [&](FakeHidDevice& d) { d.queueReply(reply); };
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(t->setTimeouts(100, 100), 0);
    const Bytes frame{0x02, 'A', 0, 0, 0, 1, 0x03};
    ASSERT_EQ(t->writeCommand(frame), 0);
    t->flush(); // right after the write: must not eat the answer
    Bytes buf(64, 0);
    ASSERT_EQ(t->readReply(buf), 0);
    EXPECT_EQ(buf, reply);
    ASSERT_EQ(dev->written.size(), 1u);
    EXPECT_EQ(dev->written[0], (Bytes{0, 0x02, 'A', 0, 0, 0, 1, 0x03, 0}));
}

TEST_F(HidTransportTest, BlockFollowsItsCommandWithoutDrainingTheAnswer) {
    // The meter answers the command at once and the block after it; nothing may be lost.
    ASSERT_EQ(open(), 0);
    dev->onWrite = [&](FakeHidDevice& d) {
        if (d.written.size() == 1) d.queueReply(counting(32, 100));
    };
    ASSERT_EQ(t->writeCommand(Bytes{0x02, 't', 0, 0, 0, 0, 0x03}), 0);
    t->flush();
    ASSERT_EQ(t->writeBlock(counting(32)), 0);
    t->flush();
    Bytes buf(32);
    ASSERT_EQ(t->readReply(buf), 0);
    EXPECT_EQ(buf, counting(32, 100));
    ASSERT_EQ(dev->written.size(), 5u);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(dev->written[i][0], 0);
        EXPECT_EQ(dev->written[i][1], 1 + (i - 1) * 8);
    }
}

TEST_F(HidTransportTest, StaleInputIsDrainedBeforeTheNextCommand) {
    ASSERT_EQ(open(), 0);
    // Left behind: the second half of a 64-byte reply that was read as 32 bytes, and a reply
    // that nobody read.
    dev->queueReply(counting(32, 200));
    dev->queueReply(counting(32, 150));
    const Bytes fresh = counting(36, 7);
    dev->onWrite = [&](FakeHidDevice& d) { d.queueReply(fresh); };
    ASSERT_EQ(t->writeCommand(Bytes{0x02, 'p', 0, 1, 0, 0, 0x03}), 0);
    t->flush();
    Bytes buf(36);
    ASSERT_EQ(t->readReply(buf), 0);
    EXPECT_EQ(buf, fresh);
    EXPECT_TRUE(dev->input.empty());
}

TEST_F(HidTransportTest, FlushBetweenExchangesDrainsLateAnswers) {
    ASSERT_EQ(open(), 0);
    Bytes buf(32);
    dev->onWrite = [&](FakeHidDevice& d) { d.queueReply(counting(32)); };
    ASSERT_EQ(t->writeCommand(Bytes{0x02, 'K', 0, 0, 0, 0, 0x03}), 0);
    ASSERT_EQ(t->readReply(buf), 0);   // the exchange is over
    dev->queueReply(counting(32, 50)); // a late, unasked answer
    t->flush();
    EXPECT_TRUE(dev->input.empty());
}

TEST_F(HidTransportTest, ReadTimesOutWithWhatArrivedInTheBuffer) {
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(t->setTimeouts(100, 30), 0);
    const auto reports = inputReports(counting(64));
    dev->input.assign(reports.begin(), reports.begin() + 3); // 24 of 64 bytes
    Bytes buf(64, 0);
    EXPECT_NE(t->readReply(buf), 0);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(buf[i], i + 1);
    for (int i = 24; i < 64; ++i)
        EXPECT_EQ(buf[i], 0);
    // First report waits the first time-out, each following one the second.
    EXPECT_EQ(dev->readTimeouts, (std::vector<int>{100, 30, 30, 30}));
    EXPECT_TRUE(t->isOpen()); // a time-out is not an unplug
}

TEST_F(HidTransportTest, NoReplyAtAllFailsAfterTheFirstTimeout) {
    ASSERT_EQ(open(), 0);
    Bytes buf(32, 0xEE);
    EXPECT_NE(t->readReply(buf), 0);
    EXPECT_EQ(dev->readTimeouts, (std::vector<int>{100}));
    EXPECT_EQ(buf, Bytes(32, 0xEE));
}

TEST_F(HidTransportTest, NegativeTimeoutsAreRefused) {
    EXPECT_NE(t->setTimeouts(-1, 100), 0);
    EXPECT_NE(t->setTimeouts(100, -1), 0);
    EXPECT_EQ(t->setTimeouts(0, 0), 0);
}

struct UnplugCase {
    const char* name;
    int readsBefore;
    int writesBefore;
};
class Unplug : public HidTransportTest, public testing::WithParamInterface<UnplugCase> {};

TEST_P(Unplug, FailsThatOperationClosesAndReopensAfterwards) {
    ASSERT_EQ(open(), 0);
    dev->onWrite = [&](FakeHidDevice& d) { d.queueReply(counting(64)); };
    dev->failReadsAfter = GetParam().readsBefore;
    dev->failWritesAfter = GetParam().writesBefore;
    TestClock clock;
    Exchange ex(*t, clock);
    EXPECT_FALSE(ex.liveRead(true));
    EXPECT_FALSE(t->isOpen());
    EXPECT_EQ(t->lastError(), HidTransport::Error::Io);
    EXPECT_NE(t->errorText().find("No such device"), std::string::npos);
    // Plugged back in.
    dev->failReadsAfter = dev->failWritesAfter = -1;
    EXPECT_TRUE(ex.liveRead(true));
    EXPECT_EQ(ex.reply[63], 64);
    EXPECT_EQ(t->lastError(), HidTransport::Error::None);
}

INSTANTIATE_TEST_SUITE_P(MidExchange, Unplug,
                         testing::Values(UnplugCase{"DuringDrain", 0, -1},
                                         UnplugCase{"DuringWrite", -1, 0},
                                         UnplugCase{"MidReply", 4, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HidTransportTest, OpenFailuresTellMissingMeterFromMissingPermission) {
    dev->openStatus = HidDevice::OpenStatus::NotFound;
    EXPECT_NE(open(), 0);
    EXPECT_FALSE(t->permissionDenied());
    EXPECT_EQ(t->lastError(), HidTransport::Error::NotFound);

    dev->openStatus = HidDevice::OpenStatus::PermissionDenied;
    EXPECT_NE(open(), 0);
    EXPECT_TRUE(t->permissionDenied());
    EXPECT_NE(t->errorText().find("/dev/hidraw3"), std::string::npos);
    EXPECT_NE(t->errorText().find(MeterUdevRule), std::string::npos);
    EXPECT_FALSE(t->isOpen());

    dev->openStatus = HidDevice::OpenStatus::Opened;
    EXPECT_EQ(open(), 0);
    EXPECT_FALSE(t->permissionDenied());
    EXPECT_TRUE(t->errorText().empty());
}

TEST_F(HidTransportTest, SerialStringIsZeroTerminatedAscii) {
    ASSERT_EQ(open(), 0);
    std::array<char, 32> buf;
    buf.fill('x');
    t->readSerialString(buf);
    EXPECT_STREQ(buf.data(), "Q7320-000123");

    dev->serial = std::wstring(40, L'7') + L"\u00e9";
    t->readSerialString(buf);
    EXPECT_EQ(std::string(buf.data()), std::string(31, '7'));
    std::array<char, 4> small;
    dev->serial = L"1\u00e92";
    t->readSerialString(small);
    EXPECT_STREQ(small.data(), "1?2");
}

TEST_F(HidTransportTest, ExchangesRunOverTheHidFraming) {
    // A small meter on the far side of the reports: answers 'K' with 32 bytes, 'A' with 64.
    dev->onWrite = [&](FakeHidDevice& d) {
        const Bytes& r = d.written.back();
        Bytes reply(r[2] == 'A' ? 64 : 32, 0);
        reply[0] = 0x02;
        reply[1] = r[2];
        reply[5] = r[6]; // sequence echoed
        reply.back() = 0x03;
        d.queueReply(reply);
    };
    TestClock clock;
    Exchange ex(*t, clock);
    ASSERT_TRUE(ex.genericExchange('K'));
    EXPECT_EQ(ex.reply[1], 'K');
    EXPECT_EQ(ex.reply[31], 0x03);
    EXPECT_FALSE(t->isOpen());
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(ex.liveRead(true));
        EXPECT_EQ(ex.reply[1], 'A');
        EXPECT_EQ(ex.reply[5], i);
        EXPECT_EQ(ex.reply[63], 0x03);
    }
}

} // namespace

namespace {

// The real hidapi device on this machine: without a meter (the usual case here) open must fail
// at once and say why; with one, it opens, and open/close behave as above.
TEST(HidapiDevice, OpenSaysWhyWhenItFails) {
    HidTransport t;
    const int r = t.open(MeterVendorId, MeterProductId);
    if (r == 0) {
        EXPECT_EQ(t.open(MeterVendorId, MeterProductId), 0);
        t.close();
        GTEST_SKIP() << "a meter is plugged in";
    }
    EXPECT_NE(t.lastError(), HidTransport::Error::None);
    EXPECT_FALSE(t.errorText().empty());
    t.close();
    t.close();
}

} // namespace
