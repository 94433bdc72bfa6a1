#include "BdTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/stat.h>

namespace bdfixture {

namespace {

constexpr int PacketSize = 192;
constexpr int UnitSize = 6144; // an aligned unit: 32 packets

// An 8x8 orange PNG: the stub disc's thumbnail.
const char StubPng[] =
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x08\x00\x00"
    "\x00\x08\x08\x02\x00\x00\x00\x4b\x6d\x29\xdc\x00\x00\x00\x11\x49\x44\x41\x54\x78\xda\x63"
    "\x78\xd0\xa0\x80\x15\x31\x0c\x2d\x09\x00\xb2\xf3\x60\x01\x8b\x81\x43\xc5\x00\x00\x00\x00"
    "\x49\x45\x4e\x44\xae\x42\x60\x82";

void SetError(QString *error, const QString &text) {
    if (error)
        *error = text;
}

QString Bdmv(const QString &disc, const QString &rest) {
    return disc + QStringLiteral("/BDMV/") + rest;
}

// Null packets (PID 0x1FFF) filling `units` aligned units.
QByteArray NullStream(int units) {
    QByteArray packet(PacketSize, '\xFF');
    packet[0] = packet[1] = packet[2] = packet[3] = 0; // TP_extra_header: clear, arrival 0
    packet[4] = 0x47;
    packet[5] = 0x1F;
    packet[6] = char(0xFF);
    packet[7] = 0x10;
    return packet.repeated(units * (UnitSize / PacketSize));
}

bool WriteMetadata(const QString &disc, const QByteArray &name, const QByteArray &thumbnail,
                   const QByteArray &thumbnailBytes) {
    bool ok = WriteBytes(Bdmv(disc, QStringLiteral("META/DL/bdmt_eng.xml")),
                         WriteDiscMetadataXml(name, thumbnail));
    if (!thumbnail.isEmpty())
        ok = ok && WriteBytes(Bdmv(disc, QStringLiteral("META/DL/")) + QString::fromUtf8(thumbnail),
                              thumbnailBytes);
    return ok;
}

bool RunFfmpeg(const QString &program, const QStringList &args, QString *error) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        SetError(error, QStringLiteral("cannot start ") + program);
        return false;
    }
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        SetError(error, QStringLiteral("ffmpeg failed: ") + QString::fromLocal8Bit(p.readAll()));
        return false;
    }
    return true;
}

// What a scan of an m2ts file found out about its video stream.
struct ScanResult {
    QList<EntryPoint> EntryPoints; // key frames: 45 kHz PTS and packet number
    qint64 FirstPts = -1;          // 90 kHz, smallest video PTS
    quint32 Packets = 0;
};

// Clears the copy-permission bits of every packet (set bits mark a unit as encrypted) and
// lists the key frames of `videoPid` (PES start with the random access indicator).
bool ScanAndClear(QByteArray &ts, quint16 videoPid, ScanResult *scan) {
    if (ts.isEmpty() || ts.size() % PacketSize != 0)
        return false;
    scan->Packets = quint32(ts.size() / PacketSize);
    for (qsizetype at = 0; at < ts.size(); at += PacketSize) {
        ts[at] = char(quint8(ts[at]) & 0x3F);
        const auto *p = reinterpret_cast<const quint8 *>(ts.constData() + at + 4);
        if (p[0] != 0x47)
            return false;
        const quint16 pid = quint16(((p[1] & 0x1F) << 8) | p[2]);
        if (pid != videoPid || !(p[1] & 0x40))
            continue;
        int payload = 4;
        bool randomAccess = false;
        if (p[3] & 0x20) {
            const int length = p[4];
            if (length > 0)
                randomAccess = (p[5] & 0x40) != 0;
            payload = 5 + length;
        }
        if (payload + 14 > 188 || p[payload] != 0 || p[payload + 1] != 0 || p[payload + 2] != 1 ||
            !(p[payload + 7] & 0x80))
            continue;
        const quint8 *t = p + payload + 9;
        const qint64 pts = (qint64((t[0] >> 1) & 7) << 30) | (qint64(t[1]) << 22) |
                           (qint64(t[2] >> 1) << 15) | (qint64(t[3]) << 7) | (t[4] >> 1);
        if (scan->FirstPts < 0 || pts < scan->FirstPts)
            scan->FirstPts = pts;
        if (randomAccess)
            scan->EntryPoints.append({quint32(pts / 2), quint32(at / PacketSize)});
    }
    if (scan->EntryPoints.isEmpty() || scan->FirstPts < 0)
        return false;
    // Reading starts at the first entry point: make it the file's start, so the tables ahead
    // of the first key frame are read too.
    scan->EntryPoints[0].Spn = 0;
    return true;
}

// One segment of a presentation-graphics stream as a .sup file holds it.
void AppendSegment(QByteArray &sup, quint32 pts, quint8 type, const QByteArray &payload) {
    QByteArray head(13, '\0');
    head[0] = 'P';
    head[1] = 'G';
    PutU32(head, 2, pts);
    PutU32(head, 6, 0); // no decode time stamp
    PutU8(head, 10, type);
    PutU16(head, 11, quint16(payload.size()));
    sup += head + payload;
}

// A display set showing one box of palette colour 1 (luma `luma`, no tint, opaque).
void AppendDisplaySet(QByteArray &sup, quint32 pts, quint16 number,
                      const PlayableDisc::Subtitle &sub) {
    const quint16 x = PlayableDisc::SubtitleLeft, y = quint16(sub.Top);
    const quint16 w = PlayableDisc::SubtitleRight - PlayableDisc::SubtitleLeft;
    const quint16 h = quint16(sub.Bottom - sub.Top);
    QByteArray pcs(19, '\0');
    PutU16(pcs, 0, 1920);
    PutU16(pcs, 2, 1080);
    PutU8(pcs, 4, 0x10); // frame rate
    PutU16(pcs, 5, number);
    PutU8(pcs, 7, 0x80); // epoch start: every set stands on its own
    PutU8(pcs, 10, 1);   // one composition object: object 0 in window 0
    PutU16(pcs, 15, x);
    PutU16(pcs, 17, y);
    AppendSegment(sup, pts, 0x16, pcs);
    QByteArray wds(10, '\0');
    PutU8(wds, 0, 1);
    PutU16(wds, 2, x);
    PutU16(wds, 4, y);
    PutU16(wds, 6, w);
    PutU16(wds, 8, h);
    AppendSegment(sup, pts, 0x17, wds);
    QByteArray pds(7, '\0');
    PutU8(pds, 2, 1); // entry 1
    PutU8(pds, 3, quint8(sub.Luma));
    PutU8(pds, 4, 128);
    PutU8(pds, 5, 128);
    PutU8(pds, 6, 255);
    AppendSegment(sup, pts, 0x14, pds);
    // Each line one run of colour 1 ("00 Cn nn 01"), then the line end "00 00".
    QByteArray line(6, '\0');
    PutU8(line, 1, quint8(0xC0 | (w >> 8)));
    PutU8(line, 2, quint8(w & 0xFF));
    PutU8(line, 3, 1);
    const QByteArray pixels = line.repeated(h);
    QByteArray ods(11, '\0');
    PutU8(ods, 3, 0xC0); // first and last fragment
    const quint32 length = quint32(pixels.size() + 4);
    PutU8(ods, 4, quint8(length >> 16));
    PutU16(ods, 5, quint16(length & 0xFFFF));
    PutU16(ods, 7, w);
    PutU16(ods, 9, h);
    AppendSegment(sup, pts, 0x15, ods + pixels);
    AppendSegment(sup, pts, 0x80, QByteArray());
}

// A subtitle stream of one display set a second over `seconds`, starting at its FirstSecond.
QByteArray SubtitleStream(const PlayableDisc::Subtitle &sub, int seconds) {
    QByteArray sup;
    for (int k = 0; k < seconds; ++k)
        AppendDisplaySet(sup, quint32((k + sub.FirstSecond) * 90000), quint16(k), sub);
    return sup;
}

} // namespace

bool WriteBytes(const QString &path, const QByteArray &bytes) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size() && f.flush();
}

bool MakeHostile(const QString &path, const QByteArray &kind, qint64 size) {
    if (kind == "sparse") {
        QFile file(path);
        return file.open(QIODevice::ReadWrite) && file.resize(size);
    }
    if (kind == "bomb") {
        PlaylistSpec bomb = PlaylistSpec::Sequential({PlayItemSpec::Of("00001", 0, 1000)});
        bomb.Items[0].LengthField = 0xFFFE; // -2: the next item is this one again
        bomb.ItemCount = 0x7FFF;
        return WriteBytes(path, WriteMoviePlaylist(bomb));
    }
    QFile::remove(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (kind == "fifo")
        return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    return kind == "zero" && QFile::link(QStringLiteral("/dev/zero"), path);
}

bool WriteSyntheticDisc(const QString &discPath, const SyntheticDisc &disc, QString *error) {
    for (const QString &sub :
         {QStringLiteral("PLAYLIST"), QStringLiteral("CLIPINF"), QStringLiteral("STREAM"),
          QStringLiteral("AUXDATA"), QStringLiteral("BDJO"), QStringLiteral("JAR")}) {
        if (!QDir().mkpath(Bdmv(discPath, sub))) {
            SetError(error, QStringLiteral("cannot create ") + Bdmv(discPath, sub));
            return false;
        }
    }
    for (const StubClip &clip : disc.Clips) {
        const QString name = QString::fromLatin1(clip.Name);
        const QByteArray stream = NullStream(1);
        ClipInfoSpec info;
        info.SourcePackets = quint32(stream.size() / PacketSize);
        info.PresentationStart = 0;
        info.PresentationEnd = Ticks(clip.DurationMs);
        info.Streams = {ClipStream{}};
        info.EntryPoints = {EntryPoint{0, 0}};
        if (!WriteBytes(Bdmv(discPath, QStringLiteral("STREAM/%1.m2ts").arg(name)), stream) ||
            !WriteBytes(Bdmv(discPath, QStringLiteral("CLIPINF/%1.clpi").arg(name)),
                        WriteClipInfo(info))) {
            SetError(error, QStringLiteral("cannot write clip ") + name);
            return false;
        }
    }
    QList<int> numbers;
    for (const auto &[file, bytes] : disc.Playlists) {
        numbers.append(file.left(5).toInt());
        if (!WriteBytes(Bdmv(discPath, QStringLiteral("PLAYLIST/") + file), bytes)) {
            SetError(error, QStringLiteral("cannot write playlist ") + file);
            return false;
        }
    }
    if (disc.Index) {
        if (!WriteBytes(Bdmv(discPath, QStringLiteral("index.bdmv")), WriteIndex(numbers.size())) ||
            !WriteBytes(Bdmv(discPath, QStringLiteral("MovieObject.bdmv")),
                        WriteMovieObjects(numbers))) {
            SetError(error, QStringLiteral("cannot write index.bdmv"));
            return false;
        }
    }
    if (!disc.DiscName.isEmpty() || !disc.Thumbnail.isEmpty()) {
        if (!WriteMetadata(discPath, disc.DiscName, disc.Thumbnail,
                           QByteArray(StubPng, sizeof(StubPng) - 1))) {
            SetError(error, QStringLiteral("cannot write the disc metadata"));
            return false;
        }
    }
    return true;
}

int PlayableDisc::ClipOfColour(int r, int g, int b) {
    if (b > r + 15 && b > g + 10)
        return 0;
    if (r > b + 15 && r > g + 10 && b > g) // magenta-red, unlike orange
        return 1;
    if (g > r + 10 && g > b + 10)
        return 2;
    return -1;
}

double PlayableDisc::SecondsIntoClip(int r, int g, int b) {
    // Back from full-range RGB to the limited-range luma the ramp was written in.
    const double luma = 16.0 + (0.299 * r + 0.587 * g + 0.114 * b) * 219.0 / 255.0;
    return (luma - RampBase) / RampSlope;
}

bool BuildPlayableDisc(const QString &discPath, PlayableDisc *out, const PlayableOptions &options,
                       QString *error) {
    PlayableDisc disc;
    disc.Path = discPath;
    disc.DiscName = "Tavrell Test Disc";
    disc.Thumbnail = QStringLiteral("thumb.png");

    // An empty stub disc gives the folders; the clips and playlists come next.
    if (!WriteSyntheticDisc(discPath, SyntheticDisc{}, error))
        return false;

    // Each clip has its own tint (blue, red, green) and a brightness ramp over its own time,
    // so a picture tells which clip plays and how far into it.
    const struct { int Cb, Cr; } tints[] = {{170, 128}, {128, 170}, {90, 90}};
    const QString size = QStringLiteral("%1x%2").arg(options.Width).arg(options.Height);
    const int seconds = options.ClipSeconds;
    // The subtitles are the same in every clip; ffmpeg moves each input to start at 0, so
    // each is put back to its first display set's time.
    QStringList subtitleInputs;
    for (const PlayableDisc::Subtitle &sub : PlayableDisc::Subtitles) {
        const QString sup = Bdmv(discPath, QStringLiteral("STREAM/%1.sup").arg(sub.Pid));
        if (!WriteBytes(sup, SubtitleStream(sub, seconds))) {
            SetError(error, QStringLiteral("cannot write ") + sup);
            return false;
        }
        subtitleInputs << QStringLiteral("-itsoffset") << QString::number(sub.FirstSecond)
                       << QStringLiteral("-i") << sup;
    }
    for (int k = 0; k < 3; ++k) {
        const QByteArray name = QByteArray::number(k + 1).rightJustified(5, '0');
        const QString m2ts =
            Bdmv(discPath, QStringLiteral("STREAM/%1.m2ts").arg(QString::fromLatin1(name)));
        // Timestamps run on from clip to clip (each clip starts where the one before ended).
        QStringList args = {
            QStringLiteral("-hide_banner"),
            QStringLiteral("-loglevel"),
            QStringLiteral("error"),
            QStringLiteral("-y"),
            QStringLiteral("-f"),
            QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            QStringLiteral(
                "color=c=black:s=%1:r=25:d=%2,format=yuv420p,geq=lum='%3+%4*T':cb=%5:cr=%6")
                .arg(size)
                .arg(seconds)
                .arg(PlayableDisc::RampBase)
                .arg(PlayableDisc::RampSlope)
                .arg(tints[k].Cb)
                .arg(tints[k].Cr),
            QStringLiteral("-f"),
            QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            QStringLiteral("sine=frequency=440:sample_rate=48000:duration=%1").arg(seconds),
            QStringLiteral("-f"),
            QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            QStringLiteral("sine=frequency=880:sample_rate=48000:duration=%1").arg(seconds)};
        args << subtitleInputs;
        args << QStringList{
            QStringLiteral("-map"), QStringLiteral("0:v"), QStringLiteral("-map"),
            QStringLiteral("1:a"), QStringLiteral("-map"), QStringLiteral("2:a"),
            QStringLiteral("-map"), QStringLiteral("3:s"), QStringLiteral("-map"),
            QStringLiteral("4:s"), QStringLiteral("-c:s"), QStringLiteral("copy"),
            QStringLiteral("-streamid"), QStringLiteral("3:0x1200"), QStringLiteral("-streamid"),
            QStringLiteral("4:0x1201"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
            QStringLiteral("-preset"), QStringLiteral("ultrafast"),
            // MPlayer's own TS demuxer takes time_scale / num_units_in_tick as the frame rate,
            // where x264 writes the field rate (50): it would play the clips at double speed.
            QStringLiteral("-bsf:v"), QStringLiteral("h264_metadata=tick_rate=25"),
            QStringLiteral("-g"), QStringLiteral("25"), QStringLiteral("-keyint_min"),
            QStringLiteral("25"), QStringLiteral("-sc_threshold"), QStringLiteral("0"),
            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"),
            QStringLiteral("ac3"), QStringLiteral("-b:a"), QStringLiteral("96k"),
            QStringLiteral("-streamid"), QStringLiteral("0:0x1011"), QStringLiteral("-streamid"),
            QStringLiteral("1:0x1100"), QStringLiteral("-streamid"), QStringLiteral("2:0x1101"),
            QStringLiteral("-mpegts_pmt_start_pid"), QStringLiteral("0x100"),
            QStringLiteral("-output_ts_offset"),
            QString::number(options.StartSeconds + k * seconds), QStringLiteral("-f"),
            QStringLiteral("mpegts"), QStringLiteral("-mpegts_m2ts_mode"), QStringLiteral("1"),
            m2ts};
        if (!RunFfmpeg(options.Ffmpeg, args, error))
            return false;

        QFile f(m2ts);
        if (!f.open(QIODevice::ReadOnly)) {
            SetError(error, QStringLiteral("cannot read ") + m2ts);
            return false;
        }
        QByteArray ts = f.readAll();
        f.close();
        // Pad to whole aligned units with null packets.
        const qsizetype tail = ts.size() % UnitSize;
        if (tail % PacketSize != 0) {
            SetError(error, QStringLiteral("not 192-byte packets: ") + m2ts);
            return false;
        }
        if (tail)
            ts.append(NullStream(1).left(UnitSize - tail));
        ScanResult scan;
        if (!ScanAndClear(ts, 0x1011, &scan) || !WriteBytes(m2ts, ts)) {
            SetError(error, QStringLiteral("no key frames found in ") + m2ts);
            return false;
        }

        PlayableDisc::Clip clip;
        clip.Name = name;
        clip.InTicks = quint32(scan.FirstPts / 2);
        clip.OutTicks = clip.InTicks + quint32(seconds) * 45000;
        disc.Clips.append(clip);

        ClipInfoSpec info;
        info.SourcePackets = scan.Packets;
        info.PresentationStart = clip.InTicks;
        info.PresentationEnd = clip.OutTicks;
        info.PcrPid = 0x1011;
        ClipStream video;
        video.Format = 3; // 480p: the nearest disc format to the small picture
        video.Rate = 3;   // 25
        video.Aspect = 2; // 4:3
        ClipStream english;
        english.Pid = 0x1100;
        english.Coding = CodingAc3;
        english.Format = 3;
        english.Rate = 1;
        ClipStream french = english;
        french.Pid = 0x1101;
        french.Language = "fra";
        info.Streams = {video, english, french};
        for (const PlayableDisc::Subtitle &sub : PlayableDisc::Subtitles) {
            ClipStream graphics;
            graphics.Pid = sub.Pid;
            graphics.Coding = CodingPg;
            graphics.Language = sub.Language;
            info.Streams.append(graphics);
        }
        info.EntryPoints = scan.EntryPoints;
        if (!WriteBytes(
                Bdmv(discPath, QStringLiteral("CLIPINF/%1.clpi").arg(QString::fromLatin1(name))),
                WriteClipInfo(info))) {
            SetError(error, QStringLiteral("cannot write clip info"));
            return false;
        }
    }

    for (const PlayableDisc::Subtitle &sub : PlayableDisc::Subtitles)
        QFile::remove(Bdmv(discPath, QStringLiteral("STREAM/%1.sup").arg(sub.Pid)));

    // Play items: the whole clip, or `ms` of it from its start, with the disc's streams.
    auto item = [&disc](int clip, quint32 fromMs, quint32 toMs, quint8 connection) {
        const PlayableDisc::Clip &c = disc.Clips[clip];
        PlayItemSpec p;
        p.Clip = c.Name;
        p.In = c.InTicks + Ticks(fromMs);
        p.Out = toMs ? c.InTicks + Ticks(toMs) : c.OutTicks;
        p.Connection = connection;
        StreamEntry v = StreamEntry::Video();
        v.Format = 3;
        v.Rate = 3;
        p.Video = {v};
        p.Audio = {StreamEntry::Audio("eng", CodingAc3, 0x1100),
                   StreamEntry::Audio("fra", CodingAc3, 0x1101)};
        // fra first: unlike MPlayer's numbering, which starts with the lower PID here.
        for (const PlayableDisc::Subtitle &sub : PlayableDisc::Subtitles)
            p.Subtitles.prepend(StreamEntry::Graphics(sub.Language, sub.Pid));
        return p;
    };
    auto durationMs = [](const PlayItemSpec &p) { return (p.Out - p.In) / 45; };
    struct Plan {
        QString File;
        QList<PlayItemSpec> Items;
        QList<int> Clips;
        QList<QPair<int, quint32>> Chapters; // item, ms into the item
    };
    const quint32 clipMs = quint32(seconds) * 1000;
    const QList<Plan> plans = {
        {QStringLiteral("00001.mpls"),
         {item(0, 0, 0, 1), item(1, 0, 0, 5), item(2, 0, 0, 5)},
         {0, 1, 2},
         {{0, 0}, {1, 0}, {1, 2000}, {2, 0}}},
        {QStringLiteral("00003.mpls"), {item(2, 0, 0, 1)}, {2}, {{0, 0}, {0, 2000}}},
        {QStringLiteral("00004.mpls"),
         {item(0, 0, 1000, 1), item(1, 0, 0, 1), item(0, 0, 1000, 1), item(0, 0, 1000, 1)},
         {0, 1, 0, 0},
         {{0, 0}, {1, 0}}},
        {QStringLiteral("00005.mpls"), {item(1, 1000, clipMs, 1)}, {1}, {{0, 0}}},
    };
    QByteArray mainBytes;
    for (const Plan &plan : plans) {
        PlaylistSpec spec;
        spec.Items = plan.Items;
        PlayableDisc::Title title;
        title.Playlist = plan.File;
        title.ClipIndexes = plan.Clips;
        QList<quint32> offsets;
        for (const PlayItemSpec &p : plan.Items) {
            offsets.append(title.DurationMs);
            title.DurationMs += durationMs(p);
        }
        for (const auto &[index, ms] : plan.Chapters) {
            MarkSpec m;
            m.Item = quint16(index);
            m.Time = plan.Items[index].In + Ticks(ms);
            m.Pid = 0x1011;
            spec.Marks.append(m);
            title.ChapterMs.append(offsets[index] + ms);
        }
        const QByteArray bytes = WriteMoviePlaylist(spec);
        if (!WriteBytes(Bdmv(discPath, QStringLiteral("PLAYLIST/") + plan.File), bytes)) {
            SetError(error, QStringLiteral("cannot write ") + plan.File);
            return false;
        }
        disc.Titles.append(title);
        if (plan.File == QStringLiteral("00001.mpls")) {
            mainBytes = bytes;
            // A byte copy of the main title, written right after it.
            PlayableDisc::Title copy = title;
            copy.Playlist = QStringLiteral("00002.mpls");
            if (!WriteBytes(Bdmv(discPath, QStringLiteral("PLAYLIST/00002.mpls")), bytes)) {
                SetError(error, QStringLiteral("cannot write 00002.mpls"));
                return false;
            }
            disc.Titles.append(copy);
        }
    }
    QList<int> numbers;
    for (const PlayableDisc::Title &t : disc.Titles)
        numbers.append(t.Playlist.left(5).toInt());
    if (!WriteBytes(Bdmv(discPath, QStringLiteral("index.bdmv")), WriteIndex(numbers.size())) ||
        !WriteBytes(Bdmv(discPath, QStringLiteral("MovieObject.bdmv")),
                    WriteMovieObjects(numbers))) {
        SetError(error, QStringLiteral("cannot write index.bdmv"));
        return false;
    }

    // The thumbnail: an orange picture, unlike every clip.
    const QString thumb = Bdmv(discPath, QStringLiteral("META/DL/")) + disc.Thumbnail;
    if (!QDir().mkpath(QFileInfo(thumb).absolutePath()) ||
        !RunFfmpeg(options.Ffmpeg,
                   {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                    QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                    QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("color=c=0xE08020:s=160x90:d=1"), QStringLiteral("-frames:v"),
                    QStringLiteral("1"), thumb},
                   error))
        return false;
    if (!WriteBytes(Bdmv(discPath, QStringLiteral("META/DL/bdmt_eng.xml")),
                    WriteDiscMetadataXml(disc.DiscName, disc.Thumbnail.toUtf8()))) {
        SetError(error, QStringLiteral("cannot write the disc metadata"));
        return false;
    }
    if (out)
        *out = disc;
    return true;
}

} // namespace bdfixture
