#include "sources/bluray/BlurayLibrary.h"

#include <libbluray/bluray.h>
#include <libbluray/log_control.h>

QMap<QString, int> RelevantTitleIndexByPlaylist(const QString &discPath) {
    // libbluray reports incomplete folders (no index, no clip info) on the error output.
    bd_set_debug_mask(0);
    QMap<QString, int> result;
    BLURAY *disc = bd_open(discPath.toLocal8Bit().constData(), nullptr);
    if (disc == nullptr)
        return result;

    // libbluray knows a playlist only by atoi of its file name, and plays the title it lists
    // under that number. A number listed at two indexes (say "00001.mpls" and "1.mpls") names
    // no single playlist, so it is left out and the caller keeps its own count.
    QMap<quint32, int> indexByNumber;
    QMap<quint32, int> listings;
    const quint32 count = bd_get_titles(disc, TITLES_RELEVANT, 0);
    for (quint32 index = 0; index < count; ++index) {
        BLURAY_TITLE_INFO *info = bd_get_title_info(disc, index, 0);
        if (info == nullptr)
            continue;
        indexByNumber.insert(info->playlist, int(index) + 1);
        ++listings[info->playlist];
        bd_free_title_info(info);
    }
    bd_close(disc);

    for (auto it = indexByNumber.cbegin(); it != indexByNumber.cend(); ++it) {
        if (listings.value(it.key()) == 1)
            result.insert(QString::asprintf("%05u.mpls", it.key()), it.value());
    }
    return result;
}
