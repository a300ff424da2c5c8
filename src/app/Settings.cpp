#include "app/Settings.h"

#include <QSettings>

Settings::Settings(const QString& fileName)
    : m_store(fileName.isEmpty()
                  ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                QStringLiteral("Q7320"), QStringLiteral("Q7320"))
                  : std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {}

Settings::~Settings() = default;

static QString keyOf(const QString& name) {
    return QString::fromLatin1(Settings::KeyPath) + QLatin1Char('/') + name;
}

int Settings::readInt(const QString& name, int defaultValue) const {
    const QVariant v = m_store->value(keyOf(name));
    bool ok = false;
    const int value = v.toInt(&ok);
    return v.isValid() && ok ? value : defaultValue;
}

bool Settings::writeInt(const QString& name, int value) {
    m_store->setValue(keyOf(name), value);
    m_store->sync();
    return m_store->status() == QSettings::NoError;
}

bool Settings::contains(const QString& name) const { return m_store->contains(keyOf(name)); }
