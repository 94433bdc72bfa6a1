// Writes the playable test disc into a folder, for manual checks and benchmarks:
//   make_bd_fixture DIR [CLIP_SECONDS [START_SECONDS]]
#include "BdTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    QTextStream out(stdout);
    if (args.size() < 2) {
        err << "usage: make_bd_fixture DIR [CLIP_SECONDS [START_SECONDS]]\n";
        return 2;
    }
    const QString dir = QDir(args[1]).absolutePath();
    if (!QDir().mkpath(dir) || !QDir(dir).isEmpty()) {
        err << dir << ": not an empty folder\n";
        return 1;
    }
    bdfixture::PlayableOptions options;
    if (args.size() > 2)
        options.ClipSeconds = qBound(2, args[2].toInt(), 12);
    if (args.size() > 3)
        options.StartSeconds = qBound(0, args[3].toInt(), 3600);
    bdfixture::PlayableDisc disc;
    QString error;
    if (!bdfixture::BuildPlayableDisc(dir, &disc, options, &error)) {
        err << error << "\n";
        return 1;
    }
    for (const auto &t : disc.Titles) {
        out << t.Playlist << " " << t.DurationMs << " ms, clips";
        for (int c : t.ClipIndexes)
            out << " " << disc.Clips[c].Name;
        out << ", chapters";
        for (quint32 ms : t.ChapterMs)
            out << " " << ms;
        out << "\n";
    }
    return 0;
}
