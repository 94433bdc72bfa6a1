#pragma once

#include <QString>

namespace platform {

// Per-user data folder ("~/.local/share/Tavrell DVD Player/"), always ending in "/".
// Nothing is created here; see EnsureFolder.
QString AppDataFolder();

// Creates the folder with all missing parents; true when it exists afterwards.
bool EnsureFolder(const QString &folder);

// The user's documents folder, without a trailing "/".
QString DocumentsFolder();

// Documents + "/Tavrell DVD Player/": where snapshots go until the user picks a folder.
QString DefaultSnapshotFolder();

// The private per-user runtime folder (XDG_RUNTIME_DIR or Qt's fallback), without a trailing "/".
QString RuntimeFolder();

} // namespace platform
