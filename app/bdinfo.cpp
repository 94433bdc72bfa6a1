// tavrell-bdinfo DIR: what the disc page offers for the Blu-ray folder DIR (the folder that
// holds BDMV), one item a line, in the disc page's order. Meant for bug reports and tests.
// A title MPlayer has no number for shows "br://-".
#include "player/Clock.h"
#include "sources/bluray/TitleDiscovery.h"

#include <QFileInfo>

#include <cstdio>

namespace {

// One item stays one line whatever bytes a disc or a file name carries.
QByteArray OneLine(QByteArray text) {
    for (char &c : text) {
        if ((uchar(c) < 0x20) || c == 0x7f)
            c = '?';
    }
    return text;
}

void Print(const QByteArray &line) {
    const QByteArray out = line + '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fputs("usage: tavrell-bdinfo DIR (the folder that holds BDMV)\n", stderr);
        return 2;
    }
    const QString disc = QString::fromLocal8Bit(argv[1]);
    const BlurayDiscovery discovery = DiscoverTitles(disc);
    if (discovery.Cut)
        std::fputs("tavrell-bdinfo: the playlists exceed what any disc holds; only the first "
                   "ones were read, their titles numbered by their count\n",
                   stderr);
    if (discovery.MainKey.isEmpty()) {
        std::fprintf(stderr, "tavrell-bdinfo: no Blu-ray title in %s\n",
                     OneLine(QByteArray(argv[1])).constData());
        return 1;
    }

    QMap<QString, const BlurayTitle *> byKey;
    for (const BlurayTitle &title : discovery.Titles)
        byKey.insert(title.Key, &title);

    int n = 1;
    for (const PLAY_LIST_INFO &info : discovery.TitleList) {
        const BlurayTitle *title = byKey.value(info.Path);
        Print("title " + QByteArray::number(n++) + ". " + info.Length.toLatin1() + ' ' +
              OneLine(QFileInfo(info.Path).fileName().toLocal8Bit()) + " br://" +
              (title->Addressable ? QByteArray::number(title->Number) : QByteArray("-")));
    }

    const MoviePlaylist &main = byKey.value(discovery.MainKey)->Playlist;
    n = 1;
    for (const int start : main.Chapters)
        Print("chapter " + QByteArray::number(n++) + ". " + FormatClock(start / 1000));
    n = 1;
    for (const StreamInfo &stream : main.AudioStreams)
        Print("audio " + QByteArray::number(n++) + ". " + OneLine(stream.DisplayName));
    n = 1;
    for (const StreamInfo &stream : main.SubtitleStreams)
        Print("subtitle " + QByteArray::number(n++) + ". " + OneLine(stream.DisplayName));
    return 0;
}
