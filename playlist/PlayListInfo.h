#pragma once

#include "player/Kinds.h"

#include <QMetaType>
#include <QString>

// One playlist entry; also the payload of Blu-ray title menu entries.
struct PLAY_LIST_INFO {
    MediaKind Kind = MediaKind::File;
    qint64 Reserved = 0; // always 0
    QString Path;
    QString Length; // "HH:MM:SS", may be empty
};

Q_DECLARE_METATYPE(PLAY_LIST_INFO)

// Registers the type under the name "PLAY_LIST_INFO"; safe to call more than once.
void RegisterPlayListInfo();

// The table text of an entry: four blanks and the file name part, or the whole path when it
// has four characters or fewer.
QString PlayListRowText(const QString &path);
