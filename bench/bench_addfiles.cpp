// Adding many files at once: the whole PlayListAddFiles call beside the sum of the same probe
// runs one after another, and the longest the window's event loop went unserved meanwhile
// (a 10 ms timer's longest gap).
// Usage: bench_addfiles <runs> <file>...   (under X or offscreen)
// Prints "FIGURE <name> <value>..." lines for bench/compare.sh.
#include "BenchSupport.h"
#include "platform/AppPaths.h"
#include "platform/Programs.h"
#include "playlist/Probe.h"
#include "ui/DRUI.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const int runs = QByteArray(argv[1]).toInt();
    QStringList files;
    for (int i = 2; i < argc; ++i)
        files << QString::fromLocal8Bit(argv[i]);

    DRUI window;
    window.InitWindow();
    window.show();
    const QString probe = platform::ProbeProgram(platform::AppDataFolder());
    QList<double> oneByOne, added, longestGap;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        for (const QString &file : std::as_const(files))
            ProbeLength(probe, file);
        oneByOne << clock.nsecsElapsed() / 1e6;

        QElapsedTimer sinceTick;
        qint64 gap = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { gap = qMax(gap, sinceTick.restart()); });
        ticker.start(10);
        sinceTick.start();
        clock.restart();
        window.PlayListAddFiles(files);
        added << clock.nsecsElapsed() / 1e6;
        gap = qMax(gap, sinceTick.elapsed());
        ticker.stop();
        longestGap << double(gap);
        window.StopBtn();
        if (window.PlayerProcess)
            window.PlayerProcess->waitForFinished(5000);
    }
    PrintFigure("probes_one_by_one_ms", oneByOne);
    PrintFigure("addfiles_ms", added);
    PrintFigure("addfiles_longest_gap_ms", longestGap);
    return 0;
}
