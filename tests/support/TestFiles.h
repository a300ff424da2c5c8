#pragma once
// Whole-file reads and writes for tests.
#include <QByteArray>
#include <QFile>
#include <QString>

// The file's bytes, or nothing when it cannot be read.
inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces the file with these bytes; false when that failed.
inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The bytes of a string literal, embedded NULs included, without its terminating NUL. The
// length comes from the literal itself, so it cannot be miscounted by hand.
template <qsizetype N> QByteArray literalBytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}
