#pragma once

#include "playlist/PlayListInfo.h"
#include "sources/bluray/MoviePlaylist.h"

#include <QList>
#include <QMap>
#include <QString>

// One distinct title of a disc, keyed by the full path of its playlist file.
struct BlurayTitle {
    QString Key;
    int Number = 0; // what "br://N" must carry to play this playlist
    // False when libbluray read the disc and lists no title for this playlist (repeated clips,
    // a structural copy, a name it does not number so): MPlayer has no number for it, and
    // Number, the counter, would play another playlist.
    bool Addressable = true;
    MoviePlaylist Playlist;
    QString Length; // FormatClock of the sum of whole seconds per item
};

struct BlurayDiscovery {
    QList<BlurayTitle> Titles;       // listing order
    QList<PLAY_LIST_INFO> TitleList; // longest first (text order of Length)
    QString MainKey;                 // empty when the disc has no title
    // Reading stopped at a bound no real disc reaches (MaxPlaylistFiles, the parser's
    // ReadBudget): the titles are those of the files read before it, numbered by the counter.
    bool Cut = false;
};

// Real discs number their playlists 00000 to 01999 at most; more files than that in PLAYLIST
// are not read, in listing order.
constexpr qsizetype MaxPlaylistFiles = 2000;

// Reads every playlist of discPath + "/BDMV/PLAYLIST". When useLibbluray is true, a title's
// Number is libbluray's 1-based index of its playlist where libbluray lists it (that is the
// number MPlayer understands), else the counter; a playlist libbluray leaves out of the list it
// made is not Addressable.
BlurayDiscovery DiscoverTitles(const QString &discPath, bool useLibbluray = true);
