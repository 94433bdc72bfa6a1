#include "playlist/PlaylistSteps.h"

#include <algorithm>

bool IsListed(const QList<PLAY_LIST_INFO> &list, const QString &path) {
    return std::any_of(list.cbegin(), list.cend(),
                       [&path](const PLAY_LIST_INFO &e) { return e.Path == path; });
}

std::optional<int> NeighbourEntry(const QList<PLAY_LIST_INFO> &list, const QString &path,
                                  int step) {
    if (list.size() < 2)
        return std::nullopt;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].Path != path)
            continue;
        const qsizetype target = i + step;
        if (target < 0 || target >= list.size())
            return std::nullopt;
        return int(target);
    }
    return std::nullopt;
}

std::optional<int> NextChapterSecond(const QList<int> &startsMs, qint64 position) {
    for (int ms : startsMs) {
        const int second = ms / 1000;
        if (second > position)
            return second;
    }
    return std::nullopt;
}

std::optional<int> PreviousChapterSecond(const QList<int> &startsMs, qint64 position) {
    qsizetype before = 0;
    while (before < startsMs.size() && startsMs[before] / 1000 < position)
        ++before;
    if (before < 2)
        return std::nullopt;
    const int target = startsMs[before - 2] / 1000;
    if (target == position)
        return std::nullopt;
    return target;
}
