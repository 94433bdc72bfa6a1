#pragma once

#include "app/Kinds.h"

#include <QString>
#include <QStringList>
#include <optional>

struct PlayerLaunch {
    QString PlayPath;
    int SourceKind = SourceFile;
    bool UseBlurayTitle = false;
    std::optional<int> BlurayTitle; // the number stored for the source key, if any
    quint64 WindowId = 0;
    QString AppDataFolder; // ends in "/"
};

// "screenshot=" + the application-data folder, commas escaped for MPlayer's filter parser.
QString ScreenshotPrefix(const QString &appDataFolder);

// The player's argument list; the path to play is always the last argument.
QStringList BuildPlayerArguments(const PlayerLaunch &launch);

// The folder the player runs in: a Blu-ray disc's "BDMV/STREAM" folder when it exists;
// otherwise empty, and the player shares the front end's. Never the front end's own
// working folder: its log and later relative paths stay where they were.
QString PlayerWorkingDirectory(const PlayerLaunch &launch);
