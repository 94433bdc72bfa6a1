#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

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
