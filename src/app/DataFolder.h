#pragma once
// The data folder: the documents folder followed by "/Q7320/"; the documents folder alone
// (without a trailing separator) when that sub-folder cannot be created; the empty text when
// there is no documents folder.
#include <QString>

QString resolveDataFolder(const QString& documentsDir);

// The platform's documents folder, or the empty text.
QString documentsFolder();

// The folder that file dialogs and the temp folder start from: the data folder, or the
// program's own folder when the data folder is empty.
QString dataFolderOrProgramFolder(const QString& dataFolder);
