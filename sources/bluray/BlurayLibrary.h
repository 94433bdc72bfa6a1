#pragma once

#include <QMap>
#include <QString>

// The one place that talks to libbluray: for the disc folder (the one holding BDMV), the
// 1-based index MPlayer's "br://N" uses, keyed by "%05u.mpls" of libbluray's playlist number
// (libbluray numbers a file by atoi of its name). A number listed at more than one index names
// no single file and is left out. Empty when libbluray cannot open the folder. libbluray's
// own complaints are silenced.
QMap<QString, int> RelevantTitleIndexByPlaylist(const QString &discPath);
