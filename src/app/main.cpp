#include "app/DesktopIdentity.h"
#include "app/Uabout.h"
#include "app/Umain.h"
#include "cli/CommandLine.h"
#include "link/Clock.h"
#include "link/Transport.h"
#include "link/TransportFactory.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    // Commands, help, the version and bad usage end here, before any display is needed.
    cli::WindowStart start;
    if (const std::optional<int> exit = cli::run(argc, argv, &start)) return *exit;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Q7320"));
    applyDesktopIdentity();

    QString error;
    std::unique_ptr<Transport> transport =
        createTransport(start.meter, Clock::system(), &error, start.record);
    if (!transport) {
        std::fprintf(stderr, "q7320: %s\n", qPrintable(error));
        return 2;
    }

    try {
        // The about box shows as a splash while the main window is made.
        auto* splash = new TfrmAbout;
        splash->BitBtn1->hide();
        splash->show();
        splash->repaint();
        QApplication::processEvents();

        MainServices services;
        services.transport = transport.get();
        TfrmMain main(services);
        main.setSplash(splash);
        // Without a window manager "maximised" means nothing; fill the screen anyway.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            main.setGeometry(screen->availableGeometry());
        main.showMaximized();
        // Files named on the command line open once the window is up, as File > Open opens
        // them.
        QTimer::singleShot(
            0, &main, [&main, files = start.files] { cli::openFiles(main.fileCommands(), files); });
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Q7320"), QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
