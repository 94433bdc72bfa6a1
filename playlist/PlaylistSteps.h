#pragma once

#include "playlist/PlayListInfo.h"

#include <QList>
#include <QString>
#include <optional>

// Previous / next through the playlist and through a Blu-ray title's chapters.

// Whether an entry of the list plays exactly this path (case-sensitive).
bool IsListed(const QList<PLAY_LIST_INFO> &list, const QString &path);

// Index of the entry `step` rows away from the first entry playing `path`; nullopt at either
// end (no wrap-around), when the path is not listed, or with fewer than two entries.
std::optional<int> NeighbourEntry(const QList<PLAY_LIST_INFO> &list, const QString &path, int step);

// The first chapter start (whole seconds) after `position`.
std::optional<int> NextChapterSecond(const QList<int> &startsMs, qint64 position);

// The start of the chapter before the current one: with n chapters starting before
// `position`, chapter n - 2; nullopt when n < 2 or when that is where we already are.
std::optional<int> PreviousChapterSecond(const QList<int> &startsMs, qint64 position);
