#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The shot file named by a "*** screenshot '<name>' ***" report when it is one the player
// writes: a regular file (not a link) directly inside dataFolder (which ends in "/"), named
// with the player's 4-digit counter and ".png" ("0001.png"). Empty for anything else, so a
// report imitated by a tag or a file name never makes the program touch another file.
QString PlayerShotFile(const QByteArray &reportLine, const QString &dataFolder);

// The snapshot folder: the whole, untrimmed content of appDataFolder + "OutputPath.txt", or the
// default folder (Documents + "/Tavrell DVD Player/") when that is missing, empty, no regular
// file or longer than 4 KiB.
QString ReadSnapshotFolder(const QString &appDataFolder);

// Replaces OutputPath.txt with exactly `folder` (local 8-bit text, no line end). The old file
// stays whole until the new one is complete, so a crash mid-write never loses the setting.
// False when it could not be written.
bool WriteSnapshotFolder(const QString &appDataFolder, const QString &folder);

// folder + "Snapshot-YYYY-MM-DD hh-mm-ss.<format>"; a "\" in the folder name is kept.
QString SnapshotTargetName(const QString &folder, const QDateTime &localTime,
                           const QString &format);

// The image writer format for a chosen format name: "PNG", "BMP", otherwise "JPEG".
const char *SnapshotWriterFormat(const QString &format);
