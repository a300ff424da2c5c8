// Opening and saving files safely: nothing waits on a named pipe or device, and every save
// either completes or leaves the old file, failing with the system's reason.
#include "TestFiles.h"
#include "files/CollectionFile.h"
#include "files/GraphFile.h"
#include "files/SafeFile.h"
#include "files/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(SafeFile, OnlyRegularFilesAreOpenedAndNothingWaits) {
    QTemporaryDir dir;
    const QString file = dir.filePath("file.txt"), fifo = dir.filePath("fifo.txt");
    ASSERT_TRUE(writeBytes(file, "text\n"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QString name;
        const char* why; // empty: opened
    } cases[] = {
        {file, ""},
        {dir.filePath("missing.txt"), "No such file or directory"},
        {fifo, "not a regular file (a named pipe)"},
        {dir.path(), "not a regular file (a folder)"},
        {"/dev/null", "not a regular file (a device)"},
    };
    for (const auto& c : cases) {
        QFile in(c.name);
        QString why;
        const bool opened = SafeFile::openForReading(in, &why);
        EXPECT_EQ(opened, c.why[0] == '\0') << c.name.toStdString();
        EXPECT_EQ(why, QString::fromLatin1(c.why)) << c.name.toStdString();
        if (opened) EXPECT_EQ(in.readAll(), QByteArray("text\n"));
    }
    // Nor is a save allowed to replace something that is no file.
    for (const QString& name : {fifo, dir.path(), QStringLiteral("/dev/null")}) {
        QSaveFile out(name);
        QString why;
        EXPECT_FALSE(SafeFile::openForWriting(out, &why)) << name.toStdString();
        EXPECT_TRUE(why.startsWith(QStringLiteral("not a regular file"))) << why.toStdString();
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Runs `write` in a child whose files may not grow beyond 4 KiB (writes beyond fail with
// EFBIG, as a full disk fails them with ENOSPC); returns the reason it gave, "" on success.
QString reasonWithSmallFiles(const QString& resultFile, const std::function<QString()>& write) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_IGN);
        const QByteArray why = write().toUtf8();
        writeBytes(resultFile, why);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) return QStringLiteral("the child did not end");
    return QString::fromUtf8(readBytes(resultFile));
}

TEST(SafeFile, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    ASSERT_TRUE(QDir().mkpath(out));
    const QByteArray old = "the file that was there before\n";
    const QByteArray big(100000, 'x');
    std::vector<double> x(3000);
    std::vector<float> y(3000, 400.0f);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = 46000.0 + double(i) / 1440;
    const ChartPoints points{x, y, y, y};
    const TextLines::ChartLineWriter lines = TextLines::ChartLineWriter::forSystem(',');
    const struct {
        const char* name;
        std::function<QString(const QString&)> write;
    } cases[] = {
        {"whole.bin",
         [&](const QString& f) {
             QString why;
             return SafeFile::writeWhole(f, big, &why) ? QString() : why;
         }},
        {"chart.csv",
         [&](const QString& f) {
             QString why;
             return writeChartText(f, points, {1, 3000}, lines, nullptr, &why) == TextOutcome::Done
                        ? QString()
                        : why;
         }},
        {"chart.ghf", [&](const QString& f) { return GraphFile::write(f, big); }},
        {"image.732",
         [&](const QString& f) {
             QString why;
             return CollectionFile::writeImage(f, MemoryImage(50000, 1), &why) ? QString() : why;
         }},
    };
    for (const auto& c : cases) {
        const QString target = QDir(out).filePath(c.name);
        ASSERT_TRUE(writeBytes(target, old));
        const QString why =
            reasonWithSmallFiles(dir.filePath("why.txt"), [&] { return c.write(target); });
        EXPECT_TRUE(why.contains(QStringLiteral("File too large")))
            << c.name << ": " << why.toStdString();
        EXPECT_EQ(readBytes(target), old) << c.name;
        EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{c.name});
        QFile::remove(target);
    }
}

} // namespace
