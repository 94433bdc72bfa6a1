// The playback path, side by side with the bare player:
//   - from the user's Open (files chosen, PlayListAddFiles) to the first frame on the screen,
//     beside one probe run and the bare mplayer started with the same arguments into a window
//     of the same size;
//   - the CPU of the front end and of its player over a whole clip, beside the bare player's.
// A frame counts as drawn when the lime square in the middle of the clip is on the screen
// (read back from the X server by a thread of its own, every millisecond).
// Usage: bench_playback <clip with a lime centre> <runs>   (under X)
// Prints "FIGURE <name> <value>..." lines for bench/compare.sh and one "VO <line>" line.
#include "BenchSupport.h"
#include "platform/AppPaths.h"
#include "platform/Programs.h"
#include "player/PlayerArgs.h"
#include "playlist/Probe.h"
#include "ui/DRUI.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QStackedLayout>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

double MsSince(SteadyClock::time_point start, SteadyClock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
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

bool IsLime(unsigned long pixel) {
    const unsigned long red = (pixel >> 16) & 0xff, green = (pixel >> 8) & 0xff,
                        blue = pixel & 0xff;
    return green > 180 && red < 100 && blue < 100;
}

// Watches one screen point from a thread with its own X connection.
class FrameWatcher {
public:
    ~FrameWatcher() { Stop(); }

    void Start(QPoint point) {
        Stop();
        seen = false;
        running = true;
        worker = std::thread([this, point] {
            Display *display = XOpenDisplay(nullptr);
            if (!display)
                return;
            const Window root = DefaultRootWindow(display);
            while (running) {
                if (XImage *image =
                        XGetImage(display, root, point.x(), point.y(), 1, 1, AllPlanes, ZPixmap)) {
                    const bool lime = IsLime(XGetPixel(image, 0, 0));
                    XDestroyImage(image);
                    if (lime) {
                        seenAt = SteadyClock::now();
                        seen = true;
                        break;
                    }
                }
                usleep(1000);
            }
            XCloseDisplay(display);
        });
    }
    void Stop() {
        running = false;
        if (worker.joinable())
            worker.join();
    }
    bool Seen() const { return seen; }
    SteadyClock::time_point SeenAt() const { return seenAt; }

private:
    std::thread worker;
    std::atomic<bool> running{false};
    std::atomic<bool> seen{false};
    SteadyClock::time_point seenAt;
};

// The bare player's request: the clip, as a file, into the host window.
PlayerLaunch BareLaunch(const QString &clip, QWidget &host) {
    PlayerLaunch launch;
    launch.PlayPath = clip;
    launch.SourceKind = MediaKind::File;
    launch.WindowId = quint64(host.winId());
    launch.AppDataFolder = platform::AppDataFolder();
    return launch;
}

bool LimeOnScreen(QPoint point) {
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    bool lime = false;
    if (XImage *image = XGetImage(display, DefaultRootWindow(display), point.x(), point.y(), 1, 1,
                                  AllPlanes, ZPixmap)) {
        lime = IsLime(XGetPixel(image, 0, 0));
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return lime;
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
    window.setGeometry(40, 40, 1000, 680);
    window.show();
    // Where the video goes: the label's place on the screen while the video page shows.
    window.PageStack->setCurrentIndex(PageIndex(Page::Video));
    WaitFor([] { return false; }, 500);
    const QRect videoRect(window.VideoLabel->mapToGlobal(QPoint(0, 0)), window.VideoLabel->size());
    window.PageStack->setCurrentIndex(PageIndex(Page::Start));
    const QPoint centre = videoRect.center();

    QWidget bareHost;
    bareHost.setWindowFlags(Qt::FramelessWindowHint);
    bareHost.setAttribute(Qt::WA_NativeWindow);
    bareHost.setStyleSheet(QStringLiteral("background:black"));
    bareHost.setGeometry(videoRect);

    const QString probe = platform::ProbeProgram(platform::AppDataFolder());
    FrameWatcher watcher;
    QList<double> openToFrame, probeRun, bareToFrame;
    QByteArray voLine;
    for (int i = 0; i < runs; ++i) {
        // The front end: Open with one file chosen.
        if (!WaitFor([&] { return !LimeOnScreen(centre); }, 10000)) {
            std::fprintf(stderr, "bench_playback: timed out (line %d)\n", __LINE__);
            return 1;
        }
        window.CurrentPath.clear();
        watcher.Start(centre);
        const SteadyClock::time_point open = SteadyClock::now();
        window.PlayListAddFiles({clip});
        if (!WaitFor([&] { return watcher.Seen(); }, 20000)) {
            std::fprintf(stderr, "bench_playback: timed out (line %d) at %d,%d %dx%d\n", __LINE__,
                         centre.x(), centre.y(), videoRect.width(), videoRect.height());
            return 1;
        }
        openToFrame << MsSince(open, watcher.SeenAt());
        window.StopBtn();
        WaitFor([&] { return !window.PlayerProcess; }, 5000);

        // One probe run on its own.
        const SteadyClock::time_point probeStart = SteadyClock::now();
        ProbeLength(probe, clip);
        probeRun << MsSince(probeStart, SteadyClock::now());

        // The bare player with the same arguments, into a window of the label's size.
        bareHost.show();
        if (!WaitFor([&] { return bareHost.isVisible() && !LimeOnScreen(centre); }, 10000)) {
            std::fprintf(stderr, "bench_playback: timed out (line %d)\n", __LINE__);
            return 1;
        }
        WaitFor([] { return false; }, 50);
        const PlayerLaunch launch = BareLaunch(clip, bareHost);
        QProcess bare;
        bare.setStandardErrorFile(QProcess::nullDevice());
        watcher.Start(centre);
        const SteadyClock::time_point start = SteadyClock::now();
        bare.start(platform::PlayerProgram(), BuildPlayerArguments(launch));
        bare.write("volume 50 2\n");
        if (!WaitFor([&] { return watcher.Seen(); }, 20000)) {
            std::fprintf(stderr, "bench_playback: timed out (line %d)\n", __LINE__);
            return 1;
        }
        bareToFrame << MsSince(start, watcher.SeenAt());
        bare.write("q\n");
        bare.waitForFinished(5000);
        if (voLine.isEmpty()) {
            for (const QByteArray &line : bare.readAllStandardOutput().split('\n'))
                if (line.startsWith("VO: "))
                    voLine = line.trimmed();
        }
        bareHost.hide();
        WaitFor([] { return false; }, 50);
    }
    watcher.Stop();
    PrintFigure("open_to_frame_ms", openToFrame);
    PrintFigure("probe_ms", probeRun);
    PrintFigure("bare_to_frame_ms", bareToFrame);
    std::printf("VO %s\n", voLine.isEmpty() ? "(none)" : voLine.constData());
    std::fflush(stdout);

    // One whole playback by the front end for the CPU figures.
    window.CurrentPath.clear();
    window.PlayPath = clip;
    window.SourceKind = MediaKind::File;
    const double ownBefore = OwnCpuSeconds();
    window.VideoPlay();
    const qint64 pid = window.PlayerProcess->processId();
    double playerCpu = 0;
    // Sampled gently so the figure is the front end's, not this loop's.
    {
        QEventLoop loop;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, &loop, [&] {
            const double now = ProcessCpuSeconds(pid);
            if (now >= 0)
                playerCpu = now;
            if (window.PageStack->currentIndex() == PageIndex(Page::Start))
                loop.quit();
        });
        sampler.start(100);
        loop.exec();
    }
    PrintFigure("frontend_cpu_s", {OwnCpuSeconds() - ownBefore});
    PrintFigure("player_cpu_s", {playerCpu});

    // The same clip by the bare player.
    bareHost.show();
    WaitFor([] { return false; }, 200);
    const PlayerLaunch launch = BareLaunch(clip, bareHost);
    QProcess bare;
    bare.setStandardErrorFile(QProcess::nullDevice());
    bare.setStandardOutputFile(QProcess::nullDevice());
    bare.start(platform::PlayerProgram(), BuildPlayerArguments(launch));
    double bareCpu = 0;
    {
        QEventLoop loop;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, &loop, [&] {
            const double now = ProcessCpuSeconds(bare.processId());
            if (now >= 0)
                bareCpu = now;
            if (bare.state() == QProcess::NotRunning)
                loop.quit();
        });
        sampler.start(100);
        loop.exec();
    }
    PrintFigure("bare_player_cpu_s", {bareCpu});
    return 0;
}
