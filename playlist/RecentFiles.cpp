#include "playlist/RecentFiles.h"

#include "platform/RegularFile.h"

#include <QFile>
#include <QSaveFile>

namespace recent {

QString FilePath(const QString &appDataFolder) {
    return appDataFolder + QStringLiteral("RecentConfig.txt");
}

bool Insert(QStringList &paths, const QString &path) {
    // One line per path: a path that is empty or holds a line break could not be read back as
    // the same single entry.
    if (path.isEmpty() || path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
        return false;
    if (paths.contains(path))
        return false;
    paths.prepend(path);
    if (paths.size() > MaxEntries)
        paths.removeLast();
    return true;
}

QStringList Load(const QString &appDataFolder) {
    QStringList paths;
    QFile file;
    // No FIFO or device: the list is read before the window is first painted.
    if (!platform::OpenRegularFile(file, FilePath(appDataFolder)))
        return paths;
    // A damaged or foreign file must cost milliseconds, not seconds: only its top is read.
    QByteArray bytes = file.read(MaxReadBytes + 1);
    if (bytes.size() > MaxReadBytes) {
        // The last line was cut by the limit: it is not a whole path.
        bytes.truncate(MaxReadBytes);
        const qsizetype lastEnd = bytes.lastIndexOf('\n');
        bytes.truncate(lastEnd < 0 ? 0 : lastEnd);
    }
    qsizetype start = 0;
    while (start < bytes.size() && paths.size() < MaxReadEntries) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size(); // a last line without line end is read whole
        QByteArray line = bytes.mid(start, end - start);
        start = end + 1;
        // Lines end in CR LF; a file written elsewhere may use bare LF.
        if (line.endsWith('\r'))
            line.chop(1);
        // A line is read as C text: anything after a NUL byte is not part of it.
        const qsizetype nul = line.indexOf('\0');
        if (nul >= 0)
            line.truncate(nul);
        if (line.isEmpty() || line.size() > MaxLineBytes)
            continue;
        paths.append(QString::fromLocal8Bit(line));
    }
    return paths;
}

bool Save(const QString &appDataFolder, const QStringList &paths) {
    QByteArray bytes;
    for (const QString &path : paths) {
        bytes += path.toLocal8Bit();
        bytes += "\r\n";
    }
    // Written aside and renamed, so a failed write never leaves half a list behind.
    QSaveFile file(FilePath(appDataFolder));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

} // namespace recent
