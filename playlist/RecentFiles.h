#pragma once

#include <QString>
#include <QStringList>

// The last played paths, most recent first, kept in appDataFolder + "RecentConfig.txt".
namespace recent {

constexpr int MaxEntries = 10;

// Reading limits: a damaged file is read no further than this. Lines longer than a path can
// be are skipped.
constexpr qint64 MaxReadBytes = 1024 * 1024;
constexpr qsizetype MaxReadEntries = 1000;
constexpr qsizetype MaxLineBytes = 4096;

QString FilePath(const QString &appDataFolder);

// Inserts path at the front unless it is already listed (then nothing changes, not even its
// place); drops the last entry beyond MaxEntries. True when the list changed.
bool Insert(QStringList &paths, const QString &path);

QStringList Load(const QString &appDataFolder);
bool Save(const QString &appDataFolder, const QStringList &paths);

} // namespace recent
