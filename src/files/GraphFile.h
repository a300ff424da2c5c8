#pragma once
// The chart file (.ghf): a 4-byte length, least significant byte first, then the chart state
// block as the chart component stores it. The block's content is the chart component's.
#include <QByteArray>
#include <QString>

class QIODevice;

namespace GraphFile {

struct ReadResult {
    QByteArray block;
    QString error; // empty when the block was read
    bool ok() const { return error.isEmpty(); }
};

// The bytes of a chart file holding this block.
QByteArray encode(const QByteArray& block);

// Writes the file through a save file: a failed write leaves an existing file as it was.
// Returns the error text, empty on success.
QString write(const QString& fileName, const QByteArray& block);

// Reads the block. A file that cannot be opened, or that is shorter than its length field
// says, gives the error text (nothing is allocated for a length the file cannot hold).
ReadResult read(const QString& fileName);
// The same from an open device that knows its size (a file, a buffer), from its start.
ReadResult read(QIODevice& file);

// The error texts.
QString cannotCreate(const QString& fileName, const QString& reason);
QString cannotOpen(const QString& fileName, const QString& reason);
QString readError();

} // namespace GraphFile
