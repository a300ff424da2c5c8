// The list text reader, the chart file framing and the collection file, with truncated and
// corrupted inputs.
#include "SmallTmpfs.h"
#include "TestFiles.h"
#include "files/CollectionFile.h"
#include "files/GraphFile.h"
#include "files/ListTextReader.h"
#include "files/TextFiles.h"
#include "logger/TableToGraph.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
using Rows = std::vector<std::vector<std::string>>;

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

Rows readAll(std::string_view bytes, char sep, size_t chunk = 0) {
    Rows out;
    ListTextReader reader(sep, [&](std::span<const std::string_view> fields) {
        out.emplace_back(fields.begin(), fields.end());
    });
    if (chunk == 0) {
        reader.feed(bytes);
    } else {
        for (size_t i = 0; i < bytes.size(); i += chunk)
            reader.feed(bytes.substr(i, chunk));
    }
    reader.finish();
    return out;
}

} // namespace

TEST(ListTextReader, SplitsLinesIntoColumns) {
    struct Case {
        const char* what;
        std::string input;
        char sep;
        Rows expected;
    };
    const std::string long200(200, 'x');
    const Case cases[] = {
        {"list line with empty cells",
         "D\tT\t400.0\t50.0\t25.0\t\t\t\r\n",
         '\t',
         {{"D", "T", "400.0", "50.0", "25.0", "", ""}}},
        {"chart line, last field without separator",
         "D,T, OL,----,25.0\r\n",
         ',',
         {{"D", "T", " OL", "----", "25.0"}}},
        {"line feed only, no end at the end", "a\tb\nc\td", '\t', {{"a", "b"}, {"c", "d"}}},
        {"first line without separator: nothing", "no comma here\r\na,b\r\n", ',', {}},
        {"stops at the first line without separator", "a,b\r\n\r\nc,d\r\n", ',', {{"a", "b"}}},
        {"tab file read as csv", "a\tb\r\n", ',', {}},
        {"fields after the seventh are not kept",
         "1,2,3,4,5,6,7,8,9\n",
         ',',
         {{"1", "2", "3", "4", "5", "6", "7"}}},
        {"separator only", ",\n", ',', {{""}}},
        {"separator past 179 characters ends reading", long200 + ",b\nc,d\n", ',', {}},
        {"overlong line keeps 179 characters",
         "a," + long200 + "\nc,d\n",
         ',',
         {{"a", std::string(177, 'x')}, {"c", "d"}}},
        {"empty file", "", ',', {}},
        // Bytes that are not UTF-8 make the line Latin-1: one character a byte.
        {"Latin-1 line",
         "25\xb0"
         "C\t\xe9t\xe9\r\n",
         '\t',
         {{"25\u00b0"
           "C",
           "\u00e9t\u00e9"}}},
        {"stray continuation bytes (a fuzz find): 179 Latin-1 characters",
         "a\t" + std::string(800, '\xbb') + "\nb\tc\n",
         '\t',
         {{"a", repeat("\u00bb", 177)}, {"b", "c"}}},
        {"valid for 179 characters, invalid after: UTF-8",
         "x\t" + repeat("\u00e9", 200) + "\xff\n",
         '\t',
         {{"x", repeat("\u00e9", 177)}}},
        {"UTF-8 byte order mark",
         "\xef\xbb\xbf"
         "a,b\n",
         ',',
         {{"a", "b"}}},
        {"UTF-16LE with byte order mark",
         std::string("\xff\xfe"
                     "a\0\t\0\xe9\0\r\0\n\0"
                     "c\0\t\0d\0",
                     18),
         '\t',
         {{"a", "\u00e9"}, {"c", "d"}}},
        {"UTF-16BE with byte order mark",
         std::string("\xfe\xff\0a\0,\0b\0\n", 10),
         ',',
         {{"a", "b"}}},
        {"UTF-16 pair cut by a chunk end (a fuzz find)",
         std::string("\xff\xfe"
                     "a\0\t\0\x3d\xd8\x00\xde\n\0",
                     12),
         '\t',
         {{"a", "\U0001F600"}}},
        {"UTF-16LE without a mark", std::string("a\0,\0b\0\n\0", 8), ',', {{"a", "b"}}},
        {"NULs but not UTF-16",
         std::string("a\0\0\0,b\n", 7),
         ',',
         {{std::string("a\0\0\0", 4), "b"}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readAll(c.input, c.sep), c.expected) << c.what;
        // The result never depends on how the file arrives in chunks.
        for (size_t chunk : {1, 2, 7, 64})
            EXPECT_EQ(readAll(c.input, c.sep, chunk), c.expected) << c.what << " chunk " << chunk;
    }
}

TEST(ListTextReader, LineLimitCountsCharactersNotBytes) {
    // 178 two-byte characters and a comma: the comma is character 179 and is kept.
    std::string s;
    for (int i = 0; i < 178; ++i)
        s += "\xC3\xA9";
    EXPECT_EQ(readAll(s + ",x\n", ','), Rows({{s}})); // "x" was character 180
}

// ---------------------------------------------------------------------------------------------

TEST(GraphFile, RoundTripAndLittleEndianLength) {
    QTemporaryDir dir;
    const QString path = dir.filePath("run1.ghf");
    QByteArray block;
    for (int i = 0; i < 300; ++i)
        block.append(static_cast<char>(i * 7));
    ASSERT_EQ(GraphFile::write(path, block), QString());
    const QByteArray bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 304);
    EXPECT_EQ(bytes.left(4), QByteArray("\x2c\x01\x00\x00", 4));
    const auto r = GraphFile::read(path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.block, block);
}

TEST(GraphFile, BadFilesAreRefused) {
    QTemporaryDir dir;
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"shorter than the length field", QByteArray("\x05\x00", 2)},
        {"block shorter than its length", QByteArray("\x10\x00\x00\x00"
                                                     "abc",
                                                     7)},
        {"length of 4 GiB", QByteArray("\xff\xff\xff\xff"
                                       "abcd",
                                       8)},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath("bad.ghf");
        ASSERT_TRUE(writeBytes(path, c.bytes));
        const auto r = GraphFile::read(path);
        EXPECT_EQ(r.error, GraphFile::readError()) << c.what;
        EXPECT_TRUE(r.block.isEmpty()) << c.what;
    }
    const QString missing = dir.filePath("missing.ghf");
    EXPECT_TRUE(GraphFile::read(missing).error.startsWith(
        QStringLiteral("Cannot open file \"%1\". ").arg(missing)));
    // An empty block is a valid (if useless) file.
    ASSERT_TRUE(writeBytes(dir.filePath("zero.ghf"), QByteArray(4, '\0')));
    EXPECT_TRUE(GraphFile::read(dir.filePath("zero.ghf")).ok());
}

// A length field near 4 GiB on a file that really is that long (sparse): refused with the
// stream read error before anything is allocated for it.
TEST(GraphFile, LengthBeyondTheLargestChartIsRefusedUnread) {
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.ghf");
    ASSERT_TRUE(writeBytes(path, literalBytes("\xf0\xff\xff\xff")));
    QFile f(path);
    if (!f.resize(4 + qint64(0xFFFFFFF0)))
        GTEST_SKIP() << "no sparse 4 GiB file here: " << f.errorString().toStdString();
    const auto r = GraphFile::read(path);
    EXPECT_EQ(r.error, GraphFile::readError());
    EXPECT_TRUE(r.block.isEmpty());
}

TEST(GraphFile, FailedWriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("no/such/folder/x.ghf");
    EXPECT_TRUE(GraphFile::write(bad, "abc")
                    .startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(bad)));
    const QString path = dir.filePath("keep.ghf");
    ASSERT_EQ(GraphFile::write(path, "old"), QString());
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString err = GraphFile::write(path, "new block");
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (err.isEmpty()) GTEST_SKIP() << "running with rights that ignore folder permissions";
    EXPECT_EQ(GraphFile::read(path).block, QByteArray("old"));
}

// ---------------------------------------------------------------------------------------------

TEST(CollectionFile, TempFileAndCopy) {
    QTemporaryDir dir;
    const QString data = dir.path() + "/Q7320/";
    EXPECT_EQ(CollectionFile::tempFilePath(data), dir.path() + "/Q7320/temp/DataSetsTemp.tmp");
    const QString target = dir.filePath("sets.732");

    // No temp file yet: nothing is written.
    EXPECT_EQ(CollectionFile::save(CollectionFile::tempFilePath(data), target),
              CollectionFile::SaveResult::NoTempFile);
    EXPECT_FALSE(QFile::exists(target));

    MemoryImage image(2816 + 64);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 13);
    ASSERT_EQ(CollectionFile::writeTemp(data, image), CollectionFile::TempResult::Written);
    ASSERT_EQ(CollectionFile::save(CollectionFile::tempFilePath(data), target),
              CollectionFile::SaveResult::Saved);
    const auto back = CollectionFile::readImage(target);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, image);

    // A data folder that is a file: the temp folder can be neither found nor created.
    ASSERT_TRUE(writeBytes(dir.filePath("plainfile"), "x"));
    EXPECT_EQ(CollectionFile::writeTemp(dir.filePath("plainfile"), image),
              CollectionFile::TempResult::FolderUnavailable);
}

TEST(CollectionFile, ReadingOddFiles) {
    QTemporaryDir dir;
    EXPECT_FALSE(CollectionFile::readImage(dir.filePath("missing.732")).has_value());
    ASSERT_TRUE(writeBytes(dir.filePath("empty.732"), QByteArray()));
    const auto empty = CollectionFile::readImage(dir.filePath("empty.732"));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
    ASSERT_TRUE(writeBytes(dir.filePath("odd.732"), QByteArray(37, '\x01')));
    EXPECT_EQ(CollectionFile::readImage(dir.filePath("odd.732"))->size(), 37u);
    // What is not a collection file says why, and a named pipe is not waited on.
    ASSERT_TRUE(
        writeBytes(dir.filePath("big.732"), QByteArray(CollectionFile::MaxImageBytes + 1, 0)));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.732"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo.732")).constData(), 0600), 0);
    struct Case {
        const char* name;
        const char* reason;
    };
    const Case cases[] = {
        {"missing.732", "No such file or directory"},
        {"big.732", "longer than a meter's logger memory (262144 bytes)"},
        {"folder.732", "not a regular file (a folder)"},
        {"fifo.732", "not a regular file (a named pipe)"},
    };
    for (const Case& c : cases) {
        QString why;
        EXPECT_FALSE(CollectionFile::readImage(dir.filePath(c.name), &why).has_value()) << c.name;
        EXPECT_EQ(why, QLatin1String(c.reason)) << c.name;
    }
}

// A full disk: every writer gives the system's reason and leaves no file behind (the save
// file's first short write used to say only "Unknown error").
TEST(SaveFile, FullDiskSaysSoAndLeavesNothing) {
    SmallTmpfs fs(64);
    if (!fs.ok()) GTEST_SKIP() << fs.why().toStdString();
    const QString full = QStringLiteral("No space left on device");
    const QByteArray big(200 * 1024, 'x');

    const QString chart = fs.path() + "/chart.ghf";
    EXPECT_EQ(GraphFile::write(chart, big), GraphFile::cannotCreate(chart, full));
    EXPECT_FALSE(QFile::exists(chart));

    QString error;
    const QString image = fs.path() + "/sets.732";
    EXPECT_FALSE(CollectionFile::writeImage(
        image,
        MemoryImage(reinterpret_cast<const uint8_t*>(big.constData()),
                    reinterpret_cast<const uint8_t*>(big.constData()) + big.size()),
        &error));
    EXPECT_EQ(error, full);
    EXPECT_FALSE(QFile::exists(image));

    std::vector<double> x(20000, 46000.5);
    std::vector<float> y(20000, 401.0f);
    const ChartPoints points{x, y, y, y};
    const auto writer = TextLines::ChartLineWriter::forSystem(TextLines::Tab);
    const QString text = fs.path() + "/points.txt";
    error.clear();
    EXPECT_EQ(writeChartText(text, points, {1, 20000}, writer, nullptr, &error),
              TextOutcome::Failed);
    EXPECT_EQ(error, full);
    EXPECT_FALSE(QFile::exists(text));
}

// A date that is not one, from a binary or UTF-16 file: the message shows printable
// characters only, and not too many of them.
TEST(TableMessages, BadDateTextIsQuotedPrintably) {
    EXPECT_EQ(TableToGraph::notValidDateTimeText(QStringLiteral("31.02.2024 10:00:00")),
              "'31.02.2024 10:00:00' is not a valid date and time");
    const QString utf16AsBytes = QStringLiteral("1_0_/_0_3").replace(QLatin1Char('_'), QChar(0));
    EXPECT_EQ(TableToGraph::notValidDateTimeText(utf16AsBytes),
              "'1?0?/?0?3' is not a valid date and time");
    const QString shown = TableToGraph::notValidDateTimeText(QString(500, QLatin1Char('x')));
    EXPECT_EQ(shown, "'" + QString(60, QLatin1Char('x')) + "...' is not a valid date and time");
}
