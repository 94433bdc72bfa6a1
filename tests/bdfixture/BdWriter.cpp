#include "BdWriter.h"

namespace bdfixture {

void PutU8(QByteArray &bytes, qsizetype offset, quint8 value) {
    if (offset >= 0 && offset < bytes.size())
        bytes[offset] = char(value);
}

void PutU16(QByteArray &bytes, qsizetype offset, quint16 value) {
    PutU8(bytes, offset, quint8(value >> 8));
    PutU8(bytes, offset + 1, quint8(value));
}

void PutU32(QByteArray &bytes, qsizetype offset, quint32 value) {
    PutU16(bytes, offset, quint16(value >> 16));
    PutU16(bytes, offset + 2, quint16(value));
}

quint16 GetU16(const QByteArray &bytes, qsizetype offset) {
    if (offset < 0 || offset + 2 > bytes.size())
        return 0;
    return quint16((quint8(bytes[offset]) << 8) | quint8(bytes[offset + 1]));
}

quint32 GetU32(const QByteArray &bytes, qsizetype offset) {
    return (quint32(GetU16(bytes, offset)) << 16) | GetU16(bytes, offset + 2);
}

namespace {

// Appends big-endian fields.
struct Out {
    QByteArray b;
    qsizetype Pos() const { return b.size(); }
    void U8(quint32 v) { b.append(char(v & 0xFF)); }
    void U16(quint32 v) {
        U8(v >> 8);
        U8(v);
    }
    void U32(quint32 v) {
        U16(v >> 16);
        U16(v);
    }
    void Zero(int n) { b.append(n, '\0'); }
    // Exactly n bytes: cut or padded with NUL.
    void Fixed(const QByteArray &text, int n) {
        QByteArray t = text.left(n);
        t.append(n - t.size(), '\0');
        b.append(t);
    }
    // Fills a 32-bit length field at `at` with the bytes written after it.
    void CloseLength32(qsizetype at) { PutU32(b, at, quint32(b.size() - at - 4)); }
    void CloseLength16(qsizetype at) { PutU16(b, at, quint16(b.size() - at - 2)); }
};

bool IsAudio(quint8 c) {
    return (c >= 0x80 && c <= 0x86) || c == 0xA1 || c == 0xA2 || c == 3 || c == 4;
}
bool IsVideo(quint8 c) {
    return c == 0x01 || c == 0x02 || c == 0x1B || c == 0xEA || c == 0x24;
}

void WriteStreamEntry(Out &o, const StreamEntry &s) {
    // Entry: the stream type and its PID (type 1: a stream of the play item's clip; 2: of a
    // sub-path's clip, after its sub-path and sub-clip ids; 3 and 4: after a sub-path id).
    const qsizetype entry = o.Pos();
    o.U8(0);
    o.U8(s.StreamType);
    if (s.StreamType == 2)
        o.Zero(2);
    else if (s.StreamType != 1)
        o.Zero(1);
    o.U16(s.Pid);
    o.Zero(s.StreamType == 1 ? 6 : s.StreamType == 2 ? 4 : 5);
    PutU8(o.b, entry, quint8(s.EntryLength >= 0 ? s.EntryLength : o.Pos() - entry - 1));

    const qsizetype attr = o.Pos();
    o.U8(0);
    if (!s.RawAttributes.isNull()) {
        o.b.append(s.RawAttributes);
    } else {
        o.U8(s.Coding);
        if (IsVideo(s.Coding)) {
            o.U8((s.Format << 4) | (s.Rate & 0x0F));
            o.Zero(3);
        } else if (IsAudio(s.Coding)) {
            o.U8((s.Format << 4) | (s.Rate & 0x0F));
            o.Fixed(s.Language, 3);
        } else if (s.Coding == CodingPg || s.Coding == CodingIg) {
            o.Fixed(s.Language, 3);
            o.Zero(1);
        } else if (s.Coding == CodingText) {
            o.U8(s.CharCode);
            o.Fixed(s.Language, 3);
        } else {
            o.Zero(4);
        }
    }
    PutU8(o.b, attr, quint8(s.AttributesLength >= 0 ? s.AttributesLength : o.Pos() - attr - 1));
}

// PIDs as discs number them: video 0x1011, audio 0x1100, PG 0x1200, IG 0x1400, text 0x1800.
StreamEntry WithPid(StreamEntry s, quint16 base, int index) {
    if (s.Pid == 0)
        s.Pid = quint16(base + index);
    return s;
}

void WriteStn(Out &o, const PlayItemSpec &item) {
    const qsizetype at = o.Pos();
    o.U16(0);
    o.Zero(2);
    o.U8(item.VideoCount >= 0 ? item.VideoCount : item.Video.size());
    o.U8(item.AudioCount >= 0 ? item.AudioCount : item.Audio.size());
    o.U8(item.SubtitleCount >= 0 ? item.SubtitleCount : item.Subtitles.size());
    o.U8(item.Interactive.size());
    o.Zero(4); // secondary audio, secondary video, PiP PG, Dolby Vision
    o.Zero(4);
    for (int i = 0; i < item.Video.size(); ++i)
        WriteStreamEntry(o, WithPid(item.Video[i], 0x1011, i));
    for (int i = 0; i < item.Audio.size(); ++i)
        WriteStreamEntry(o, WithPid(item.Audio[i], 0x1100, i));
    int pg = 0, text = 0;
    for (const StreamEntry &s : item.Subtitles) {
        if (s.Coding == CodingText)
            WriteStreamEntry(o, WithPid(s, 0x1800, text++));
        else
            WriteStreamEntry(o, WithPid(s, 0x1200, pg++));
    }
    for (int i = 0; i < item.Interactive.size(); ++i)
        WriteStreamEntry(o, WithPid(item.Interactive[i], 0x1400, i));
    o.CloseLength16(at);
}

} // namespace

StreamEntry StreamEntry::Video(quint8 coding, quint16 pid) {
    StreamEntry s;
    s.Coding = coding;
    s.Language.clear();
    s.Pid = pid;
    s.Format = 6; // 1080p
    s.Rate = 1;   // 23.976
    return s;
}

StreamEntry StreamEntry::Audio(const QByteArray &lang, quint8 coding, quint16 pid) {
    StreamEntry s;
    s.Coding = coding;
    s.Language = lang;
    s.Pid = pid;
    s.Format = 3; // stereo
    s.Rate = 1;   // 48 kHz
    return s;
}

StreamEntry StreamEntry::Graphics(const QByteArray &lang, quint16 pid) {
    StreamEntry s;
    s.Coding = CodingPg;
    s.Language = lang;
    s.Pid = pid;
    return s;
}

StreamEntry StreamEntry::TextSub(const QByteArray &lang, quint16 pid) {
    StreamEntry s;
    s.Coding = CodingText;
    s.Language = lang;
    s.Pid = pid;
    return s;
}

PlayItemSpec PlayItemSpec::Of(const QByteArray &clip, quint64 inMs, quint64 outMs) {
    PlayItemSpec p;
    p.Clip = clip;
    p.In = Ticks(inMs);
    p.Out = Ticks(outMs);
    p.Video.append(StreamEntry::Video());
    return p;
}

PlayItemSpec &PlayItemSpec::WithAudio(const QByteArray &lang, quint8 coding) {
    Audio.append(StreamEntry::Audio(lang, coding));
    return *this;
}

PlayItemSpec &PlayItemSpec::WithGraphics(const QByteArray &lang) {
    Subtitles.append(StreamEntry::Graphics(lang));
    return *this;
}

PlayItemSpec &PlayItemSpec::WithText(const QByteArray &lang) {
    Subtitles.append(StreamEntry::TextSub(lang));
    return *this;
}

MarkSpec MarkSpec::Chapter(quint16 item, quint64 ms) {
    MarkSpec m;
    m.Item = item;
    m.Time = Ticks(ms);
    return m;
}

PlaylistSpec PlaylistSpec::Sequential(const QList<PlayItemSpec> &items) {
    PlaylistSpec p;
    p.Items = items;
    for (int i = 0; i < items.size(); ++i) {
        MarkSpec m;
        m.Item = quint16(i);
        m.Time = items[i].In;
        p.Marks.append(m);
    }
    return p;
}

QByteArray WriteMoviePlaylist(const PlaylistSpec &spec, PlaylistLayout *layout) {
    PlaylistLayout where;
    Out o;
    o.Fixed(spec.Type, 4);
    o.Fixed(spec.Version, 4);
    o.U32(0); // PlayList start
    o.U32(0); // PlayListMark start
    o.U32(0); // extension data start: none
    o.Zero(20);

    // AppInfoPlayList
    const qsizetype app = o.Pos();
    o.U32(0);
    o.U8(0);
    o.U8(spec.PlaybackType);
    o.U16(0);      // playback count
    o.Zero(8);     // user operation mask
    o.U16(0x4000); // audio mix flag, as most discs have it
    o.CloseLength32(app);

    // PlayList
    where.PlayList = o.Pos();
    o.U32(0);
    o.U16(0);
    o.U16(spec.ItemCount >= 0 ? spec.ItemCount : spec.Items.size());
    o.U16(spec.SubPathCount >= 0 ? spec.SubPathCount : spec.SubPaths);
    for (const PlayItemSpec &item : spec.Items) {
        const qsizetype at = o.Pos();
        where.PlayItems.append(at);
        o.U16(0);
        o.Fixed(item.Clip, 5);
        o.Fixed(item.Codec, 4);
        o.U8(0);
        o.U8((item.MultiAngle ? 0x10 : 0) | (item.Connection & 0x0F));
        o.U8(item.StcId);
        o.U32(item.In);
        o.U32(item.Out);
        o.Zero(8); // user operation mask
        o.U8(0);   // random access flag
        o.U8(0);   // still mode
        o.U16(0);  // still time
        if (item.MultiAngle) {
            o.U8(item.AngleCount >= 0 ? item.AngleCount : 1 + item.AngleClips.size());
            o.U8(0);
            for (const QByteArray &clip : item.AngleClips) {
                o.Fixed(clip, 5);
                o.Fixed(item.Codec, 4);
                o.U8(item.StcId);
            }
        }
        where.StnTables.append(o.Pos());
        WriteStn(o, item);
        if (item.LengthField >= 0)
            PutU16(o.b, at, quint16(item.LengthField));
        else
            o.CloseLength16(at);
    }
    for (int i = 0; i < spec.SubPaths; ++i) {
        const qsizetype at = o.Pos();
        o.U32(0);
        o.U8(0);
        o.U8(3); // sub-path type: interactive graphics presentation menu
        o.U16(0);
        o.U8(0);
        o.U8(0); // no sub play items
        o.CloseLength32(at);
    }
    o.CloseLength32(where.PlayList);

    // PlayListMark
    where.PlayListMark = o.Pos();
    o.U32(0);
    o.U16(spec.MarkCount >= 0 ? spec.MarkCount : spec.Marks.size());
    for (const MarkSpec &m : spec.Marks) {
        where.Marks.append(o.Pos());
        o.U8(0);
        o.U8(m.Type);
        o.U16(m.Item);
        o.U32(m.Time);
        o.U16(m.Pid);
        o.U32(m.Duration);
    }
    o.CloseLength32(where.PlayListMark);

    PutU32(o.b, 8, quint32(spec.PlayListStart >= 0 ? spec.PlayListStart : where.PlayList));
    PutU32(o.b, 12, quint32(spec.MarkStart >= 0 ? spec.MarkStart : where.PlayListMark));
    if (layout)
        *layout = where;
    return o.b;
}

QByteArray WriteClipInfo(const ClipInfoSpec &spec) {
    Out o;
    o.Fixed("HDMV", 4);
    o.Fixed(spec.Version, 4);
    o.Zero(4 * 5); // SequenceInfo, ProgramInfo, CPI, ClipMark, extension data starts
    o.Zero(12);

    // ClipInfo
    const qsizetype clip = o.Pos();
    o.U32(0);
    o.U16(0);
    o.U8(1);  // clip stream type: AV stream
    o.U8(1);  // application type: main TS of a movie
    o.U32(0); // is_atc_delta = 0
    o.U32(spec.RecordingRate);
    o.U32(spec.SourcePackets);
    o.Zero(128);
    o.U16(0); // no TS type info
    o.CloseLength32(clip);

    // SequenceInfo: one ATC sequence with one STC sequence from packet 0.
    const qsizetype seq = o.Pos();
    o.U32(0);
    o.U8(0);
    o.U8(1); // ATC sequences
    o.U32(0);
    o.U8(1); // STC sequences
    o.U8(0); // offset STC id
    o.U16(spec.PcrPid);
    o.U32(0);
    o.U32(spec.PresentationStart);
    o.U32(spec.PresentationEnd);
    o.CloseLength32(seq);

    // ProgramInfo: one program from packet 0.
    const qsizetype prog = o.Pos();
    o.U32(0);
    o.U8(0);
    o.U8(1);
    o.U32(0);
    o.U16(spec.PmtPid);
    o.U8(spec.Streams.size());
    o.U8(0); // program groups
    for (const ClipStream &s : spec.Streams) {
        o.U16(s.Pid);
        const qsizetype attr = o.Pos();
        o.U8(0);
        o.U8(s.Coding);
        if (IsVideo(s.Coding)) {
            o.U8((s.Format << 4) | (s.Rate & 0x0F));
            o.U8(s.Aspect << 4);
            o.Zero(3);
        } else if (IsAudio(s.Coding)) {
            o.U8((s.Format << 4) | (s.Rate & 0x0F));
            o.Fixed(s.Language, 3);
            o.Zero(1);
        } else if (s.Coding == CodingText) {
            o.U8(1);
            o.Fixed(s.Language, 3);
        } else {
            o.Fixed(s.Language, 3);
            o.Zero(1);
        }
        PutU8(o.b, attr, quint8(o.Pos() - attr - 1));
    }
    o.CloseLength32(prog);

    // CPI: an EP map for the video stream, coarse entries where the upper bits change.
    const qsizetype cpi = o.Pos();
    o.U32(0);
    o.U16(1); // CPI type 1: EP map
    const qsizetype epMap = o.Pos();
    QList<int> coarseAt; // index of the fine entry each coarse entry refers to
    for (int i = 0; i < spec.EntryPoints.size(); ++i) {
        const EntryPoint &e = spec.EntryPoints[i];
        if (i == 0) {
            coarseAt.append(i);
            continue;
        }
        const EntryPoint &c = spec.EntryPoints[coarseAt.last()];
        if ((e.Pts >> 19) != (c.Pts >> 19) || (e.Spn >> 17) != (c.Spn >> 17))
            coarseAt.append(i);
    }
    o.U8(0);
    o.U8(1); // one stream PID
    o.U16(spec.EpPid);
    // 10 reserved bits, EP stream type 4 bits (1: video), coarse count 16, fine count 18
    const quint64 bits = (quint64(1) << 34) | (quint64(coarseAt.size() & 0xFFFF) << 18) |
                         quint64(spec.EntryPoints.size() & 0x3FFFF);
    for (int shift = 40; shift >= 0; shift -= 8)
        o.U8(quint8(bits >> shift));
    const qsizetype startField = o.Pos();
    o.U32(0);
    const qsizetype stream = o.Pos();
    PutU32(o.b, startField, quint32(stream - epMap));
    o.U32(0); // fine table start, relative to the stream block
    for (int k = 0; k < coarseAt.size(); ++k) {
        const EntryPoint &e = spec.EntryPoints[coarseAt[k]];
        o.U32((quint32(coarseAt[k]) << 14) | ((e.Pts >> 18) & 0x3FFF));
        o.U32(e.Spn);
    }
    PutU32(o.b, stream, quint32(o.Pos() - stream));
    for (const EntryPoint &e : spec.EntryPoints) {
        // angle change point 1 bit, end position offset 3 bits, PTS 11 bits, SPN 17 bits
        o.U32((1u << 28) | (((e.Pts >> 8) & 0x7FF) << 17) | (e.Spn & 0x1FFFF));
    }
    o.CloseLength32(cpi);

    // ClipMark: empty.
    const qsizetype mark = o.Pos();
    o.U32(0);

    PutU32(o.b, 8, quint32(seq));
    PutU32(o.b, 12, quint32(prog));
    PutU32(o.b, 16, quint32(cpi));
    PutU32(o.b, 20, quint32(mark));
    PutU32(o.b, 24, 0);
    return o.b;
}

QByteArray WriteIndex(int titles, const QByteArray &version) {
    Out o;
    o.Fixed("INDX", 4);
    o.Fixed(version, 4);
    o.U32(0); // indexes start
    o.U32(0); // extension data start
    o.Zero(24);
    // AppInfoBDMV: 34 bytes
    o.U32(34);
    o.Zero(34);
    const qsizetype index = o.Pos();
    PutU32(o.b, 8, quint32(index));
    o.U32(0);
    auto hdmvObject = [&o](int object) {
        o.U32(0x40000000); // object type 1 (HDMV)
        o.U16(0x0000);     // playback type 0: movie
        o.U16(quint16(object));
        o.U32(0);
    };
    hdmvObject(0); // first play
    hdmvObject(0); // top menu
    o.U16(quint16(titles));
    for (int i = 0; i < titles; ++i)
        hdmvObject(i);
    o.CloseLength32(index);
    return o.b;
}

QByteArray WriteMovieObjects(const QList<int> &playlists, const QByteArray &version) {
    Out o;
    o.Fixed("MOBJ", 4);
    o.Fixed(version, 4);
    o.U32(0); // extension data start
    o.Zero(28);
    const qsizetype at = o.Pos();
    o.U32(0);
    o.U32(0);
    o.U16(quint16(playlists.size()));
    for (int playlist : playlists) {
        o.U16(0x0000); // resume intention, menu call mask, title search mask
        o.U16(1);      // one command
        // PlayPL with an immediate operand: op count 1, group branch, sub-group play.
        o.U32(0x22800000);
        o.U32(quint32(playlist));
        o.U32(0);
    }
    o.CloseLength32(at);
    return o.b;
}

QByteArray WriteDiscMetadataXml(const QByteArray &name, const QByteArray &thumbnail,
                                const QByteArray &thumbnailSize) {
    QByteArray x;
    x += "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";
    x += "<disclib xmlns=\"urn:BDA:bdmv;disclib\" xmlns:di=\"urn:BDA:bdmv;discinfo\">\n";
    x += "  <di:discinfo>\n";
    x += "    <di:date>2026-01-01</di:date>\n";
    x += "    <di:language>eng</di:language>\n";
    if (!name.isEmpty()) {
        x += "    <di:title>\n";
        x += "      <di:name>" + name + "</di:name>\n";
        x += "    </di:title>\n";
    }
    if (!thumbnail.isEmpty()) {
        x += "    <di:description>\n";
        x += "      <di:thumbnail href=\"" + thumbnail + "\"";
        if (!thumbnailSize.isEmpty())
            x += " size=\"" + thumbnailSize + "\"";
        x += " />\n";
        x += "    </di:description>\n";
    }
    x += "  </di:discinfo>\n";
    x += "</disclib>\n";
    return x;
}

} // namespace bdfixture
