// Title discovery on a large disc: our reader beside libbluray's title list of the same tree.
// Usage: bench_discovery REAL_DISCS [RUNS] [KEEP_DIR]
//   REAL_DISCS: the folder of real disc metadata (tests/data/bluray); its playlists are
//   copied and varied into 1,000 playlists over the merged clip info of all discs.
#include "sources/bluray/BlurayLibrary.h"
#include "sources/bluray/TitleDiscovery.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <libbluray/bluray.h>
#include <libbluray/log_control.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Playlists = 1000;

quint32 U32(const QByteArray &b, qsizetype at) {
    return (quint32(uchar(b[at])) << 24) | (quint32(uchar(b[at + 1])) << 16) |
           (quint32(uchar(b[at + 2])) << 8) | quint32(uchar(b[at + 3]));
}
quint16 U16(const QByteArray &b, qsizetype at) {
    return quint16((uchar(b[at]) << 8) | uchar(b[at + 1]));
}
void PutU32(QByteArray &b, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (24 - 8 * i));
}

// Renumbers the clips of a real playlist into the merged clip folder and stretches its first
// item by `extraTicks`, so every variant is a playlist of its own for both readers.
bool Vary(QByteArray &bytes, int clipBase, quint32 extraTicks) {
    if (bytes.size() < 20)
        return false;
    const qsizetype list = U32(bytes, 8);
    if (list + 10 > bytes.size())
        return false;
    const int items = U16(bytes, list + 6);
    // Sub-paths name clips of their own; drop them rather than renumber them too.
    bytes[list + 8] = 0;
    bytes[list + 9] = 0;
    qsizetype item = list + 10;
    for (int i = 0; i < items; ++i) {
        if (item + 22 > bytes.size())
            return false;
        const int clip = bytes.mid(item + 2, 5).toInt() + clipBase;
        bytes.replace(item + 2, 5, QByteArray::number(clip).rightJustified(5, '0'));
        if (i == 0)
            PutU32(bytes, item + 18, U32(bytes, item + 18) + extraTicks);
        item += 2 + U16(bytes, item);
    }
    return true;
}

QString ClipPath(const QString &bdmv, int number) {
    return bdmv + QStringLiteral("CLIPINF/%1.clpi").arg(number, 5, 10, QLatin1Char('0'));
}

bool Copy(const QString &from, const QString &to) {
    QFile::remove(to);
    return QFile::copy(from, to);
}

// Returns false when the real discs are not where they should be.
bool BuildTree(const QString &realDiscs, const QString &disc) {
    const QString bdmv = disc + QLatin1String("/BDMV/");
    for (const char *sub : {"PLAYLIST", "CLIPINF", "STREAM", "AUXDATA", "BDJO", "JAR"})
        QDir().mkpath(bdmv + QLatin1String(sub));
    QList<QByteArray> sources;
    const QStringList discs = QDir(realDiscs).entryList({QStringLiteral("disc*")}, QDir::Dirs);
    for (int d = 0; d < discs.size(); ++d) {
        const QString real = realDiscs + QLatin1Char('/') + discs[d] + QLatin1String("/BDMV/");
        const int clipBase = 1000 * (d + 1);
        for (const QString &clip : QDir(real + QLatin1String("CLIPINF")).entryList(QDir::Files)) {
            const int number = clip.left(5).toInt() + clipBase;
            if (!Copy(real + QLatin1String("CLIPINF/") + clip, ClipPath(bdmv, number)))
                return false;
        }
        for (const QString &name : QDir(real + QLatin1String("PLAYLIST")).entryList(QDir::Files)) {
            QFile file(real + QLatin1String("PLAYLIST/") + name);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            QByteArray bytes = file.readAll();
            if (Vary(bytes, clipBase, 0))
                sources.append(bytes);
        }
        if (d == 0) {
            Copy(real + QLatin1String("index.bdmv"), bdmv + QLatin1String("index.bdmv"));
            Copy(real + QLatin1String("MovieObject.bdmv"),
                 bdmv + QLatin1String("MovieObject.bdmv"));
        }
    }
    if (sources.isEmpty())
        return false;
    for (int i = 0; i < Playlists; ++i) {
        QByteArray bytes = sources[i % sources.size()];
        // Every 50th is a byte copy of the one before (the digest path); the rest are variants.
        if (i % 50 != 49)
            Vary(bytes, 0, quint32(45 * (i + 1)));
        else
            bytes = sources[(i - 1) % sources.size()];
        QFile out(bdmv + QStringLiteral("PLAYLIST/%1.mpls").arg(i, 5, 10, QLatin1Char('0')));
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

double Median(QList<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Runs the jobs in turn, `runs` rounds, so a change of machine load hits them alike.
QList<double> TimeInTurn(int runs, const QList<std::function<int()>> &jobs, QList<int> &results,
                         QList<QList<double>> &times) {
    times = QList<QList<double>>(jobs.size());
    results = QList<int>(jobs.size());
    QList<double> medians;
    for (int r = 0; r < runs; ++r) {
        for (int j = 0; j < jobs.size(); ++j) {
            QElapsedTimer clock;
            clock.start();
            results[j] = jobs[j]();
            times[j].append(clock.nsecsElapsed() / 1e6);
        }
    }
    for (const QList<double> &each : times)
        medians.append(Median(each));
    return medians;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fputs("usage: bench_discovery REAL_DISCS [RUNS] [KEEP_DIR]\n", stderr);
        return 2;
    }
    const QString realDiscs = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? qBound(1, atoi(argv[2]), 1000) : 15;
    QTemporaryDir tmp;
    const QString disc = argc > 3 ? QString::fromLocal8Bit(argv[3]) : tmp.path();
    if (!BuildTree(realDiscs, disc)) {
        std::fprintf(stderr, "cannot build the tree from %s\n", argv[1]);
        return 1;
    }
    bd_set_debug_mask(0);

    const QList<std::function<int()>> jobs = {
        [&] { return int(DiscoverTitles(disc, false).Titles.size()); },
        [&] {
            BLURAY *bd = bd_open(disc.toLocal8Bit().constData(), nullptr);
            if (bd == nullptr)
                return -1;
            const int count = int(bd_get_titles(bd, TITLES_RELEVANT, 0));
            bd_close(bd);
            return count;
        },
        [&] { return int(DiscoverTitles(disc, true).Titles.size()); },
    };
    QList<int> results;
    QList<QList<double>> times;
    const QList<double> ms = TimeInTurn(runs, jobs, results, times);
    QList<double> ratios;
    for (int r = 0; r < runs; ++r)
        ratios.append(times[0][r] / times[1][r]);

    std::printf("tree: %d playlists, %d rounds (medians)\n", Playlists, runs);
    std::printf("DiscoverTitles (own reader only):    %8.1f ms, %d titles\n", ms[0], results[0]);
    std::printf("libbluray bd_open+bd_get_titles:     %8.1f ms, %d titles\n", ms[1], results[1]);
    std::printf("ratio own / libbluray:               %8.2f (median of per-round ratios %.2f)\n",
                ms[0] / ms[1], Median(ratios));
    std::printf("DiscoverTitles with libbluray index: %8.1f ms, %d titles\n", ms[2], results[2]);
    return 0;
}
