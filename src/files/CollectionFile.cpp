#include "files/CollectionFile.h"

#include "files/SaveFile.h"

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
    if (!in.open(QIODevice::ReadOnly)) return fail(in.errorString());
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly)) return fail(out.errorString());
    char buf[65536];
    for (;;) {
        const qint64 n = in.read(buf, sizeof buf);
        if (n < 0) {
            out.cancelWriting();
            return fail(in.errorString());
        }
        if (n == 0) break;
        QString why;
        if (!SaveFile::writeAll(out, buf, n, &why)) {
            out.cancelWriting();
            return fail(why);
        }
    }
    if (!out.commit()) return fail(out.errorString());
    return SaveResult::Saved;
}

std::optional<MemoryImage> readImage(const QString& fileName, QString* why) {
    const auto refuse = [&](const QString& reason) -> std::optional<MemoryImage> {
        if (why) *why = reason;
        return std::nullopt;
    };
    // Looked at before opening: a named pipe would block the open for ever.
    const QFileInfo info(fileName);
    if (!info.exists()) return refuse(QStringLiteral("no such file"));
    if (info.isDir()) return refuse(QStringLiteral("it is a folder"));
    if (!info.isFile()) return refuse(QStringLiteral("it is not a regular file"));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return refuse(file.errorString());
    const qint64 size = file.size();
    if (size > MaxImageBytes)
        return refuse(QStringLiteral("%1 bytes, more than the %2 bytes of the meter's memory")
                          .arg(size)
                          .arg(MaxImageBytes));
    MemoryImage image(static_cast<size_t>(size));
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(reinterpret_cast<char*>(image.data()) + got, size - got);
        if (n <= 0) break;
        got += n;
    }
    image.resize(static_cast<size_t>(got));
    return image;
}

bool writeImage(const QString& fileName, const MemoryImage& image, QString* error) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    if (!SaveFile::writeAll(file, reinterpret_cast<const char*>(image.data()),
                            static_cast<qint64>(image.size()), error))
        return false;
    if (file.commit()) return true;
    if (error) *error = file.errorString();
    return false;
}

TempResult writeTemp(const QString& dataFolder, const MemoryImage& image) {
    if (!QDir().mkpath(tempFolder(dataFolder))) return TempResult::FolderUnavailable;
    return writeImage(tempFilePath(dataFolder), image) ? TempResult::Written
                                                       : TempResult::FileNotWritten;
}

} // namespace CollectionFile
