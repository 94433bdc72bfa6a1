#include "playlist/PlayListInfo.h"

#include <QFileInfo>

void RegisterPlayListInfo() {
    qRegisterMetaType<PLAY_LIST_INFO>("PLAY_LIST_INFO");
}

QString PlayListRowText(const QString &path) {
    static const QLatin1String indent("    ");
    if (path.size() <= 4)
        return indent + path;
    // A folder path given with a trailing "/" would otherwise show an empty row.
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    return indent + QFileInfo(trimmed).fileName();
}
