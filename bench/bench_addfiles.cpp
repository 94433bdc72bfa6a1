// Adding many files at once: the probe runs once per file on the window's thread, so the
// whole call is how long the window stops responding. Usage: bench_addfiles <file>...
#include "platform/AppPaths.h"
#include "platform/Programs.h"
#include "playlist/Probe.h"
#include "ui/DRUI.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QStringList files;
    for (int i = 1; i < argc; ++i)
        files << QString::fromLocal8Bit(argv[i]);
    if (files.isEmpty())
        return 2;

    const QString probe = platform::ProbeProgram(platform::AppDataFolder());
    QList<double> each;
    for (const QString &file : std::as_const(files)) {
        QElapsedTimer clock;
        clock.start();
        ProbeLength(probe, file);
        each << clock.nsecsElapsed() / 1e6;
    }
    std::sort(each.begin(), each.end());
    std::printf("probe (%s) per file: median %.1f ms, min %.1f, max %.1f\n", qPrintable(probe),
                each[each.size() / 2], each.first(), each.last());

    DRUI window;
    window.InitWindow();
    QElapsedTimer clock;
    clock.start();
    window.PlayListAddFiles(files);
    const double whole = clock.nsecsElapsed() / 1e6;
    std::printf(
        "PlayListAddFiles with %lld files: %.0f ms (the window does not repaint meanwhile)\n",
        qlonglong(files.size()), whole);
    window.StopBtn();
    return 0;
}
