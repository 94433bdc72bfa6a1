// The fixture writers checked against libbluray's own readers: if libbluray reads back what
// was asked for, the tests that rely on the writers test our code against real layouts.
#include "BdTree.h"
#include "BdWriter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <libbluray/bluray.h>
#include <libbluray/clpi_data.h>
#include <libbluray/log_control.h>

using namespace bdfixture;

class TestBdFixture : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { bd_set_debug_mask(0); }
    void clipInfoReadsBack();
    void playlistsReadBack();
    void brokenMarkBlockIsRejected();
};

void TestBdFixture::clipInfoReadsBack() {
    QTemporaryDir dir;
    ClipInfoSpec spec;
    spec.SourcePackets = 4096;
    spec.PresentationStart = 63000;
    spec.PresentationEnd = 63000 + 225000;
    ClipStream audio;
    audio.Pid = 0x1100;
    audio.Coding = CodingAc3;
    audio.Language = "fra";
    spec.Streams = {ClipStream{}, audio};
    // Entry points crossing coarse boundaries of both the time and the packet number.
    spec.EntryPoints = {{63000, 0}, {108000, 300}, {63000 + (1u << 19), 140000}, {900000, 140100}};
    const QString path = dir.filePath(QStringLiteral("00001.clpi"));
    QVERIFY(WriteBytes(path, WriteClipInfo(spec)));

    CLPI_CL *cl = bd_read_clpi(QFile::encodeName(path).constData());
    QVERIFY(cl);
    QCOMPARE(cl->clip.num_source_packets, 4096u);
    QCOMPARE(int(cl->sequence.num_atc_seq), 1);
    QCOMPARE(cl->sequence.atc_seq[0].stc_seq[0].presentation_start_time, 63000u);
    QCOMPARE(cl->sequence.atc_seq[0].stc_seq[0].presentation_end_time, 288000u);
    QCOMPARE(int(cl->program.progs[0].num_streams), 2);
    QCOMPARE(int(cl->program.progs[0].streams[0].aspect), 3);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(cl->program.progs[0].streams[1].lang)),
             QByteArray("fra"));
    QCOMPARE(int(cl->cpi.num_stream_pid), 1);
    const CLPI_EP_MAP_ENTRY &ep = cl->cpi.entry[0];
    QCOMPARE(int(ep.pid), 0x1011);
    QCOMPARE(int(ep.num_ep_fine), spec.EntryPoints.size());
    // libbluray's own reconstruction of an entry's time and packet (clpi_lookup_spn).
    int coarse = 0;
    for (int fine = 0; fine < int(ep.num_ep_fine); ++fine) {
        while (coarse + 1 < int(ep.num_ep_coarse) &&
               int(ep.coarse[coarse + 1].ref_ep_fine_id) <= fine)
            ++coarse;
        const quint64 pts = (quint64(ep.coarse[coarse].pts_ep & ~0x01) << 18) +
                            (quint64(ep.fine[fine].pts_ep) << 8);
        const quint32 spn = (ep.coarse[coarse].spn_ep & ~0x1FFFF) + ep.fine[fine].spn_ep;
        QCOMPARE(pts, quint64(spec.EntryPoints[fine].Pts) & ~quint64(0xFF));
        QCOMPARE(spn, spec.EntryPoints[fine].Spn);
    }
    bd_free_clpi(cl);
}

void TestBdFixture::playlistsReadBack() {
    QTemporaryDir dir;
    SyntheticDisc disc;
    disc.Clips = {{"00010", 60000}, {"00011", 60000}, {"00012", 60000}};
    PlaylistSpec a;
    a.Items = {
        PlayItemSpec::Of("00010", 1000, 31000).WithAudio("eng").WithAudio("deu", CodingTrueHd),
        PlayItemSpec::Of("00011", 0, 20000).WithGraphics("fra").WithText("jpn")};
    a.Items[1].MultiAngle = true;
    a.Items[1].AngleClips = {"00012"};
    a.Marks = {MarkSpec::Chapter(0, 1000), MarkSpec::Chapter(0, 11000), MarkSpec::Chapter(1, 5000)};
    MarkSpec link;
    link.Type = 2;
    link.Item = 1;
    link.Time = Ticks(2000);
    a.Marks.append(link);
    a.SubPaths = 2;
    disc.Playlists = {{QStringLiteral("00001.mpls"), WriteMoviePlaylist(a)},
                      {QStringLiteral("00002.mpls"), WriteMoviePlaylist(a)}};
    disc.Index = true;
    QVERIFY(WriteSyntheticDisc(dir.path(), disc));

    BLURAY *bd = bd_open(QFile::encodeName(dir.path()).constData(), nullptr);
    QVERIFY(bd);
    QCOMPARE(int(bd_get_titles(bd, TITLES_ALL, 0)), 2);
    BLURAY_TITLE_INFO *ti = bd_get_playlist_info(bd, 1, 0);
    QVERIFY(ti);
    QCOMPARE(int(ti->clip_count), 2);
    QCOMPARE(QByteArray(ti->clips[1].clip_id), QByteArray("00011"));
    QCOMPARE(ti->clips[0].in_time, quint64(Ticks(1000)) * 2);
    QCOMPARE(ti->duration, quint64(Ticks(50000)) * 2);
    QCOMPARE(int(ti->angle_count), 2);
    QCOMPARE(int(ti->chapter_count), 3);
    QCOMPARE(ti->chapters[1].start, quint64(Ticks(10000)) * 2);
    QCOMPARE(ti->chapters[2].start, quint64(Ticks(35000)) * 2);
    QCOMPARE(int(ti->mark_count), 4);
    QCOMPARE(int(ti->clips[0].audio_stream_count), 2);
    QCOMPARE(int(ti->clips[0].audio_streams[1].coding_type), int(CodingTrueHd));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(ti->clips[0].audio_streams[1].lang)),
             QByteArray("deu"));
    // PG and text subtitles share one group of the stream table.
    QCOMPARE(int(ti->clips[1].pg_stream_count), 2);
    QCOMPARE(int(ti->clips[1].pg_streams[1].coding_type), int(CodingText));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(ti->clips[1].pg_streams[1].lang)),
             QByteArray("jpn"));
    bd_free_title_info(ti);
    // The byte copy is left out of the relevant list.
    QCOMPARE(int(bd_get_titles(bd, TITLES_RELEVANT, 0)), 1);
    bd_close(bd);
}

void TestBdFixture::brokenMarkBlockIsRejected() {
    QTemporaryDir dir;
    SyntheticDisc disc;
    disc.Clips = {{"00001", 30000}};
    PlaylistSpec good = PlaylistSpec::Sequential({PlayItemSpec::Of("00001", 0, 30000)});
    PlaylistSpec bad = good;
    bad.MarkCount = 100; // marks beyond the end of the file
    disc.Playlists = {{QStringLiteral("00001.mpls"), WriteMoviePlaylist(good)},
                      {QStringLiteral("00002.mpls"), WriteMoviePlaylist(bad)}};
    QVERIFY(WriteSyntheticDisc(dir.path(), disc));
    BLURAY *bd = bd_open(QFile::encodeName(dir.path()).constData(), nullptr);
    QVERIFY(bd);
    QCOMPARE(int(bd_get_titles(bd, TITLES_ALL, 0)), 1);
    bd_close(bd);
}

QTEST_GUILESS_MAIN(TestBdFixture)
#include "test_bdfixture.moc"
