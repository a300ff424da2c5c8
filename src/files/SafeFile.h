#pragma once
// Opening files so that nothing waits or is half written: reading opens only regular files
// (a named pipe, device or folder would block or make no sense as a document), and saving goes
// through QSaveFile, whose failures are told with the system's own reason.
#include <QByteArray>
#include <QString>

class QFile;
class QFileDevice;
class QSaveFile;

namespace SafeFile {

// Opens an existing regular file for reading, never waiting on it. False: nothing is open and
// *why tells the reason ("No such file or directory", "not a regular file (a named pipe)").
bool openForReading(QFile& file, QString* why);

// Opens a save file. A name that exists as something else than a regular file (a folder, a
// device such as /dev/stdout, a named pipe) is refused rather than replaced.
bool openForWriting(QSaveFile& file, QString* why);

// Commits a save file: either the whole file is in place, or nothing changed and *why holds
// the reason of the first failed write ("No space left on device").
bool commit(QSaveFile& file, QString* why);

// Writes all the bytes, or fails with the system's reason (a short write is tried again, so
// that the reason comes out).
bool writeAll(QFileDevice& file, const char* data, qint64 size, QString* why);

// Writes the whole file through a save file: all of it, or nothing changed.
bool writeWhole(const QString& fileName, const QByteArray& bytes, QString* why);

// What a file of this mode is, when it is not a regular file ("a named pipe"); empty for one.
QString kindOfFile(unsigned mode);

} // namespace SafeFile
