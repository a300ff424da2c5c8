#include "files/GraphFile.h"

#include "files/SafeFile.h"
#include "graph/chart/ChartState.h"

#include <QFile>

namespace GraphFile {

QString cannotCreate(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason);
}

QString cannotOpen(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, reason);
}

QString readError() {
    return QStringLiteral("Stream read error");
}

QByteArray encode(const QByteArray& block) {
    const quint32 n = static_cast<quint32>(block.size());
    QByteArray out;
    out.reserve(block.size() + 4);
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((n >> (8 * i)) & 0xFF));
    out.append(block);
    return out;
}

QString write(const QString& fileName, const QByteArray& block) {
    QString why;
    if (!SafeFile::writeWhole(fileName, encode(block), &why)) return cannotCreate(fileName, why);
    return {};
}

ReadResult read(const QString& fileName) {
    QFile file(fileName);
    QString why;
    if (!SafeFile::openForReading(file, &why)) return {{}, cannotOpen(fileName, why)};
    return read(file);
}

ReadResult read(QIODevice& file) {
    uint8_t head[4];
    if (file.read(reinterpret_cast<char*>(head), 4) != 4) return {{}, readError()};
    const quint64 n =
        quint64(head[0]) | quint64(head[1]) << 8 | quint64(head[2]) << 16 | quint64(head[3]) << 24;
    // Check the length against what the file holds, and against the largest chart there can
    // be, before allocating anything: a huge sparse file would otherwise be read whole.
    const qint64 size = file.size();
    if (size < 4 || n > static_cast<quint64>(size - 4)) return {{}, readError()};
    if (n > static_cast<quint64>(chart::MaxChartStateBytes)) return {{}, readError()};
    QByteArray block = file.read(static_cast<qint64>(n));
    if (static_cast<quint64>(block.size()) != n) return {{}, readError()};
    return {block, {}};
}

} // namespace GraphFile
