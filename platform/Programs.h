#pragma once

#include <QString>

class QProcess;

namespace platform {

// "Player" beside our own executable when it is an executable file, else "mplayer" from PATH.
QString PlayerProgram();

// appDataFolder + "tool.exe" when that file exists, else "ffprobe" from PATH.
QString ProbeProgram(const QString &appDataFolder);

// Copies "tool" from beside the executable to appDataFolder + "tool.exe" (execute permission kept)
// unless the destination already exists. Failures are silent: probing then falls back to ffprobe.
void CopyProbeIfMissing(const QString &appDir, const QString &appDataFolder);

// The child gets SIGTERM when we die, so a crashed front end does not leave a player running.
void TieChildToParent(QProcess &process);

} // namespace platform
