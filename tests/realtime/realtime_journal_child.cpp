// Child process of the journal kill test: records samples into a journal and reports each
// one on stdout once append() has returned, until it is killed.
//   realtime_journal_child <journal path> <count>
#include "realtime/RealTimeJournal.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int count = QByteArray(argv[2]).toInt();

    RealTime::JournalWriter journal;
    if (!journal.start(path, {46095.25, 2, count})) return 3;
    std::printf("started\n");
    std::fflush(stdout);
    for (int i = 0; i < count; ++i) {
        RealTime::Sample s;
        s.time = 46095.25 + i * 2.0 / 86400.0;
        s.ppm = 400 + (i * 37) % 3000;
        s.rh = 20.0f + static_cast<float>(i % 700) / 10.0f;
        s.temp = -5.0f + static_cast<float>(i % 400) / 10.0f;
        s.flags = static_cast<uint8_t>(i % 16);
        if (!journal.append(s)) return 4;
        std::printf("%d %.17g %d %.9g %.9g %d\n", i, s.time, s.ppm, double(s.rh), double(s.temp),
                    s.flags);
        std::fflush(stdout);
        QThread::usleep(300);
    }
    return 0;
}
