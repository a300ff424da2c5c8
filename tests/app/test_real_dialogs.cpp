// The real dialogs and the real shut-down, not the scripted dialog service: every modal window
// here runs its own event loop and is answered by pressing its buttons.
#include "ModalDriver.h"
#include "TestMain.h"
#include "app/Uabout.h"
#include "link/NoMeter.h"
#include "link/Transport.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(RealDialogs, AboutBoxClosedByOkOrEscLeavesTheProgramRunning) {
    NoMeter meter;
    TestMain t(meter, true, true);
    for (bool byEsc : {false, true}) {
        SCOPED_TRACE(byEsc ? "Esc" : "OK");
        ModalDriver driver;
        bool okShown = false;
        driver.then([&](QWidget& w) {
            auto* about = qobject_cast<TfrmAbout*>(&w);
            ASSERT_NE(about, nullptr);
            okShown = about->BitBtn1->isVisible();
            if (byEsc)
                QTest::keyClick(about, Qt::Key_Escape);
            else
                about->BitBtn1->click();
        });
        t.main->About1->trigger();
        EXPECT_TRUE(driver.allDone());
        EXPECT_TRUE(driver.unexpected.isEmpty());
        EXPECT_TRUE(okShown);
        // Whatever the box left for later runs now, and the program goes on.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(20);
        EXPECT_TRUE(t.main->isVisible());
        EXPECT_TRUE(t.main->findChildren<TfrmAbout*>().isEmpty());
    }
}
