// Hostile player output and probes: memory and freezes of the window.
// Usage (under X, with the scripted fake player copied beside this program as "Player"):
//   bench_hostile flood <bytes>      a player writing <bytes> without a line end, then ending
//   bench_hostile streams <count>    <count> audio announcements, then "VIDEO: "
//   bench_hostile probe <probe>      ProbeLength on a probe program (set its environment)
//   bench_hostile disc <folder>      Open Disc on a Blu-ray folder
//   bench_hostile data <folder>      start-up and Preferences with <folder> as XDG_DATA_HOME
//                                    (RecentConfig.txt, OutputPath.txt in its product folder)
// Prints one line of figures: peak and final resident memory, longest event-loop freeze.
#include "BenchSupport.h"
#include "FreezeMeter.h"
#include "playlist/Probe.h"
#include "snapshot/CProcessUI.h"
#include "ui/DRUI.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QStackedLayout>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

// "VmHWM" (peak) or "VmRSS" (now) of this process, in MiB.
double MemoryMiB(const char *key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

bool WriteFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_hostile flood|streams|probe|disc|data <value>\n");
        return 2;
    }
    const QByteArray mode(argv[1]);
    const QByteArray value(argv[2]);
    if (mode == "data")
        qputenv("XDG_DATA_HOME", value);
    QApplication app(argc, argv);
    QTemporaryDir work;
    const QString media = work.filePath(QStringLiteral("clip.mp4"));
    WriteFile(media, "x");

    if (mode == "probe") {
        QElapsedTimer clock;
        clock.start();
        const QString length = ProbeLength(QString::fromLocal8Bit(value), media);
        std::printf("probe: returned after %lld ms with \"%s\"; peak %.0f MiB, now %.0f MiB\n",
                    clock.elapsed(), qPrintable(length), MemoryMiB("VmHWM"), MemoryMiB("VmRSS"));
        return 0;
    }

    if (mode == "disc" || mode == "data") {
        // The clock's timer runs from the start: a window that does not paint shows as a freeze.
        FreezeMeter meter;
        QElapsedTimer clock;
        clock.start();
        DRUI window;
        window.InitWindow();
        window.show();
        WaitFor([] { return false; }, 300);
        const qint64 shown = clock.elapsed();
        if (mode == "disc") {
            FreezeMeter opening; // the freeze of the opening alone
            clock.restart();
            window.OpenFolderSource(QString::fromLocal8Bit(value));
            const qint64 opened = clock.elapsed();
            WaitFor([] { return false; }, 300);
            std::printf("disc %s: opened in %lld ms, %lld titles, page %d; longest freeze %lld ms; "
                        "peak %.0f MiB, now %.0f MiB\n",
                        value.constData(), opened, qint64(window.TitleMenu->actions().size()),
                        window.PageStack->currentIndex(), opening.Longest(), MemoryMiB("VmHWM"),
                        MemoryMiB("VmRSS"));
        } else {
            clock.restart();
            auto *dialog = new CProcessUI;
            dialog->BuildDialog();
            dialog->show();
            WaitFor([] { return false; }, 300);
            std::printf("data %s: window shown after %lld ms, %lld recent entries; Preferences "
                        "built in %lld ms; longest freeze %lld ms; peak %.0f MiB\n",
                        value.constData(), shown, qint64(window.RecentFilesMenu->actions().size()),
                        clock.elapsed() - 300, meter.Longest(), MemoryMiB("VmHWM"));
            delete dialog;
        }
        return 0;
    }

    const QString script = work.filePath(QStringLiteral("steps.txt"));
    if (mode == "flood")
        WriteFile(script, "banner\nflood " + value + "\nout \neof\n");
    else
        WriteFile(script, "out Playing clip.mp4.\nrepeat " + value +
                              " [lavf] stream 1: audio (aac), -aid 0, -alang und\n"
                              "out VIDEO:  [H264]  320x240  24bpp  25.000 fps\nsleep 600000\n");
    qputenv("FAKE_PLAYER_SCRIPT", QFile::encodeName(script));

    DRUI window;
    window.InitWindow();
    window.show();
    WaitFor([] { return false; }, 300);
    const double before = MemoryMiB("VmRSS");
    FreezeMeter meter;
    QElapsedTimer clock;
    clock.start();
    window.PlayPath = media;
    window.SourceKind = MediaKind::File;
    window.MediaDuration = 10;
    window.VideoPlay();
    if (mode == "flood") {
        const bool ended = WaitFor([&] { return window.PageStack->currentIndex() == 0; }, 600000);
        const qint64 ms = clock.elapsed();
        WaitFor([] { return false; }, 500);
        std::printf("flood %s bytes: %s after %lld ms (%.1f MB/s); RSS before %.0f MiB, peak "
                    "%.0f MiB, after the end %.0f MiB; longest freeze %lld ms\n",
                    value.constData(), ended ? "ended" : "NOT ended", ms,
                    value.toDouble() / 1e6 / (ms / 1000.0), before, MemoryMiB("VmHWM"),
                    MemoryMiB("VmRSS"), meter.Longest());
    } else {
        const bool built =
            WaitFor([&] { return !window.AudioTrackMenu->actions().isEmpty(); }, 600000);
        const qint64 ms = clock.elapsed();
        std::printf("streams %s: menu %s after %lld ms with %lld entries; longest freeze %lld "
                    "ms; peak %.0f MiB\n",
                    value.constData(), built ? "built" : "NOT built", ms,
                    qint64(window.AudioTrackMenu->actions().size()), meter.Longest(),
                    MemoryMiB("VmHWM"));
    }
    window.StopBtn();
    return 0;
}
