#pragma once
// Writing through QSaveFile so that a failure says why. A write that fills the disk comes back
// short with "Unknown error"; only the next write tells "No space left on device", and a later
// commit() forgets it again. writeAll() writes on until every byte is out or the system has
// said no, and keeps the system's reason.
#include <QFileDevice>
#include <QString>

namespace SaveFile {

// Writes all size bytes; false with *error set to the system's reason.
bool writeAll(QFileDevice& file, const char* data, qint64 size, QString* error);

} // namespace SaveFile
