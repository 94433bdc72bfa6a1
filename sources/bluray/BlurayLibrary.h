#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>

// The one place that talks to libbluray: for the disc folder (the one holding BDMV), the
// 1-based index MPlayer's "br://N" uses, keyed by "%05u.mpls" of libbluray's playlist number
// (libbluray numbers a file by atoi of its name). A number listed at more than one index names
// no single file and is left out. Empty when libbluray cannot open the folder, or when it would
// have to read a file that is not a regular one or more than any real disc holds. libbluray's
// own complaints are silenced. `known` holds files already read, by their path in the disc
// folder ("BDMV/PLAYLIST/00001.mpls"): libbluray gets those bytes instead of reading again.
// `listed` (when given) tells whether libbluray read the disc and made its list: only then
// does a playlist missing from the result have no number MPlayer plays.
QMap<QString, int> RelevantTitleIndexByPlaylist(const QString &discPath,
                                                const QHash<QByteArray, QByteArray> &known = {},
                                                bool *listed = nullptr);
