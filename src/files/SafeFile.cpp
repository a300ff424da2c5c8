#include "files/SafeFile.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFile {

QString kindOfFile(unsigned mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return QStringLiteral("a folder");
    if (S_ISFIFO(mode)) return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
    return QStringLiteral("not a file");
}

namespace {
QString notRegular(unsigned mode) {
    return QStringLiteral("not a regular file (%1)").arg(kindOfFile(mode));
}
} // namespace

bool openForReading(QFile& file, QString* why) {
    // O_NONBLOCK: opening a named pipe would otherwise wait for a writer for ever.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (why) *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        if (why) *why = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        if (why) *why = notRegular(st.st_mode);
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (why) *why = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

bool openForWriting(QSaveFile& file, QString* why) {
    struct stat st {};
    if (::stat(QFile::encodeName(file.fileName()).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (why) *why = notRegular(st.st_mode);
        return false;
    }
    // Unbuffered: a write that runs out of space fails there with its reason; the device's
    // buffer would fail it later, at a flush that only says "Unknown error".
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return true;
    if (why) *why = file.errorString();
    return false;
}

bool commit(QSaveFile& file, QString* why) {
    // A failed write stays recorded in the device; commit() itself may only say "Unknown
    // error" for it, so the reason is taken before.
    if (file.error() != QFileDevice::NoError || !file.flush()) {
        if (why) *why = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (file.commit()) return true;
    if (why) *why = file.errorString();
    return false;
}

bool writeAll(QFileDevice& file, const char* data, qint64 size, QString* why) {
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.write(data + done, size - done);
        if (n <= 0) {
            if (why) {
                *why = file.errorString();
                if (file.error() == QFileDevice::NoError)
                    *why = QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO));
            }
            return false;
        }
        done += n;
    }
    return true;
}

bool writeWhole(const QString& fileName, const QByteArray& bytes, QString* why) {
    QSaveFile file(fileName);
    if (!openForWriting(file, why)) return false;
    if (!writeAll(file, bytes.constData(), bytes.size(), why)) {
        file.cancelWriting();
        return false;
    }
    return commit(file, why);
}

} // namespace SafeFile
