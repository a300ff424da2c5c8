#include "ScriptedTransport.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/HidTransport.h"
#include "link/RecordingTransport.h"
#include "link/TransportFactory.h"
#include "link/TransportLog.h"
#include "link/virtual/VirtualMeter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// What a session leaves behind: each exchange's result and the reply buffer after it.
struct Outcome {
    std::vector<int> results;
    std::vector<std::array<uint8_t, 64>> replies;
    std::string serial;
    bool operator==(const Outcome&) const = default;
};

// A session of the kinds of traffic the program makes, one failed read among them.
Outcome session(Transport& t, int block = 5) {
    TestClock clock;
    Exchange ex(t, clock);
    Outcome out;
    auto note = [&](int r) {
        out.results.push_back(r);
        out.replies.push_back(ex.reply);
    };
    note(ex.genericExchange('K'));
    for (int i = 0; i < 3; ++i)
        note(ex.liveRead(true));
    note(ex.blockPositioning(block));
    const uint8_t clockBlock[32] = {0x05, 0x30, 0x14, 0x21, 0x09, 0x00, 0x26};
    t.writeBlock(clockBlock);
    t.flush();
    std::array<char, 32> serial{};
    t.readSerialString(serial);
    out.serial = serial.data();
    t.close();
    return out;
}

struct RecordingTest : testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath("session.txt");
    ScriptedTransport meter;

    void SetUp() override {
        // The second live read comes back cut short after 5 bytes.
        meter.answer = [n = 0](const Frame& f, std::span<uint8_t> r) mutable {
            ScriptedTransport::meterAnswer(f, r);
            for (std::size_t i = 2; i < 31; ++i)
                r[i] = uint8_t(i * 7 + n); // keeps echo and status
            if (f[1] == 'A' && ++n == 2) {
                std::fill(r.begin() + 5, r.end(), 0);
                return -1;
            }
            return 0;
        };
    }

    Outcome record() {
        RecordingTransport rec(meter, path);
        EXPECT_TRUE(rec.ok()) << rec.errorText().toStdString();
        return session(rec);
    }
};

TEST_F(RecordingTest, ReplayAnswersTheSameSessionAsTheMeterDid) {
    const Outcome live = record();
    EXPECT_EQ(live.results, (std::vector<int>{1, 1, 0, 1, 0}));

    ReplayTransport replay(path);
    ASSERT_TRUE(replay.ok()) << replay.errorText().toStdString();
    const Outcome replayed = session(replay);
    EXPECT_TRUE(replay.ok()) << replay.errorText().toStdString();
    EXPECT_TRUE(replay.atEnd());
    EXPECT_EQ(replayed, live);
}

TEST_F(RecordingTest, RecordingIsOneOperationPerLineWithBytesInHex) {
    {
        RecordingTransport rec(meter, path);
        TestClock clock;
        Exchange ex(rec, clock);
        meter.answer = ScriptedTransport::meterAnswer;
        meter.results["timeouts"] = 7;
        ex.genericExchange('K');
        std::array<char, 8> serial{};
        rec.readSerialString(serial);
    }
    const QList<QByteArray> lines = readAll(path).split('\n');
    ASSERT_GE(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith('#'));
    EXPECT_EQ(lines[1], "open 04d9 e000 -> 0");
    EXPECT_EQ(lines[2], "timeouts 100 100 -> 7");
    EXPECT_EQ(lines[3], "close");
    EXPECT_EQ(lines[4], "serial 8 : 51 37 33 32 30 2d 30");
}

TEST_F(RecordingTest, ReplyLineCarriesTheWholeBuffer) {
    {
        RecordingTransport rec(meter, path);
        meter.answer = ScriptedTransport::meterAnswer;
        TestClock clock;
        Exchange ex(rec, clock);
        ex.genericExchange('K');
    }
    const QByteArray text = readAll(path);
    const QByteArray want = "reply 32 -> 0 : 02 4b " + QByteArray("00 ").repeated(29) + "03\n";
    EXPECT_TRUE(text.contains("command 02 4b 00 00 00 00 03 -> 0\nflush\n" + want)) << text.data();
}

TEST_F(RecordingTest, DepartureIsReportedWithLineAndBothRequests) {
    record();
    ReplayTransport replay(path);
    const Outcome replayed = session(replay, 6); // positions block 6 where the meter saw 5
    EXPECT_FALSE(replay.ok());
    const std::string error = replay.errorText().toStdString();
    EXPECT_NE(error.find("departs from the recording at line"), std::string::npos) << error;
    EXPECT_NE(error.find("command 02 50 00 05 00 03 03"), std::string::npos) << error;
    EXPECT_NE(error.find("command 02 50 00 06 00 03 03"), std::string::npos) << error;
    // From there on the meter is gone: the exchange fails with the write code.
    EXPECT_EQ(replayed.results.back(), BlockWriteFailed);
    std::array<uint8_t, 32> buf{};
    EXPECT_NE(replay.readReply(buf), 0);
    EXPECT_NE(replay.open(MeterVendorId, MeterProductId), 0);
}

TEST_F(RecordingTest, RunningPastTheEndOfTheRecordingIsADeparture) {
    record();
    ReplayTransport replay(path);
    session(replay);
    ASSERT_TRUE(replay.ok());
    EXPECT_NE(replay.open(MeterVendorId, MeterProductId), 0);
    EXPECT_NE(replay.errorText().toStdString().find("after the end of the recording"),
              std::string::npos);
}

TEST_F(RecordingTest, OperationOfAnotherKindIsADeparture) {
    record();
    ReplayTransport replay(path);
    EXPECT_EQ(replay.open(MeterVendorId, MeterProductId), 0);
    std::array<uint8_t, 32> buf{};
    EXPECT_NE(replay.readReply(buf), 0); // the recording has the time-outs next
    EXPECT_NE(replay.errorText().toStdString().find("line 3"), std::string::npos)
        << replay.errorText().toStdString();
}

// Reads the logger memory the way the download's main pass does: 'P' for the first block, then
// one 'p' per block.
std::vector<uint8_t> readLogger(Transport& t, std::size_t blocks) {
    std::vector<uint8_t> image;
    std::array<uint8_t, 36> reply{};
    Frame frame{0x02, 'P', 0x00, 0x01, 0x00, 0x00, 0x03};
    t.flush();
    if (t.open(MeterVendorId, MeterProductId) != 0 || t.setTimeouts(100, 100) != 0) return {};
    for (std::size_t i = 0; i < blocks; ++i) {
        if (t.writeCommand(frame) != 0) break;
        t.flush();
        if (t.readReply(reply) != 0) break;
        image.insert(image.end(), reply.begin(), reply.begin() + 32);
        frame[1] = 'p';
    }
    frame[1] = 'q';
    t.writeCommand(frame);
    t.close();
    return image;
}

TEST(RecordingVirtualMeter, RecordedLoggerReadReplaysToTheSameImage) {
    QTemporaryDir dir;
    const QString path = dir.filePath("download.txt");
    TestClock clock;
    VirtualMeter meter(clock);
    const std::vector<uint8_t> want = meter.loggerImage();
    ASSERT_GE(want.size(), 256u);
    const std::size_t blocks = want.size() / 32;

    std::vector<uint8_t> recorded;
    {
        RecordingTransport rec(meter, path);
        recorded = readLogger(rec, blocks);
    }
    EXPECT_EQ(recorded, want);

    ReplayTransport replay(path);
    EXPECT_EQ(readLogger(replay, blocks), want);
    EXPECT_TRUE(replay.ok()) << replay.errorText().toStdString();
    EXPECT_TRUE(replay.atEnd());

    // Asking for one block more than the meter gave departs at the 'q'.
    ReplayTransport longer(path);
    readLogger(longer, blocks + 1);
    EXPECT_FALSE(longer.ok());
    EXPECT_NE(longer.errorText().toStdString().find("command 02 71"), std::string::npos)
        << longer.errorText().toStdString();
}

struct DamagedCase {
    const char* name;
    const char* text;
    const char* where;
};

class DamagedRecording : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedRecording, IsRefusedWithTheLineNumber) {
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.txt");
    if (GetParam().text) writeFile(path, GetParam().text);
    ReplayTransport replay(path);
    EXPECT_FALSE(replay.ok());
    EXPECT_NE(replay.errorText().toStdString().find(GetParam().where), std::string::npos)
        << replay.errorText().toStdString();
    EXPECT_NE(replay.open(MeterVendorId, MeterProductId), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DamagedRecording,
    testing::Values(DamagedCase{"UnknownOperation", "# c\nopen 04d9 e000 -> 0\nfrobnicate\n",
                                "line 3"},
                    DamagedCase{"BadHexByte", "command 02 4g 00 -> 0\n", "line 1"},
                    DamagedCase{"OneDigitByte", "command 02 4 00 -> 0\n", "line 1"},
                    DamagedCase{"MissingResult", "\nopen 04d9 e000\n", "line 2"},
                    DamagedCase{"ResultNotNumber", "timeouts 100 100 -> x\n", "line 1"},
                    DamagedCase{"ReplyWithoutBytes", "reply 32 -> 0\n", "line 1"},
                    DamagedCase{"ReplyLongerThanBuffer", "reply 2 -> 0 : 01 02 03\n", "line 1"},
                    DamagedCase{"HugeReplyLength", "reply 99999999999 -> 0 : 01\n", "line 1"},
                    DamagedCase{"FlushWithArguments", "flush 1\n", "line 1"},
                    DamagedCase{"VendorOutOfRange", "open 104d9 e000 -> 0\n", "line 1"},
                    DamagedCase{"TrailingJunk", "close -> 0\n", "line 1"},
                    DamagedCase{"MissingFile", nullptr, "Cannot read"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransportLog, EveryOperationSurvivesTheRoundTrip) {
    std::vector<TransportOp> ops(8);
    for (int k = 0; k < 8; ++k)
        ops[k].kind = static_cast<TransportOp::Kind>(k);
    ops[0].first = 0x04D9, ops[0].second = 0xE000, ops[0].result = -1;
    ops[1].first = 100, ops[1].second = 0, ops[1].result = 3;
    ops[2].sent = {0x02, 'A', 0xFF, 0, 0, 0x80, 0x03};
    ops[3].sent = std::vector<uint8_t>(32, 0xA5), ops[3].result = 1;
    ops[5].first = 36, ops[5].result = 2, ops[5].received = std::vector<uint8_t>(36, 0x0F);
    ops[7].first = 32; // empty serial text
    for (const TransportOp& op : ops) {
        std::string error;
        const auto back = parseTransportOp(op.line(), &error);
        ASSERT_TRUE(back) << op.line() << ": " << error;
        EXPECT_EQ(back->line(), op.line());
        EXPECT_EQ(back->request(), op.request());
        EXPECT_EQ(back->received, op.received);
    }
    std::string error;
    EXPECT_FALSE(parseTransportOp("   # comment", &error));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(parseTransportOp("", &error));
    EXPECT_TRUE(error.empty());
    EXPECT_TRUE(parseTransportOp("flush\r", &error)); // written on another system
}

TEST(RecordingTransportFile, UnwritablePathIsReportedAndTrafficStillFlows) {
    ScriptedTransport meter;
    RecordingTransport rec(meter, "/nonexistent-folder/x/rec.txt");
    EXPECT_FALSE(rec.ok());
    EXPECT_FALSE(rec.errorText().isEmpty());
    EXPECT_EQ(rec.open(MeterVendorId, MeterProductId), 0);
    EXPECT_EQ(meter.calls, (std::vector<std::string>{"open"}));
}

} // namespace

namespace {

TEST(TransportFactory, NamesTheMeterOrRefusesWithAReason) {
    TestClock clock;
    QString error;
    auto virt = createTransport("virtual", clock, &error);
    ASSERT_TRUE(virt);
    Exchange ex(*virt, clock);
    ASSERT_TRUE(ex.genericExchange('K'));
    EXPECT_EQ(std::string(ex.reply.begin() + 23, ex.reply.begin() + 26), "513");

    EXPECT_TRUE(createTransport("usb", clock, &error));
    for (const char* bad : {"replay:/nonexistent/rec.txt", "replay:", "serial", ""}) {
        error.clear();
        EXPECT_FALSE(createTransport(bad, clock, &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
}

TEST(TransportFactory, RecordedVirtualMeterReplaysThroughTheFactory) {
    QTemporaryDir dir;
    const QString path = dir.filePath("k.txt");
    TestClock clock;
    QString error;
    std::array<uint8_t, 64> live{};
    {
        auto rec = createTransport("virtual", clock, &error, path);
        ASSERT_TRUE(rec) << error.toStdString();
        Exchange ex(*rec, clock);
        ASSERT_TRUE(ex.genericExchange('K'));
        ASSERT_TRUE(ex.liveRead(true));
        live = ex.reply;
        EXPECT_TRUE(transportProblem(*rec).isEmpty());
    }
    auto replay = createTransport("replay:" + path, clock, &error);
    ASSERT_TRUE(replay) << error.toStdString();
    Exchange ex(*replay, clock);
    EXPECT_TRUE(ex.genericExchange('K'));
    EXPECT_TRUE(ex.liveRead(true));
    EXPECT_EQ(ex.reply, live);
    EXPECT_TRUE(transportProblem(*replay).isEmpty());
    EXPECT_FALSE(ex.liveRead(true)); // past the end
    EXPECT_TRUE(transportProblem(*replay).contains("after the end of the recording"));

    EXPECT_FALSE(createTransport("virtual", clock, &error, "/nonexistent/x/rec.txt"));
    EXPECT_FALSE(error.isEmpty());
}

// The HID device as far as opening goes.
struct RefusingHidDevice : HidDevice {
    OpenStatus status;
    explicit RefusingHidDevice(OpenStatus s) : status(s) {}
    OpenStatus open(uint16_t, uint16_t) override { return status; }
    void close() override {}
    int write(std::span<const uint8_t>) override { return -1; }
    int read(std::span<uint8_t>, int) override { return -1; }
    std::wstring serialNumber() override { return {}; }
    std::string errorText() const override { return "/dev/hidraw5"; }
};

TEST(TransportFactory, ProblemNamesTheUdevRuleOnlyForMissingPermission) {
    QTemporaryDir dir;
    HidTransport absent(std::make_unique<RefusingHidDevice>(HidDevice::OpenStatus::NotFound));
    EXPECT_NE(absent.open(MeterVendorId, MeterProductId), 0);
    EXPECT_TRUE(transportProblem(absent).isEmpty()); // just "no meter"

    HidTransport denied(
        std::make_unique<RefusingHidDevice>(HidDevice::OpenStatus::PermissionDenied));
    RecordingTransport rec(denied, dir.filePath("r.txt"));
    ASSERT_TRUE(rec.ok());
    EXPECT_NE(rec.open(MeterVendorId, MeterProductId), 0);
    EXPECT_TRUE(denied.permissionDenied());
    const QString problem = transportProblem(rec); // seen through the recording
    EXPECT_TRUE(problem.contains(MeterUdevRule)) << problem.toStdString();
    EXPECT_TRUE(problem.contains("/dev/hidraw5")) << problem.toStdString();
}

} // namespace
