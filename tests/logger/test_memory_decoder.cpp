#include "MemoryImageBuilder.h"

#include "app/DateTimeText.h"
#include "logger/DataSetTexts.h"
#include "logger/MemoryDecoder.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {
const QDateTime Now(QDate(2025, 7, 9), QTime(8, 15, 42, 250));

// A store that a failed decode must leave alone.
DataSetStore earlierStore() {
    DataSetStore s;
    RecordBytes r;
    r.samples = {{}, {}};
    EXPECT_EQ(DecodeMemory(buildImage({r}), s, Now), DecodeOk);
    return s;
}

bool sameStore(const DataSetStore& a, const DataSetStore& b) {
    return a.startTime == b.startTime && a.interval == b.interval &&
           a.sampleCount == b.sampleCount && a.values == b.values && a.times == b.times &&
           a.headerOffset == b.headerOffset && a.endOffset == b.endOffset;
}

DataSetStore decodeOne(const RecordBytes& r) {
    DataSetStore s;
    EXPECT_EQ(DecodeMemory(buildImage({r}), s, Now), DecodeOk);
    return s;
}

QString withSeparator(QString s) {
    return s.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}
} // namespace

TEST(DecodeMemory, SetCountDecidesOrRefuses) {
    struct Case {
        const char* name;
        std::vector<uint8_t> image;
        int result;
    };
    std::vector<Case> cases = {
        {"count 0", buildImage({RecordBytes{}}, 0), DecodeNoData},
        {"count 4001", buildImage({RecordBytes{}}, 4001), DecodeTooManySets},
        {"count 0xFFFF", buildImage({RecordBytes{}}, 0xFFFF), DecodeTooManySets},
        {"image shorter than the header", std::vector<uint8_t>(37, 0xFF), DecodeNoData},
        {"empty image", {}, DecodeNoData},
        {"count 1, record header past the end", std::vector<uint8_t>(0xB00 + 17, 0), DecodeNoData},
    };
    cases.back().image[37] = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DataSetStore store = earlierStore();
        const DataSetStore before = store;
        EXPECT_EQ(DecodeMemory(c.image, store, Now), c.result);
        EXPECT_TRUE(sameStore(store, before));
    }
}

TEST(DecodeMemory, FourThousandSetsAreDecoded) {
    std::vector<RecordBytes> records(4000);
    records[3999].samples = {{}};
    DataSetStore store;
    ASSERT_EQ(DecodeMemory(buildImage(records), store, Now), DecodeOk);
    EXPECT_EQ(store.count(), 4000);
    EXPECT_EQ(store.values.size(), 3u);
    // Records of 0 samples are 20 bytes long.
    EXPECT_EQ(store.headerOffset[1], 0xB00 + 20);
    EXPECT_EQ(store.endOffset[0], 0xB00 + 19);
    EXPECT_EQ(store.headerOffset[3999], 0xB00 + 20 * 3999);
}

TEST(DecodeMemory, IntervalBytes) {
    struct Case {
        uint8_t minutes, seconds;
        int interval;
    };
    const Case cases[] =
        {
            {0x00, 0x00, 2},  {0x01, 0x30, 90}, {0x99, 0x00, 2},  {0x60, 0x60, 3660},
            {0x99, 0x30, 30}, {0x00, 0x61, 2},  {0x01, 0x61, 62}, {0x00, 0x01, 1},
            {0xAB, 0x00, 2}, // nibbles 10 and 11 read as 111 minutes: out of range
        };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.minutes) << " " << int(c.seconds));
        RecordBytes r;
        r.intervalMinutes = c.minutes;
        r.intervalSeconds = c.seconds;
        EXPECT_EQ(decodeOne(r).interval[0], c.interval);
    }
}

TEST(DecodeMemory, DateBytesAndTheirFallBacks) {
    struct Case {
        const char* name;
        uint8_t date[6];
        QDateTime expected;
    };
    const Case cases[] = {
        {"valid",
         {0x26, 0x03, 0x14, 0x12, 0x34, 0x56},
         QDateTime(QDate(2026, 3, 14), QTime(12, 34, 56))},
        {"month 13 is no date", {0x24, 0x13, 0x01, 0x10, 0x00, 0x00}, Now},
        {"31 February is no date", {0x24, 0x02, 0x31, 0x10, 0x00, 0x00}, Now},
        {"hour 25 is no time", {0x24, 0x02, 0x01, 0x25, 0x00, 0x00}, Now},
        {"year 0x2A takes this year",
         {0x2A, 0x02, 0x01, 0x10, 0x11, 0x12},
         QDateTime(QDate(2025, 2, 1), QTime(10, 11, 12))},
        {"month and day nibbles above 9",
         {0x24, 0x0B, 0xC1, 0x10, 0x11, 0x12},
         QDateTime(QDate(2024, 7, 9), QTime(10, 11, 12))},
        {"time nibbles above 9",
         {0x24, 0x02, 0x01, 0xF0, 0x5E, 0xA0},
         QDateTime(QDate(2024, 2, 1), QTime(8, 15, 42))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordBytes r;
        std::memcpy(r.date, c.date, 6);
        EXPECT_DOUBLE_EQ(decodeOne(r).startTime[0], DateTimeText::toDays(c.expected));
    }
}

TEST(DecodeMemory, SampleValues) {
    struct Case {
        const char* name;
        float co2;
        float expected;
    };
    const Case co2Cases[] = {
        {"40000.0 kept", floatFromBytes(0x47, 0x1C, 0x40, 0x00), 40000.0f},
        {"40004.0 over range", floatFromBytes(0x47, 0x1C, 0x44, 0x00), 90000.0f},
        {"-2.0 gives 0", floatFromBytes(0xC0, 0x00, 0x00, 0x00), 0.0f},
        {"401.0", floatFromBytes(0x43, 0xC8, 0x80, 0x00), 401.0f},
        {"401.875 truncated", floatFromBytes(0x43, 0xC8, 0xF0, 0x00), 401.0f},
        {"999999 over range", 999999.0f, 90000.0f},
        {"above 999999 gives 0", 1000000.0f, 0.0f},
        {"infinity gives 0", std::numeric_limits<float>::infinity(), 0.0f},
        {"not a number gives 0", std::numeric_limits<float>::quiet_NaN(), 0.0f},
    };
    RecordBytes r;
    for (const Case& c : co2Cases)
        r.samples.push_back({c.co2, 250, 500});
    const DataSetStore s = decodeOne(r);
    for (size_t i = 0; i < std::size(co2Cases); ++i) {
        SCOPED_TRACE(co2Cases[i].name);
        EXPECT_EQ(s.values[3 * i], co2Cases[i].expected);
    }

    struct Quantity {
        const char* name;
        uint8_t unit;
        uint16_t rawT, rawRh;
        float rh, temperature;
    };
    const Quantity quantities[] = {
        {"RH 0x01F4 and 25.0 C", 0, 0x00FA, 0x01F4, 50.0f, 25.0f},
        {"25.0 C in a F data set", 1, 0x00FA, 0x01F4, 50.0f, 77.0f},
        {"any nonzero unit byte is F", 0x80, 0x0000, 0x0000, 0.0f, 32.0f},
        {"no reading, C", 0, 0xFFFF, 0xFFFF, 6553.5f, 6553.5f},
        {"no reading, F", 2, 0xFFFF, 0xFFFF, 6553.5f, 11828.3f},
    };
    for (const Quantity& q : quantities) {
        SCOPED_TRACE(q.name);
        RecordBytes rec;
        rec.unit = q.unit;
        rec.samples = {{401.0f, q.rawT, q.rawRh}};
        const DataSetStore one = decodeOne(rec);
        ASSERT_EQ(one.values.size(), 3u);
        EXPECT_FLOAT_EQ(one.values[1], q.rh);
        EXPECT_FLOAT_EQ(one.values[2], q.temperature);
        EXPECT_EQ(one.temperatureUnit[0], q.unit);
    }
}

TEST(DecodeMemory, TwoSetsOfThreeAndTwoSamples) {
    RecordBytes a;
    a.intervalMinutes = 0x01;
    a.intervalSeconds = 0x30;
    a.co2Offset = -100;
    a.rhOffset = 0xFB;
    a.temperatureOffset = 0x12;
    a.samples = {{401, 200, 300}, {402, 201, 301}, {403, 202, 302}};
    RecordBytes b;
    b.date[2] = 0x15;
    b.unit = 1;
    b.samples = {{501, 100, 600}, {502, 101, 601}};
    // Wrong markers do not matter: records follow from their sample counts.
    std::vector<uint8_t> img = buildImage({a, b});
    img[0xB00] = img[0xB00 + 1] = 0;
    DataSetStore s;
    ASSERT_EQ(DecodeMemory(img, s, Now), DecodeOk);

    ASSERT_EQ(s.count(), 2);
    EXPECT_EQ(s.values.size(), 15u);
    EXPECT_EQ(s.times.size(), 15u);
    EXPECT_EQ(s.firstEntry(1), 9u);
    EXPECT_EQ(s.sampleCount, (std::vector<int32_t>{3, 2}));
    EXPECT_EQ(s.headerOffset, (std::vector<int32_t>{0xB00, 0xB00 + 44}));
    EXPECT_EQ(s.endOffset, (std::vector<int32_t>{0xB00 + 43, 0xB00 + 44 + 35}));
    EXPECT_EQ(s.interval, (std::vector<int32_t>{90, 2}));
    EXPECT_EQ(s.co2Offset[0], -100);
    EXPECT_EQ(s.rhOffset[0], 0xFB);
    EXPECT_EQ(s.temperatureOffset[0], 0x12);

    const std::vector<float> expected = {401,   30.0f, 20.0f, 402,   30.1f, 20.1f, 403,   30.2f,
                                         20.2f, 501,   60.0f, 50.0f, 502,   60.1f, 50.18f};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_FLOAT_EQ(s.values[i], expected[i]) << i;

    const double t0 = DateTimeText::toDays(QDateTime(QDate(2026, 3, 14), QTime(12, 34, 56)));
    const double t1 = DateTimeText::toDays(QDateTime(QDate(2026, 3, 15), QTime(12, 34, 56)));
    for (int j = 0; j < 3; ++j)
        for (int q = 0; q < 3; ++q)
            EXPECT_DOUBLE_EQ(s.times[3 * j + q], t0 + j * 90 / 86400.0);
    for (int j = 0; j < 2; ++j)
        for (int q = 0; q < 3; ++q)
            EXPECT_DOUBLE_EQ(s.times[9 + 3 * j + q], t1 + j * 2 / 86400.0);

    EXPECT_EQ(s.valuesOf(1).data(), s.values.data() + 9);
    EXPECT_EQ(s.timesOf(1).size(), 6u);
}

TEST(DecodeMemory, TruncatedImageIsCutAtTheLastWholeSample) {
    RecordBytes a;
    a.samples = {{401, 1, 1}, {402, 2, 2}, {403, 3, 3}, {404, 4, 4}};
    RecordBytes b;
    b.samples = {{501, 5, 5}};
    std::vector<uint8_t> img = buildImage({a, b});
    // Keep the header, two whole samples and half of the third.
    img.resize(0xB00 + 18 + 8 * 2 + 4);
    DataSetStore s;
    ASSERT_EQ(DecodeMemory(img, s, Now), DecodeOk);
    ASSERT_EQ(s.count(), 1); // the second record lies past the end: dropped
    EXPECT_EQ(s.sampleCount[0], 2);
    EXPECT_EQ(s.values, (std::vector<float>{401, 0.1f, 0.1f, 402, 0.2f, 0.2f}));

    // A sample count far beyond the image reads only the whole samples that are there: the
    // 38 bytes after its header (one sample, end markers, a 28-byte record) give four.
    RecordBytes huge;
    huge.samples = {{401, 1, 1}};
    huge.countOverride = 0xFFFF;
    img = buildImage({huge, b});
    ASSERT_EQ(img.size(), 0xB00 + 18 + 38u);
    ASSERT_EQ(DecodeMemory(img, s, Now), DecodeOk);
    ASSERT_EQ(s.count(), 1);
    EXPECT_EQ(s.sampleCount[0], 4);
    EXPECT_EQ(s.values.size(), 12u);
    EXPECT_EQ(s.values[0], 401.0f);
}

TEST(DataSetTexts, RatesOffsetsAndUnits) {
    EXPECT_EQ(intervalText(3660), "61:00");
    EXPECT_EQ(intervalText(2), "00:02");
    EXPECT_EQ(intervalText(90), "01:30");
    EXPECT_EQ(intervalText(600), "10:00");
    EXPECT_EQ(rhOffsetText(0xFB), withSeparator("-0.5"));
    EXPECT_EQ(rhOffsetText(0x7F), withSeparator("12.7"));
    EXPECT_EQ(rhOffsetText(0x80), withSeparator("-12.8"));
    EXPECT_EQ(temperatureOffsetText(0x12, true), withSeparator("1.8"));
    EXPECT_EQ(temperatureOffsetText(0x12, false), withSeparator("1.0"));
    EXPECT_EQ(temperatureOffsetText(0xFF, false), withSeparator("-0.1"));
    EXPECT_EQ(temperatureOffsetText(0, false), withSeparator("0.0"));

    RecordBytes c;
    c.intervalMinutes = 0x60;
    c.intervalSeconds = 0x60;
    c.co2Offset = -100;
    c.rhOffset = 0xFB;
    c.temperatureOffset = 0x12;
    c.samples = {{}, {}, {}};
    RecordBytes f = c;
    f.unit = 1;
    f.co2Offset = 25;
    DataSetStore s;
    ASSERT_EQ(DecodeMemory(buildImage({c, f}), s, Now), DecodeOk);
    const auto row1 = dataSetRowTexts(s, 0);
    const auto row2 = dataSetRowTexts(s, 1);
    const QString date = QLocale::system().toString(QDate(2026, 3, 14), DateTimeText::dateFormat());
    EXPECT_EQ(row1[0], "1");
    EXPECT_EQ(row1[1], date);
    EXPECT_EQ(row1[2], "12:34:56");
    EXPECT_EQ(row1[3], "61:00");
    EXPECT_EQ(row1[4], "3");
    EXPECT_EQ(row1[5], "C");
    EXPECT_EQ(row1[6], "-100");
    EXPECT_EQ(row1[7], withSeparator("-0.5"));
    EXPECT_EQ(row1[8], withSeparator("1.0"));
    EXPECT_EQ(row2[0], "2");
    EXPECT_EQ(row2[5], "F");
    EXPECT_EQ(row2[6], "25");
    EXPECT_EQ(row2[8], withSeparator("1.8"));
}
