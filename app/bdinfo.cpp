// tavrell-bdinfo DIR: what the disc page offers for the Blu-ray folder DIR (the folder that
// holds BDMV), one item a line, in the disc page's order. Meant for bug reports and tests.
// A title MPlayer has no number for shows "br://-".
#include "player/Clock.h"
#include "sources/bluray/TitleDiscovery.h"

#include <QFileInfo>

#include <cstdio>
#include <variant>

namespace {

const char *const kUsage = "Usage: tavrell-bdinfo [--] DIR (the folder that holds BDMV)\n";

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

// The folder argument, or the exit code when there is nothing to read: --help and --version
// answer on the standard output, a wrong option or count gets one line on the error output.
// "--" ends the options, so a folder whose name starts with "-" can still be given.
std::variant<const char *, int> FolderArgument(int argc, char **argv) {
    const char *folder = nullptr;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (!optionsEnd && arg == "--") {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && arg.size() > 1 && arg.startsWith('-')) {
            if (arg == "--help" || arg == "-h") {
                std::fputs(kUsage, stdout);
                std::fputs("Lists what the disc page offers for the Blu-ray folder DIR: the "
                           "titles, then the main\ntitle's chapters, audio and subtitle "
                           "streams, one item a line.\n\n"
                           "  -h, --help     show this text and exit\n"
                           "      --version  show the version and exit\n",
                           stdout);
                return 0;
            }
            if (arg == "--version") {
                std::fputs("tavrell-bdinfo " TAVRELL_PROGRAM_VERSION "\n", stdout);
                return 0;
            }
            std::fprintf(stderr, "tavrell-bdinfo: unknown option '%s' (try --help)\n",
                         OneLine(arg).constData());
            return 2;
        }
        if (folder) {
            std::fputs("tavrell-bdinfo: one folder only (try --help)\n", stderr);
            return 2;
        }
        folder = argv[i];
    }
    if (!folder) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return folder;
}

} // namespace

int main(int argc, char **argv) {
    const std::variant<const char *, int> argument = FolderArgument(argc, argv);
    if (const int *code = std::get_if<int>(&argument))
        return *code;
    const char *folder = std::get<const char *>(argument);
    const QString disc = QString::fromLocal8Bit(folder);
    const BlurayDiscovery discovery = DiscoverTitles(disc);
    if (discovery.Cut)
        std::fputs("tavrell-bdinfo: the playlists exceed what any disc holds; only the first "
                   "ones were read, their titles numbered by their count\n",
                   stderr);
    if (discovery.MainKey.isEmpty()) {
        std::fprintf(stderr, "tavrell-bdinfo: no Blu-ray title in %s\n",
                     OneLine(QByteArray(folder)).constData());
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
