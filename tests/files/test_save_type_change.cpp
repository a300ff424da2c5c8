// The real save dialog: picking another file type renames the file in the name box, and decides
// the extension of a name typed without one.
#include "ModalDriver.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "app/Uscope.h"
#include "files/FileCommands.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "link/NoMeter.h"
#include "link/Transport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {
constexpr double T0 = 46000.5;

// A main window with the program's own dialogs and a chart of three samples.
struct RealSave : testing::Test {
    NoMeter meter;
    WidgetDialogService realDialogs;
    TestMain t{meter, realDialogs};
    TfrmGraph* graph = nullptr;
    ModalDriver driver;

    void SetUp() override {
        t.main->state().dataFolder = t.dir.path() + QLatin1Char('/');
        graph = new TfrmGraph(*t.main);
        t.main->addChild(graph);
        graph->ConfigureGraph(3, T0, T0 + 6.0 / 86400);
        for (int i = 0; i < 3; ++i)
            graph->setSample(i, T0 + i * 2.0 / 86400, 400.0f + i, 40.0f, 20.0f);
    }

    // The save dialog's name box and type list, as the user sees them.
    static QLineEdit* nameBox(QWidget& w) {
        return w.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    }
    static QComboBox* types(QWidget& w) {
        return w.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    }
    // Picks the file type at index by the keyboard, as a user does.
    static void pickType(QWidget& w, int index) {
        QComboBox* list = types(w);
        while (list->currentIndex() < index)
            QTest::keyClick(list, Qt::Key_Down);
        while (list->currentIndex() > index)
            QTest::keyClick(list, Qt::Key_Up);
    }
};
} // namespace

TEST_F(RealSave, PickingATypeRenamesTheNameBox) {
    QStringList names;
    driver.then([&](QWidget& w) {
        ASSERT_NE(qobject_cast<QFileDialog*>(&w), nullptr);
        ASSERT_NE(types(w), nullptr);
        nameBox(w)->setText(QStringLiteral("run1.ghf"));
        for (int i : {1, 2, 0}) {
            pickType(w, i);
            names << nameBox(w)->text();
        }
        qobject_cast<QDialog*>(&w)->reject();
    });
    t.main->fileCommands().SaveChart(*graph->PESGraph1);
    EXPECT_TRUE(driver.allDone());
    if (FileCommands::commaDecimal())
        EXPECT_EQ(names, QStringList({"run1.TXT", "run1.TXT", "run1.GHF"}));
    else
        EXPECT_EQ(names, QStringList({"run1.TXT", "run1.CSV", "run1.GHF"}));
}

// The user picks the CSV type with the name box still empty, then types a bare name: the box
// never shows a bare extension, and the file is a CSV file of that name.
TEST_F(RealSave, CsvTypeWithABareNameSavesACsvFile) {
    if (FileCommands::commaDecimal()) GTEST_SKIP() << "no CSV type with a decimal comma";
    QString boxAfterPick;
    driver.then([&](QWidget& w) {
        ASSERT_TRUE(nameBox(w)->text().isEmpty());
        pickType(w, 2);
        boxAfterPick = nameBox(w)->text();
        QTest::keyClicks(nameBox(w), QStringLiteral("classroom"));
        QTest::keyClick(nameBox(w), Qt::Key_Return);
    });
    driver.then([](QWidget& w) { // the range dialog: all points
        auto* range = qobject_cast<TfrmScope*>(&w);
        ASSERT_NE(range, nullptr);
        range->BitBtn1->click();
    });
    t.main->fileCommands().SaveChart(*graph->PESGraph1);
    EXPECT_TRUE(driver.allDone());
    EXPECT_TRUE(driver.unexpected.isEmpty()) << driver.unexpected.join('|').toStdString();
    EXPECT_EQ(boxAfterPick, QString());
    EXPECT_FALSE(QFile::exists(t.dir.filePath("classroom.GHF")));
    const QByteArray csv = readBytes(t.dir.filePath("classroom.CSV"));
    EXPECT_EQ(csv.count("\r\n"), 3);
    EXPECT_TRUE(csv.contains(",401.0,40.0,20.0\r\n")) << csv.toStdString();
}

// A name whose extension is no file type saves nothing, and a real message box says so.
TEST_F(RealSave, NameOfNoFileTypeIsNotSavedSilently) {
    driver.then([](QWidget& w) {
        nameBox(w)->setText(QStringLiteral(".CSVclassroom"));
        QTest::keyClick(nameBox(w), Qt::Key_Return);
    });
    driver.answer(QMessageBox::Ok);
    t.main->fileCommands().SaveChart(*graph->PESGraph1);
    EXPECT_TRUE(driver.allDone());
    ASSERT_EQ(driver.messages.size(), 1);
    EXPECT_TRUE(driver.messages[0].startsWith(
        QDir::toNativeSeparators(t.dir.filePath(".CSVclassroom")) + " was not saved"));
    EXPECT_TRUE(QDir(t.dir.path()).entryList({".CSV*"}, QDir::Files | QDir::Hidden).isEmpty());
}
