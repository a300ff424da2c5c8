#pragma once
// A tiny tmpfs of its own for tests of full and read-only folders. Mounting needs the right to
// mount (root with CAP_SYS_ADMIN); where that is missing, ok() is false and why() says so, and
// the test skips. Root ignores file modes, so a chmod'ed folder is no substitute.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>

class SmallTmpfs {
  public:
    explicit SmallTmpfs(int kib) {
        const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0755";
        m_mounted = m_dir.isValid() &&
                    ::mount("tmpfs", path8().constData(), "tmpfs", 0, options.constData()) == 0;
        if (!m_mounted) m_why = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~SmallTmpfs() {
        if (m_mounted) ::umount2(path8().constData(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool ok() const { return m_mounted; }
    QString why() const { return QStringLiteral("cannot mount a tmpfs here: ") + m_why; }
    QString path() const { return m_dir.path(); }

    // Remounts it read-only or writable again; false when that failed.
    bool setReadOnly(bool readOnly) {
        return ::mount("tmpfs", path8().constData(), "tmpfs",
                       MS_REMOUNT | (readOnly ? MS_RDONLY : 0), nullptr) == 0;
    }
    // Fills every free byte with the file name (inside the tmpfs); false when it is not full.
    bool fill(const QString& name) {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
        const QByteArray block(4096, 'x');
        while (f.write(block) == block.size()) {
        }
        const QByteArray byte(1, 'x');
        while (f.write(byte) == 1) {
        }
        return true;
    }

  private:
    QByteArray path8() const { return QFile::encodeName(m_dir.path()); }
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_why;
};
