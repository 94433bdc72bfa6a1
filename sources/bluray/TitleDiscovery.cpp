#include "sources/bluray/TitleDiscovery.h"

#include "player/Clock.h"
#include "sources/FolderSource.h"
#include "sources/bluray/BlurayLibrary.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

qint64 WholeSeconds(const MoviePlaylist &playlist) {
    qint64 total = 0;
    for (const PlayItem &item : playlist.PlayItems)
        total += item.DurationMs / 1000; // each item on its own, truncating
    return total;
}

} // namespace

BlurayDiscovery DiscoverTitles(const QString &discPath, bool useLibbluray) {
    BlurayDiscovery discovery;
    QList<FolderEntry> entries;
    ListFolder(discPath + QLatin1String("/BDMV/") + QLatin1String("PLAYLIST"), entries,
               MaxPlaylistFiles, &discovery.Cut);

    MoviePlaylistParser parser; // one read buffer for the whole disc
    QSet<QString> seenDigests;
    // What was read is handed to libbluray, which reads every playlist twice otherwise.
    QHash<QByteArray, QByteArray> read;
    const qsizetype folderLength = entries.isEmpty() ? 0 : entries[0].FullPath.lastIndexOf('/') + 1;
    int counter = 1;
    for (const FolderEntry &entry : entries) {
        if (entry.IsDirectory)
            continue;
        const QString key = QString::fromLocal8Bit(entry.FullPath);
        BlurayTitle title;
        if (parser.ParseMoviePlaylist(key, title.Playlist) == MplsOverBudget) {
            discovery.Cut = true;
            break;
        }
        if (const QByteArray bytes = parser.LastFile(); !bytes.isNull())
            read.insert("BDMV/PLAYLIST/" + entry.FullPath.mid(folderLength), bytes);
        if (title.Playlist.PlayItems.isEmpty())
            continue;
        // A byte copy of an earlier playlist is no title of its own but uses up a number.
        // The bytes just parsed are the file's when it fitted: no second read for the digest.
        QString digest = parser.LastDigest();
        if (digest.isNull())
            digest = PlaylistDigest(key);
        if (seenDigests.contains(digest)) {
            ++counter;
            continue;
        }
        seenDigests.insert(digest);
        title.Key = key;
        title.Number = counter++;
        title.Length = QString::fromLatin1(FormatClock(WholeSeconds(title.Playlist)));
        discovery.Titles.append(title);
    }

    if (useLibbluray && !discovery.Cut && !discovery.Titles.isEmpty()) {
        // MPlayer's "br://N" is libbluray's index; the counter drifts from it on discs with
        // copied or repeated-clip playlists. Only a file libbluray names exactly ("%05d.mpls"
        // of its playlist number) is trusted; any other keeps the counter. A cut reading is
        // not given to libbluray: it would read the whole folder, and more slowly.
        bool listed = false;
        const QMap<QString, int> indexes = RelevantTitleIndexByPlaylist(discPath, read, &listed);
        for (BlurayTitle &title : discovery.Titles) {
            const auto found = indexes.constFind(QFileInfo(title.Key).fileName());
            if (found != indexes.cend())
                title.Number = found.value();
            else
                title.Addressable = !listed;
        }
    }

    for (const BlurayTitle &title : std::as_const(discovery.Titles)) {
        PLAY_LIST_INFO info;
        info.Path = title.Key;
        info.Length = title.Length;
        discovery.TitleList.append(info);
    }
    // Longest first by the text of the length, so "100:00:00" sorts after "99:00:00".
    std::stable_sort(
        discovery.TitleList.begin(), discovery.TitleList.end(),
        [](const PLAY_LIST_INFO &a, const PLAY_LIST_INFO &b) { return a.Length > b.Length; });
    if (!discovery.TitleList.isEmpty())
        discovery.MainKey = discovery.TitleList.first().Path;
    return discovery;
}
