// The real save dialog: picking another file type renames the file in the name box.
#include "app/DialogService.h"
#include "app/Umain.h"
#include "files/FileCommands.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"
#include "link/Clock.h"
#include "link/NoMeter.h"
#include "link/Transport.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {} // namespace

TEST(SaveDialogTypeChange, RenamesTheNameBox) {
    QTemporaryDir dir;
    NoMeter meter;
    TestClock clock;
    WidgetDialogService widgets;
    MainServices s;
    s.transport = &meter;
    s.clock = &clock;
    s.dialogs = &widgets;
    s.settingsFile = dir.filePath("settings.ini");
    s.documentsDir = dir.path();
    TfrmMain main(s);
    main.state().dataFolder = dir.path() + QLatin1Char('/');
    TfrmGraph graph(main);

    QStringList names;
    int step = 0;
    // Drives the modal dialog once it runs: type a name, switch type twice, then cancel.
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        auto* nameBox = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* types = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        if (!nameBox || !types) {
            dlg->reject();
            return;
        }
        if (step == 0) {
            nameBox->setText(QStringLiteral("run1.ghf"));
            types->setCurrentIndex(1);
            emit types->activated(1); // as the user's pick does
            names << nameBox->text();
            types->setCurrentIndex(2);
            emit types->activated(2);
            names << nameBox->text();
            types->setCurrentIndex(0);
            emit types->activated(0);
            names << nameBox->text();
            ++step;
        } else {
            dlg->reject();
        }
    });
    driver.start();
    main.fileCommands().SaveChart(*graph.PESGraph1);
    driver.stop();
    EXPECT_EQ(names, QStringList({"run1.TXT", "run1.CSV", "run1.GHF"}));
}
