#include "app/DataFolder.h"
#include "app/Settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Settings, MissingValuesGiveDefaultsAndEachValueFallsBackOnItsOwn) {
    QTemporaryDir dir;
    const QString file = dir.filePath("s.ini");
    {
        Settings s(file);
        EXPECT_EQ(s.readInt("RealTimeRate", 2), 2);
        EXPECT_EQ(s.readInt("AnnoColor", 0), 0);
    }
    {
        // One value unreadable, the other good: the good one is still read.
        QSettings raw(file, QSettings::IniFormat);
        raw.setValue("SOFTWARE/Q7320/RealTimeRate", "not a number");
        raw.setValue("SOFTWARE/Q7320/AnnoColor", 0x00FF00);
    }
    Settings s(file);
    EXPECT_EQ(s.readInt("RealTimeRate", 2), 2);
    EXPECT_EQ(s.readInt("AnnoColor", 0), 0x00FF00);
    EXPECT_TRUE(s.writeInt("RealTimeRate", 7));
    EXPECT_EQ(Settings(file).readInt("RealTimeRate", 2), 7);
}

TEST(DataFolder, FallBacks) {
    QTemporaryDir dir;
    const QString docs = dir.filePath("Documents");
    QDir().mkpath(docs);

    // Normal: the sub-folder is made and ends with a separator.
    EXPECT_EQ(resolveDataFolder(docs), docs + "/Q7320/");
    EXPECT_TRUE(QDir(docs + "/Q7320").exists());

    // A file named Q7320 in the way: the documents folder alone, no trailing separator.
    const QString docs2 = dir.filePath("Docs2");
    QDir().mkpath(docs2);
    QFile blocker(docs2 + "/Q7320");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(resolveDataFolder(docs2), docs2);

    // No documents folder: the empty text, and users fall back to the program's folder.
    EXPECT_EQ(resolveDataFolder(QString()), QString());
    EXPECT_FALSE(dataFolderOrProgramFolder(QString()).isEmpty());
}
