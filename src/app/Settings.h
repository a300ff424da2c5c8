#pragma once
// The persisted settings: named integer values under the key path "SOFTWARE/Q7320".
// Each value is read and written on its own; a missing or unreadable value gives its default.
#include <QString>
#include <memory>

class QSettings;

class Settings {
public:
    // fileName empty: the user's native settings store; otherwise an INI file (tests).
    explicit Settings(const QString& fileName = QString());
    ~Settings();

    int readInt(const QString& name, int defaultValue) const;
    bool writeInt(const QString& name, int value);
    bool contains(const QString& name) const;

    static constexpr const char* KeyPath = "SOFTWARE/Q7320";

private:
    std::unique_ptr<QSettings> m_store;
};
