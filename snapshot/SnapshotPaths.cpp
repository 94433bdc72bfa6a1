#include "snapshot/SnapshotPaths.h"

#include "platform/AppPaths.h"
#include "platform/RegularFile.h"

#include <QFileInfo>
#include <QSaveFile>

QString ReadSnapshotFolder(const QString &appDataFolder) {
    // A folder path, so a few KiB at most: anything larger (or no regular file at all) is not
    // what the preferences dialog wrote, and the default folder stands.
    constexpr qint64 MaxBytes = 4096;
    QByteArray bytes;
    QString folder;
    if (platform::ReadRegularFile(appDataFolder + QStringLiteral("OutputPath.txt"), MaxBytes,
                                  bytes))
        folder = QString::fromLocal8Bit(bytes.replace("\r\n", "\n")); // as text mode reads it
    // Used as written, untrimmed: the preferences dialog stores exactly what it shows.
    if (folder.isEmpty())
        return platform::DefaultSnapshotFolder();
    return folder;
}

bool WriteSnapshotFolder(const QString &appDataFolder, const QString &folder) {
    platform::EnsureFolder(appDataFolder);
    QSaveFile file(appDataFolder + QStringLiteral("OutputPath.txt"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(folder.toLocal8Bit());
    return file.commit();
}

QString SnapshotTargetName(const QString &folder, const QDateTime &localTime,
                           const QString &format) {
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    const QString stamp = QStringLiteral("%1-%2-%3 %4-%5-%6")
                              .arg(date.year(), 4, 10, QLatin1Char('0'))
                              .arg(date.month(), 2, 10, QLatin1Char('0'))
                              .arg(date.day(), 2, 10, QLatin1Char('0'))
                              .arg(time.hour(), 2, 10, QLatin1Char('0'))
                              .arg(time.minute(), 2, 10, QLatin1Char('0'))
                              .arg(time.second(), 2, 10, QLatin1Char('0'));
    // Every path here is built with "/"; a backslash is an ordinary character in a Linux
    // folder name and stays as it is.
    return folder + QStringLiteral("Snapshot-") + stamp + QLatin1Char('.') + format;
}

const char *SnapshotWriterFormat(const QString &format) {
    if (format == QLatin1String("PNG"))
        return "PNG";
    if (format == QLatin1String("BMP"))
        return "BMP";
    return "JPEG";
}
