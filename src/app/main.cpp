#include "app/DesktopIdentity.h"
#include "app/Uabout.h"
#include "app/Umain.h"
#include "cli/CommandLine.h"
#include "link/Clock.h"
#include "link/Transport.h"
#include "link/TransportFactory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    // "q7320 <command> ..." runs headless; anything else opens the window.
    if (cli::wantsCommandLine(argc, argv)) return cli::runCommandLine(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Q7320"));
    applyDesktopIdentity();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("CARBON DIOXIDE METER Software"));
    parser.addHelpOption();
    QCommandLineOption meterOption(
        QStringLiteral("meter"),
        QStringLiteral("The meter: usb (default), virtual or replay:FILE."),
        QStringLiteral("usb|virtual|replay:FILE"), QStringLiteral("usb"));
    parser.addOption(meterOption);
    QCommandLineOption recordOption(QStringLiteral("record"),
                                    QStringLiteral("Write every USB operation to FILE."),
                                    QStringLiteral("FILE"));
    parser.addOption(recordOption);
    parser.process(app);

    QString error;
    std::unique_ptr<Transport> transport = createTransport(
        parser.value(meterOption), Clock::system(), &error, parser.value(recordOption));
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
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Q7320"), QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
