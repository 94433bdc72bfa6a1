#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

// One play item of a movie playlist; times in milliseconds (45 kHz ticks / 45, truncated).
struct PlayItem {
    quint32 InMs = 0;
    quint32 OffsetMs = 0; // where the item starts within the title
    qint32 DurationMs = 0;
    QByteArray ClipName; // "00001.M2TS"
};

struct StreamInfo {
    QByteArray DisplayName; // "English AC3", "DEU", ...
    // The stream's PID in the play item's own clip, the number MPlayer's TS demuxer knows it
    // by; -1 when the entry names a stream of a sub-path or is too short to hold one.
    int Pid = -1;
};

struct MoviePlaylist {
    QList<PlayItem> PlayItems;
    QList<StreamInfo> AudioStreams;
    QList<StreamInfo> SubtitleStreams;
    QList<int> Chapters; // chapter starts in ms from the title start
};

// Result codes of a parse; the file-open failure gives the errno value instead.
enum MplsCode : int {
    MplsOk = 0,
    MplsBadLength = 1,    // shorter than 20 bytes (or longer than the cap)
    MplsNotMpls = 2,      // no "MPLS" type indicator
    MplsTooManyVideo = 3, // more than 3 primary video entries in the last item's stream table
    MplsTruncated = 4,    // a count or offset leads outside the bytes read
};

// Reads movie playlist files; one object per discovery run reuses one read buffer.
class MoviePlaylistParser {
public:
    // 0 when read and parsed; the playlist has play items only when accepted.
    int ParseMoviePlaylist(const QString &file, MoviePlaylist &result);
    int ParseMoviePlaylist(QIODevice &device, MoviePlaylist &result);
    // Parses bytes already in memory (tests, fuzzing); the cap applies as for files.
    static int ParseBytes(const QByteArray &data, MoviePlaylist &result);
    // PlaylistDigest of the file the last parse read, from the bytes already in the buffer;
    // a null string unless that read reached the end of the file below the cap without error.
    QString LastDigest() const;

private:
    QByteArray Buffer;
    qint64 Length = 0;
    bool WholeFile = false;
};

// Display names of stream entries: language name (or the upper-cased code) plus codec suffix.
QByteArray AudioStreamName(quint8 codingType, const QByteArray &language);
QByteArray SubtitleStreamName(const QByteArray &language);

// SHA-512 of the file as 128 upper-case hex digits; empty when it cannot be opened or is
// empty; 128 "0" when reading fails part-way.
QString PlaylistDigest(const QString &file);
QString PlaylistDigest(QIODevice &device);
