#include "platform/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

int Refusal(const struct stat &info, qint64 maxBytes) {
    if (!S_ISREG(info.st_mode))
        return EINVAL;
    if (maxBytes >= 0 && info.st_size > maxBytes)
        return EFBIG;
    return 0;
}

} // namespace

int OpenRegularFd(const QByteArray &path, qint64 maxBytes, int *error, qint64 *size) {
    int why = 0;
    int fd = -1;
    struct stat info {};
    // Checked before the open as well, so that no device is ever opened (opening some has
    // effects of its own), and after it on the descriptor, in case the name changed between.
    if (::stat(path.constData(), &info) != 0) {
        why = errno;
    } else if ((why = Refusal(info, maxBytes)) == 0) {
        // O_NONBLOCK: a FIFO put in place meanwhile opens at once instead of waiting.
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            why = errno;
        else if (::fstat(fd, &info) != 0)
            why = errno;
        else
            why = Refusal(info, maxBytes);
    }
    if (why != 0) {
        if (fd >= 0)
            ::close(fd);
        if (error)
            *error = why;
        return -1;
    }
    // Meaningless for a regular file, but reads should behave as usual. O_NONBLOCK is the only
    // status flag the open set.
    ::fcntl(fd, F_SETFL, 0);
    if (size)
        *size = info.st_size;
    return fd;
}

bool OpenRegularFile(QFile &file, const QString &path, qint64 maxBytes, int *error) {
    const int fd = OpenRegularFd(QFile::encodeName(path), maxBytes, error);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error)
            *error = EIO;
        return false;
    }
    return true;
}

bool ReadRegularFile(const QString &path, qint64 maxBytes, QByteArray &bytes) {
    bytes.clear();
    QFile file;
    if (!OpenRegularFile(file, path, maxBytes))
        return false;
    // One byte more than allowed tells a file that grew since the check.
    bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes || file.error() != QFileDevice::NoError) {
        bytes.clear();
        return false;
    }
    return true;
}

} // namespace platform
