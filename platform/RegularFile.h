#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace platform {

// Files named by a disc, a playlist entry or the data folder may be anything: a FIFO blocks
// open() until a writer comes, a device never ends, a sparse file claims any size. These open
// only regular files (links followed), and the open itself never waits.

// A descriptor for reading `path` (local 8-bit) when it names a regular file of at most
// maxBytes (no limit when negative), and its size then; -1 otherwise, with `error` set to
// errno, EINVAL for anything but a regular file or EFBIG for a larger one.
int OpenRegularFd(const QByteArray &path, qint64 maxBytes, int *error = nullptr,
                  qint64 *size = nullptr);

// The same into `file`, which owns the descriptor afterwards.
bool OpenRegularFile(QFile &file, const QString &path, qint64 maxBytes = -1, int *error = nullptr);

// The whole file when it is a regular file of at most maxBytes (>= 0) and reads without error.
bool ReadRegularFile(const QString &path, qint64 maxBytes, QByteArray &bytes);

} // namespace platform
