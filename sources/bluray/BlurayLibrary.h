#pragma once

#include <QMap>
#include <QString>

// The one place that talks to libbluray: for the disc folder (the one holding BDMV), the
// 1-based index MPlayer's "br://N" uses, keyed by playlist file name ("00001.mpls").
// Empty when libbluray cannot open the folder. libbluray's own complaints are silenced.
QMap<QString, int> RelevantTitleIndexByPlaylist(const QString &discPath);
