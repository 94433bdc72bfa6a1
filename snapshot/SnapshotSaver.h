#pragma once

#include <QString>

// Converts the player's shot file into the target picture and deletes the shot file.
// The target's folder is created when missing. Returns true when the picture was written.
bool SaveSnapshot(const QString &shotFile, const QString &targetName, const QString &format);
