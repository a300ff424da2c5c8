#include "files/SaveFile.h"

namespace SaveFile {

bool writeAll(QFileDevice& file, const char* data, qint64 size, QString* error) {
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.write(data + done, size - done);
        if (n <= 0) {
            if (error)
                *error = file.error() != QFileDevice::NoError
                             ? file.errorString()
                             : QStringLiteral("the file system took no more bytes");
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace SaveFile
