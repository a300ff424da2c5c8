#include "app/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString documentsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString resolveDataFolder(const QString& documentsDir) {
    if (documentsDir.isEmpty()) return QString();
    const QString folder = QDir(documentsDir).filePath(QStringLiteral("Q7320"));
    const QFileInfo info(folder);
    if (info.isDir() || (!info.exists() && QDir().mkpath(folder))) return folder + QLatin1Char('/');
    return documentsDir;
}

QString dataFolderOrProgramFolder(const QString& dataFolder) {
    if (!dataFolder.isEmpty()) return dataFolder;
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}
