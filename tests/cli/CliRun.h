#pragma once
// Runs the real executable, as a script would, and gives back what it said; and the files
// the command line tests feed it.
#include "files/GraphFile.h"
#include "graph/Ugraph.h"
#include "graph/chart/Chart.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

struct Result {
    int exit = -1;
    QString out;
    QString err;
    QByteArray outBytes;
};

// How to run it besides its arguments.
struct RunOptions {
    QStringList unset;             // environment variables removed
    QStringList set;               // "NAME=value" added
    QByteArray input;              // standard input; closed after it
    QString outputFile;            // standard output goes to this file (e.g. /dev/full)
    std::function<void()> inChild; // runs in the child before the program starts
    int timeoutMs = 120000;
};

inline Result q7320(const QStringList& args, const RunOptions& options = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : options.unset)
        env.remove(name);
    for (const QString& pair : options.set)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    if (!options.outputFile.isEmpty()) p.setStandardOutputFile(options.outputFile);
    if (options.inChild) p.setChildProcessModifier(options.inChild);
    p.start(QStringLiteral(Q7320_EXECUTABLE), args);
    Result r;
    if (!p.waitForStarted()) return r;
    if (!options.input.isEmpty()) p.write(options.input);
    p.closeWriteChannel();
    if (!p.waitForFinished(options.timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.outBytes = p.readAllStandardOutput();
    r.out = QString::fromLocal8Bit(r.outBytes);
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

inline QStringList lines(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A chart file of ten points, as the window's charts are configured.
inline bool writeSmallChartFile(const QString& fileName) {
    chart::Chart chart;
    TfrmGraph::ConfigureGraph(chart, 3, 10, 46000.0, 46000.01, 0, 10000, -50, 100);
    for (int i = 0; i < 10; ++i) {
        chart.setXData(-1, i, 46000.0 + i * 0.001);
        chart.setYData(0, i, 500 + 100 * i);
        chart.setYData(1, i, 40);
        chart.setYData(2, i, 20);
    }
    return GraphFile::write(fileName, chart.storeState()).isEmpty();
}
