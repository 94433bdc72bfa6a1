// Times VideoPlay to the player's first "VIDEO: " line and first position answer, and the
// front end's CPU use beside the player's while a clip plays out.
// Usage: bench_playback <clip> <runs>   (under X: the player needs a window id)
#include "ui/DRUI.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QStackedLayout>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double Median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ProcessCpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// Spins the event loop until done() or timeoutMs; polls every millisecond.
template <typename F> bool WaitFor(F done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        usleep(500);
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_playback <clip> <runs>\n");
        return 2;
    }
    const QString clip = QString::fromLocal8Bit(argv[1]);
    const int runs = QByteArray(argv[2]).toInt();
    DRUI window;
    window.InitWindow();
    window.show();
    WaitFor([] { return false; }, 300);

    QList<double> toVideo, toPosition;
    for (int i = 0; i < runs; ++i) {
        window.AudioTrackMenu->clear();
        window.CurrentPath.clear();
        window.PlayPath = clip;
        window.SourceKind = 0;
        window.MediaDuration = 10;
        QElapsedTimer clock;
        clock.start();
        window.VideoPlay();
        // The audio track menu is rebuilt when the "VIDEO: " line arrives.
        if (!WaitFor([&] { return !window.AudioTrackMenu->actions().isEmpty(); }, 10000))
            return 1;
        toVideo << clock.nsecsElapsed() / 1e6;
        if (!WaitFor([&] { return window.PositionAnswerCount > 0; }, 10000))
            return 1;
        toPosition << clock.nsecsElapsed() / 1e6;
        window.StopBtn();
        WaitFor([&] { return window.PlayerProcess->state() == QProcess::NotRunning; }, 5000);
    }
    std::printf("front end: VideoPlay -> first VIDEO line: median %.1f ms; -> first position "
                "answer: median %.1f ms (%d runs)\n",
                Median(toVideo), Median(toPosition), runs);

    // One whole playback for the CPU figures.
    window.CurrentPath.clear();
    window.PlayPath = clip;
    const double ownBefore = OwnCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    window.VideoPlay();
    const qint64 pid = window.PlayerProcess->processId();
    double playerCpu = 0;
    // Sampled gently so the figure is the front end's, not this loop's.
    QEventLoop loop;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &loop, [&] {
        const double now = ProcessCpuSeconds(pid);
        if (now >= 0)
            playerCpu = now;
        if (window.PageStack->currentIndex() == 0)
            loop.quit();
    });
    sampler.start(200);
    loop.exec();
    const double seconds = wall.nsecsElapsed() / 1e9;
    const double own = OwnCpuSeconds() - ownBefore;
    std::printf(
        "while playing %.1f s: front end CPU %.2f s (%.1f %%), player CPU %.2f s (%.1f %%)\n",
        seconds, own, 100 * own / seconds, playerCpu, 100 * playerCpu / seconds);
    return 0;
}
