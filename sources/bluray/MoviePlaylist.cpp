#include "sources/bluray/MoviePlaylist.h"

#include "platform/RegularFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr qint64 ReadPiece = 0x10000;

// Takes `count` from what is left of a budget; false once it is spent. No budget: no limit.
bool Spend(qint64 *left, qint64 count) {
    if (left == nullptr)
        return true;
    *left -= count;
    return *left >= 0;
}

// Big-endian reads that refuse to leave the bytes read. Positions are 64-bit so that sums
// of file offsets and lengths cannot wrap.
class Bytes {
public:
    Bytes(const uchar *data, qint64 size) : Data(data), Size(size) {}

    bool Has(qint64 pos, qint64 count) const {
        return pos >= 0 && count >= 0 && pos <= Size && count <= Size - pos;
    }
    quint8 U8(qint64 pos) const { return Data[pos]; }
    quint16 U16(qint64 pos) const { return quint16((Data[pos] << 8) | Data[pos + 1]); }
    quint32 U32(qint64 pos) const {
        return (quint32(Data[pos]) << 24) | (quint32(Data[pos + 1]) << 16) |
               (quint32(Data[pos + 2]) << 8) | quint32(Data[pos + 3]);
    }
    // "NNNNN.CCCC" from the 5-byte name and the 4-byte codec identifier at pos, in one piece
    // (a hostile file may hold 32767 items).
    QByteArray ClipName(qint64 pos) const {
        QByteArray name(10, '.');
        memcpy(name.data(), Data + pos, 5);
        memcpy(name.data() + 6, Data + pos + 5, 4);
        return name;
    }
    QByteArray Raw(qint64 pos, qint64 count) const {
        return QByteArray(reinterpret_cast<const char *>(Data + pos), qsizetype(count));
    }

private:
    const uchar *Data;
    qint64 Size;
};

bool IsAudioCoding(quint8 type) {
    return (type >= 0x80 && type <= 0x86) || type == 0xA1 || type == 0xA2;
}

QByteArray LanguageName(const QByteArray &code) {
    static const struct {
        const char *Code;
        const char *Name;
    } names[] = {
        {"eng", "English"}, {"msa", "Malay"},    {"zho", "Chinese"},  {"spa", "Spanish"},
        {"fra", "French"},  {"hin", "Hindi"},    {"jpn", "Japanese"}, {"kor", "Korean"},
        {"tha", "Thai"},    {"por", "Portugal"},
    };
    for (const auto &entry : names) {
        if (code == entry.Code)
            return entry.Name;
    }
    return code.toUpper();
}

// The three language bytes as text; like the C string they are read into, a zero byte ends it.
QByteArray LanguageCode(const Bytes &bytes, qint64 pos) {
    QByteArray code = bytes.Raw(pos, 3);
    const qsizetype zero = code.indexOf('\0');
    if (zero >= 0)
        code.truncate(zero);
    return code;
}

struct ItemStreams {
    QList<StreamInfo> Audio;
    QList<StreamInfo> Graphics;
    QList<StreamInfo> Text;
};

// Reads the stream entries of one STN table. MplsTruncated when an entry leaves the bytes.
// Names are made only when `streams` is given: only the last item's are kept, and a hostile
// file may repeat one large table for thousands of items.
int ReadStreamTable(const Bytes &bytes, qint64 stn, ItemStreams *streams, ReadBudget *budget) {
    if (!bytes.Has(stn, 7))
        return MplsTruncated;
    const int video = qint8(bytes.U8(stn + 4));
    const int audio = qint8(bytes.U8(stn + 5));
    const int subtitles = qint8(bytes.U8(stn + 6));
    if (video > 3)
        return MplsTooManyVideo;

    const int entries = qMax(video, 0) + qMax(audio, 0) + qMax(subtitles, 0);
    if (!Spend(budget ? &budget->Steps : nullptr, entries))
        return MplsOverBudget;
    qint64 entry = stn + 16;
    for (int i = 0; i < entries; ++i) {
        if (!bytes.Has(entry, 1))
            return MplsTruncated;
        const qint64 attributes = entry + 1 + bytes.U8(entry);
        if (!bytes.Has(attributes, 2))
            return MplsTruncated;
        const quint8 coding = bytes.U8(attributes + 1);
        const qint64 next = attributes + 1 + bytes.U8(attributes);
        // Stream type 1 is a stream of the item's clip, its PID right after the type; other
        // types live in sub-path files the player does not demux with the title.
        int pid = -1;
        if (bytes.U8(entry) >= 3 && bytes.U8(entry + 1) == 1)
            pid = bytes.U16(entry + 2);

        if (IsAudioCoding(coding)) {
            if (!bytes.Has(attributes + 3, 3))
                return MplsTruncated;
            if (streams)
                streams->Audio.append(
                    {AudioStreamName(coding, LanguageCode(bytes, attributes + 3)), pid});
        } else if (coding == 0x90 || coding == 0x91) {
            if (!bytes.Has(attributes + 2, 3))
                return MplsTruncated;
            if (streams)
                streams->Graphics.append(
                    {SubtitleStreamName(LanguageCode(bytes, attributes + 2)), pid});
        } else if (coding == 0x92) {
            if (!bytes.Has(attributes + 3, 3))
                return MplsTruncated;
            if (streams)
                streams->Text.append(
                    {SubtitleStreamName(LanguageCode(bytes, attributes + 3)), pid});
        }
        entry = next;
    }
    return MplsOk;
}

int Parse(const Bytes &bytes, qint64 size, MoviePlaylist &result, ReadBudget *budget) {
    if (size < 20 || size > MaxPlaylistBytes)
        return MplsBadLength;
    if (bytes.Raw(0, 4) != "MPLS")
        return MplsNotMpls;

    const qint64 playList = bytes.U32(8);
    const qint64 marks = bytes.U32(12);
    if (!bytes.Has(playList, 10))
        return MplsTruncated;

    QList<PlayItem> items;
    ItemStreams streams;
    const int itemCount = qint16(bytes.U16(playList + 6));
    quint32 offset = 0;
    int itemCode = MplsOk;
    QSet<qint64> readTables;
    qint64 item = playList + 10;
    for (int i = 0; i < itemCount; ++i) {
        const bool last = i == itemCount - 1; // only the last item's streams are offered
        if (!bytes.Has(item, 22))
            return MplsTruncated;
        if (!Spend(budget ? &budget->Items : nullptr, 1))
            return MplsOverBudget;
        PlayItem record;
        record.ClipName = bytes.ClipName(item + 2);
        record.InMs = bytes.U32(item + 14) / 45;
        record.DurationMs = qint32(bytes.U32(item + 18) / 45 - record.InMs);
        record.OffsetMs = offset;
        offset += quint32(record.DurationMs);
        items.append(record);

        qint64 stn = item + 34;
        if (bytes.U8(item + 12) & 0x10) {
            if (!bytes.Has(item + 34, 1))
                return MplsTruncated;
            const int angles = bytes.U8(item + 34);
            stn = angles == 0 ? item + 36 : item + 26 + 10 * angles;
        }
        // Items may point back at one another: a table already read gives the same answer.
        if (last || !readTables.contains(stn)) {
            itemCode = ReadStreamTable(bytes, stn, last ? &streams : nullptr, budget);
            if (itemCode == MplsTruncated || itemCode == MplsOverBudget)
                return itemCode;
            readTables.insert(stn);
        }
        // The next item begins past the fields read from this one: a length that moves the
        // reader back or not at all would make a few bytes stand for thousands of items.
        const qint64 next = item + 2 + qint16(bytes.U16(item));
        if (!last && next < item + 22)
            return MplsTruncated;
        item = next;
    }
    if (itemCode != MplsOk)
        return itemCode;

    QList<int> chapters;
    if (!bytes.Has(marks, 6))
        return MplsTruncated;
    const int markCount = qint16(bytes.U16(marks + 4));
    if (!Spend(budget ? &budget->Steps : nullptr, qMax(markCount, 0)))
        return MplsOverBudget;
    for (int i = 0; i < markCount; ++i) {
        const qint64 mark = marks + 6 + 14 * qint64(i);
        if (!bytes.Has(mark, 8))
            return MplsTruncated;
        const quint16 ref = bytes.U16(mark + 2);
        if (bytes.U8(mark + 1) != 1 || ref >= items.size())
            continue;
        const PlayItem &target = items[ref];
        // A mark before its item's IN time would lie before the title: it starts it instead.
        chapters.append(qMax(0, int(target.OffsetMs - target.InMs + bytes.U32(mark + 4) / 45)));
    }

    result.Chapters = chapters;
    // A second and third item on the same clip marks a menu or loop playlist: no title.
    if (items.size() > 2 && items[1].ClipName == items[2].ClipName)
        return MplsOk;
    result.PlayItems = items;
    result.AudioStreams = streams.Audio;
    result.SubtitleStreams = streams.Graphics.isEmpty() ? streams.Text : streams.Graphics;
    return MplsOk;
}

} // namespace

int MoviePlaylistParser::ParseMoviePlaylist(const QString &file, MoviePlaylist &result) {
    result = {};
    WholeFile = false;
    int error = 0;
    qint64 size = 0;
    const int fd =
        platform::OpenRegularFd(QFile::encodeName(file), MaxPlaylistBytes, &error, &size);
    if (fd < 0)
        return error == EFBIG ? int(MplsBadLength) : error;
    // Straight from the descriptor: a disc holds up to thousands of playlists, and every call
    // counts.
    const int code = ReadAndParse(
        [fd](char *data, qint64 count) {
            ssize_t got;
            do {
                got = ::read(fd, data, size_t(count));
            } while (got < 0 && errno == EINTR);
            return qint64(got);
        },
        size, result);
    ::close(fd);
    return code;
}

int MoviePlaylistParser::ParseMoviePlaylist(QIODevice &device, MoviePlaylist &result) {
    result = {};
    return ReadAndParse([&device](char *data, qint64 count) { return device.read(data, count); },
                        device.isSequential() ? 0 : device.size(), result);
}

int MoviePlaylistParser::ReadAndParse(const std::function<qint64(char *, qint64)> &read,
                                      qint64 size, MoviePlaylist &result) {
    WholeFile = false;
    Length = 0;
    // A file larger than what is left is not read at all.
    if (size > Budget.Bytes)
        return MplsOverBudget;
    if (Buffer.isEmpty())
        Buffer.resize(MaxPlaylistBytes);
    qint64 length = 0;
    bool ended = false;
    while (length < MaxPlaylistBytes) {
        const qint64 wanted = qMin(ReadPiece, MaxPlaylistBytes - length);
        const qint64 got = read(Buffer.data() + length, wanted);
        if (got <= 0) {
            ended = got == 0;
            break;
        }
        length += got;
        // All the bytes the file had when opened, and fewer than asked: its end, without
        // asking again.
        if (length == size && got < wanted) {
            ended = true;
            break;
        }
    }
    // One byte more tells a longer file, or one that grew since it was opened: no playlist.
    char more = 0;
    if (length == MaxPlaylistBytes && read(&more, 1) != 0)
        return MplsBadLength;
    if (!Spend(&Budget.Bytes, length))
        return MplsOverBudget;
    WholeFile = ended && length > 0 && length < MaxPlaylistBytes;
    Length = length;
    const Bytes bytes(reinterpret_cast<const uchar *>(Buffer.constData()), length);
    MoviePlaylist parsed;
    const int code = Parse(bytes, length, parsed, &Budget);
    if (code == MplsOk)
        result = parsed;
    return code;
}

int MoviePlaylistParser::ParseBytes(const QByteArray &data, MoviePlaylist &result) {
    result = {};
    const Bytes bytes(reinterpret_cast<const uchar *>(data.constData()), data.size());
    MoviePlaylist parsed;
    const int code = Parse(bytes, data.size(), parsed, nullptr);
    if (code == MplsOk)
        result = parsed;
    return code;
}

QByteArray MoviePlaylistParser::LastFile() const {
    return WholeFile ? Buffer.left(Length) : QByteArray();
}

QString MoviePlaylistParser::LastDigest() const {
    if (!WholeFile)
        return {};
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(Buffer.constData(), qsizetype(Length)), QCryptographicHash::Sha512);
    return QString::fromLatin1(digest.toHex().toUpper());
}

QByteArray AudioStreamName(quint8 codingType, const QByteArray &language) {
    const char *suffix = "";
    switch (codingType) {
    case 0x80:
        suffix = " LPCM";
        break;
    case 0x81:
        suffix = " AC3";
        break;
    case 0x82:
        suffix = " DTS";
        break;
    case 0x83:
        suffix = " TRUEHD";
        break;
    case 0x84:
    case 0xA1:
        suffix = " EAC3";
        break;
    case 0x85:
        suffix = " DTS HD";
        break;
    case 0x86:
        suffix = " DTS HD XLL";
        break;
    default:
        break;
    }
    return LanguageName(language) + suffix;
}

QByteArray SubtitleStreamName(const QByteArray &language) {
    return LanguageName(language);
}

QString PlaylistDigest(const QString &file) {
    // Only a file the parser would read: nothing hashes more than its cap.
    QFile device;
    if (!platform::OpenRegularFile(device, file, MaxPlaylistBytes))
        return {};
    return PlaylistDigest(device);
}

QString PlaylistDigest(QIODevice &device) {
    const qint64 size = device.size();
    if (size <= 0)
        return {};
    // Hashed piece by piece: the same digest as of the whole file, without holding a file of
    // any size in memory.
    QCryptographicHash hash(QCryptographicHash::Sha512);
    QByteArray piece(ReadPiece, Qt::Uninitialized);
    qint64 done = 0;
    while (done < size) {
        const qint64 got = device.read(piece.data(), qMin(ReadPiece, size - done));
        if (got <= 0)
            return QString(128, QLatin1Char('0'));
        hash.addData(QByteArrayView(piece.constData(), qsizetype(got)));
        done += got;
    }
    return QString::fromLatin1(hash.result().toHex().toUpper());
}
