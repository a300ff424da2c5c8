#include "files/CollectionFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
        if (out.write(buf, n) != n) {
            out.cancelWriting();
            return fail(out.errorString());
        }
    }
    if (!out.commit()) return fail(out.errorString());
    return SaveResult::Saved;
}

std::optional<MemoryImage> readImage(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const qint64 size = file.size();
    if (size > MaxImageBytes) return std::nullopt;
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

TempResult writeTemp(const QString& dataFolder, const MemoryImage& image) {
    const QString folder = tempFolder(dataFolder);
    if (!QDir().mkpath(folder)) return TempResult::FolderUnavailable;
    QSaveFile file(tempFilePath(dataFolder));
    if (!file.open(QIODevice::WriteOnly)) return TempResult::FileNotWritten;
    const qint64 n = static_cast<qint64>(image.size());
    if (file.write(reinterpret_cast<const char*>(image.data()), n) != n || !file.commit())
        return TempResult::FileNotWritten;
    return TempResult::Written;
}

} // namespace CollectionFile
