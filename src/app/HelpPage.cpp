#include "app/HelpPage.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QStringList helpPageCandidates(const QString& programFolder) {
    const QString name = QString::fromLatin1(HelpPageName);
    const QDir program(programFolder);
    QStringList places{program.filePath(name), QDir::cleanPath(program.filePath(
                                                   QStringLiteral("../../share/q7320/") + name))};
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString path = QDir(data).filePath(QStringLiteral("q7320/") + name);
        if (!places.contains(path)) places << path;
    }
    return places;
}

QString findHelpPage(const QString& programFolder) {
    for (const QString& path : helpPageCandidates(programFolder))
        if (QFileInfo(path).isFile()) return path;
    return QString();
}
