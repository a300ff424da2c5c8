// The front panel window: layout, drawing a reading, blinking, close and reopen, and its keys.
#include "LiveFixture.h"
#include "ReplyBuilder.h"
#include "live/DisplayGlyphs.h"

#include <QAction>
#include <QApplication>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

namespace {

class Panel : public LiveFixture {
  protected:
    void SetUp() override {
        LiveFixture::SetUp();
        live().createPanel();
        ASSERT_NE(panel(), nullptr);
    }
    // Decodes a reply into the live reading and paints it, as the tick does.
    void show(const ReplyBuilder& b) {
        ASSERT_TRUE(decodeLiveReply(b.bytes, live().reading()));
        live().PaintPanel();
    }
    QLabel* child(const char* name) { return panel()->findChild<QLabel*>(name); }
    bool visible(QLabel* l) { return !l->isHidden(); }
    // The glyph each of the 13 digit images shows, found by comparing pictures.
    std::vector<int> shownGlyphs() {
        std::vector<int> out;
        auto glyphOf = [this](QLabel* l) {
            const QImage img = l->pixmap().toImage();
            for (int g = 0; g < GlyphCount; ++g)
                if (main().digitBitmap(g).toImage() == img) return g == 11 ? 10 : g;
            return -1;
        };
        for (QLabel* l : panel()->ppmD)
            out.push_back(glyphOf(l));
        for (QLabel* l : panel()->RHD)
            out.push_back(glyphOf(l));
        for (QLabel* l : panel()->T1D)
            out.push_back(glyphOf(l));
        return out;
    }
    void release(QWidget* w, QEvent::Type type) {
        const QPointF at(10, 10);
        QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
    void click(QWidget* w) {
        release(w, QEvent::MouseButtonPress);
        release(w, QEvent::MouseButtonRelease);
    }
};

TEST_F(Panel, ComponentsSitAtTheirPlaces) {
    struct Place {
        const char* name;
        QRect rect;
        bool visible;
    } places[] = {
        {"imgPanel", {0, 0, 300, 708}, true}, {"ppmD0", {60, 132, 30, 52}, true},
        {"ppmD1", {91, 132, 30, 52}, true},   {"ppmD2", {127, 132, 30, 52}, true},
        {"ppmD3", {161, 132, 30, 52}, true},  {"ppmD4", {196, 132, 30, 52}, true},
        {"RHD1", {91, 190, 30, 52}, true},    {"RHD2", {126, 190, 30, 52}, true},
        {"RHD3", {161, 190, 30, 52}, true},   {"RHD4", {196, 190, 30, 52}, true},
        {"T1D1", {94, 251, 30, 52}, true},    {"T1D2", {128, 251, 30, 52}, true},
        {"T1D3", {163, 251, 30, 52}, true},   {"T1D4", {197, 251, 30, 52}, true},
        {"RH_P", {190, 234, 5, 7}, true},     {"T1_P", {191, 296, 5, 7}, true},
    };
    for (const Place& p : places) {
        QWidget* w = panel()->findChild<QWidget*>(p.name);
        ASSERT_NE(w, nullptr) << p.name;
        EXPECT_EQ(w->geometry(), p.rect) << p.name;
        EXPECT_EQ(!w->isHidden(), p.visible) << p.name;
    }
    struct At {
        const char* name;
        QPoint topLeft;
        bool visible;
    } tops[] = {
        {"lblNoConnection", {91, 94}, true}, {"imgHOLD", {206, 96}, false},
        {"imgREC", {181, 115}, false},       {"imgFULL", {217, 114}, false},
        {"imgAlarm", {108, 96}, false},      {"lblHi", {157, 92}, false},
        {"lblLO", {178, 92}, false},         {"lblMIN", {117, 312}, false},
        {"lblMAX", {148, 312}, false},       {"lblAVG", {509, 378}, false},
        {"imgSTEL", {141, 114}, false},      {"imgTWA", {108, 115}, false},
        {"imgBat3", {82, 311}, false},       {"imgBat2", {82, 311}, false},
        {"imgBat1", {82, 311}, false},       {"imgBat0", {82, 311}, false},
        {"imgT1C", {230, 288}, true},        {"imgT1F", {233, 269}, true},
    };
    for (const At& a : tops) {
        QWidget* w = panel()->findChild<QWidget*>(a.name);
        ASSERT_NE(w, nullptr) << a.name;
        EXPECT_EQ(w->pos(), a.topLeft) << a.name;
        EXPECT_EQ(!w->isHidden(), a.visible) << a.name;
    }
    EXPECT_EQ(panel()->lblNoConnection->text(), "No Connection");
    EXPECT_EQ(panel()->lblNoConnection->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(panel()->size(), QSize(301, 713));
    EXPECT_EQ(panel()->windowTitle(), "PANEL");
    // No caption: the frame is no bigger than the window.
    EXPECT_TRUE(panel()->frame()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(panel()->frame()->pos(), QPoint(0, 0));
    // Every picture was found among the resources.
    for (QLabel* l : panel()->findChildren<QLabel*>())
        if (l->text().isEmpty())
            EXPECT_FALSE(l->pixmap().isNull()) << l->objectName().toStdString();
}

TEST_F(Panel, KeyAreasHaveTheirPlacesCursorsAndHint) {
    struct Key {
        KeyArea* area;
        QRect rect;
        Qt::CursorShape cursor;
    } keys[] = {
        {panel()->btnMMA, {161, 393, 50, 49}, Qt::PointingHandCursor},
        {panel()->btnBackLight, {94, 393, 50, 44}, Qt::PointingHandCursor},
        {panel()->btnHOLD, {157, 468, 59, 42}, Qt::PointingHandCursor},
        {panel()->btnCF, {157, 546, 59, 42}, Qt::PointingHandCursor},
        {panel()->btnREC, {92, 538, 59, 42}, Qt::PointingHandCursor},
        {panel()->btnSET, {84, 468, 59, 42}, Qt::ArrowCursor},
    };
    for (const Key& k : keys) {
        EXPECT_EQ(k.area->geometry(), k.rect) << k.area->objectName().toStdString();
        EXPECT_EQ(k.area->cursor().shape(), k.cursor) << k.area->objectName().toStdString();
        if (k.area != panel()->btnMMA) EXPECT_TRUE(k.area->toolTip().isEmpty());
    }
    EXPECT_EQ(panel()->btnMMA->toolTip(),
              "click to change AVG/MAX/MIN mode, double click  to cancel .");
}

TEST_F(Panel, DrawsTheDigitsOfAReading) {
    show(ReplyBuilder().co2Shown(400).rhShown(45.3f).tempShown(23.4f));
    const std::vector<int> expected{10, 10, 4, 0, 0, 10, 4, 5, 3, 10, 2, 3, 4};
    EXPECT_EQ(shownGlyphs(), expected);
    show(ReplyBuilder().co2Shown(12345).rhShown(0.5f).over(UnderTemp));
    const std::vector<int> next{1, 2, 3, 4, 5, 10, 0, 0, 5, 10, 17, 0, 18};
    EXPECT_EQ(shownGlyphs(), next);
}

TEST_F(Panel, ARepeatedReadingChangesNoDigitImage) {
    const ReplyBuilder reply = ReplyBuilder().co2Shown(651).rhShown(41.8f).tempShown(23.4f);
    show(reply);
    const int afterFirst = panel()->digitImageChanges();
    EXPECT_EQ(afterFirst, 13); // every position drawn once at the first reading
    show(reply);
    EXPECT_EQ(panel()->digitImageChanges(), afterFirst);
    show(ReplyBuilder().co2Shown(652).rhShown(41.8f).tempShown(23.4f));
    EXPECT_EQ(panel()->digitImageChanges(), afterFirst + 1); // only the last CO2 digit
    EXPECT_EQ(panel()->rememberedDigits()[4], 2);
}

TEST_F(Panel, AnnunciatorsFollowTheReading) {
    show(ReplyBuilder().battery(0x02).fahrenheit().status(0x01 | 0x02 | 0x08 | 0x20).modes(0x02));
    EXPECT_TRUE(visible(panel()->imgBat2));
    EXPECT_FALSE(visible(panel()->imgBat3) || visible(panel()->imgBat1) ||
                 visible(panel()->imgBat0));
    EXPECT_TRUE(visible(panel()->imgT1F));
    EXPECT_FALSE(visible(panel()->imgT1C));
    EXPECT_TRUE(visible(panel()->imgAlarm) && visible(panel()->lblHi));
    EXPECT_FALSE(visible(panel()->lblLO));
    EXPECT_TRUE(visible(panel()->imgREC) && visible(panel()->imgHOLD) && visible(panel()->lblMAX));
    EXPECT_FALSE(visible(panel()->imgFULL) || visible(panel()->lblMIN) ||
                 visible(panel()->imgSTEL) || visible(panel()->imgTWA));

    // No battery bit: the symbol stays. Memory full: REC and FULL are left to the blinking.
    // All modes: the mode indicators are left to the blinking.
    show(ReplyBuilder().status(0x10).modes(0x10 | 0x01));
    EXPECT_TRUE(visible(panel()->imgBat2));
    EXPECT_TRUE(visible(panel()->imgT1C));
    EXPECT_FALSE(visible(panel()->imgAlarm) || visible(panel()->lblHi) ||
                 visible(panel()->imgHOLD));
    EXPECT_TRUE(visible(panel()->imgREC));
    EXPECT_TRUE(visible(panel()->lblMAX));
    EXPECT_FALSE(visible(panel()->lblMIN));
}

TEST_F(Panel, MaxMinTimerBlinksModesAndMemoryFull) {
    show(ReplyBuilder().status(0x40 | 0x10).modes(0x10));
    std::vector<bool> modes, full;
    for (int i = 0; i < 4; ++i) {
        live().MaxMinTimerTimer();
        modes.push_back(visible(panel()->lblMAX) && visible(panel()->lblMIN) &&
                        visible(panel()->imgSTEL) && visible(panel()->imgTWA) &&
                        visible(panel()->lblAVG));
        full.push_back(visible(panel()->imgREC) && visible(panel()->imgFULL));
        EXPECT_EQ(visible(panel()->lblMAX), live().blinkPhase());
        EXPECT_FALSE(live().blinking());
    }
    EXPECT_EQ(modes, (std::vector<bool>{modes[0], !modes[0], modes[0], !modes[0]}));
    EXPECT_EQ(full, modes);

    // The connection goes: blinking stops where it stands.
    const bool last = visible(panel()->imgFULL);
    live().GoOffline();
    live().MaxMinTimerTimer();
    live().MaxMinTimerTimer();
    live().MaxMinTimerTimer();
    EXPECT_EQ(visible(panel()->imgFULL), last);
    EXPECT_EQ(visible(panel()->lblMAX), last);
}

TEST_F(Panel, ModesBlinkOnlyWithBothBlinkBits) {
    show(ReplyBuilder().status(0x40).modes(0x01)); // mode blink without all modes
    for (int i = 0; i < 3; ++i) {
        live().MaxMinTimerTimer();
        EXPECT_TRUE(visible(panel()->lblMIN));
        EXPECT_FALSE(visible(panel()->lblMAX));
    }
}

TEST_F(Panel, ClosingAndReopeningShowsAllDigitsAgain) {
    const ReplyBuilder reply = ReplyBuilder().co2Shown(777).rhShown(55.5f).tempShown(21.0f);
    show(reply);
    live().MaxMinTimerTimer();
    ASSERT_TRUE(main().ControlPanel1->isChecked());
    panel()->frame()->close();
    EXPECT_EQ(panel(), nullptr);
    EXPECT_FALSE(main().ControlPanel1->isChecked());
    live().MaxMinTimerTimer(); // nothing to blink on
    live().PaintPanel();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    state().connected = true;
    main().ControlPanel1->trigger();
    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(main().ControlPanel1->isChecked());
    EXPECT_TRUE(panel()->lblNoConnection->isHidden());
    EXPECT_EQ(panel()->frame()->pos(), QPoint(0, 0));
    for (uint8_t d : panel()->rememberedDigits())
        EXPECT_EQ(d, 0xFF);
    show(reply);
    EXPECT_EQ(panel()->digitImageChanges(), 13);
    const std::vector<int> expected{10, 10, 7, 7, 7, 10, 5, 5, 5, 10, 2, 1, 0};
    EXPECT_EQ(shownGlyphs(), expected);

    // The command again with the window open restores it and makes no second one.
    TfrmPanel* open = panel();
    open->frame()->showMinimized();
    main().ControlPanel1->trigger();
    EXPECT_EQ(panel(), open);
    EXPECT_FALSE(open->frame()->isMinimized());
    EXPECT_TRUE(main().ControlPanel1->isChecked());
}

TEST_F(Panel, DraggingThePictureMovesTheWindow) {
    QWidget* f = panel()->frame();
    f->move(0, 0);
    QWidget* pic = panel()->imgPanel;
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButton button,
                    Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(pic->mapFromGlobal(global)), QPointF(global), button, buttons,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(pic, &e);
    };
    const QPoint start = pic->mapToGlobal(QPoint(20, 600));
    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, start + QPoint(40, 25), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start + QPoint(40, 25), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(f->pos(), QPoint(40, 25));
    // Moving without the left button held does nothing.
    send(QEvent::MouseMove, start + QPoint(90, 90), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(f->pos(), QPoint(40, 25));
}

TEST_F(Panel, ActivatingThePanelDisablesOutputToGraph) {
    main().btnOutputToGraph->setEnabled(true);
    main().mdiArea()->setActiveSubWindow(nullptr);
    main().mdiArea()->setActiveSubWindow(panel()->frame());
    EXPECT_FALSE(main().btnOutputToGraph->isEnabled());
}

// ---- keys ---------------------------------------------------------------------------------

TEST_F(Panel, EachKeySendsItsLetterInItsOwnFrame) {
    connect();
    // A block-positioning exchange leaves its block number in the main frame; the panel's
    // own frame does not see it.
    main().exchange().blockPositioning(0x0102);
    main().MainTimer->start();
    meter.clearLog();
    click(panel()->btnMMA);
    click(panel()->btnBackLight);
    click(panel()->btnHOLD);
    click(panel()->btnCF);
    click(panel()->btnREC);
    click(panel()->btnSET);
    EXPECT_EQ(meter.lettersReceived(), "MBHCE");
    for (const auto& f : meter.framesReceived()) {
        EXPECT_EQ(f[0], 0x02);
        EXPECT_EQ(f[2], 0);
        EXPECT_EQ(f[3], 0);
        EXPECT_EQ(f[4], 0);
        EXPECT_EQ(f[5], 0);
        EXPECT_EQ(f[6], 0x03);
    }
    EXPECT_EQ(panel()->lastKeyResult(), 0);
    EXPECT_TRUE(main().MainTimer->isActive());
    main().MainTimer->stop();
}

TEST_F(Panel, ADoubleClickOnModeSendsMThenN) {
    connect();
    meter.clearLog();
    QWidget* mma = panel()->btnMMA;
    release(mma, QEvent::MouseButtonPress);
    release(mma, QEvent::MouseButtonRelease);
    release(mma, QEvent::MouseButtonDblClick);
    release(mma, QEvent::MouseButtonRelease);
    EXPECT_EQ(meter.lettersReceived(), "MN");
}

TEST_F(Panel, KeyEffectsShowAtTheNextReading) {
    connect();
    t->tick();
    EXPECT_FALSE(visible(panel()->imgHOLD));
    click(panel()->btnHOLD);
    t->tick();
    EXPECT_TRUE(visible(panel()->imgHOLD));
    click(panel()->btnCF);
    t->tick();
    EXPECT_TRUE(visible(panel()->imgT1F));
    EXPECT_FALSE(visible(panel()->imgT1C));
}

TEST_F(Panel, AFailingKeyPausesWithoutAMessageAndPollingResumes) {
    connect();
    main().MainTimer->start();
    struct Case {
        const char* name;
        void (*fault)(VirtualMeter&);
        int code;
    } cases[] = {
        {"unplugged", [](VirtualMeter& m) { m.unplug(); }, 7005},
        {"open fails", [](VirtualMeter& m) { m.failNext(VirtualMeter::Operation::Open); }, 7005},
        {"time-outs fail",
         [](VirtualMeter& m) { m.failNext(VirtualMeter::Operation::SetTimeouts); }, 7003},
        {"not OK",
         [](VirtualMeter& m) { m.faultNextReply(VirtualMeter::ReplyFault::NotOk, 1, 'H'); }, 7006},
        {"no reply",
         [](VirtualMeter& m) { m.faultNextReply(VirtualMeter::ReplyFault::Drop, 1, 'H'); }, 7005},
    };
    for (const Case& c : cases) {
        meter.plug();
        meter.clearFaults();
        c.fault(meter);
        const uint32_t before = t->clock.tickMs();
        click(panel()->btnHOLD);
        EXPECT_EQ(panel()->lastKeyResult(), c.code) << c.name;
        EXPECT_GE(t->clock.tickMs() - before, 300u) << c.name;
        EXPECT_TRUE(main().MainTimer->isActive()) << c.name;
    }
    meter.plug();
    meter.clearFaults();
    const uint32_t before = t->clock.tickMs();
    click(panel()->btnHOLD);
    EXPECT_EQ(panel()->lastKeyResult(), 0);
    EXPECT_LT(t->clock.tickMs() - before, 300u); // no pause after success
    EXPECT_TRUE(t->dialogs.messages.empty());
    main().MainTimer->stop();
}

TEST_F(Panel, AKeyPressedDuringThePollTicksPauseWaitsForTheTick) {
    // The click arrives while the tick pauses after identifying the meter.
    std::string lettersAtClick;
    QTimer::singleShot(0, &main(), [&] {
        lettersAtClick = meter.lettersReceived();
        click(panel()->btnHOLD);
    });
    t->tick();
    EXPECT_EQ(lettersAtClick, "K");
    EXPECT_EQ(meter.lettersReceived(), "K"); // not sent inside the tick
    QCoreApplication::processEvents();
    EXPECT_EQ(meter.lettersReceived(), "KH");
    EXPECT_FALSE(main().exchange().busy());
}

} // namespace

namespace {
TEST_F(Panel, CtrlF4ClosesThePanel) {
    main().show();
    main().MainTimer->stop();
    QApplication::setActiveWindow(&main());
    QMdiSubWindow* f = panel()->frame();
    main().mdiArea()->setActiveSubWindow(f);
    panel()->setFocus();
    QTest::keyClick(panel(), Qt::Key_F4, Qt::ControlModifier);
    EXPECT_EQ(panel(), nullptr);
}
} // namespace
