#include "realtime/RealTimeJournal.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace RealTime;

namespace {
Sample sampleAt(int i) {
    return Sample{46000.5 + i / 86400.0, 400 + i, 40.0f + i / 10.0f, 20.0f - i / 10.0f,
                  static_cast<uint8_t>(i & 0x0F)};
}

void expectSame(const Sample& a, const Sample& b, int i) {
    EXPECT_EQ(a.time, b.time) << i;
    EXPECT_EQ(a.ppm, b.ppm) << i;
    EXPECT_EQ(a.rh, b.rh) << i;
    EXPECT_EQ(a.temp, b.temp) << i;
    EXPECT_EQ(a.flags, b.flags) << i;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::optional<JournalContents> decode(const QByteArray& b) {
    return decodeJournal(
        std::span(reinterpret_cast<const uint8_t*>(b.constData()), static_cast<size_t>(b.size())));
}
} // namespace

TEST(RealTimeJournal, RoundTripKeepsEverySampleExactly) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(JournalFileName));
    JournalWriter w;
    ASSERT_TRUE(w.start(path, {46000.5, 3660, 99999}));
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(w.append(sampleAt(i)));
    w.close();

    const auto j = readJournal(path);
    ASSERT_TRUE(j);
    EXPECT_EQ(j->header.startTime, 46000.5);
    EXPECT_EQ(j->header.interval, 3660);
    EXPECT_EQ(j->header.count, 99999);
    EXPECT_FALSE(j->damagedTail);
    ASSERT_EQ(j->samples.size(), 50u);
    for (int i = 0; i < 50; ++i)
        expectSame(j->samples[i], sampleAt(i), i);
    EXPECT_EQ(QFile(path).size(), JournalHeaderSize + 50 * JournalRecordSize);

    // A restored journal goes on where the good part ends.
    ASSERT_TRUE(w.resume(path, 50));
    ASSERT_TRUE(w.append(sampleAt(50)));
    w.close();
    EXPECT_EQ(readJournal(path)->samples.size(), 51u);

    w.discard();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(readJournal(path));
}

TEST(RealTimeJournal, ReaderStopsAtATornOrDamagedTail) {
    QByteArray image;
    const auto h = encodeJournalHeader({46000.5, 2, 10});
    image.append(reinterpret_cast<const char*>(h.data()), static_cast<qsizetype>(h.size()));
    for (int i = 0; i < 5; ++i) {
        const auto r = encodeJournalRecord(static_cast<uint32_t>(i), sampleAt(i));
        image.append(reinterpret_cast<const char*>(r.data()), static_cast<qsizetype>(r.size()));
    }
    const qsizetype full = image.size();

    struct Case {
        const char* name;
        std::function<QByteArray(QByteArray)> damage;
        size_t samples;
        bool damagedTail;
    };
    const Case cases[] = {
        {"intact", [](QByteArray b) { return b; }, 5, false},
        {"last record torn", [&](QByteArray b) { return b.left(full - 7); }, 4, true},
        {"one byte of a record", [&](QByteArray b) { return b.left(full - 31); }, 4, true},
        {"only the header", [&](QByteArray b) { return b.left(JournalHeaderSize); }, 0, false},
        {"bit flip in record 3",
         [&](QByteArray b) {
             b[JournalHeaderSize + 3 * JournalRecordSize + 6] ^= 0x10;
             return b;
         },
         3, true},
        {"zeros after the last record (a power cut)",
         [&](QByteArray b) { return b + QByteArray(JournalRecordSize * 2, '\0'); }, 5, true},
        {"record repeated", [&](QByteArray b) { return b + b.right(JournalRecordSize); }, 5, true},
    };
    for (const auto& c : cases) {
        const auto j = decode(c.damage(image));
        ASSERT_TRUE(j) << c.name;
        EXPECT_EQ(j->samples.size(), c.samples) << c.name;
        EXPECT_EQ(j->damagedTail, c.damagedTail) << c.name;
        for (size_t i = 0; i < j->samples.size(); ++i)
            expectSame(j->samples[i], sampleAt(static_cast<int>(i)), static_cast<int>(i));
    }
}

TEST(RealTimeJournal, UnusableHeaderIsRejected) {
    const auto h = encodeJournalHeader({46000.5, 2, 10});
    QByteArray good(reinterpret_cast<const char*>(h.data()), static_cast<qsizetype>(h.size()));
    EXPECT_TRUE(decode(good));
    EXPECT_FALSE(decode(QByteArray()));
    EXPECT_FALSE(decode(good.left(JournalHeaderSize - 1)));
    QByteArray badMagic = good;
    badMagic[0] = 'X';
    EXPECT_FALSE(decode(badMagic));
    QByteArray badField = good;
    badField[20] ^= 1; // start time changed, CRC no longer matches
    EXPECT_FALSE(decode(badField));
    EXPECT_FALSE(decode(QByteArray(4096, '\xFF')));
}

TEST(RealTimeJournal, StartReplacesAnOldJournal) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("j.rtj"));
    JournalWriter w;
    ASSERT_TRUE(w.start(path, {1, 2, 3}));
    for (int i = 0; i < 3; ++i)
        w.append(sampleAt(i));
    ASSERT_TRUE(w.start(path, {5, 6, 7}));
    w.append(sampleAt(0));
    w.close();
    const auto j = readJournal(path);
    ASSERT_TRUE(j);
    EXPECT_EQ(j->header.startTime, 5);
    EXPECT_EQ(j->samples.size(), 1u);
}

// A journal name that is a device, a pipe or a folder is no journal, and reading it neither
// blocks nor runs on for ever (/dev/zero never ends).
TEST(RealTimeJournal, OnlyRegularFilesAreRead) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.rtj");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path :
         {QStringLiteral("/dev/zero"), QStringLiteral("/dev/full"), fifo, dir.path()})
        EXPECT_FALSE(readJournal(path)) << path.toStdString();
}

TEST(RealTimeJournal, UnwritableFolderFailsWithoutCrash) {
    JournalWriter w;
    EXPECT_FALSE(w.start(QStringLiteral("/nonexistent-folder/x/RealTime.rtj"), {1, 2, 3}));
    EXPECT_TRUE(w.failed());
    EXPECT_FALSE(w.append(sampleAt(0)));
}

// A journal that cannot be written keeps every sample in memory and catches up on a later
// append: a file that never got its header is written anew, a torn last record is cut off,
// and a file that went away is written again from the first sample.
TEST(RealTimeJournal, WriterCatchesUpAfterAFailure) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(JournalFileName));
    JournalWriter w;

    // A full device from the start: nothing on disk, the reason kept.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), path));
    EXPECT_FALSE(w.start(path, {46000.5, 2, 100}, false));
    EXPECT_TRUE(w.failed());
    EXPECT_EQ(w.error(), "No space left on device");
    EXPECT_FALSE(w.append(sampleAt(0)));
    EXPECT_EQ(w.records(), 1u);
    EXPECT_EQ(w.recordsOnDisk(), 0u);

    // Space again: header and both samples.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(w.append(sampleAt(1)));
    EXPECT_FALSE(w.failed());
    EXPECT_EQ(w.recordsOnDisk(), 2u);
    auto j = readJournal(path);
    ASSERT_TRUE(j);
    EXPECT_EQ(j->header.count, 100);
    ASSERT_EQ(j->samples.size(), 2u);

    // A torn record behind the good ones (a write cut short, then the file closed): the
    // next append opens it again and cuts it back to its whole records first.
    w.close();
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(QByteArray(11, '\x5a'));
    }
    EXPECT_TRUE(w.append(sampleAt(2)));
    // The file gone: written anew, every sample from the first.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(w.append(sampleAt(3)));
    j = readJournal(path);
    ASSERT_TRUE(j);
    EXPECT_FALSE(j->damagedTail);
    ASSERT_EQ(j->samples.size(), 4u);
    for (int i = 0; i < 4; ++i)
        expectSame(j->samples[size_t(i)], sampleAt(i), i);

    w.discard();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(w.append(sampleAt(4))); // idle after a discard: nothing is written
    EXPECT_FALSE(QFile::exists(path));
}
