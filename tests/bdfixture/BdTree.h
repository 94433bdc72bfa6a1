#pragma once

// Whole BDMV trees for tests: a navigation-only disc (playlists and clip info over stub
// streams, enough for libbluray's title list and for our readers) and a playable disc made
// from ffmpeg clips (libbluray and MPlayer play it).

#include "BdWriter.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace bdfixture {

struct StubClip {
    QByteArray Name = "00001"; // 5 digits
    quint32 DurationMs = 60000;
};

struct SyntheticDisc {
    QList<StubClip> Clips;
    // Playlist file name ("00001.mpls") and bytes, written in this order (the listing order
    // of BDMV/PLAYLIST depends on the file system; read it, never assume it).
    QList<QPair<QString, QByteArray>> Playlists;
    bool Index = false;   // index.bdmv and MovieObject.bdmv, one title per playlist
    QByteArray DiscName;  // META/DL/bdmt_eng.xml when not empty
    QByteArray Thumbnail; // its thumbnail file name; written as a small PNG
};

// Writes discPath/BDMV/... ; false (with a reason) when a file cannot be written.
bool WriteSyntheticDisc(const QString &discPath, const SyntheticDisc &disc,
                        QString *error = nullptr);

// Writes one file, creating its folders.
bool WriteBytes(const QString &path, const QByteArray &bytes);

// Puts something hostile at `path`: "fifo", "zero" (a link to /dev/zero), "sparse" (the file
// grown by a hole to `size` bytes), "bomb" (a 32,767-item playlist whose items do not move on).
bool MakeHostile(const QString &path, const QByteArray &kind, qint64 size = 0);

// ---- a playable disc ----

// What BuildPlayableDisc made.
struct PlayableDisc {
    QString Path; // the folder holding BDMV
    struct Clip {
        QByteArray Name;      // "00001"
        quint32 InTicks = 0;  // 45 kHz: first video PTS / 2
        quint32 OutTicks = 0; // 45 kHz
    };
    QList<Clip> Clips;
    struct Title {
        QString Playlist;         // "00001.mpls"
        QList<int> ClipIndexes;   // play items, as indexes into Clips
        QList<quint32> ChapterMs; // chapter starts from the title start
        quint32 DurationMs = 0;
    };
    QList<Title> Titles;
    QByteArray DiscName;
    QString Thumbnail; // file name in META/DL

    // The pictures: clip 0 is tinted blue, clip 1 red, clip 2 green; the luma is
    // RampBase + RampSlope * (seconds into the clip), in limited range.
    static constexpr int RampBase = 40;
    static constexpr int RampSlope = 15;
    // Which clip a picture's colour (full-range RGB of its middle) belongs to; -1: none.
    static int ClipOfColour(int r, int g, int b);
    static double SecondsIntoClip(int r, int g, int b);

    // Subtitles: two presentation-graphics streams over every clip, each a grey box in a
    // 1920x1080 composition, one display set a second from `FirstSecond` on. The playlists
    // list "fra" first; MPlayer, told an audio stream, meets "eng" first and numbers it 0.
    struct Subtitle {
        quint16 Pid;
        const char *Language;
        int Luma;           // limited range; MPlayer draws it as a grey of about this level
        int Top, Bottom;    // rows of the box in the 1080-row composition
        double FirstSecond; // of each clip
    };
    static constexpr int SubtitleLeft = 660, SubtitleRight = 1260; // of 1920 columns
    static constexpr Subtitle Subtitles[2] = {{0x1200, "eng", 150, 800, 920, 0.5},
                                              {0x1201, "fra", 235, 160, 280, 0.3}};
};

struct PlayableOptions {
    int Width = 320;
    int Height = 240;
    int ClipSeconds = 5;  // at most 12: the brightness ramp ends there
    int StartSeconds = 0; // added to the first timestamp (ffmpeg's own 1.4 s); discs: ~600
    QString Ffmpeg = QStringLiteral("ffmpeg");
};

// Builds the disc into discPath (which must exist and be empty):
//   clips 00001 (blue), 00002 (red), 00003 (green), each ClipSeconds long, H.264 on
//   0x1011 with a keyframe every second, AC-3 English on 0x1100 and AC-3 French on 0x1101,
//   timestamps running on from clip to clip; the PlayableDisc::Subtitles on 0x1201 (fra) and
//   0x1200 (eng), in that order;
//   00001.mpls  main title: clips 1,2,3, seamless, chapters at every clip and mid-clip;
//   00002.mpls  a byte copy of 00001.mpls;
//   00003.mpls  clip 3 alone (another title to choose);
//   00004.mpls  clips 1,2,1,1 (a repeated-clip playlist libbluray leaves out);
//   00005.mpls  clip 2 alone;
//   META/DL/bdmt_eng.xml naming the disc "Tavrell Test Disc" and an orange PNG thumbnail.
// Returns false with a reason when ffmpeg is missing or fails.
bool BuildPlayableDisc(const QString &discPath, PlayableDisc *disc,
                       const PlayableOptions &options = {}, QString *error = nullptr);

} // namespace bdfixture
