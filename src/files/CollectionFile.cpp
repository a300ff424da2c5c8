#include "files/CollectionFile.h"

#include "files/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace CollectionFile {

QString tempFolder(const QString& dataFolder) {
    const QString base = dataFolder.isEmpty() ? QCoreApplication::applicationDirPath() : dataFolder;
    return QDir(base).filePath(QStringLiteral("temp"));
}

QString tempFilePath(const QString& dataFolder) {
    return QDir(tempFolder(dataFolder)).filePath(QStringLiteral("DataSetsTemp.tmp"));
}

SaveResult save(const QString& tempFile, const QString& fileName, QString* error) {
    QFile in(tempFile);
    if (!in.exists()) return SaveResult::NoTempFile;
    auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return SaveResult::Failed;
    };
    QString why;
    if (!SafeFile::openForReading(in, &why)) return fail(why);
    QSaveFile out(fileName);
    if (!SafeFile::openForWriting(out, &why)) return fail(why);
    char buf[65536];
    for (;;) {
        const qint64 n = in.read(buf, sizeof buf);
        if (n < 0) {
            out.cancelWriting();
            return fail(in.errorString());
        }
        if (n == 0) break;
        if (!SafeFile::writeAll(out, buf, n, &why)) {
            out.cancelWriting();
            return fail(why);
        }
    }
    if (!SafeFile::commit(out, &why)) return fail(why);
    return SaveResult::Saved;
}

std::optional<MemoryImage> readImage(const QString& fileName, QString* why) {
    QFile file(fileName);
    if (!SafeFile::openForReading(file, why)) return std::nullopt;
    return readImage(file, why);
}

std::optional<MemoryImage> readImage(QIODevice& in, QString* why) {
    // One byte more than the largest memory tells a longer file without reading all of it
    // (a pipe has no size to check first).
    MemoryImage image(static_cast<size_t>(MaxImageBytes + 1));
    qint64 got = 0;
    while (got < MaxImageBytes + 1) {
        const qint64 n =
            in.read(reinterpret_cast<char*>(image.data()) + got, MaxImageBytes + 1 - got);
        if (n < 0) {
            if (why) *why = in.errorString();
            return std::nullopt;
        }
        if (n == 0) break;
        got += n;
    }
    if (got > MaxImageBytes) {
        if (why)
            *why =
                QStringLiteral("longer than a meter's logger memory (%1 bytes)").arg(MaxImageBytes);
        return std::nullopt;
    }
    image.resize(static_cast<size_t>(got));
    return image;
}

bool writeImage(const QString& fileName, const MemoryImage& image, QString* error) {
    return SafeFile::writeWhole(fileName,
                                QByteArray::fromRawData(reinterpret_cast<const char*>(image.data()),
                                                        static_cast<qsizetype>(image.size())),
                                error);
}

TempResult writeTemp(const QString& dataFolder, const MemoryImage& image) {
    if (!QDir().mkpath(tempFolder(dataFolder))) return TempResult::FolderUnavailable;
    return writeImage(tempFilePath(dataFolder), image) ? TempResult::Written
                                                       : TempResult::FileNotWritten;
}

} // namespace CollectionFile
