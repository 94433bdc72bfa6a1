// Any bytes as the recent-files list: loading must neither crash nor return broken paths.
#include "playlist/RecentFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QFile file(recent::FilePath(folder));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    QStringList paths = recent::Load(folder);
    for (const QString &path : paths)
        if (path.contains(QLatin1Char('\n')) || path.contains(QChar(0)))
            std::abort();
    // A longer list written by another tool is kept as it is; an insert never makes it longer.
    const qsizetype before = paths.size();
    recent::Insert(paths, QStringLiteral("/x"));
    if (paths.size() > std::max<qsizetype>(before, recent::MaxEntries))
        std::abort();
    return 0;
}
