#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

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

// Result codes of a parse; the file-open failure gives the errno value instead (EINVAL for
// anything but a regular file).
enum MplsCode : int {
    MplsOk = 0,
    MplsBadLength = 1,    // shorter than 20 bytes or longer than MaxPlaylistBytes
    MplsNotMpls = 2,      // no "MPLS" type indicator
    MplsTooManyVideo = 3, // more than 3 primary video entries in the last item's stream table
    MplsTruncated = 4,    // a count, offset or length leads outside the bytes or back
    MplsOverBudget = 5,   // the parser's ReadBudget ran out before this file was read whole
};

// The largest playlist file read; a longer one is no playlist.
constexpr qint64 MaxPlaylistBytes = 10 * 1024 * 1024;

// What one parser may spend over all the files it reads. No real disc comes near it (at most
// 2,000 playlists of a few KiB, each with tens of items and streams); a disc whose playlists
// would cost more is hostile, and its reading stops there.
struct ReadBudget {
    qint64 Bytes = 16 * 1024 * 1024; // read from files
    qint64 Items = 200000;           // play items parsed: bounds what titles hold
    qint64 Steps = 4000000;          // stream entries and marks walked
};

// Reads movie playlist files; one object per discovery run reuses one read buffer.
class MoviePlaylistParser {
public:
    explicit MoviePlaylistParser(const ReadBudget &budget = ReadBudget()) : Budget(budget) {}

    // 0 when read and parsed; the playlist has play items only when accepted.
    int ParseMoviePlaylist(const QString &file, MoviePlaylist &result);
    int ParseMoviePlaylist(QIODevice &device, MoviePlaylist &result);
    // Parses bytes already in memory (tests, fuzzing); the cap applies as for files, no budget.
    static int ParseBytes(const QByteArray &data, MoviePlaylist &result);
    // PlaylistDigest of the file the last parse read, from the bytes already in the buffer;
    // a null string unless that read reached the end of the file below the cap without error.
    QString LastDigest() const;
    // The bytes behind LastDigest (null when it is).
    QByteArray LastFile() const;

private:
    // Reads a file of `size` bytes (0: not known) through `read`, which acts like read(2).
    int ReadAndParse(const std::function<qint64(char *, qint64)> &read, qint64 size,
                     MoviePlaylist &result);

    ReadBudget Budget; // what is left of it
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
