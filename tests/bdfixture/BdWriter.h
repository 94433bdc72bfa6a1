#pragma once

// Writers of the Blu-ray navigation files a test needs: movie playlists (MPLS), clip info
// (CLPI), index.bdmv, MovieObject.bdmv and the disc metadata XML. They write the layout
// libbluray reads (big-endian, 45 kHz times), so a written tree is one libbluray and MPlayer
// accept. Broken files: set the override fields of a spec, or patch the bytes at the offsets
// the writer reports in its layout.

#include <QByteArray>
#include <QList>

namespace bdfixture {

// ---- small helpers ----

constexpr quint32 Ticks(quint64 ms) {
    return quint32(ms * 45);
} // ms -> 45 kHz
void PutU8(QByteArray &bytes, qsizetype offset, quint8 value);
void PutU16(QByteArray &bytes, qsizetype offset, quint16 value);
void PutU32(QByteArray &bytes, qsizetype offset, quint32 value);
quint16 GetU16(const QByteArray &bytes, qsizetype offset);
quint32 GetU32(const QByteArray &bytes, qsizetype offset);

// Coding types of stream entries.
enum Coding : quint8 {
    CodingMpeg2 = 0x02,
    CodingH264 = 0x1B,
    CodingVc1 = 0xEA,
    CodingLpcm = 0x80,
    CodingAc3 = 0x81,
    CodingDts = 0x82,
    CodingTrueHd = 0x83,
    CodingEac3 = 0x84,
    CodingDtsHd = 0x85,
    CodingDtsHdXll = 0x86,
    CodingEac3Secondary = 0xA1,
    CodingDtsHdSecondary = 0xA2,
    CodingPg = 0x90,
    CodingIg = 0x91,
    CodingText = 0x92,
};

// ---- movie playlist ----

// One stream entry of a stream number table: the entry (a play-item stream with its PID)
// and its attributes (coding type, format/rate, language).
struct StreamEntry {
    quint8 Coding = CodingAc3;
    QByteArray Language = "eng"; // 3 bytes (cut or padded with NUL)
    quint16 Pid = 0;             // 0: the usual PID of its group and position
    quint8 StreamType = 1;       // 1 in the item's clip; 2, 3, 4 in a sub-path
    quint8 Format = 0;           // video: 6 = 1080p, 3 = 480p ...; audio: 1 mono, 3 stereo, 6 multi
    quint8 Rate = 0;             // video: 1 = 23.976, 4 = 29.97 ...; audio: 1 = 48 kHz
    quint8 CharCode = 1;         // text subtitles only (1 = UTF-8)
    // When not null, replaces the attribute block after its length byte (for odd entries).
    QByteArray RawAttributes;
    // When >= 0, the entry/attribute length bytes written instead of the true ones.
    int EntryLength = -1;
    int AttributesLength = -1;

    static StreamEntry Video(quint8 coding = CodingH264, quint16 pid = 0x1011);
    static StreamEntry Audio(const QByteArray &lang, quint8 coding = CodingAc3, quint16 pid = 0);
    static StreamEntry Graphics(const QByteArray &lang, quint16 pid = 0);
    static StreamEntry TextSub(const QByteArray &lang, quint16 pid = 0);
};

struct PlayItemSpec {
    QByteArray Clip = "00001"; // 5 characters: the clip info / stream file number
    QByteArray Codec = "M2TS";
    quint32 In = 0;        // 45 kHz, clip time
    quint32 Out = 0;       // 45 kHz, clip time
    quint8 Connection = 1; // 1 not seamless, 5 seamless (continuous timestamps), 6
    quint8 StcId = 0;
    // Multi-angle: the flag and the clips of the angles after the first (the angle count
    // written is 1 + AngleClips.size(), or AngleCount when >= 0).
    bool MultiAngle = false;
    QList<QByteArray> AngleClips;
    int AngleCount = -1;
    // Stream number table. PG (0x90) and text (0x92) subtitles share one group on the disc;
    // they go into Subtitles in the order written.
    QList<StreamEntry> Video;
    QList<StreamEntry> Audio;
    QList<StreamEntry> Subtitles;
    QList<StreamEntry> Interactive;
    // When >= 0, the counts written instead of the true ones (entries are still written).
    int VideoCount = -1;
    int AudioCount = -1;
    int SubtitleCount = -1;
    // When >= 0, the PlayItem length field written instead of the true one.
    int LengthField = -1;

    // An item of clip `clip` from inMs to outMs (clip time in ms), one H.264 video stream.
    static PlayItemSpec Of(const QByteArray &clip, quint64 inMs, quint64 outMs);
    PlayItemSpec &WithAudio(const QByteArray &lang, quint8 coding = CodingAc3);
    PlayItemSpec &WithGraphics(const QByteArray &lang);
    PlayItemSpec &WithText(const QByteArray &lang);
};

struct MarkSpec {
    quint8 Type = 1; // 1 entry mark (chapter), 2 link point
    quint16 Item = 0;
    quint32 Time = 0; // 45 kHz, clip time of the referenced item
    quint16 Pid = 0xFFFF;
    quint32 Duration = 0;

    // A chapter at clip time `ms` of item `item`.
    static MarkSpec Chapter(quint16 item, quint64 ms);
};

struct PlaylistSpec {
    QByteArray Type = "MPLS";
    QByteArray Version = "0200";
    quint8 PlaybackType = 1; // 1 sequential
    QList<PlayItemSpec> Items;
    QList<MarkSpec> Marks;
    int SubPaths = 0; // empty sub-paths written after the items

    // Overrides for broken playlists: when >= 0, written instead of the true value.
    int ItemCount = -1;
    int SubPathCount = -1;
    int MarkCount = -1;
    qint64 PlayListStart = -1;
    qint64 MarkStart = -1;

    // A playlist with one chapter at the start of every item.
    static PlaylistSpec Sequential(const QList<PlayItemSpec> &items);
};

// Where the writer put things, for tests that patch bytes.
struct PlaylistLayout {
    qsizetype PlayList = 0;     // the PlayList block (its length field)
    QList<qsizetype> PlayItems; // each PlayItem (its length field)
    QList<qsizetype> StnTables; // each item's STN table (its length field)
    qsizetype PlayListMark = 0; // the PlayListMark block (its length field)
    QList<qsizetype> Marks;     // each mark's first byte
};

QByteArray WriteMoviePlaylist(const PlaylistSpec &spec, PlaylistLayout *layout = nullptr);

// ---- clip info ----

struct ClipStream {
    quint16 Pid = 0x1011;
    quint8 Coding = CodingH264;
    QByteArray Language = "eng";
    quint8 Format = 0;
    quint8 Rate = 0;
    quint8 Aspect = 3; // video: 2 = 4:3, 3 = 16:9
};

// One entry point: a random access point of the video stream.
struct EntryPoint {
    quint32 Pts = 0; // 45 kHz (the 90 kHz PTS / 2)
    quint32 Spn = 0; // source packet number (index of the 192-byte packet)
};

struct ClipInfoSpec {
    QByteArray Version = "0200";
    quint32 SourcePackets = 0;
    quint32 RecordingRate = 6000000; // bytes per second
    quint32 PresentationStart = 0;   // 45 kHz
    quint32 PresentationEnd = 0;     // 45 kHz
    quint16 PcrPid = 0x1001;
    quint16 PmtPid = 0x0100;
    QList<ClipStream> Streams;
    quint16 EpPid = 0x1011;
    QList<EntryPoint> EntryPoints; // ascending; the first one should be at packet 0
};

QByteArray WriteClipInfo(const ClipInfoSpec &spec);

// ---- index.bdmv and MovieObject.bdmv ----

// Titles of object type 1 (HDMV), title i runs movie object i. First play and top menu run
// movie object 0.
QByteArray WriteIndex(int titles, const QByteArray &version = "0200");
// One movie object per playlist number, each a single "play playlist" command.
QByteArray WriteMovieObjects(const QList<int> &playlists, const QByteArray &version = "0200");

// ---- disc metadata ----

// META/DL/bdmt_eng.xml with the disc name and one thumbnail (empty: no such line).
// With a size, the thumbnail line carries a size attribute after the href, as on many discs.
QByteArray WriteDiscMetadataXml(const QByteArray &name, const QByteArray &thumbnail,
                                const QByteArray &thumbnailSize = QByteArray());

} // namespace bdfixture
