#include "sources/bluray/BlurayLibrary.h"

#include "platform/RegularFile.h"

#include <libbluray/bluray.h>
#include <libbluray/filesystem.h>
#include <libbluray/log_control.h>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace {

// libbluray reads every file it opens whole, however large, and waits on whatever it opens.
// It gets the disc through this gate instead: only regular files and folders, read within
// bounds no real disc comes near (navigation files are KiB to a few MiB). A disc that breaks
// one is refused as a whole: its titles keep the counter.
constexpr qint64 MaxFileBytes = 10 * 1024 * 1024;
constexpr qint64 MaxTotalBytes = 64 * 1024 * 1024;
constexpr int MaxFolderEntries = 4096;

struct Gate {
    QByteArray Root; // the disc folder, ending in "/"
    QHash<QByteArray, QByteArray> Known;
    qint64 Left = MaxTotalBytes;
    bool Refused = false;
};

// The position is kept here and reads use pread(): libbluray seeks and asks where it is all
// the time, and each of those would be a call into the system.
struct GateFile {
    Gate *Owner;
    int Fd;           // -1: read from Known
    QByteArray Bytes; // of a known file
    qint64 Size;
    qint64 Position = 0;
    qint64 Read = 0;
};

struct GateDir {
    Gate *Owner;
    DIR *Dir;
    int Entries = 0;
};

GateFile &Of(BD_FILE_H *file) {
    return *static_cast<GateFile *>(file->internal);
}

void CloseFile(BD_FILE_H *file) {
    if (Of(file).Fd >= 0)
        ::close(Of(file).Fd);
    delete &Of(file);
    delete file;
}

int64_t Seek(BD_FILE_H *file, int64_t offset, int32_t origin) {
    GateFile &open = Of(file);
    const qint64 base = origin == SEEK_CUR ? open.Position : origin == SEEK_END ? open.Size : 0;
    if ((origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) || base + offset < 0)
        return -1;
    open.Position = base + offset;
    return open.Position;
}

int64_t Tell(BD_FILE_H *file) {
    return Of(file).Position;
}

int Eof(BD_FILE_H *file) {
    return Of(file).Position >= Of(file).Size ? 1 : 0;
}

int64_t Read(BD_FILE_H *file, uint8_t *buffer, int64_t size) {
    GateFile &open = Of(file);
    if (size <= 0)
        return 0;
    const qint64 wanted = qMin<qint64>(size, MaxFileBytes + 1 - open.Read);
    qint64 got;
    if (open.Fd < 0) {
        got = qBound<qint64>(0, open.Size - open.Position, wanted);
        std::memcpy(buffer, open.Bytes.constData() + open.Position, size_t(got));
    } else {
        do {
            got = ::pread(open.Fd, buffer, size_t(wanted), open.Position);
        } while (got < 0 && errno == EINTR);
    }
    if (got > 0) {
        open.Position += got;
        open.Read += got;
        open.Owner->Left -= got;
    }
    // A file that grew past the bound since it was opened counts as one that was too large.
    if (open.Read > MaxFileBytes || open.Owner->Left < 0) {
        open.Owner->Refused = true;
        return -1;
    }
    return got;
}

int64_t Write(BD_FILE_H *, const uint8_t *, int64_t) {
    return -1;
}

// Neither the disc library (names, pictures) nor the clip information plays a part in which
// playlist a title plays: libbluray goes without them, and reads less. It would also parse the
// library's XML whole and report its faults on our error output.
bool Hidden(const char *relative) {
    const QByteArray path(relative);
    return path.startsWith("BDMV/META/") || path.startsWith("BDMV/CLIPINF/") ||
           path.startsWith("BDMV/BACKUP/CLIPINF/");
}

BD_FILE_H *NewFile(Gate &gate, int fd, qint64 size) {
    auto *file = new BD_FILE_H{};
    file->internal = new GateFile{&gate, fd, {}, size};
    file->close = CloseFile;
    file->seek = Seek;
    file->tell = Tell;
    file->eof = Eof;
    file->read = Read;
    file->write = Write;
    return file;
}

bool LeavesTheDisc(const char *relative) {
    return relative[0] == '/' || QByteArray(relative).split('/').contains("..");
}

// Whether libbluray may see `relative` at all; a name that leaves the disc refuses the disc.
bool Admitted(Gate &gate, const char *relative) {
    if (Hidden(relative))
        return false;
    if (LeavesTheDisc(relative)) {
        gate.Refused = true;
        return false;
    }
    return true;
}

BD_FILE_H *OpenFile(void *handle, const char *relative) {
    Gate &gate = *static_cast<Gate *>(handle);
    if (!Admitted(gate, relative))
        return nullptr;
    const auto known = gate.Known.constFind(QByteArray(relative));
    if (known != gate.Known.cend()) {
        auto *file = NewFile(gate, -1, known.value().size());
        Of(file).Bytes = known.value();
        return file;
    }
    int error = 0;
    qint64 size = 0;
    const int fd = platform::OpenRegularFd(gate.Root + relative, MaxFileBytes, &error, &size);
    if (fd < 0) {
        // A missing file is libbluray's to judge; anything else under its name is not.
        if (error == EINVAL || error == EFBIG)
            gate.Refused = true;
        return nullptr;
    }
    return NewFile(gate, fd, size);
}

void CloseDir(BD_DIR_H *dir) {
    auto *open = static_cast<GateDir *>(dir->internal);
    ::closedir(open->Dir);
    delete open;
    delete dir;
}

int ReadDir(BD_DIR_H *dir, BD_DIRENT *entry) {
    auto &open = *static_cast<GateDir *>(dir->internal);
    errno = 0;
    const dirent *next = ::readdir(open.Dir);
    if (next == nullptr)
        return errno != 0 ? -1 : 1;
    if (++open.Entries > MaxFolderEntries) {
        open.Owner->Refused = true;
        return -1;
    }
    std::strncpy(entry->d_name, next->d_name, sizeof entry->d_name - 1);
    entry->d_name[sizeof entry->d_name - 1] = '\0';
    return 0;
}

BD_DIR_H *OpenDir(void *handle, const char *relative) {
    Gate &gate = *static_cast<Gate *>(handle);
    if (!Admitted(gate, relative))
        return nullptr;
    // opendir() opens with O_DIRECTORY | O_NONBLOCK: nothing but a folder, and no wait.
    DIR *folder = ::opendir((gate.Root + relative).constData());
    if (folder == nullptr)
        return nullptr;
    auto *dir = new BD_DIR_H{};
    dir->internal = new GateDir{&gate, folder};
    dir->close = CloseDir;
    dir->read = ReadDir;
    return dir;
}

} // namespace

QMap<QString, int> RelevantTitleIndexByPlaylist(const QString &discPath,
                                                const QHash<QByteArray, QByteArray> &known,
                                                bool *listed) {
    if (listed)
        *listed = false;
    // libbluray reports incomplete folders (no index, no clip info) on the error output.
    bd_set_debug_mask(0);
    QMap<QString, int> result;
    Gate gate;
    gate.Known = known;
    gate.Root = discPath.toLocal8Bit();
    if (!gate.Root.endsWith('/'))
        gate.Root += '/';
    BLURAY *disc = bd_init();
    if (disc == nullptr)
        return result;
    if (!bd_open_files(disc, &gate, OpenDir, OpenFile) || gate.Refused) {
        bd_close(disc);
        return result;
    }

    // libbluray knows a playlist only by atoi of its file name, and plays the title it lists
    // under that number. A number listed at two indexes (say "00001.mpls" and "1.mpls") names
    // no single playlist, so it is left out and the caller keeps its own count.
    QMap<quint32, int> indexByNumber;
    QMap<quint32, int> listings;
    const quint32 count = bd_get_titles(disc, TITLES_RELEVANT, 0);
    for (quint32 index = 0; index < count && !gate.Refused; ++index) {
        BLURAY_TITLE_INFO *info = bd_get_title_info(disc, index, 0);
        if (info == nullptr)
            continue;
        indexByNumber.insert(info->playlist, int(index) + 1);
        ++listings[info->playlist];
        bd_free_title_info(info);
    }
    bd_close(disc);
    if (gate.Refused)
        return result;
    if (listed)
        *listed = true;

    for (auto it = indexByNumber.cbegin(); it != indexByNumber.cend(); ++it) {
        if (listings.value(it.key()) == 1)
            result.insert(QString::asprintf("%05u.mpls", it.key()), it.value());
    }
    return result;
}
