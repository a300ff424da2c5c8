// The "Setup" dialog against the virtual meter: the information read, every setup command with
// its checks, retries and codes, "Setup All", and keeping the dialog's commands apart from the
// poll timer and from each other.
#include "LayoutCheck.h"
#include "TestMain.h"
#include "app/AppState.h"
#include "app/DialogService.h"
#include "link/Exchange.h"
#include "link/virtual/MeterMemory.h"
#include "link/virtual/VirtualMeter.h"
#include "setup/MeterSetup.h"
#include "setup/SetupFrames.h"
#include "setup/Usetup.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {
using Op = VirtualMeter::Operation;
using Fault = VirtualMeter::ReplyFault;

// Passes every call to the virtual meter and lets a test look in at each frame written.
struct SpyTransport : Transport {
    VirtualMeter* meter = nullptr;
    std::function<void(std::span<const uint8_t>)> onWrite;
    int open(uint16_t v, uint16_t p) override { return meter->open(v, p); }
    int setTimeouts(int a, int b) override { return meter->setTimeouts(a, b); }
    int writeCommand(std::span<const uint8_t> f) override {
        if (onWrite) onWrite(f);
        return meter->writeCommand(f);
    }
    int writeBlock(std::span<const uint8_t> b) override { return meter->writeBlock(b); }
    void flush() override { meter->flush(); }
    int readReply(std::span<uint8_t> b) override { return meter->readReply(b); }
    void close() override { meter->close(); }
    void readSerialString(std::span<char> b) override { meter->readSerialString(b); }
};

QString colorOf(const QLabel* l) {
    return l->palette().color(QPalette::WindowText).name();
}
const QString Green = QStringLiteral("#008000");
const QString Red = QStringLiteral("#ff0000");

class SetupDialog : public testing::Test {
  protected:
    SpyTransport spy;
    TestMain tm{spy};
    VirtualMeter meter{tm.clock};
    TfrmSetup* dlg = nullptr;

    void SetUp() override {
        spy.meter = &meter;
        // The poll timer is started and stopped as in the program, but polls nothing here.
        QObject::disconnect(tm.main->MainTimer, &QTimer::timeout, nullptr, nullptr);
        tm.main->state().connected = true;
        tm.main->meterSetup().Setup1Click();
        dlg = tm.main->state().setupWindow;
        ASSERT_NE(dlg, nullptr);
        meter.clearLog();
    }

    ScriptedDialogs& dialogs() { return tm.dialogs; }
    std::string letters() const { return meter.lettersReceived(); }
    void read() { dlg->Button4Click(); }
};

// ---- The window ----------------------------------------------------------------------------

TEST_F(SetupDialog, OpensOnceWithItsGroupsAndInitialContents) {
    EXPECT_EQ(dlg->windowTitle(), "Setup");
    EXPECT_TRUE(dlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(dlg->pos(), QPoint(120, 66));
    QStringList captions;
    for (auto* g : dlg->findChildren<QGroupBox*>())
        captions << g->title();
    for (const char* c :
         {"Meter Recording Interval ", "offset ", "altitude compensation", "CO2 Alarm",
          "auto power off", "Meter Clock", "Erase Meter Memory", "Meter DataLogger Information"})
        EXPECT_TRUE(captions.contains(QString::fromLatin1(c))) << c;
    EXPECT_EQ(dlg->edtInt1->text(), "00");
    EXPECT_EQ(dlg->edtInt2->text(), "02");
    EXPECT_EQ(dlg->ComboBox1->currentText(), "Off");
    EXPECT_TRUE(dlg->Edit4->isHidden());
    EXPECT_EQ(dlg->ComboBox2->count(), 8);
    EXPECT_EQ(dlg->ComboBox2->currentText(), "10 minutes");
    EXPECT_EQ(dlg->ComboBox2->itemText(7), "");
    EXPECT_EQ(dlg->Button4->text(), "Read  ");
    EXPECT_EQ(dlg->Button6->text(), "Setup All");
    EXPECT_TRUE(dlg->lblOK5->isHidden());
    EXPECT_TRUE(dlg->imgC->isHidden());
    EXPECT_TRUE(dlg->Timer1->isActive());
    EXPECT_EQ(dlg->Timer1->interval(), 1000);

    // "&Setup" again brings back the same dialog.
    dlg->showMinimized();
    tm.main->Setup1->trigger();
    EXPECT_EQ(tm.main->state().setupWindow, dlg);
    EXPECT_FALSE(dlg->isMinimized());
}

TEST_F(SetupDialog, ClosingStartsPollingAndForgetsTheDialog) {
    tm.main->MainTimer->stop();
    QPointer<TfrmSetup> old(dlg);
    ASSERT_TRUE(dlg->close());
    EXPECT_TRUE(tm.main->MainTimer->isActive());
    EXPECT_EQ(tm.main->state().setupWindow, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    tm.main->meterSetup().Setup1Click();
    EXPECT_NE(tm.main->state().setupWindow, nullptr);
    EXPECT_EQ(tm.main->state().setupWindow->edtInt2->text(), "02"); // fresh contents
}

TEST_F(SetupDialog, AlarmLimitsShownOnlyWhenTheAlarmIsOn) {
    dlg->ComboBox1->setCurrentIndex(1);
    dlg->ComboBox1Change();
    EXPECT_FALSE(dlg->Edit4->isHidden());
    EXPECT_FALSE(dlg->Edit5->isHidden());
    dlg->ComboBox1->setCurrentIndex(0);
    dlg->ComboBox1Change();
    EXPECT_TRUE(dlg->Edit4->isHidden());
    EXPECT_TRUE(dlg->Edit5->isHidden());
}

// ---- Without a meter -----------------------------------------------------------------------

TEST_F(SetupDialog, WithoutConnectionNothingIsSent) {
    tm.main->state().connected = false;
    dlg->Timer1Timer();
    EXPECT_FALSE(dlg->Timer1->isActive());
    EXPECT_TRUE(dialogs().messages.empty()); // the automatic read says nothing
    const std::vector<std::function<void()>> handlers = {
        [&] { dlg->Button1Click(); },  [&] { dlg->Button2Click(); },  [&] { dlg->Button3Click(); },
        [&] { dlg->Button4Click(); },  [&] { dlg->Button6Click(); },  [&] { dlg->Button7Click(); },
        [&] { dlg->Button11Click(); }, [&] { dlg->Button12Click(); }, [&] { dlg->Button13Click(); },
        [&] { dlg->Button14Click(); }, [&] { dlg->Button16Click(); }};
    for (const auto& h : handlers) {
        dialogs().messages.clear();
        h();
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().lastMessage(), SetupText::NoConnection);
    }
    EXPECT_EQ(letters(), "");
    EXPECT_TRUE(dlg->txtVer->text().isEmpty());
    EXPECT_TRUE(dlg->txtDataSets->text().isEmpty());
}

TEST_F(SetupDialog, KeepsItsSizeAndPlaceAsResultsAppear) {
    QCoreApplication::processEvents();
    const QRect before = dlg->geometry();
    auto faults = layoutFaults(dlg);
    EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
    read();
    dlg->ComboBox1->setCurrentIndex(1); // the alarm limits show
    dlg->ComboBox1Change();
    meter.failNext(Op::ReadReply, 3, 't');
    dlg->Button1Click(); // the longest result text
    dlg->Button2Click();
    dlg->Button7Click();
    dlg->Button12Click();
    dlg->Button13Click();
    dlg->Button14Click();
    dlg->Button11Click();
    dlg->Button16Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(dlg->lblOK1->text(), "Fail code=405");
    for (QLabel* l : {dlg->lblOK1, dlg->lblOK2, dlg->lblOK5, dlg->lblOK6, dlg->Label24,
                      dlg->Label28, dlg->Label29, dlg->Label12, dlg->Label38})
        EXPECT_TRUE(l->isVisible()) << l->objectName().toStdString();
    EXPECT_FALSE(dlg->unitC->isHidden());
    EXPECT_EQ(dlg->geometry(), before);
    faults = layoutFaults(dlg);
    EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
}

// ---- Information read ----------------------------------------------------------------------

TEST_F(SetupDialog, ReadFillsEveryFieldFromTheMeter) {
    meter.setMeterTime(QDateTime(QDate(2026, 9, 21), QTime(14, 30, 5)));
    dlg->Timer1Timer();
    EXPECT_EQ(letters(), "X");
    EXPECT_EQ(meter.framesReceived().front(),
              (std::array<uint8_t, 7>{0x02, 'X', 0x00, 0x00, 0x00, 0x00, 0x03}));
    const auto c = meter.config();
    EXPECT_EQ(dlg->txtVer->text(), "1.23");
    EXPECT_EQ(dlg->txtSN->text(), "Q7320-2611-0042");
    EXPECT_EQ(dlg->txtUnit->text(), "C");
    EXPECT_FALSE(dlg->unitC->isHidden());
    EXPECT_TRUE(dlg->unitF->isHidden());
    EXPECT_FALSE(dlg->imgC->isHidden());
    EXPECT_EQ(dlg->txtInt->text(), "00:10");
    EXPECT_EQ(dlg->edtInt1->text(), "00");
    EXPECT_EQ(dlg->edtInt2->text(), "10");
    EXPECT_EQ(dlg->txtRHoffset->text(), "0.0");
    EXPECT_EQ(dlg->txtT1offset->text(), "0.0");
    EXPECT_EQ(dlg->txtppmoffset->text(), "0");
    EXPECT_EQ(dlg->txtaltoffset->text(), "0");
    EXPECT_EQ(dlg->txtAlarm->text(), "OFF");
    EXPECT_EQ(dlg->txtHi->text(), "1000");
    EXPECT_EQ(dlg->Edit5->text(), "800");
    EXPECT_EQ(dlg->txtSleepTime->text(), "10 minutes");
    EXPECT_EQ(dlg->txtMeterTime->text().left(10), "09/21/2026");
    EXPECT_EQ(dlg->txtDataSets->text(), QString::number(c.dataSetCount));
    EXPECT_EQ(dlg->txtMemoryAvailable->text(),
              QString::number((MeterMemory::LoggerEnd - c.lastUsed) / 8));
    EXPECT_EQ(dlg->txtCol2000->text(), "2874");
    EXPECT_EQ(dlg->txtCol400->text(), "1213");
    EXPECT_EQ(dlg->txtCol0->text(), "311");
    EXPECT_EQ(dlg->lblOK5->text(), "OK");
    EXPECT_EQ(colorOf(dlg->lblOK5), Green);
    EXPECT_FALSE(dlg->lblOK5->isHidden());
    EXPECT_TRUE(tm.main->MainTimer->isActive()); // polling again after the read
}

TEST_F(SetupDialog, ReadInFahrenheitLoadsTheEditFields) {
    std::vector<uint8_t> m(meter.memory().begin(), meter.memory().end());
    m[MeterMemory::TemperatureUnit] = 1;
    m[MeterMemory::TemperatureOffset] = 0xF6;
    m[MeterMemory::AlarmSwitch] = 1;
    m[MeterMemory::PowerOff] = 7;
    meter.setMemory(m);
    dlg->ComboBox2->setCurrentIndex(4);
    read();
    EXPECT_EQ(dlg->txtUnit->text(), "F");
    EXPECT_FALSE(dlg->imgF->isHidden());
    EXPECT_TRUE(dlg->imgC->isHidden());
    EXPECT_EQ(dlg->edtT1_offset->text(), "-1.0");
    EXPECT_EQ(dlg->txtAlarm->text(), "ON");
    EXPECT_EQ(dlg->ComboBox1->currentIndex(), 1);
    EXPECT_FALSE(dlg->Edit4->isHidden());
    EXPECT_EQ(dlg->txtSleepTime->text(), "");
    EXPECT_EQ(dlg->ComboBox2->currentIndex(), 4); // unknown setting leaves the choice
}

TEST_F(SetupDialog, ReadTakesTheReplyWhateverItsFirstFourBytesHold) {
    // The meter's own memory there holds ordinary contents, not an acknowledgement.
    const std::vector<uint8_t> own(meter.memory().begin(), meter.memory().end());
    EXPECT_EQ((std::vector<uint8_t>(own.begin() + 32, own.begin() + 36)),
              (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00}));
    const std::array<uint8_t, 4> openings[] = {{0x00, 0x00, 0x00, 0x00},
                                               {0x02, 'X', 'O', 'K'},
                                               {0x02, 'X', 'E', 'R'},
                                               {0xFF, 0xFF, 0xFF, 0xFF}};
    for (const auto& opening : openings) {
        std::vector<uint8_t> m = own;
        std::copy(opening.begin(), opening.end(), m.begin() + 32);
        m[MeterMemory::Col2000] = 0x01;
        m[MeterMemory::Col2000 + 1] = 0x02;
        meter.setMemory(m);
        read();
        EXPECT_EQ(dlg->lblOK5->text(), "OK") << int(opening[2]);
        EXPECT_EQ(dlg->txtCol2000->text(), "258") << int(opening[2]);
        EXPECT_EQ(dlg->txtVer->text(), "1.23") << int(opening[2]);
    }
}

struct ReadFault {
    const char* name;
    std::function<void(VirtualMeter&)> inject;
    QString label;
};
std::ostream& operator<<(std::ostream& os, const ReadFault& f) {
    return os << f.name;
}

class ReadFaults : public SetupDialog, public testing::WithParamInterface<ReadFault> {};

TEST_P(ReadFaults, ReportTheLastAttemptsCode) {
    read();
    ASSERT_EQ(dlg->lblOK5->text(), "OK");
    dlg->edtRH_offset->setText("3.3");
    GetParam().inject(meter);
    read();
    EXPECT_EQ(dlg->lblOK5->text(), GetParam().label);
    if (GetParam().label == "OK") return;
    EXPECT_EQ(colorOf(dlg->lblOK5), Red);
    // The display fields stay empty, the edit fields as they were.
    EXPECT_TRUE(dlg->txtVer->text().isEmpty());
    EXPECT_TRUE(dlg->txtMeterTime->text().isEmpty());
    EXPECT_TRUE(dlg->txtSN->text().isEmpty());
    EXPECT_EQ(dlg->txtUnit->text(), "C"); // kept from the earlier read
    EXPECT_EQ(dlg->edtRH_offset->text(), "3.3");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadFaults,
    testing::Values(
        ReadFault{"ReadFailsThrice", [](VirtualMeter& m) { m.failNext(Op::ReadReply, 3, 'X'); },
                  "Fail code=204"},
        ReadFault{"ReadFailsTwice", [](VirtualMeter& m) { m.failNext(Op::ReadReply, 2, 'X'); },
                  "OK"},
        // The device stays open from the earlier read, so only the open step fails.
        ReadFault{"OpenFailsThrice", [](VirtualMeter& m) { m.failNext(Op::Open, 3); },
                  "Fail code=201"},
        // A later failing step of an attempt replaces the code of an earlier one.
        ReadFault{"OpenAndReadFailThrice",
                  [](VirtualMeter& m) {
                      m.failNext(Op::Open, 3);
                      m.failNext(Op::ReadReply, 3, 'X');
                  },
                  "Fail code=204"},
        ReadFault{"TimeoutsFailThrice", [](VirtualMeter& m) { m.failNext(Op::SetTimeouts, 3); },
                  "Fail code=202"},
        ReadFault{"WriteFailsThrice", [](VirtualMeter& m) { m.failNext(Op::WriteCommand, 3, 'X'); },
                  "Fail code=204"},
        // Nothing in the reply tells a garbled one apart (205 stays reserved for a test that
        // could): its transport steps succeeded, so the read does.
        ReadFault{"GarbledThrice",
                  [](VirtualMeter& m) { m.faultNextReply(Fault::Corrupt, 3, 'X'); }, "OK"},
        ReadFault{"UnpluggedThrice", [](VirtualMeter& m) { m.unplug(); }, "Fail code=204"}),
    [](const testing::TestParamInfo<ReadFault>& i) { return std::string(i.param.name); });

// ---- Commands: write, then read back what the meter now holds -------------------------------

struct RoundTrip {
    const char* name;
    std::function<void(TfrmSetup&)> command;
    std::string letters; // sent by the command
    std::function<void(const VirtualMeter&, TfrmSetup&)> check;
};
std::ostream& operator<<(std::ostream& os, const RoundTrip& r) {
    return os << r.name;
}

class RoundTrips : public SetupDialog, public testing::WithParamInterface<RoundTrip> {};

TEST_P(RoundTrips, TheMeterChangesAndReadShowsIt) {
    read();
    meter.clearLog();
    GetParam().command(*dlg);
    EXPECT_TRUE(dialogs().messages.empty()) << dialogs().lastMessage().toStdString();
    EXPECT_EQ(letters(), GetParam().letters);
    read();
    GetParam().check(meter, *dlg);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RoundTrips,
    testing::Values(RoundTrip{"Interval",
                              [](TfrmSetup& d) {
                                  d.edtInt1->setText("05");
                                  d.edtInt2->setText("30");
                                  d.Button2Click();
                                  EXPECT_EQ(d.lblOK2->text(), "OK");
                              },
                              "I",
                              [](const VirtualMeter& m, TfrmSetup& d) {
                                  EXPECT_EQ(m.config().intervalMinutesBcd, 0x05);
                                  EXPECT_EQ(m.config().intervalSecondsBcd, 0x30);
                                  EXPECT_EQ(d.txtInt->text(), "05:30");
                              }},
                    RoundTrip{"RhOffset",
                              [](TfrmSetup& d) {
                                  d.edtRH_offset->setText("-0.35");
                                  d.Button7Click();
                                  EXPECT_EQ(d.lblOK6->text(), "OK");
                              },
                              "W",
                              [](const VirtualMeter& m, TfrmSetup& d) {
                                  EXPECT_EQ(m.config().rhOffset, -3);
                                  EXPECT_EQ(d.txtRHoffset->text(), "-0.3");
                              }},
                    RoundTrip{"TempOffsetCelsius",
                              [](TfrmSetup& d) {
                                  d.edtT1_offset->setText("-5");
                                  d.Button12Click();
                                  EXPECT_EQ(d.Label24->text(), "OK");
                              },
                              "W",
                              [](const VirtualMeter& m, TfrmSetup& d) {
                                  EXPECT_EQ(m.config().temperatureOffset, -90);
                                  EXPECT_EQ(d.txtT1offset->text(), "-5.0");
                              }},
                    RoundTrip{"Co2Offset",
                              [](TfrmSetup& d) {
                                  d.edtppm_offset->setText("-400");
                                  d.Button13Click();
                                  EXPECT_EQ(d.Label28->text(), "OK");
                              },
                              "D",
                              [](const VirtualMeter& m, TfrmSetup& d) {
                                  EXPECT_EQ(m.config().co2Offset, -400);
                                  EXPECT_EQ(d.txtppmoffset->text(), "-400");
                              }},
                    RoundTrip{"Altitude",
                              [](TfrmSetup& d) {
                                  d.edtalt_offset->setText("3000");
                                  d.Button14Click();
                                  EXPECT_EQ(d.Label29->text(), "OK");
                              },
                              "L",
                              [](const VirtualMeter& m, TfrmSetup& d) {
                                  EXPECT_EQ(m.config().altitude, 3000);
                                  EXPECT_EQ(d.txtaltoffset->text(), "3000");
                              }},
                    RoundTrip{"AlarmOnSwapsLimits",
                              [](TfrmSetup& d) {
                                  d.ComboBox1->setCurrentIndex(1);
                                  d.Edit4->setText("500");
                                  d.Edit5->setText("1000");
                                  d.Button11Click();
                                  EXPECT_EQ(d.Edit4->text(), "1000");
                                  EXPECT_EQ(d.Edit5->text(), "500");
                                  EXPECT_EQ(d.Label12->text(), "OK");
                              },
                              "F",
                              [](const VirtualMeter& m, TfrmSetup& d) {
                                  EXPECT_TRUE(m.config().alarmOn);
                                  EXPECT_EQ(m.config().alarmHigh, 1000);
                                  EXPECT_EQ(m.config().alarmLow, 500);
                                  EXPECT_EQ(d.txtAlarm->text(), "ON");
                                  EXPECT_EQ(d.txtHi->text(), "1000");
                                  EXPECT_EQ(d.txtLo->text(), "500");
                              }},
                    RoundTrip{"PowerOffEmptyItem",
                              [](TfrmSetup& d) {
                                  d.ComboBox2->setCurrentIndex(7);
                                  d.Button16Click();
                                  EXPECT_EQ(d.Label38->text(), "OK");
                              },
                              "W",
                              [](const VirtualMeter& m, TfrmSetup& d) {
                                  EXPECT_EQ(m.config().powerOff, 7);
                                  EXPECT_EQ(d.txtSleepTime->text(), "");
                              }},
                    RoundTrip{"PowerOffEightHours",
                              [](TfrmSetup& d) {
                                  d.ComboBox2->setCurrentIndex(6);
                                  d.Button16Click();
                              },
                              "W",
                              [](const VirtualMeter& m, TfrmSetup& d) {
                                  EXPECT_EQ(m.config().powerOff, 6);
                                  EXPECT_EQ(d.txtSleepTime->text(), "8 hours");
                              }}),
    [](const testing::TestParamInfo<RoundTrip>& i) { return std::string(i.param.name); });

TEST_F(SetupDialog, TempOffsetInFahrenheitFollowsTheLastRead) {
    std::vector<uint8_t> m(meter.memory().begin(), meter.memory().end());
    m[MeterMemory::TemperatureUnit] = 1;
    meter.setMemory(m);
    read();
    dlg->edtT1_offset->setText("9");
    dlg->Button12Click();
    EXPECT_EQ(meter.config().temperatureOffset, 90);
    dlg->edtT1_offset->setText("-9.5");
    dlg->Button12Click();
    EXPECT_EQ(dialogs().lastMessage(), SetupText::TempRangeF);
}

TEST_F(SetupDialog, ClockIsSetToTheComputersTime) {
    tm.clock.setNow(QDateTime(QDate(2026, 9, 21), QTime(14, 30, 5)));
    dlg->Button1Click();
    EXPECT_EQ(dlg->lblOK1->text(), "OK");
    EXPECT_EQ(colorOf(dlg->lblOK1), Green);
    ASSERT_EQ(meter.blocksReceived().size(), 1u);
    const auto& b = meter.blocksReceived()[0];
    // The block is taken after the first second of pauses have passed on the clock.
    const QDateTime sent = tm.clock.now();
    EXPECT_EQ(b[2], 0x14);
    EXPECT_EQ(b[3], 0x21);
    EXPECT_EQ(b[4], 0x09);
    EXPECT_EQ(b[6], 0x26);
    EXPECT_EQ(b[7], 0x00);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 11), "rtc");
    EXPECT_LE(std::abs(meter.meterTime().secsTo(sent)), 2);
    read();
    EXPECT_EQ(dlg->txtMeterTime->text().left(10), "09/21/2026");
}

TEST_F(SetupDialog, EraseAsksFirstAndEmptiesTheLogger) {
    read();
    ASSERT_NE(dlg->txtDataSets->text(), "0");
    for (auto answer : {QMessageBox::No, QMessageBox::Cancel}) {
        meter.clearLog();
        dialogs().messageAnswers.push_back(answer);
        dlg->Button3Click();
        EXPECT_EQ(dialogs().lastMessage(), SetupText::EraseConfirm);
        EXPECT_EQ(dialogs().messages.back().buttons,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(letters(), "");
    }
    dialogs().messageAnswers.push_back(QMessageBox::Yes);
    dlg->Button3Click();
    EXPECT_EQ(letters(), "e");
    EXPECT_EQ(dlg->lblOK3->text(), "OK");
    read();
    EXPECT_EQ(dlg->txtDataSets->text(), "0");
    EXPECT_EQ(dlg->txtMemoryAvailable->text(),
              QString::number((MeterMemory::LoggerEnd - MeterMemory::EmptyLastUsed) / 8));
}

// ---- Validation: the message, and nothing sent ----------------------------------------------

struct Refusal {
    const char* name;
    std::function<void(TfrmSetup&)> command;
    QString message;
};
std::ostream& operator<<(std::ostream& os, const Refusal& r) {
    return os << r.name;
}

class Refusals : public SetupDialog, public testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, ShowTheMessageAndSendNothing) {
    GetParam().command(*dlg);
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(dialogs().lastMessage(), GetParam().message);
    EXPECT_EQ(letters(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    testing::Values(Refusal{"IntervalZero",
                            [](TfrmSetup& d) {
                                d.edtInt1->setText("00");
                                d.edtInt2->setText("00");
                                d.Button2Click();
                            },
                            SetupText::InvalidInput},
                    Refusal{"IntervalMinutes61",
                            [](TfrmSetup& d) {
                                d.edtInt1->setText("61");
                                d.Button2Click();
                            },
                            SetupText::InvalidInput},
                    Refusal{"IntervalBlank",
                            [](TfrmSetup& d) {
                                d.edtInt2->clear();
                                d.Button2Click();
                            },
                            SetupText::InvalidInput},
                    Refusal{"RhAbove",
                            [](TfrmSetup& d) {
                                d.edtRH_offset->setText("10.1");
                                d.Button7Click();
                            },
                            SetupText::RhRange},
                    Refusal{"TempCelsiusAbove",
                            [](TfrmSetup& d) {
                                d.edtT1_offset->setText("5.1");
                                d.Button12Click();
                            },
                            SetupText::TempRangeC},
                    Refusal{"Co2Above",
                            [](TfrmSetup& d) {
                                d.edtppm_offset->setText("401");
                                d.Button13Click();
                                EXPECT_TRUE(d.Label28->isHidden()); // out of range: no result shown
                            },
                            SetupText::Co2Range},
                    Refusal{"Co2NotInteger",
                            [](TfrmSetup& d) {
                                d.edtppm_offset->setText("12a");
                                d.Button13Click();
                                EXPECT_EQ(d.Label28->text(), "Fail");
                                EXPECT_FALSE(d.Label28->isHidden());
                            },
                            SetupText::Co2Range},
                    Refusal{"AltitudeAbove",
                            [](TfrmSetup& d) {
                                d.edtalt_offset->setText("3001");
                                d.Button14Click();
                            },
                            SetupText::AltitudeRange},
                    Refusal{"AlarmLimitAbove",
                            [](TfrmSetup& d) {
                                d.ComboBox1->setCurrentIndex(1);
                                d.Edit4->setText("40001");
                                d.Edit5->setText("0");
                                d.Button11Click();
                                EXPECT_TRUE(d.Label12->isHidden());
                            },
                            SetupText::AlarmRange},
                    Refusal{"AlarmLimitNotInteger",
                            [](TfrmSetup& d) {
                                d.ComboBox1->setCurrentIndex(1);
                                d.Edit4->setText("");
                                d.Edit5->setText("10");
                                d.Button11Click();
                            },
                            SetupText::AlarmRange}),
    [](const testing::TestParamInfo<Refusal>& i) { return std::string(i.param.name); });

TEST_F(SetupDialog, AlarmOffSendsAllOnesWhateverTheFieldsHold) {
    dlg->Edit4->setText("junk");
    dlg->Button11Click();
    ASSERT_EQ(letters(), "F");
    EXPECT_EQ(meter.framesReceived()[0],
              (std::array<uint8_t, 7>{0x02, 'F', 0xFF, 0xFF, 0xFF, 0xFF, 0x03}));
    EXPECT_FALSE(meter.config().alarmOn);
}

// ---- Retries and codes -----------------------------------------------------------------------

TEST_F(SetupDialog, ByteWriteFailingOnceThenSucceedingReportsOk) {
    meter.failNext(Op::ReadReply, 1, 'W');
    dlg->ComboBox2->setCurrentIndex(3);
    dlg->Button16Click();
    EXPECT_EQ(dlg->Label38->text(), "OK");
    EXPECT_EQ(colorOf(dlg->Label38), Green);
    EXPECT_EQ(letters(), "WW");
    EXPECT_EQ(meter.framesReceived()[1],
              (std::array<uint8_t, 7>{0x02, 'W', 0x00, 0x00, 80, 3, 0x03}));
    EXPECT_EQ(meter.config().powerOff, 3);
}

TEST_F(SetupDialog, ByteWriteCodesAfterFiveAttempts) {
    const std::vector<std::pair<std::function<void()>, int>> cases = {
        {[&] { meter.failNext(Op::Open, 5); }, 9000},
        {[&] { meter.failNext(Op::SetTimeouts, 5); }, 9001},
        {[&] { meter.failNext(Op::WriteCommand, 5, 'W'); }, 9002},
        {[&] { meter.failNext(Op::ReadReply, 5, 'W'); }, 9003},
        {[&] { meter.faultNextReply(Fault::NotOk, 5, 'W'); }, 9004},
        {[&] { meter.failNext(Op::ReadReply, 4, 'W'); }, 0},
    };
    for (const auto& [inject, code] : cases) {
        meter.clearFaults();
        inject();
        EXPECT_EQ(dlg->WriteMeterByte(PowerOffAddress, 2), code);
    }
    // A caller reports any failure as "Fail".
    meter.failNext(Op::ReadReply, 5, 'W');
    dlg->Button16Click();
    EXPECT_EQ(dlg->Label38->text(), "Fail");
    EXPECT_EQ(colorOf(dlg->Label38), Red);
}

TEST_F(SetupDialog, CommandCodesAfterThreeAttempts) {
    struct Case {
        std::function<void()> inject;
        std::function<void()> run;
        QLabel* label;
        QString text;
    };
    auto erase = [&] { dlg->EraseMeterMemory(); };
    auto clock = [&] { dlg->Button1Click(); };
    auto interval = [&] { dlg->Button2Click(); };
    const std::vector<Case> cases = {
        {[&] { meter.failNext(Op::WriteBlock, 3); }, clock, dlg->lblOK1, "Fail code=405"},
        {[&] { meter.faultNextReply(Fault::NotOk, 3, 't'); }, clock, dlg->lblOK1, "Fail code=406"},
        {[&] { meter.failNext(Op::WriteBlock, 2); }, clock, dlg->lblOK1, "OK"},
        {[&] { meter.failNext(Op::SetTimeouts, 3); }, erase, dlg->lblOK3, "Fail code=502"},
        {[&] {
             meter.failNext(Op::SetTimeouts, 3);
             meter.failNext(Op::ReadReply, 3, 'e');
         },
         erase, dlg->lblOK3, "Fail code=505"},
        {[&] { meter.faultNextReply(Fault::NotOk, 3, 'e'); }, erase, dlg->lblOK3, "Fail code=506"},
        {[&] { meter.faultNextReply(Fault::Drop, 3, 'I'); }, interval, dlg->lblOK2, "Fail"},
        {[&] { meter.faultNextReply(Fault::Drop, 2, 'I'); }, interval, dlg->lblOK2, "OK"},
    };
    for (const auto& c : cases) {
        meter.clearFaults();
        c.inject();
        c.run();
        EXPECT_EQ(c.label->text(), c.text);
        EXPECT_EQ(colorOf(c.label), c.text == "OK" ? Green : Red);
    }
}

TEST_F(SetupDialog, BlockWriteFailureIsCode404WhenTheReplyStillComes) {
    // A block that never reaches the meter leaves no reply: the read fails and replaces 404.
    // With the block refused but a reply still read, the code of the block write stands.
    struct BlockFails : SpyTransport {
        int writeBlock(std::span<const uint8_t> b) override {
            meter->writeBlock(b);
            return 1;
        }
    } failing;
    failing.meter = &meter;
    tm.main->exchange().setTransport(failing);
    dlg->Button1Click();
    EXPECT_EQ(dlg->lblOK1->text(), "Fail code=404");
    tm.main->exchange().setTransport(spy);
}

TEST_F(SetupDialog, SingleShotCommandsFailWithoutRetry) {
    meter.failNext(Op::ReadReply, 1, 'D');
    dlg->Button13Click();
    EXPECT_EQ(dlg->Label28->text(), "Fail");
    meter.faultNextReply(Fault::NotOk, 1, 'F');
    dlg->Button11Click();
    EXPECT_EQ(dlg->Label12->text(), "Fail");
    meter.failNext(Op::Open, 1);
    dlg->Button14Click();
    EXPECT_EQ(dlg->Label29->text(), "Fail");
    EXPECT_EQ(letters(), "DFL"); // one frame each; the altitude goes on after a failed open
}

// ---- Setup All -------------------------------------------------------------------------------

TEST_F(SetupDialog, SetupAllSendsEverySettingInOrderThenErasesAndReads) {
    meter.setLoggerDataSets({}); // nothing to lose, so nothing is asked
    read();
    dlg->edtInt1->setText("01");
    dlg->edtInt2->setText("00");
    dlg->edtRH_offset->setText("1.5");
    dlg->edtppm_offset->setText("25");
    dlg->edtalt_offset->setText("500");
    dlg->ComboBox2->setCurrentIndex(2);
    meter.clearLog();
    const uint32_t t0 = tm.clock.tickMs();
    dlg->Button6Click();
    EXPECT_TRUE(dialogs().messages.empty());
    EXPECT_EQ(letters(), "IWWDLFWteX");
    // Address order of the byte writes: %RH, temperature, power-off.
    const auto& f = meter.framesReceived();
    EXPECT_EQ(f[1][4], 73);
    EXPECT_EQ(f[2][4], 74);
    EXPECT_EQ(f[6][4], 80);
    // The pauses between the steps alone come to 6.5 s.
    EXPECT_GE(tm.clock.tickMs() - t0, 6500u);
    for (QLabel* l : {dlg->lblOK2, dlg->lblOK6, dlg->Label24, dlg->Label28, dlg->Label29,
                      dlg->Label12, dlg->Label38, dlg->lblOK1, dlg->lblOK3, dlg->lblOK5})
        EXPECT_EQ(l->text(), "OK") << l->objectName().toStdString();
    const auto c = meter.config();
    EXPECT_EQ(c.intervalMinutesBcd, 0x01);
    EXPECT_EQ(c.rhOffset, 15);
    EXPECT_EQ(c.co2Offset, 25);
    EXPECT_EQ(c.altitude, 500);
    EXPECT_EQ(c.powerOff, 2);
    EXPECT_EQ(c.dataSetCount, 0);
    EXPECT_EQ(dlg->txtDataSets->text(), "0");
    EXPECT_EQ(dlg->txtaltoffset->text(), "500");
}

TEST_F(SetupDialog, SetupAllGoesOnPastRefusedInputAndFailures) {
    dlg->edtInt1->setText("99");
    meter.failNext(Op::ReadReply, 1, 'D');
    dialogs().messageAnswers.push_back(QMessageBox::Yes); // erase as well
    dlg->Button6Click();
    ASSERT_EQ(dialogs().messages.size(), 2u);
    EXPECT_EQ(dialogs().lastMessage(), SetupText::InvalidInput);
    EXPECT_EQ(letters(), "WWDLFWteX");
    EXPECT_EQ(dlg->Label28->text(), "Fail");
    EXPECT_TRUE(dlg->lblOK2->isHidden());
    EXPECT_EQ(dlg->lblOK5->text(), "OK");
}

struct EraseAnswer {
    const char* name;
    bool readFirst; // the information read has told how many data sets the meter holds
    QMessageBox::StandardButton answer;
    std::string letters;
    int dataSetsAfter;
};
std::ostream& operator<<(std::ostream& os, const EraseAnswer& a) {
    return os << a.name;
}
class SetupAllWithDataSets : public SetupDialog, public testing::WithParamInterface<EraseAnswer> {};

TEST_P(SetupAllWithDataSets, AsksTheErasesQuestionFirst) {
    const int before = meter.config().dataSetCount;
    ASSERT_GT(before, 0);
    if (GetParam().readFirst) read();
    dlg->lblOK3->setText("earlier");
    meter.clearLog();
    dialogs().messages.clear();
    dialogs().messageAnswers.push_back(GetParam().answer);
    dlg->Button6Click();
    ASSERT_GE(dialogs().messages.size(), 1u);
    const ShownMessage& asked = dialogs().messages.front();
    EXPECT_EQ(asked.text, "This will delete all data in the meter, are you sure ?");
    EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(dialogs().messages.size(), 1u); // nothing else is asked
    EXPECT_EQ(letters(), GetParam().letters);
    const int after = GetParam().dataSetsAfter < 0 ? before : GetParam().dataSetsAfter;
    EXPECT_EQ(meter.config().dataSetCount, after);
    if (GetParam().answer == QMessageBox::Cancel) {
        EXPECT_EQ(dlg->lblOK3->text(), "earlier"); // not even the labels change
    } else {
        EXPECT_EQ(dlg->txtDataSets->text(), QString::number(after));
        EXPECT_EQ(dlg->lblOK3->isHidden(), GetParam().answer == QMessageBox::No);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SetupAllWithDataSets,
    testing::Values(EraseAnswer{"Yes", true, QMessageBox::Yes, "IWWDLFWteX", 0},
                    EraseAnswer{"No", true, QMessageBox::No, "IWWDLFWtX", -1},
                    EraseAnswer{"Cancel", true, QMessageBox::Cancel, "", -1},
                    // Before any read nobody knows what is in the meter: asked as well.
                    EraseAnswer{"NoReadYetNo", false, QMessageBox::No, "IWWDLFWtX", -1}),
    [](const testing::TestParamInfo<EraseAnswer>& i) { return std::string(i.param.name); });

// The same question in the real message box, answered from a timer as a user would.
TEST(SetupAllRealMessageBox, NoSendsEverySettingButTheErase) {
    SpyTransport spy;
    WidgetDialogService real;
    TestMain tm(spy, real);
    VirtualMeter meter{tm.clock};
    spy.meter = &meter;
    TfrmMain& main = *tm.main;
    QObject::disconnect(main.MainTimer, &QTimer::timeout, nullptr, nullptr);
    main.state().connected = true;
    main.meterSetup().Setup1Click();
    TfrmSetup* dlg = main.state().setupWindow;
    ASSERT_NE(dlg, nullptr);
    dlg->Button4Click();
    ASSERT_GT(dlg->txtDataSets->text().toInt(), 0);
    const int before = meter.config().dataSetCount;
    meter.clearLog();

    QString text;
    bool noIsDefault = false;
    int polls = 0;
    QTimer press;
    press.setInterval(20);
    QObject::connect(&press, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (++polls > 250) press.stop(); // never shown: the expectations below fail
            return;
        }
        text = box->text();
        noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
        box->button(QMessageBox::No)->click();
        press.stop();
    });
    press.start();
    dlg->Button6Click();
    press.stop();
    EXPECT_EQ(text, "This will delete all data in the meter, are you sure ?");
    EXPECT_TRUE(noIsDefault); // Enter keeps the data
    EXPECT_EQ(meter.lettersReceived(), "IWWDLFWtX");
    EXPECT_EQ(meter.config().dataSetCount, before);
    EXPECT_EQ(dlg->lblOK5->text(), "OK");
}

TEST_F(SetupDialog, FocusReturnsToThePressedButtonAfterACommand) {
    read();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
    for (QPushButton* b : {dlg->Button2, dlg->Button7, dlg->Button16, dlg->Button4}) {
        QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_FALSE(dlg->commandActive());
        EXPECT_EQ(QApplication::focusWidget(), b) << b->objectName().toStdString();
        // No edit box was handed the focus with its text selected on the way.
        for (QLineEdit* e : dlg->findChildren<QLineEdit*>())
            EXPECT_FALSE(e->hasSelectedText())
                << b->objectName().toStdString() << " " << e->objectName().toStdString();
    }
    EXPECT_NE(dlg->lblOK5->text(), "");
    EXPECT_EQ(dlg->lblOK2->text(), "OK");
}

// ---- One command at a time -------------------------------------------------------------------

TEST_F(SetupDialog, PollingStaysStoppedAndButtonsDisabledWhileACommandRuns) {
    tm.main->MainTimer->start();
    int calls = 0;
    spy.onWrite = [&](std::span<const uint8_t>) {
        ++calls;
        EXPECT_FALSE(tm.main->MainTimer->isActive());
        EXPECT_FALSE(dlg->Button4->isEnabled());
        EXPECT_FALSE(dlg->Button6->isEnabled());
        EXPECT_TRUE(dlg->commandActive());
    };
    dialogs().messageAnswers.push_back(QMessageBox::Yes); // the erase too
    dlg->Button6Click();
    EXPECT_GE(calls, 10);
    EXPECT_TRUE(tm.main->MainTimer->isActive());
    EXPECT_TRUE(dlg->Button4->isEnabled());
    EXPECT_FALSE(dlg->commandActive());
}

TEST_F(SetupDialog, RequestInsideAPollTicksPauseIsDeferredUntilTheTickEnds) {
    Exchange& ex = tm.main->exchange();
    ex.beginTick(); // a poll tick further up the call chain, pausing
    dlg->Button4Click();
    EXPECT_EQ(letters(), "");
    EXPECT_TRUE(dlg->commandActive());
    EXPECT_FALSE(dlg->Button4->isEnabled());
    ex.endTick();
    QCoreApplication::processEvents();
    EXPECT_EQ(letters(), "X");
    EXPECT_EQ(dlg->lblOK5->text(), "OK");
    EXPECT_FALSE(dlg->commandActive());
}

TEST_F(SetupDialog, DeferredCommandIsDroppedWithTheDialog) {
    Exchange& ex = tm.main->exchange();
    ex.beginTick();
    dlg->Button4Click();
    ASSERT_TRUE(dlg->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ex.endTick();
    QCoreApplication::processEvents();
    EXPECT_EQ(letters(), "");
}

TEST_F(SetupDialog, TimerReadDuringACommandWaitsForIt) {
    bool fired = false;
    spy.onWrite = [&](std::span<const uint8_t> f) {
        if (f[1] == 'I' && !fired) {
            fired = true;
            dlg->Timer1Timer(); // the one-shot read timer fires inside the command's pause
        }
    };
    dlg->Button2Click();
    EXPECT_EQ(letters(), "I");
    QCoreApplication::processEvents();
    EXPECT_EQ(letters(), "IX");
    EXPECT_EQ(dlg->lblOK5->text(), "OK");
}

TEST_F(SetupDialog, Co2OffsetIgnoresAReentry) {
    int co2Frames = 0;
    spy.onWrite = [&](std::span<const uint8_t> f) {
        if (f[1] == 'D' && ++co2Frames == 1) dlg->Button13Click();
    };
    dlg->Button13Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(co2Frames, 1);
    EXPECT_FALSE(tm.main->meterSetup().unit().co2Guard);
    EXPECT_EQ(dlg->Label28->text(), "OK");
}

TEST_F(SetupDialog, CloseDuringACommandWaitsForItsEnd) {
    QPointer<TfrmSetup> d(dlg);
    bool asked = false;
    spy.onWrite = [&](std::span<const uint8_t>) {
        if (!asked) {
            asked = true;
            EXPECT_FALSE(d->close());
        }
    };
    dlg->Button14Click();
    EXPECT_EQ(dlg->Label29->text(), "OK"); // the command finished on a live dialog
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(d.isNull());
    EXPECT_EQ(tm.main->state().setupWindow, nullptr);
}

TEST_F(SetupDialog, FrameBufferIsTheDialogsOwnAndKeepsUnsetBytes) {
    dlg->ComboBox2->setCurrentIndex(5);
    dlg->Button16Click(); // 'W' 00 00 50 05
    dlg->Button2Click();  // 'I' sets bytes 2 and 3 only
    const auto& f = meter.framesReceived();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[1], (std::array<uint8_t, 7>{0x02, 'I', 0x00, 0x02, 80, 5, 0x03}));
    EXPECT_EQ(tm.main->exchange().mainFrame, InitialFrame);
}
} // namespace
