#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct FolderEntry {
    int IsDirectory = 0; // 1 when the full path names a directory (links followed)
    quint64 Size = 0;
    QByteArray FullPath; // folder + "/" + name, local 8-bit encoding
};

// Appends the folder's entries in the order the file system returns them, skipping names that
// begin with "."; false (nothing appended) when the folder cannot be listed. With a limit, at
// most that many are appended, and `cut` tells whether more were left.
bool ListFolder(const QString &folder, QList<FolderEntry> &entries, qsizetype limit = -1,
                bool *cut = nullptr);

enum class FolderKind { Refused, Dvd, Bluray };

// Blu-ray first ("BDMV" under the folder, confirmed by a subfolder whose path contains "STREAM"),
// then DVD ("VIDEO_TS", confirmed by a subfolder whose path contains "VIDEO_TS").
FolderKind ClassifyFolder(const QString &path);
