#include "sources/FolderSource.h"

#include <QFile>

#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace fs = std::filesystem;

bool ListFolder(const QString &folder, QList<FolderEntry> &entries, qsizetype limit, bool *cut) {
    if (cut)
        *cut = false;
    const QByteArray folderBytes = folder.toLocal8Bit();
    std::error_code error;
    fs::directory_iterator it(fs::path(folderBytes.toStdString()), error);
    if (error)
        return false;

    // No doubled separator when the caller already ends in one ("/" itself stays "/").
    QByteArray prefix = folderBytes;
    if (!prefix.endsWith('/'))
        prefix += '/';

    // directory_iterator yields the file system's own order and never "." or "..".
    qsizetype listed = 0;
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().native();
        if (name.empty() || name.front() == '.')
            continue;
        if (limit >= 0 && listed++ >= limit) {
            if (cut)
                *cut = true;
            break;
        }
        FolderEntry entry;
        entry.FullPath = prefix + QByteArray::fromStdString(name);
        // One call for both, following links: a link to a folder counts as a folder, as the
        // user sees it. A folder of thousands of playlists is listed before it is read.
        struct stat info {};
        if (::stat(entry.FullPath.constData(), &info) == 0) {
            entry.IsDirectory = S_ISDIR(info.st_mode) ? 1 : 0;
            if (!entry.IsDirectory && S_ISREG(info.st_mode))
                entry.Size = quint64(info.st_size);
        }
        entries.append(entry);
    }
    return true;
}

namespace {

// The folder is only accepted when one of the listed subfolders carries the marker somewhere in
// its full path (case-sensitive).
bool HasMarkedSubfolder(const QString &folder, const QByteArray &marker) {
    QList<FolderEntry> listing;
    if (!ListFolder(folder, listing))
        return false;
    for (const FolderEntry &entry : listing) {
        if (entry.IsDirectory == 1 && entry.FullPath.contains(marker))
            return true;
    }
    return false;
}

} // namespace

FolderKind ClassifyFolder(const QString &path) {
    // An empty path would probe "/BDMV/" at the file-system root.
    if (path.isEmpty())
        return FolderKind::Refused;
    const QString bdmv = path + QStringLiteral("/BDMV/");
    if (QFile::exists(bdmv)) {
        // A Blu-ray folder that fails its check is refused, never tried as a DVD.
        return HasMarkedSubfolder(bdmv, QByteArrayLiteral("STREAM")) ? FolderKind::Bluray
                                                                     : FolderKind::Refused;
    }
    if (QFile::exists(path + QStringLiteral("/VIDEO_TS/")))
        return HasMarkedSubfolder(path, QByteArrayLiteral("VIDEO_TS")) ? FolderKind::Dvd
                                                                       : FolderKind::Refused;
    return FolderKind::Refused;
}
