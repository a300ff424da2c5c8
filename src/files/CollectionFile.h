#pragma once
// The data set collection file (.732): a byte-for-byte copy of the logger memory image, and
// the temp file DataSetsTemp.tmp that keeps the image of the last download or opened file.
#include <cstddef> // DataSetStore.h uses size_t

#include "logger/DataSetStore.h"

#include <QString>
#include <optional>

namespace CollectionFile {

// The meter's whole logger memory; no collection file is longer.
constexpr qint64 MaxImageBytes = 262144;

// "<data folder>/temp", or "<program folder>/temp" when the data folder is empty.
QString tempFolder(const QString& dataFolder);
QString tempFilePath(const QString& dataFolder);

enum class SaveResult { Saved, NoTempFile, Failed };
// Copies the temp file to the chosen name through a save file (an existing file is replaced
// only when the copy is complete). error gets the reason of a failure.
SaveResult save(const QString& tempFile, const QString& fileName, QString* error = nullptr);

// The whole file as a memory image. nullopt, with *why the reason: it is not a regular file,
// it cannot be opened, or it is longer than any logger memory.
std::optional<MemoryImage> readImage(const QString& fileName, QString* why = nullptr);

// Writes the image as a collection file through a save file. error gets the reason of a
// failure; an existing file is then left as it was.
bool writeImage(const QString& fileName, const MemoryImage& image, QString* error = nullptr);

enum class TempResult { Written, FolderUnavailable, FileNotWritten };
// Writes the image to the temp file, creating the temp folder when needed.
TempResult writeTemp(const QString& dataFolder, const MemoryImage& image);

} // namespace CollectionFile
