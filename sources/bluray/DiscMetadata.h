#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// The disc name and thumbnail file name from "bdmt_eng.xml"; empty when not found.
struct DiscMetadata {
    QByteArray Name;      // 8-bit, at most 255 bytes
    QByteArray Thumbnail; // 8-bit, at most 255 bytes
};

// Real metadata files hold a few KiB; a larger file, or anything but a regular file, is not
// read and gives no name and no thumbnail.
constexpr qint64 MaxDiscMetadataBytes = 1024 * 1024;
DiscMetadata ReadDiscMetadata(const QString &file);
DiscMetadata ReadDiscMetadata(QIODevice &device);

// The bytes of the thumbnail file `name` in discPath + "/BDMV/META/DL/": empty unless it is a
// regular file of at most MaxThumbnailBytes that lies inside discPath once links and ".." are
// resolved, so a disc can show no picture from elsewhere on the machine.
constexpr qint64 MaxThumbnailBytes = 4 * 1024 * 1024;
QByteArray ReadDiscThumbnail(const QString &discPath, const QByteArray &name);
// Where that file really lies (links and ".." resolved) when it lies inside discPath; empty
// otherwise. Says nothing about its kind or size.
QString DiscThumbnailFile(const QString &discPath, const QByteArray &name);
