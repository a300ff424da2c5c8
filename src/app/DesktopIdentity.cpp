#include "app/DesktopIdentity.h"

#include "Version.h"
#include "resources/Resources.h"

#include <QApplication>

QIcon programIcon() {
    initQ7320Resources();
    return QIcon::fromTheme(QStringLiteral("q7320"), QIcon(QStringLiteral(":/icons/q7320.svg")));
}

QIcon commandIcon(const QString& themeName, const QString& ownName) {
    initQ7320Resources();
    return QIcon::fromTheme(themeName, QIcon(QStringLiteral(":/icons/%1.svg").arg(ownName)));
}

void applyDesktopIdentity() {
    QGuiApplication::setDesktopFileName(QStringLiteral(Q7320_APP_ID));
    QApplication::setWindowIcon(programIcon());
}
