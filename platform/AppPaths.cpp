#include "platform/AppPaths.h"

#include <QDir>
#include <QStandardPaths>

namespace platform {

namespace {
const QString kProductFolder = QStringLiteral("Tavrell DVD Player");
}

QString AppDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + kProductFolder + QLatin1Char('/');
}

bool EnsureFolder(const QString &folder) {
    if (folder.isEmpty())
        return false;
    return QDir().mkpath(folder);
}

QString DocumentsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString DefaultSnapshotFolder() {
    return DocumentsFolder() + QLatin1Char('/') + kProductFolder + QLatin1Char('/');
}

QString RuntimeFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

} // namespace platform
