#include "snapshot/SnapshotSaver.h"

#include "snapshot/SnapshotPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace {

// Names carry the time to the second: a second shot within the same second gets " (2)",
// " (3)", ... instead of replacing the first picture.
QString FreeName(const QString &targetName) {
    if (!QFileInfo::exists(targetName))
        return targetName;
    const QFileInfo info(targetName);
    const QString suffix = info.suffix();
    QString stem = targetName;
    if (!suffix.isEmpty())
        stem.chop(suffix.size() + 1);
    for (int n = 2; n < 100000; ++n) {
        QString candidate = stem + QStringLiteral(" (%1)").arg(n);
        if (!suffix.isEmpty())
            candidate += QLatin1Char('.') + suffix;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return targetName;
}

} // namespace

bool SaveSnapshot(const QString &shotFile, const QString &targetName, const QString &format) {
    const QImage picture(shotFile);
    if (picture.isNull())
        return false;
    // The player does not create folders and a chosen folder may have gone since.
    QDir().mkpath(QFileInfo(targetName).absolutePath());
    if (!picture.save(FreeName(targetName), SnapshotWriterFormat(format)))
        return false;
    // Only now: a picture that could not be written stays in the player's shot file.
    QFile::remove(shotFile);
    return true;
}
