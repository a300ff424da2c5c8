// Collection files through the File menu: a download saved as a collection, reopened without
// the meter, and saved again byte for byte; files that hold no data sets change nothing.
#include "TestFiles.h"
#include "TestMain.h"
#include "app/Uscope.h"
#include "files/FileCommands.h"
#include "files/Uopensave.h"
#include "graph/Ugraph.h"
#include "link/virtual/VirtualMeter.h"
#include "logger/DataLogger.h"

#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {
bool sameStore(const DataSetStore& a, const DataSetStore& b) {
    return a.startTime == b.startTime && a.interval == b.interval &&
           a.sampleCount == b.sampleCount && a.temperatureUnit == b.temperatureUnit &&
           a.co2Offset == b.co2Offset && a.rhOffset == b.rhOffset &&
           a.temperatureOffset == b.temperatureOffset && a.values == b.values && a.times == b.times;
}

struct Collections : testing::Test {
    TestClock meterClock;
    VirtualMeter meter{meterClock};
    TestMain t{meter};

    void SetUp() override {
        state().dataFolder = t.dir.path() + QStringLiteral("/data/");
        t.tick();
        ASSERT_TRUE(state().connected);
    }
    AppState& state() { return t.main->state(); }
    FileCommands& files() { return t.main->fileCommands(); }
    QString path(const QString& name) const { return t.dir.filePath(name); }
    QString tempFile() { return DataLogger::tempFilePath(state().dataFolder); }

    void download() {
        if (!state().connected) t.tick();
        ASSERT_TRUE(state().connected);
        t.main->dataLogger().LoadData1Click();
        ASSERT_TRUE(t.dialogs.messages.empty()) << t.dialogs.lastMessage().toStdString();
    }
    void choose(int button) {
        t.dialogs.dialogAnswers.push_back([=](QDialog& d) {
            auto& c = static_cast<TfrmOpenSave&>(d);
            QPushButton* b[] = {c.btnOpenSets, c.btnOpenSingleSet, c.Button1};
            b[button]->click();
            return c.result();
        });
    }
    void saveCollection(const QString& name) {
        TfrmGraph* g = state().DataLoggerGraph;
        ASSERT_NE(g, nullptr);
        t.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(g->parentWidget()));
        choose(0);
        t.dialogs.fileAnswers.push_back({name, 0});
        files().Save1Click();
    }
    void openCollection(const QString& name) {
        choose(0);
        t.dialogs.fileAnswers.push_back({name, 0});
        files().Open1Click();
    }
    // A different logger content for a second download.
    void changeMeterData() {
        LoggedDataSet set;
        set.setInterval(0, 5);
        for (int i = 0; i < 50; ++i)
            set.samples.push_back({static_cast<float>(700 + i), uint16_t(215 + i), uint16_t(333)});
        meter.setLoggerDataSets({set, set});
    }
};
} // namespace

TEST_F(Collections, DownloadSaveReopenAndSaveAgainGiveTheSameBytes) {
    download();
    const DataSetStore first = state().dataSets;
    ASSERT_GT(first.count(), 0);
    EXPECT_TRUE(state().DataLoggerUnsaved);
    saveCollection(path("first.732"));
    const QByteArray saved = readBytes(path("first.732"));
    ASSERT_FALSE(saved.isEmpty());
    EXPECT_EQ(saved, readBytes(tempFile()));
    EXPECT_EQ(saved.size() % 32, 0);
    EXPECT_FALSE(state().DataLoggerUnsaved);
    const FileDialogRequest& req = t.dialogs.fileRequests.back();
    EXPECT_EQ(req.filters, QStringList({"Data Set Collection file(*.732,only for Q7320) (*.732)"}));
    EXPECT_EQ(req.defaultSuffix, QStringLiteral("REC"));

    changeMeterData();
    download();
    ASSERT_FALSE(sameStore(state().dataSets, first));

    // The second download is not saved: it is let go.
    t.dialogs.messageAnswers.push_back(QMessageBox::No);
    openCollection(path("first.732"));
    ASSERT_EQ(t.dialogs.messages.size(), 1u);
    EXPECT_EQ(t.dialogs.lastMessage(), "Save DataLogger Data ?");
    EXPECT_TRUE(sameStore(state().dataSets, first));
    EXPECT_EQ(readBytes(tempFile()), saved);
    EXPECT_TRUE(state().memoryImage.empty());
    EXPECT_EQ(t.dialogs.fileRequests.back().filters,
              QStringList({"Data Sets Collection (*.732) (*.732)"}));
    EXPECT_EQ(t.dialogs.fileRequests.back().defaultSuffix, QStringLiteral("REC"));
    // The data sets list shows the reopened sets.
    ASSERT_NE(state().DataLoggerGraph, nullptr);
    EXPECT_EQ(state().DataLoggerGraph->Grid2->rowCount(), first.count() + 1);

    saveCollection(path("second.732"));
    EXPECT_EQ(readBytes(path("second.732")), saved);
}

TEST_F(Collections, FilesWithoutDataSetsChangeNothing) {
    download();
    saveCollection(path("kept.732"));
    const DataSetStore before = state().dataSets;
    const QByteArray temp = readBytes(tempFile());
    const int listRows = state().DataLoggerGraph->Grid2->rowCount();

    QByteArray noSets = temp;
    noSets[36] = 0;
    noSets[37] = 0;
    QByteArray header = temp.left(40); // a file cut inside the header
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {{"empty file", QByteArray()},
                          {"count bytes 36 and 37 zero", noSets},
                          {"cut inside the header", header},
                          {"single byte", QByteArray(1, '\x01')}};
    for (const Case& c : cases) {
        ASSERT_TRUE(writeBytes(path("odd.732"), c.bytes));
        openCollection(path("odd.732"));
        EXPECT_TRUE(t.dialogs.messages.empty()) << c.what;
        EXPECT_TRUE(sameStore(state().dataSets, before)) << c.what;
        EXPECT_EQ(readBytes(tempFile()), temp) << c.what;
        EXPECT_EQ(state().DataLoggerGraph->Grid2->rowCount(), listRows) << c.what;
        EXPECT_TRUE(state().memoryImage.empty()) << c.what;
    }
    // A file that does not exist ends the same way.
    openCollection(path("missing.732"));
    EXPECT_TRUE(t.dialogs.messages.empty());
    EXPECT_TRUE(sameStore(state().dataSets, before));
}

TEST_F(Collections, CancelledOpenStillShowsTheDataLoggerWindow) {
    ASSERT_EQ(state().DataLoggerGraph, nullptr);
    choose(0);
    files().Open1Click(); // no file answer: the open dialog is cancelled
    ASSERT_NE(state().DataLoggerGraph, nullptr);
    EXPECT_EQ(state().DataLoggerGraph->windowTitle(), TfrmGraph::DataLoggerCaption);
    bool inMdi = false;
    for (QMdiSubWindow* w : t.main->mdiArea()->subWindowList())
        inMdi |= w->widget() == state().DataLoggerGraph;
    EXPECT_TRUE(inMdi);
}

TEST_F(Collections, TempFolderThatCannotBeMadeIsReported) {
    download();
    saveCollection(path("good.732"));
    // The data folder becomes a plain file: its temp folder can be neither found nor created.
    const QString blocked = t.dir.path() + QStringLiteral("/blocked");
    ASSERT_TRUE(writeBytes(blocked, "x"));
    state().dataFolder = blocked + QLatin1Char('/');
    openCollection(path("good.732"));
    ASSERT_EQ(t.dialogs.messages.size(), 1u);
    EXPECT_EQ(t.dialogs.lastMessage(), blocked + QStringLiteral("/temp"));
}

// Opening a collection over a download not yet saved asks the data logger window's question
// first: Yes saves the download as a collection and opens, No opens, Cancel opens nothing; a Yes
// whose save is cancelled opens nothing either.
TEST_F(Collections, OpeningOverAnUnsavedDownloadAsksFirst) {
    download();
    saveCollection(path("other.732"));
    changeMeterData();
    struct Case {
        const char* name;
        QMessageBox::StandardButton answer;
        bool saveNamed; // the save dialog after Yes gets a name
        bool opens;
    };
    const Case cases[] = {
        {"yes", QMessageBox::Yes, true, true},
        {"yes, save cancelled", QMessageBox::Yes, false, false},
        {"no", QMessageBox::No, false, true},
        {"cancel", QMessageBox::Cancel, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        t.dialogs.messages.clear();
        download();
        ASSERT_TRUE(state().DataLoggerUnsaved);
        const DataSetStore downloaded = state().dataSets;
        const QByteArray temp = readBytes(tempFile());
        const size_t fileDialogs = t.dialogs.fileRequests.size();
        t.dialogs.messageAnswers.push_back(c.answer);
        if (c.answer == QMessageBox::Yes)
            t.dialogs.fileAnswers.push_back({c.saveNamed ? path("download.732") : QString(), 0});
        openCollection(path("other.732"));

        ASSERT_FALSE(t.dialogs.messages.empty());
        EXPECT_EQ(t.dialogs.messages.front().text, "Save DataLogger Data ?");
        EXPECT_EQ(t.dialogs.messages.front().buttons,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (c.saveNamed) EXPECT_EQ(readBytes(path("download.732")), temp);
        EXPECT_EQ(sameStore(state().dataSets, downloaded), !c.opens);
        EXPECT_EQ(readBytes(tempFile()) == temp, !c.opens);
        // Open's own file dialog, and the save's before it after a Yes.
        EXPECT_EQ(t.dialogs.fileRequests.size() - fileDialogs,
                  size_t(c.opens) + size_t(c.answer == QMessageBox::Yes));
        QFile::remove(path("download.732"));
    }
}
