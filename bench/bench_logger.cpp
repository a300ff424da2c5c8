// Figures for the data logger: a full-memory download from the virtual meter (with decode,
// list and chart), the decoder alone on a full image, and a list window of a million rows.
#include "app/DialogService.h"
#include "app/Umain.h"
#include "graph/Ugraph.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/virtual/VirtualMeter.h"
#include "logger/DataLogger.h"
#include "logger/ListTableModel.h"
#include "logger/MemoryDecoder.h"
#include "logger/MemoryReader.h"
#include "logger/Ulist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <charconv>
#include <cstdio>
#include <sys/resource.h>

namespace {
// No dialog may wait for a user here.
class SilentDialogs : public DialogService {
  public:
    QMessageBox::StandardButton message(QWidget*, const QString& text, const QString&,
                                        QMessageBox::Icon, QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override {
        std::printf("  message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    }
    FileDialogResult openFile(QWidget*, const FileDialogRequest&) override { return {}; }
    FileDialogResult saveFile(QWidget*, const FileDialogRequest&) override { return {}; }
    int exec(QDialog&) override { return 0; }
    QColor chooseColor(QWidget*, const QColor& c, bool* ok) override {
        *ok = false;
        return c;
    }
    QFont chooseFont(QWidget*, const QFont& f, bool* ok) override {
        *ok = false;
        return f;
    }
};

long peakRssMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

long currentRssMiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4096 / (1024 * 1024);
}

// Eight data sets that fill the logger memory: 31,920 samples in all.
std::vector<LoggedDataSet> fullLogger() {
    std::vector<LoggedDataSet> sets(8);
    for (size_t k = 0; k < sets.size(); ++k) {
        sets[k].setStart(QDateTime(QDate(2026, 2, 1 + int(k)), QTime(8, 0, 0)));
        sets[k].setInterval(0, 30);
        sets[k].unit = uint8_t(k % 2);
        for (int j = 0; j < 3990; ++j)
            sets[k].samples.push_back(
                {float(400 + j % 900), uint16_t(200 + j % 80), uint16_t(450 + j % 100)});
    }
    return sets;
}

void benchReader() {
    VirtualMeter meter(Clock::system());
    meter.setLoggerDataSets(fullLogger());
    std::vector<uint8_t> mem = meter.memory();
    mem[38] = 0x03;
    mem[39] = 0xFF;
    mem[40] = 0xFF;
    meter.setMemory(mem);
    Exchange exchange(meter, Clock::system());
    MemoryImage image;
    MemoryReader reader(exchange, image);
    QElapsedTimer timer;
    timer.start();
    const int code = reader.ReadMemory();
    std::printf("the transfer alone (no windows): code %d, %zu bytes, %.1f ms\n", code,
                image.size(), timer.nsecsElapsed() / 1e6);
}

void benchDownload() {
    VirtualMeter meter(Clock::system());
    meter.setLoggerDataSets(fullLogger());
    SilentDialogs dialogs;
    QTemporaryDir dir;
    MainServices services;
    services.transport = &meter;
    services.dialogs = &dialogs;
    services.settingsFile = dir.filePath("settings.ini");
    services.documentsDir = dir.path();
    TfrmMain main(services);
    main.resize(1280, 900);
    main.state().dataFolder = dir.path() + "/";
    main.state().connected = main.state().linkOpen = true;
    // The meter claims its whole memory: 8192 blocks.
    std::vector<uint8_t> mem = meter.memory();
    mem[38] = 0x03;
    mem[39] = 0xFF;
    mem[40] = 0xFF;
    meter.setMemory(mem);

    QElapsedTimer timer;
    timer.start();
    main.dataLogger().LoadData1Click();
    const double ms = timer.nsecsElapsed() / 1e6;
    const AppState& st = main.state();
    std::printf("download of the full memory (virtual meter, no latency), decode, list, chart:\n"
                "  %d bytes, %d data sets, %zu samples, set 1 charted with %d points\n"
                "  %.1f ms wall (target < 500 ms)\n",
                main.dataLogger().bytesReceived(), st.dataSets.count(),
                st.dataSets.values.size() / 3,
                st.DataLoggerGraph ? st.DataLoggerGraph->PESGraph1->points() : 0, ms);
}

void benchDecode() {
    const std::vector<uint8_t> image = buildMemoryImage(fullLogger());
    const QDateTime now = QDateTime::currentDateTime();
    DataSetStore store;
    DecodeMemory(image, store, now); // warm up
    constexpr int Rounds = 200;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Rounds; ++i)
        DecodeMemory(image, store, now);
    const double ms = timer.nsecsElapsed() / 1e6 / Rounds;
    std::printf("DecodeMemory of a full image (%zu bytes, %d sets, %zu samples):\n"
                "  %.3f ms per decode, mean of %d (target < 5 ms)\n",
                image.size(), store.count(), store.values.size() / 3, ms, Rounds);
}

void benchList() {
    const long before = currentRssMiB();
    TfrmList list(nullptr);
    list.resize(387, 413);
    list.show();
    QApplication::processEvents();

    constexpr int Rows = 1000000;
    QElapsedTimer timer;
    timer.start();
    ListTableModel& m = list.model();
    m.beginFill();
    char buf[8][24];
    std::string_view cells[8];
    for (int i = 1; i <= Rows; ++i) {
        auto put = [&](int c, std::string_view text) { cells[c] = text; };
        auto num = [&](int c, int v) {
            auto r = std::to_chars(buf[c], buf[c] + sizeof buf[c], v);
            cells[c] = std::string_view(buf[c], size_t(r.ptr - buf[c]));
        };
        num(0, i);
        put(1, "14/03/2026");
        put(2, "09:26:53");
        num(3, 400 + i % 600);
        put(4, "50.0");
        put(5, "25.0");
        put(6, "");
        put(7, "");
        m.appendRowUtf8(cells);
    }
    m.endFill();
    list.Grid1->scrollToBottom();
    QApplication::processEvents();
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("list window filled with %d rows and shown at its last row:\n"
                "  %.1f ms (target < 1000 ms)\n"
                "  cells held in %.1f MiB; resident %ld MiB before, %ld MiB after, peak %ld MiB "
                "(target < 200 MB)\n",
                Rows, ms, m.memoryUsed() / 1048576.0, before, currentRssMiB(), peakRssMiB());
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchList(); // first, so that its peak resident size is its own
    benchDecode();
    benchReader();
    benchDownload();
    return 0;
}
