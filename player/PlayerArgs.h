#pragma once

#include "player/Kinds.h"

#include <QString>
#include <QStringList>
#include <optional>

struct PlayerLaunch {
    QString PlayPath;
    MediaKind SourceKind = MediaKind::File;
    bool UseBlurayTitle = false;
    std::optional<int> BlurayTitle; // the number stored for the source key, if any
    quint64 WindowId = 0;
    QString AppDataFolder; // ends in "/"
    // A Blu-ray title's audio choice (0 "Disable", n the n-th stream of its table) and the
    // PIDs of that table's streams in order (-1: none known). Other sources ignore both.
    std::optional<int> AudioChoice;
    QList<int> AudioPids;
};

// What "switch_audio" (and a Blu-ray title's "-aid") takes for audio menu entry `choice`:
// -2 turns the sound off for 0; the n-th stream is n - 1 for lavf, which numbers streams in
// order, and its PID for a Blu-ray title, which MPlayer's own TS demuxer reads. Nothing for
// a Blu-ray stream without a known PID or a choice outside the table: any other number would
// name another stream or none.
std::optional<int> AudioSwitchArgument(MediaKind sourceKind, int choice,
                                       const QList<int> &audioPids);

// "screenshot=" + the application-data folder, commas escaped for MPlayer's filter parser.
QString ScreenshotPrefix(const QString &appDataFolder);

// The player's argument list; the path to play is always the last argument.
QStringList BuildPlayerArguments(const PlayerLaunch &launch);

// The folder the player runs in: a Blu-ray disc's "BDMV/STREAM" folder when it exists;
// otherwise empty, and the player shares the front end's. Never the front end's own
// working folder: its log and later relative paths stay where they were.
QString PlayerWorkingDirectory(const PlayerLaunch &launch);
