// Media that tries to steer the program through what the real mplayer prints: tags, file and
// folder names reach its output verbatim, line breaks included. Under Xvfb, with ffmpeg-made
// clips; and the fake player for output no real file produces.
#include "BdTree.h"
#include "FreezeMeter.h"
#include "TestConfig.h"
#include "WindowFixture.h"
#include "player/Clock.h"
#include "ui/DRUI.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSlider>
#include <QStackedLayout>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <unistd.h>

namespace {

bool MakeClip(const QString &path, int seconds, const QStringList &metadata = {}) {
    const QString d = QString::number(seconds);
    QStringList args{QStringLiteral("-v"),
                     QStringLiteral("error"),
                     QStringLiteral("-y"),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     QStringLiteral("testsrc=s=320x240:r=25:d=%1").arg(d),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     QStringLiteral("sine=d=%1").arg(d),
                     QStringLiteral("-c:v"),
                     QStringLiteral("libx264"),
                     QStringLiteral("-pix_fmt"),
                     QStringLiteral("yuv420p"),
                     QStringLiteral("-c:a"),
                     QStringLiteral("aac"),
                     QStringLiteral("-shortest")};
    for (const QString &tag : metadata)
        args << QStringLiteral("-metadata") << tag;
    args << path;
    QProcess ffmpeg;
    ffmpeg.setStandardOutputFile(QProcess::nullDevice());
    ffmpeg.setStandardErrorFile(QProcess::nullDevice());
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0 && QFile::exists(path);
}

QByteArray Picture(const char *format) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Peak resident memory of this process since the last ResetPeakMemory, in MiB.
double PeakMiB() {
    for (const QByteArray &line : ReadAll(QStringLiteral("/proc/self/status")).split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

// What the position label says, in seconds: on a loaded machine the first answer may come
// when the clock is past its first second already.
qint64 PlayedSeconds(const DRUI &w) {
    return ParseClock(w.PositionLabel->text().trimmed().toLatin1());
}

bool ResetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

} // namespace

class HostileMediaTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestUser> user;
    std::unique_ptr<DRUI> window;
    QString home, shots;
    QMap<QString, QByteArray> victims; // path -> content

    DRUI &NewWindow() {
        window = std::make_unique<DRUI>();
        window->InitWindow();
        window->setGeometry(40, 40, 1000, 680);
        window->show();
        return *window;
    }

    void VerifyVictimsUntouched() {
        for (auto it = victims.cbegin(); it != victims.cend(); ++it)
            QVERIFY2(ReadAll(it.key()) == it.value(), qPrintable(it.key()));
    }

    // The program runs "Player" beside itself when there is one: only the tests of the fake
    // have it (this program runs in a folder of its own).
    static QString FakeBeside() {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/Player");
    }
    static bool UseFake() {
        QFile::remove(FakeBeside());
        return QFile::copy(QStringLiteral(TAVRELL_FAKE_PLAYER), FakeBeside());
    }

    QStringList Snapshots() const { return QDir(shots).entryList(QDir::Files); }

    // Plays the clip with the real player until it has played a second and a half, then
    // checks that nothing was touched, then takes a real snapshot.
    void PlayAndSnap(const QString &clip) {
        DRUI &w = NewWindow();
        w.PlayListAddFiles({clip});
        QVERIFY(w.PlayerProcess);
        // The player answers only once it has printed the whole header, tags and names.
        QTRY_VERIFY_WITH_TIMEOUT(!w.PositionText.isEmpty(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(PlayedSeconds(w) >= 1, 8000);
        QCOMPARE(w.PageStack->currentIndex(), 2);
        VerifyVictimsUntouched();
        QCOMPARE(Snapshots(), QStringList());

        w.Snapshot();
        QTRY_COMPARE_WITH_TIMEOUT(Snapshots().size(), 1, 8000);
        const QString snapshot = shots + QLatin1Char('/') + Snapshots().constFirst();
        QCOMPARE(QImage(snapshot).size(), QSize(320, 240));
        // The player's own shot file is gone, and only it.
        QTRY_VERIFY_WITH_TIMEOUT(
            QDir(w.AppDataFolder).entryList({QStringLiteral("*.png")}, QDir::Files).isEmpty(),
            5000);
        VerifyVictimsUntouched();
        QFile::remove(snapshot);
        w.StopBtn();
        window.reset();
    }

private slots:
    void initTestCase() {
        for (const char *program : {"mplayer", "ffmpeg", "ffprobe"})
            QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(program)).isEmpty(), program);
        user = std::make_unique<TestUser>();
        home = user->Root() + QStringLiteral("/home");
        shots = home + QStringLiteral("/Documents/Tavrell DVD Player");
        // Relative names in the reports are read from the player's working folder, which is
        // ours: make it the home folder, where such pictures would be.
        QVERIFY(QDir::setCurrent(home));
        for (const char *name : {"victim.png", "victim3.png", "Pictures/holiday.jpg",
                                 "Pictures/second.jpg", "Documents/0001.png"}) {
            const QString path = home + QLatin1Char('/') + QLatin1String(name);
            const QByteArray content =
                Picture(path.endsWith(QLatin1String("jpg")) ? "JPEG" : "PNG");
            WriteFile(path, content);
            victims.insert(path, content);
        }
    }

    // Each test starts with the pictures as they were, so a failure names its own culprit.
    void init() {
        for (auto it = victims.cbegin(); it != victims.cend(); ++it)
            WriteFile(it.key(), it.value());
        QDir(shots).removeRecursively();
    }

    void cleanup() {
        window.reset();
        QFile::remove(FakeBeside());
    }

    void titleNamingAPicture() {
        const QString clip = user->NewFolder(QStringLiteral("clips")) + QStringLiteral("/t.mkv");
        QVERIFY(MakeClip(
            clip, 6,
            {QStringLiteral("title=Trailer *** screenshot '%1/victim.png' ***").arg(home)}));
        PlayAndSnap(clip);
    }

    void commentLinesImitatingThePlayer() {
        const QString clip = user->NewFolder(QStringLiteral("clips2")) + QStringLiteral("/c.mkv");
        // Each line on its own, as the player prints them: a report of a picture, one of a
        // file in the data folder's name pattern elsewhere, and its own shot name pattern.
        const QString comment = QStringLiteral("notes\n*** screenshot 'Pictures/holiday.jpg' ***\n"
                                               "*** screenshot '%1/Documents/0001.png' ***\n"
                                               "*** screenshot '%2' ***\n")
                                    .arg(home, home + QStringLiteral("/victim.png"));
        QVERIFY(MakeClip(clip, 6, {QStringLiteral("comment=") + comment}));
        PlayAndSnap(clip);
    }

    void folderNamedLikeAReport() {
        const QString folder =
            user->NewFolder(QStringLiteral("*** screenshot 'Pictures/second.jpg' ***"));
        QVERIFY(QFileInfo(folder).isDir());
        const QString clip = folder + QStringLiteral("/clean.mp4");
        QVERIFY(MakeClip(clip, 6));
        PlayAndSnap(clip);
    }

    void fileNameWithALineBreak() {
        const QString folder = user->NewFolder(QStringLiteral("clips3"));
        const QString clip = folder + QStringLiteral("/film\n*** screenshot 'victim3.png' ***.mp4");
        QVERIFY(MakeClip(folder + QStringLiteral("/plain.mp4"), 6));
        QVERIFY(QFile::rename(folder + QStringLiteral("/plain.mp4"), clip));
        PlayAndSnap(clip);
    }

    // Tags saying the film has ended do not end it; the real end still does.
    void endOfFileInTags() {
        const QString clip = user->NewFolder(QStringLiteral("clips4")) + QStringLiteral("/e.mkv");
        QVERIFY(
            MakeClip(clip, 5,
                     {QStringLiteral("title=(End of file)"),
                      QStringLiteral("comment=x\nExiting... (End of file)\nExiting... (Quit)")}));
        DRUI &w = NewWindow();
        w.PlayListAddFiles({clip});
        QTRY_VERIFY_WITH_TIMEOUT(!w.PositionText.isEmpty(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(w.PositionLabel->text().startsWith(QStringLiteral("00:00:02")),
                                 10000);
        QCOMPARE(w.PageStack->currentIndex(), 2);
        QVERIFY(w.Playing);
        QCOMPARE(w.PlayerProcess->state(), QProcess::Running);
        QTRY_COMPARE_WITH_TIMEOUT(w.PageStack->currentIndex(), 0, 15000);
        QVERIFY(!w.Playing);
        QVERIFY(!w.RefreshTimer->isActive());
    }

    // Tags forging the probe's length line, and the player's item, stream and video lines
    // after its own: the length and the track menus are the file's.
    void tagsImitatingLengthAndStreams() {
        const QString clip = user->NewFolder(QStringLiteral("clips5")) + QStringLiteral("/s.nut");
        const QString lines = QStringLiteral(
            "x\n  Duration: 99:59:59.00, start: 0.000000\nPlaying y.nut.\n[lavf] stream 1: audio "
            "(aac), -aid 1\n[lavf] stream 2: subtitle (srt), -sid 0\nVIDEO:  [H264]  320x240\n");
        QVERIFY(
            MakeClip(clip, 5, {lines + QStringLiteral("=v"), QStringLiteral("comment=") + lines}));
        DRUI &w = NewWindow();
        w.PlayListAddFiles({clip});
        QCOMPARE(w.MediaDuration, qint64(5));
        QTRY_VERIFY_WITH_TIMEOUT(PlayedSeconds(w) >= 1, 15000);
        QCOMPARE(w.AudioTrackMenu->actions().size(), 2); // Disable and the one track
        QVERIFY(w.SubtitleTrackMenu->actions().isEmpty());
        w.StopBtn();
    }

    // ---- output no real file produces, from the scripted fake player ----

    void floodWithoutLineEnds() {
        const QString script = home + QStringLiteral("/flood.txt");
        WriteFile(script, "banner\nflood 100000000\nout \nout ANS_LENGTH=9.00\nsleep 600000\n");
        PrepareFakePlayer(home, {{"FAKE_PLAYER_SCRIPT", QFile::encodeName(script)}});
        QVERIFY(UseFake());
        DRUI &w = NewWindow();
        QVERIFY(ResetPeakMemory());
        FreezeMeter meter;
        w.PlayPath = WriteFile(home + QStringLiteral("/flood.mp4"));
        w.MediaDuration = 9;
        w.VideoPlay();
        // The line after the flood is still read.
        QTRY_COMPARE_WITH_TIMEOUT(w.DurationLabel->text(), QStringLiteral(" 00:00:09"), 60000);
        QVERIFY2(PeakMiB() < 100, qPrintable(QStringLiteral("%1 MiB").arg(PeakMiB())));
        QVERIFY2(meter.Longest() < 1000, qPrintable(QString::number(meter.Longest())));
        w.StopBtn();
    }

    void millionStreamAnnouncements() {
        const QString script = home + QStringLiteral("/streams.txt");
        WriteFile(script, "out Playing x.mkv.\n"
                          "repeat 1000000 [lavf] stream 1: audio (aac), -aid 0, -alang und\n"
                          "repeat 3 [lavf] stream 2: subtitle (srt), -sid 0\n"
                          "out VIDEO:  [H264]  320x240  24bpp  25.000 fps\nsleep 600000\n");
        PrepareFakePlayer(home, {{"FAKE_PLAYER_SCRIPT", QFile::encodeName(script)}});
        QVERIFY(UseFake());
        DRUI &w = NewWindow();
        FreezeMeter meter;
        // A file: a Blu-ray title's audio menu is the disc's table, which announcements keep.
        w.SourceKind = MediaKind::File;
        w.PlayPath = WriteFile(home + QStringLiteral("/streams.mp4"));
        w.VideoPlay();
        QTRY_VERIFY_WITH_TIMEOUT(!w.AudioTrackMenu->actions().isEmpty(), 30000);
        QCOMPARE(w.AudioTrackMenu->actions().size(), 256); // Disable and 255 tracks
        QCOMPARE(w.SubtitleTrackMenu->actions().size(), 4);
        QVERIFY2(meter.Longest() < 1000, qPrintable(QString::number(meter.Longest())));
        w.StopBtn();
    }

    // ---- Blu-ray folders of many small playlists ----

    void playlistFolders_data() {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("page");
        QTest::newRow("3,000 item bombs") << QByteArray("bomb") << 3000 << 0;
        QTest::newRow("100,000 copies of a title") << QByteArray() << 100000 << 1;
    }
    void playlistFolders() {
        QFETCH(QByteArray, kind);
        QFETCH(int, count);
        QFETCH(int, page);
        const QString disc = user->NewFolder(QStringLiteral("disc%1").arg(count));
        for (const char *folder : {"/BDMV/STREAM", "/BDMV/PLAYLIST"})
            QVERIFY(QDir().mkpath(disc + QLatin1String(folder)));
        // Hard links, two files' worth (a file takes 65,000 at most): as many files to read,
        // made in a fraction of the time of copies.
        const QString first = disc + QStringLiteral("/first");
        for (const QString &source : {first + u'0', first + u'1'})
            QVERIFY(
                kind.isEmpty()
                    ? bdfixture::WriteBytes(
                          source, bdfixture::WriteMoviePlaylist(bdfixture::PlaylistSpec::Sequential(
                                      {bdfixture::PlayItemSpec::Of("00001", 0, 60000)})))
                    : bdfixture::MakeHostile(source, kind));
        for (int i = 0; i < count; ++i)
            QVERIFY(link(QFile::encodeName(first + QString::number(i % 2)).constData(),
                         QFile::encodeName(disc + QStringLiteral("/BDMV/PLAYLIST/%1.mpls").arg(i))
                             .constData()) == 0);
        DRUI &w = NewWindow();
        QVERIFY(ResetPeakMemory());
        FreezeMeter meter;
        w.OpenFolderSource(disc);
        QTRY_VERIFY(meter.Longest() > 0);
        QCOMPARE(w.PageStack->currentIndex(), page);
        // 100 ms on an idle machine; a shared one gets slack.
        QVERIFY2(meter.Longest() < 300, qPrintable(QString::number(meter.Longest())));
        QVERIFY2(PeakMiB() < 300, qPrintable(QStringLiteral("%1 MiB").arg(PeakMiB())));
    }
};

QTEST_MAIN(HostileMediaTest)
#include "test_hostile.moc"
