#include "sources/bluray/DiscMetadata.h"

#include "platform/RegularFile.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 LinePiece = 2048; // a longer line arrives in pieces, each taken as a line
constexpr qsizetype ValueLimit = 256;

const QByteArray NameMarker = QByteArrayLiteral("<di:name>");
const QByteArray ThumbnailMarker = QByteArrayLiteral("<di:thumbnail href=");
const QByteArray ThumbnailStart = QByteArrayLiteral("<di:thumbnail href=\"");
const QByteArray ThumbnailEnd = QByteArrayLiteral("\" />");

// The value from `from` up to the first `end` after it, or to the end of the line.
QByteArray ValueUpTo(const QByteArray &line, qsizetype from, const QByteArray &end) {
    const qsizetype stop = line.indexOf(end, from);
    return stop < 0 ? line.mid(from) : line.mid(from, stop - from);
}

} // namespace

DiscMetadata ReadDiscMetadata(const QString &file) {
    QFile device;
    if (!platform::OpenRegularFile(device, file, MaxDiscMetadataBytes))
        return {};
    return ReadDiscMetadata(device);
}

QString DiscThumbnailFile(const QString &discPath, const QByteArray &name) {
    const QString disc = QFileInfo(discPath).canonicalFilePath();
    const QString file =
        QFileInfo(discPath + QStringLiteral("/BDMV/META/DL/") + QString::fromLocal8Bit(name))
            .canonicalFilePath();
    if (disc.isEmpty() || !file.startsWith(disc + QLatin1Char('/')))
        return {};
    return file;
}

QByteArray ReadDiscThumbnail(const QString &discPath, const QByteArray &name) {
    const QString file = DiscThumbnailFile(discPath, name);
    if (file.isEmpty())
        return {};
    QByteArray bytes;
    platform::ReadRegularFile(file, MaxThumbnailBytes, bytes);
    return bytes;
}

DiscMetadata ReadDiscMetadata(QIODevice &device) {
    DiscMetadata result;
    QByteArray piece(LinePiece, Qt::Uninitialized);
    for (;;) {
        // Like fgets: at most 2047 bytes, up to and including a line feed.
        const qint64 got = device.readLine(piece.data(), LinePiece);
        if (got <= 0)
            break;
        QByteArray line(piece.constData(), qsizetype(got));
        // The line is handled as a C string: a zero byte ends it.
        const qsizetype zero = line.indexOf('\0');
        if (zero >= 0)
            line.truncate(zero);

        const qsizetype name = line.indexOf(NameMarker);
        if (name >= 0) {
            const QByteArray value = ValueUpTo(line, name + NameMarker.size(), "</");
            if (value.size() < ValueLimit)
                result.Name = value;
            continue;
        }
        if (!line.contains(ThumbnailMarker))
            continue;
        const qsizetype thumbnail = line.indexOf(ThumbnailStart);
        if (thumbnail < 0)
            continue;
        const QByteArray value = ValueUpTo(line, thumbnail + ThumbnailStart.size(), ThumbnailEnd);
        if (value.size() < ValueLimit)
            result.Thumbnail = value;
    }
    return result;
}
