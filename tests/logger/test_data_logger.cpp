#include "TestMain.h"
#include "app/Uscope.h"
#include "graph/Ugraph.h"
#include "link/Exchange.h"
#include "link/virtual/VirtualMeter.h"
#include "live/LiveMonitor.h"
#include "live/LiveReading.h"
#include "logger/DataLogger.h"
#include "logger/DataSetTexts.h"
#include "logger/MemoryDecoder.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
using Op = VirtualMeter::Operation;
using Fault = VirtualMeter::ReplyFault;

struct Download : testing::Test {
    TestClock meterClock;
    VirtualMeter meter{meterClock};
    TestMain t{meter};

    void SetUp() override {
        state().dataFolder = t.dir.path() + QStringLiteral("/data/");
        t.tick();
        ASSERT_TRUE(state().connected);
        meter.clearLog();
    }
    AppState& state() { return t.main->state(); }
    DataLogger& logger() { return t.main->dataLogger(); }
    QString tempFile() { return DataLogger::tempFilePath(state().dataFolder); }
    QByteArray tempBytes() {
        QFile f(tempFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    size_t count(char letter) const {
        const std::string s = meter.lettersReceived();
        return size_t(std::count(s.begin(), s.end(), letter));
    }
    // The link is reset after every download that reached the meter.
    void expectReconnectPending() {
        EXPECT_FALSE(state().connected);
        EXPECT_FALSE(state().linkOpen);
        EXPECT_FALSE(t.main->live().reading().memoryFull);
        EXPECT_FALSE(t.main->live().reading().modeBlink);
        EXPECT_TRUE(t.main->MainTimer->isActive());
        EXPECT_FALSE(logger().downloading());
    }
};
} // namespace

TEST_F(Download, ReadsDecodesAndKeepsTheTempFile) {
    t.main->live().reading().memoryFull = true;
    t.main->live().reading().modeBlink = true;
    logger().LoadData1Click();
    EXPECT_TRUE(t.dialogs.messages.empty()) << t.dialogs.lastMessage().toStdString();
    EXPECT_TRUE(state().DataLoggerUnsaved);
    EXPECT_EQ(state().dataSets.count(), int(meter.loggerDataSets().size()));
    EXPECT_EQ(state().dataSets.sampleCount[3], 3000);
    // The temp file holds the bytes received, the whole image as the meter sent it.
    const std::vector<uint8_t> image = meter.loggerImage();
    const QByteArray kept = tempBytes();
    ASSERT_EQ(size_t(kept.size()), image.size());
    EXPECT_EQ(logger().bytesReceived(), int(image.size()));
    EXPECT_TRUE(std::equal(image.begin() + 88, image.end(),
                           reinterpret_cast<const uint8_t*>(kept.constData()) + 88));
    EXPECT_TRUE(state().memoryImage.empty());
    EXPECT_EQ(meter.lettersReceived().back(), 'q');
    EXPECT_EQ(count('Q'), 0u);
    expectReconnectPending();
    // The next poll tick identifies the meter again.
    meter.clearLog();
    t.tick();
    EXPECT_EQ(meter.lettersReceived().front(), 'K');
    EXPECT_TRUE(state().connected);
}

TEST_F(Download, RefusesWithoutConnectionOrWhileTheMeterRecords) {
    state().connected = false;
    logger().LoadData1Click();
    EXPECT_EQ(t.dialogs.lastMessage(), DataLogger::NoConnectionText);

    state().connected = true;
    t.main->live().reading().meterRecording = true;
    logger().LoadData1Click();
    EXPECT_EQ(t.dialogs.lastMessage(), DataLogger::RecordingText);
    // A recording meter is never read and its link is left as it was.
    EXPECT_TRUE(meter.lettersReceived().empty());
    EXPECT_TRUE(state().connected);
    EXPECT_TRUE(state().linkOpen);
    EXPECT_FALSE(logger().downloading());
}

TEST_F(Download, EmptyLoggerKeepsTheEarlierDataSets) {
    logger().LoadData1Click();
    ASSERT_EQ(state().dataSets.count(), 5);
    const QByteArray kept = tempBytes();
    meter.setLoggerDataSets({});
    state().connected = true;
    state().linkOpen = true;
    logger().LoadData1Click();
    EXPECT_EQ(t.dialogs.lastMessage(), DataLogger::NoDataText);
    EXPECT_EQ(state().dataSets.count(), 5);
    EXPECT_EQ(tempBytes(), kept);
    EXPECT_EQ(count('Q'), 0u);
    expectReconnectPending();
}

TEST_F(Download, FailureShowsItsCodeAbandonsTheTransferAndReconnects) {
    struct Case {
        const char* name;
        std::function<void(VirtualMeter&)> arrange;
        int code;
        bool leftOpen = true; // 123, 177 and 1261 close the device: the 'Q' then goes nowhere
    };
    const std::vector<Case> cases = {
        {"open", [](VirtualMeter& m) { m.failNext(Op::Open); }, 1002},
        {"time-outs", [](VirtualMeter& m) { m.failNext(Op::SetTimeouts); }, 1003},
        {"'P' write", [](VirtualMeter& m) { m.failNext(Op::WriteCommand, 1, 'P'); }, 1004},
        {"'P' read", [](VirtualMeter& m) { m.failNext(Op::ReadReply, 1, 'P'); }, 1005},
        {"'P' status", [](VirtualMeter& m) { m.faultNextReply(Fault::BadStatus, 1, 'P'); }, 1006},
        {"first 'p'", [](VirtualMeter& m) { m.failNext(Op::ReadReply, 1, 'p'); }, 123, false},
        {"checksum", [](VirtualMeter& m) { m.faultNextReply(Fault::BadChecksum, 1, 'p'); }, 177,
         false},
        {"'q'", [](VirtualMeter& m) { m.failNext(Op::WriteCommand, 1, 'q'); }, 125},
        {"repositioning",
         [](VirtualMeter& m) {
             m.failNext(Op::ReadReply, 1, 'p', 3);
             m.failNext(Op::ReadReply, 1, 'r');
             m.faultNextReply(Fault::BadEcho, 100, 'P', 1);
         },
         1260},
        {"retry 'p' write",
         [](VirtualMeter& m) {
             m.failNext(Op::ReadReply, 1, 'p', 3);
             m.failNext(Op::ReadReply, 1, 'r');
             m.failNext(Op::WriteCommand, 5, 'p', 5);
         },
         1261, false},
        {"retry 'p' read",
         [](VirtualMeter& m) {
             m.failNext(Op::ReadReply, 6, 'p', 3);
             m.failNext(Op::ReadReply, 1, 'r');
         },
         1263},
    };
    logger().LoadData1Click(); // data sets of an earlier download stay
    ASSERT_EQ(state().dataSets.count(), 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        meter.clearFaults();
        meter.clearLog();
        state().connected = state().linkOpen = true;
        state().DataLoggerUnsaved = false;
        c.arrange(meter);
        logger().LoadData1Click();
        EXPECT_EQ(t.dialogs.lastMessage(),
                  QString::fromLatin1(DataLogger::ErrorText) + QString::number(c.code));
        if (c.leftOpen) EXPECT_EQ(meter.lettersReceived().back(), 'Q');
        EXPECT_FALSE(state().DataLoggerUnsaved);
        EXPECT_EQ(state().dataSets.count(), 5);
        expectReconnectPending();
    }
}

TEST_F(Download, TempFileHoldsTheWholeLastBlock) {
    // One record of 8 samples: last used offset 2816 + 83, expected size 2900, and 2912 bytes
    // (91 blocks) read, the bytes past the expected size included.
    LoggedDataSet set;
    set.samples.resize(8, LoggedSample{450.0f, 215, 480});
    meter.setLoggerDataSets({set});
    logger().LoadData1Click();
    EXPECT_TRUE(t.dialogs.messages.empty());
    EXPECT_EQ(tempBytes().size(), 2912);
    EXPECT_EQ(count('p'), 90u);
    ASSERT_EQ(state().dataSets.count(), 1);
    EXPECT_EQ(state().dataSets.values[0], 450.0f);
}

TEST_F(Download, ProgressWindowFollowsTheTransfer) {
    int seenTotal = -1, seenReceived = -1;
    QString caption;
    // Look at the progress window while the transfer runs.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<TfrmScope*>(w); s && s->isVisible()) {
                caption = s->windowTitle();
                seenTotal = s->lblTotalBytes->text().toInt();
                seenReceived = s->Progress1->value();
            }
    });
    probe.start(0);
    logger().LoadData1Click();
    probe.stop();
    EXPECT_EQ(caption, "Data Retriving Progress");
    EXPECT_EQ(seenTotal, int(meter.loggerImage().size()));
    EXPECT_GT(seenReceived, 64);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<TfrmScope*>(w) && w->isVisible()); // closed at the end
}

TEST_F(Download, CommandsDuringADownloadDoNotDisturbIt) {
    int clicks = 0;
    bool sawDownloading = false;
    bool closeRefused = false;
    QTimer again;
    QObject::connect(&again, &QTimer::timeout, [&] {
        sawDownloading = sawDownloading || logger().downloading();
        ++clicks;
        logger().LoadData1Click(); // a second click: nothing happens
        closeRefused = closeRefused || !t.main->close();
    });
    again.start(0);
    logger().LoadData1Click();
    again.stop();
    EXPECT_GT(clicks, 0);
    EXPECT_TRUE(sawDownloading);
    EXPECT_TRUE(closeRefused);
    EXPECT_EQ(count('P'), 1u); // one download only
    EXPECT_TRUE(t.dialogs.messages.empty());
    EXPECT_EQ(state().dataSets.count(), 5);
}

TEST_F(Download, TempFolderThatCannotBeMadeIsReported) {
    // A file where the data folder should be: no temp folder can be made under it.
    QFile blocker(t.dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    state().dataFolder = t.dir.filePath("blocker") + "/";
    logger().LoadData1Click();
    EXPECT_EQ(t.dialogs.lastMessage(), QDir::toNativeSeparators(t.dir.filePath("blocker/temp")));
    EXPECT_EQ(t.dialogs.messages.size(), 1u);
    EXPECT_EQ(count('Q'), 0u);
    expectReconnectPending();
    EXPECT_EQ(DataLogger::tempFilePath(QString()).section('/', -2),
              "temp/DataSetsTemp.tmp"); // without a data folder: under the program's folder
}

TEST_F(Download, AClickInsideAPollTickWaitsForTheTickToEnd) {
    Exchange& ex = t.main->exchange();
    ex.beginTick(); // as if the click came through the tick's pause
    logger().LoadData1Click();
    EXPECT_TRUE(logger().downloading());
    EXPECT_TRUE(meter.lettersReceived().empty());
    logger().LoadData1Click(); // ignored: one download is already waiting
    ex.endTick();
    for (int i = 0; i < 10 && logger().downloading(); ++i)
        QApplication::processEvents();
    EXPECT_FALSE(logger().downloading());
    EXPECT_EQ(count('P'), 1u);
    EXPECT_EQ(state().dataSets.count(), 5);
    expectReconnectPending();
}

TEST_F(Download, ListsTheDataSetsAndChartsTheFirst) {
    logger().LoadData1Click();
    TfrmGraph* graph = state().DataLoggerGraph;
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->windowTitle(), "DataLogger");
    EXPECT_FALSE(graph->pnlDataSets->isHidden());
    const DataSetStore& store = state().dataSets;
    QTableWidget* grid = graph->Grid2;
    ASSERT_EQ(grid->rowCount(), store.count() + 1);
    EXPECT_EQ(grid->item(0, 0)->text(), "Set"); // the header row is the window's own
    for (int k = 0; k < store.count(); ++k) {
        const auto texts = dataSetRowTexts(store, k);
        for (int c = 0; c < DataSetTextColumns; ++c)
            EXPECT_EQ(grid->item(k + 1, c)->text(), texts[c]) << k << "," << c;
    }
    // The default logger: set 2 is 01:30, F, -25 ppm, -1.5 %RH, -0.9 F; set 5 is 60:60.
    EXPECT_EQ(grid->item(2, 3)->text(), "01:30");
    EXPECT_EQ(grid->item(2, 5)->text(), "F");
    EXPECT_EQ(grid->item(2, 6)->text(), "-25");
    EXPECT_EQ(grid->item(1, 5)->text(), "C");
    EXPECT_EQ(grid->item(5, 3)->text(), "61:00");
    // Row 1 is selected from column 0 to column 4.
    const auto ranges = grid->selectedRanges();
    ASSERT_EQ(ranges.size(), 1);
    EXPECT_EQ(ranges[0].topRow(), 1);
    EXPECT_EQ(ranges[0].bottomRow(), 1);
    EXPECT_EQ(ranges[0].leftColumn(), 0);
    EXPECT_EQ(ranges[0].rightColumn(), 4);
    // Data set 1 is charted.
    EXPECT_EQ(graph->PESGraph1->points(), store.sampleCount[0]);
    EXPECT_EQ(graph->PESGraph1->yData(0, 0), store.values[0]);
    EXPECT_EQ(graph->txtDataNo->text(), QString::number(store.sampleCount[0]));

    // A second download reuses the window; fewer data sets leave fewer rows.
    LoggedDataSet one;
    one.samples.resize(4);
    meter.setLoggerDataSets({one});
    state().connected = state().linkOpen = true;
    logger().LoadData1Click();
    EXPECT_EQ(state().DataLoggerGraph, graph);
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(graph->PESGraph1->points(), 4);
}

TEST_F(Download, ClosingTheDataLoggerWindowDuringADownloadGivesANewOne) {
    logger().LoadData1Click();
    QPointer<TfrmGraph> first = state().DataLoggerGraph;
    ASSERT_TRUE(first);
    state().DataLoggerUnsaved = false;
    state().connected = state().linkOpen = true;
    bool closed = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!closed && first && logger().downloading()) {
            closed = true;
            first->parentWidget()->close();
        }
    });
    closer.start(0);
    logger().LoadData1Click();
    closer.stop();
    QApplication::processEvents();
    ASSERT_TRUE(closed);
    ASSERT_NE(state().DataLoggerGraph, nullptr);
    EXPECT_EQ(state().DataLoggerGraph->Grid2->rowCount(), 6);
    EXPECT_EQ(state().DataLoggerGraph->PESGraph1->points(), 120);
    EXPECT_TRUE(state().DataLoggerUnsaved);
}

TEST_F(Download, OtherExchangesWaitUntilTheDownloadIsOver) {
    Exchange& ex = t.main->exchange();
    bool asked = false, ranDuringDownload = false, ran = false;
    QTimer key;
    key.setSingleShot(true);
    QObject::connect(&key, &QTimer::timeout, [&] {
        asked = logger().downloading();
        // A panel key: it must not reach the meter in the middle of the transfer.
        ex.runExclusive([&] {
            ran = true;
            ranDuringDownload = logger().downloading();
            ex.genericExchange('H');
        });
    });
    key.start(0);
    logger().LoadData1Click();
    for (int i = 0; i < 10 && !ran; ++i)
        QApplication::processEvents();
    ASSERT_TRUE(asked);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(ranDuringDownload);
    const std::string letters = meter.lettersReceived();
    EXPECT_EQ(letters.find('H'), letters.size() - 1); // after the final 'q'
    EXPECT_EQ(state().dataSets.count(), 5);
}

TEST_F(Download, AClickDuringAnotherExchangeWaitsForIt) {
    Exchange& ex = t.main->exchange();
    ASSERT_TRUE(ex.acquire()); // a setup command in one of its pauses
    logger().LoadData1Click();
    EXPECT_TRUE(logger().downloading());
    QTest::qWait(250);
    EXPECT_TRUE(meter.lettersReceived().empty());
    ex.release();
    for (int i = 0; i < 50 && logger().downloading(); ++i)
        QTest::qWait(20);
    EXPECT_FALSE(logger().downloading());
    EXPECT_EQ(count('P'), 1u);
    EXPECT_EQ(state().dataSets.count(), 5);
}
