#pragma once

#include <QByteArray>
#include <QString>

// The shot file named by a "*** screenshot '<name>' ***" report when it is one the player
// writes: a regular file (not a link) directly inside dataFolder (which ends in "/"), named
// with the player's 4-digit counter and ".png" ("0001.png"). Empty for anything else, so a
// report imitated by a tag or a file name never makes the program touch another file.
QString PlayerShotFile(const QByteArray &reportLine, const QString &dataFolder);
