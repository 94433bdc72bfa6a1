#include "TestConfig.h"
#include "playlist/PlayListInfo.h"
#include "playlist/PlaylistSteps.h"
#include "playlist/Probe.h"
#include "playlist/ProbeBatch.h"
#include "playlist/RecentFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

// Standard error of Debian's ffprobe 5.1 for "ffprobe -i": an mp4 made by
// "ffmpeg -f lavfi -i testsrc=d=2", an MPEG-2 elementary stream (no container length), and a
// missing file.
const char kProbeMp4[] =
    R"(ffprobe version 5.1.9-0+deb12u1 Copyright (c) 2007-2026 the FFmpeg developers
  built with gcc 12 (Debian 12.2.0-14+deb12u1)
  configuration: --prefix=/usr --extra-version=0+deb12u1 --toolchain=hardened --libdir=/usr/lib/x86_64-linux-gnu --incdir=/usr/include/x86_64-linux-gnu --arch=amd64 --enable-gpl --disable-stripping --enable-gnutls --enable-ladspa --enable-libaom --enable-libass --enable-libbluray --enable-libbs2b --enable-libcaca --enable-libcdio --enable-libcodec2 --enable-libdav1d --enable-libflite --enable-libfontconfig --enable-libfreetype --enable-libfribidi --enable-libglslang --enable-libgme --enable-libgsm --enable-libjack --enable-libmp3lame --enable-libmysofa --enable-libopenjpeg --enable-libopenmpt --enable-libopus --enable-libpulse --enable-librabbitmq --enable-librist --enable-librubberband --enable-libshine --enable-libsnappy --enable-libsoxr --enable-libspeex --enable-libsrt --enable-libssh --enable-libsvtav1 --enable-libtheora --enable-libtwolame --enable-libvidstab --enable-libvorbis --enable-libvpx --enable-libwebp --enable-libx265 --enable-libxml2 --enable-libxvid --enable-libzimg --enable-libzmq --enable-libzvbi --enable-lv2 --enable-omx --enable-openal --enable-opencl --enable-opengl --enable-sdl2 --disable-sndio --enable-libjxl --enable-pocketsphinx --enable-librsvg --enable-libmfx --enable-libdc1394 --enable-libdrm --enable-libiec61883 --enable-chromaprint --enable-frei0r --enable-libx264 --enable-libplacebo --enable-librav1e --enable-shared
  libavutil      57. 28.100 / 57. 28.100
  libavcodec     59. 37.100 / 59. 37.100
  libavformat    59. 27.100 / 59. 27.100
  libavdevice    59.  7.100 / 59.  7.100
  libavfilter     8. 44.100 /  8. 44.100
  libswscale      6.  7.100 /  6.  7.100
  libswresample   4.  7.100 /  4.  7.100
  libpostproc    56.  6.100 / 56.  6.100
Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'x.mp4':
  Metadata:
    major_brand     : isom
    minor_version   : 512
    compatible_brands: isomiso2avc1mp41
    encoder         : Lavf59.27.100
  Duration: 00:00:02.00, start: 0.000000, bitrate: 53 kb/s
  Stream #0:0[0x1](und): Video: h264 (High 4:4:4 Predictive) (avc1 / 0x31637661), yuv444p(progressive), 320x240 [SAR 1:1 DAR 4:3], 47 kb/s, 25 fps, 25 tbr, 12800 tbn (default)
    Metadata:
      handler_name    : VideoHandler
      vendor_id       : [0][0][0][0]
      encoder         : Lavc59.37.100 libx264
)";
const char kProbeElementaryStream[] =
    R"(ffprobe version 5.1.9-0+deb12u1 Copyright (c) 2007-2026 the FFmpeg developers
  built with gcc 12 (Debian 12.2.0-14+deb12u1)
  configuration: --prefix=/usr --extra-version=0+deb12u1 --toolchain=hardened --libdir=/usr/lib/x86_64-linux-gnu --incdir=/usr/include/x86_64-linux-gnu --arch=amd64 --enable-gpl --disable-stripping --enable-gnutls --enable-ladspa --enable-libaom --enable-libass --enable-libbluray --enable-libbs2b --enable-libcaca --enable-libcdio --enable-libcodec2 --enable-libdav1d --enable-libflite --enable-libfontconfig --enable-libfreetype --enable-libfribidi --enable-libglslang --enable-libgme --enable-libgsm --enable-libjack --enable-libmp3lame --enable-libmysofa --enable-libopenjpeg --enable-libopenmpt --enable-libopus --enable-libpulse --enable-librabbitmq --enable-librist --enable-librubberband --enable-libshine --enable-libsnappy --enable-libsoxr --enable-libspeex --enable-libsrt --enable-libssh --enable-libsvtav1 --enable-libtheora --enable-libtwolame --enable-libvidstab --enable-libvorbis --enable-libvpx --enable-libwebp --enable-libx265 --enable-libxml2 --enable-libxvid --enable-libzimg --enable-libzmq --enable-libzvbi --enable-lv2 --enable-omx --enable-openal --enable-opencl --enable-opengl --enable-sdl2 --disable-sndio --enable-libjxl --enable-pocketsphinx --enable-librsvg --enable-libmfx --enable-libdc1394 --enable-libdrm --enable-libiec61883 --enable-chromaprint --enable-frei0r --enable-libx264 --enable-libplacebo --enable-librav1e --enable-shared
  libavutil      57. 28.100 / 57. 28.100
  libavcodec     59. 37.100 / 59. 37.100
  libavformat    59. 27.100 / 59. 27.100
  libavdevice    59.  7.100 / 59.  7.100
  libavfilter     8. 44.100 /  8. 44.100
  libswscale      6.  7.100 /  6.  7.100
  libswresample   4.  7.100 /  4.  7.100
  libpostproc    56.  6.100 / 56.  6.100
Input #0, mpegvideo, from 'es.m2v':
  Duration: N/A, bitrate: N/A
  Stream #0:0: Video: mpeg2video (Main), yuv420p(tv, progressive), 320x240 [SAR 1:1 DAR 4:3], 25 fps, 25 tbr, 1200k tbn
    Side data:
      cpb: bitrate max/min/avg: 0/0/0 buffer size: 49152 vbv_delay: N/A
)";
const char kProbeMissingFile[] =
    R"(ffprobe version 5.1.9-0+deb12u1 Copyright (c) 2007-2026 the FFmpeg developers
  built with gcc 12 (Debian 12.2.0-14+deb12u1)
  configuration: --prefix=/usr --extra-version=0+deb12u1 --toolchain=hardened --libdir=/usr/lib/x86_64-linux-gnu --incdir=/usr/include/x86_64-linux-gnu --arch=amd64 --enable-gpl --disable-stripping --enable-gnutls --enable-ladspa --enable-libaom --enable-libass --enable-libbluray --enable-libbs2b --enable-libcaca --enable-libcdio --enable-libcodec2 --enable-libdav1d --enable-libflite --enable-libfontconfig --enable-libfreetype --enable-libfribidi --enable-libglslang --enable-libgme --enable-libgsm --enable-libjack --enable-libmp3lame --enable-libmysofa --enable-libopenjpeg --enable-libopenmpt --enable-libopus --enable-libpulse --enable-librabbitmq --enable-librist --enable-librubberband --enable-libshine --enable-libsnappy --enable-libsoxr --enable-libspeex --enable-libsrt --enable-libssh --enable-libsvtav1 --enable-libtheora --enable-libtwolame --enable-libvidstab --enable-libvorbis --enable-libvpx --enable-libwebp --enable-libx265 --enable-libxml2 --enable-libxvid --enable-libzimg --enable-libzmq --enable-libzvbi --enable-lv2 --enable-omx --enable-openal --enable-opencl --enable-opengl --enable-sdl2 --disable-sndio --enable-libjxl --enable-pocketsphinx --enable-librsvg --enable-libmfx --enable-libdc1394 --enable-libdrm --enable-libiec61883 --enable-chromaprint --enable-frei0r --enable-libx264 --enable-libplacebo --enable-librav1e --enable-shared
  libavutil      57. 28.100 / 57. 28.100
  libavcodec     59. 37.100 / 59. 37.100
  libavformat    59. 27.100 / 59. 27.100
  libavdevice    59.  7.100 / 59.  7.100
  libavfilter     8. 44.100 /  8. 44.100
  libswscale      6.  7.100 /  6.  7.100
  libswresample   4.  7.100 /  4.  7.100
  libpostproc    56.  6.100 / 56.  6.100
missing.mp4: No such file or directory
)";

QByteArray ReadAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Processes still running whose command line mentions the marker.
// Peak resident memory of this process, in KiB.
qint64 PeakMemoryKiB() {
    for (const QByteArray &line : ReadAll(QStringLiteral("/proc/self/status")).split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int RunningWith(const QByteArray &marker) {
    int count = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        if (pid.toInt() > 0 &&
            ReadAll(QStringLiteral("/proc/%1/cmdline").arg(pid)).contains(marker))
            ++count;
    }
    return count;
}

PLAY_LIST_INFO Entry(const QString &path, MediaKind kind = MediaKind::File) {
    PLAY_LIST_INFO info;
    info.Kind = kind;
    info.Path = path;
    return info;
}

} // namespace

class TestPlaylist : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void parseDuration_data();
    void parseDuration();
    void probeRealFfprobe();
    void probeFakePassesPathAsOneArgument();
    void probeFakeDurations_data();
    void probeFakeDurations();
    void probeHungIsKilled();
    void probeMissingProgram();
    void probeFloodStopsAtTheLimit();
    void probeChildrenEndWithIt();

    void recentInsert();
    void recentSaveFormat();
    void recentLoad_data();
    void recentLoad();
    void recentLoadGarbage();
    void recentLoadBounded_data();
    void recentLoadBounded();
    void recentLoadSaveRoundTrip();
    void recentSaveFailure();

    void rowText_data();
    void rowText();
    void metaType();
    void neighbourEntry();
    void chapterSteps_data();
    void chapterSteps();

private:
    QTemporaryDir *Tmp = nullptr;
};

void TestPlaylist::init() {
    Tmp = new QTemporaryDir;
    QVERIFY(Tmp->isValid());
    qunsetenv("FAKE_PROBE_LOG");
    qunsetenv("FAKE_PROBE_SLEEP_MS");
    qunsetenv("FAKE_PROBE_DURATIONS");
    qunsetenv("FAKE_PROBE_FLOOD");
    qunsetenv("FAKE_PROBE_FORK");
}

void TestPlaylist::cleanup() {
    delete Tmp;
    Tmp = nullptr;
}

void TestPlaylist::parseDuration_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("length");

    // Debian's ffprobe 5.1 asked for the length alone, then its report for "-i" alone, which
    // shows tag keys and values as they are: the length is never read from there.
    QTest::newRow("real mp4") << QByteArray("2.000000\n") << QStringLiteral("00:00:02");
    QTest::newRow("real elementary stream: N/A") << QByteArray("N/A\n") << QString();
    QTest::newRow("real report") << QByteArray(kProbeMp4) << QString();
    QTest::newRow("real report: elementary stream")
        << QByteArray(kProbeElementaryStream) << QString();
    QTest::newRow("real report: missing file") << QByteArray(kProbeMissingFile) << QString();
    QTest::newRow("forged key and value, format and stream level")
        << QByteArray("  Metadata:\n    x\n  Duration: 99:59:59.00, start: 0.000000\n  y: v\n"
                      "    COMMENT         : a\n                    :   Duration: 99:59:59.00\n"
                      "  Duration: 00:00:19.98, start: 0.000000, bitrate: 596 kb/s\n"
                      "    Metadata:\n      x\n  Duration: 99:59:59.00, start: 0.000000\n")
        << QString();
    // Rounded to hundredths as the report shows it, then cut to seconds as the playlist did.
    QTest::newRow("fraction cut") << QByteArray("3723.450000\n") << QStringLiteral("01:02:03");
    QTest::newRow("rounds up") << QByteArray("19.995011\n") << QStringLiteral("00:00:20");
    QTest::newRow("stays down") << QByteArray("19.994999") << QStringLiteral("00:00:19");
    QTest::newRow("100 h") << QByteArray("360000.000000\n") << QStringLiteral("100:00:00");
    QTest::newRow("first line counts")
        << QByteArray("5.000000\n9.000000\n") << QStringLiteral("00:00:05");
    QTest::newRow("not alone on its line") << QByteArray("5.000000 x\n") << QString();
    QTest::newRow("absurd") << QByteArray("99999999999999999.000000\n") << QString();
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestPlaylist::parseDuration() {
    QFETCH(QByteArray, output);
    QFETCH(QString, length);
    QCOMPARE(ParseProbeDuration(output), length);
}

// The real probe on a clip made here, under a name with blanks, quotes and accents.
void TestPlaylist::probeRealFfprobe() {
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (ffmpeg.isEmpty() || ffprobe.isEmpty())
        QSKIP("ffmpeg and ffprobe are needed");

    const QString clip = Tmp->path() + QStringLiteral("/clip \"été\" $x.nut");
    // Keys and values that forge the report's length line, at format and stream level.
    const QString forged = QStringLiteral("x\n  Duration: 99:59:59.00, start: 0.000000\n  y");
    QProcess make;
    make.start(ffmpeg, {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"),
                        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("testsrc=d=3:size=160x120"), QStringLiteral("-metadata"),
                        forged + QStringLiteral("=v"), QStringLiteral("-metadata"),
                        QStringLiteral("comment=") + forged, QStringLiteral("-metadata:s:v:0"),
                        forged + QStringLiteral("=v"), clip});
    QVERIFY(make.waitForFinished(60000));
    QCOMPARE(make.exitCode(), 0);

    // The report says "Duration: 00:00:02.96" (the last frame has no length in nut).
    QCOMPARE(ProbeLength(ffprobe, clip), QStringLiteral("00:00:02"));
    QCOMPARE(ProbeLength(ffprobe, Tmp->path() + QStringLiteral("/missing.mp4")), QString());
}

void TestPlaylist::probeFakePassesPathAsOneArgument() {
    const QString log = Tmp->path() + QStringLiteral("/probe.log");
    qputenv("FAKE_PROBE_LOG", log.toLocal8Bit());
    const QString path = QStringLiteral("/films/a \"b\" 'c'; $HOME & été.mp4");

    QCOMPARE(ProbeLength(QStringLiteral(TAVRELL_FAKE_PROBE), path), QStringLiteral("00:01:00"));
    QCOMPARE(ReadAll(log), path.toLocal8Bit() + '\n');
}

void TestPlaylist::probeFakeDurations_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("length");
    QTest::newRow("listed") << QStringLiteral("long.mkv") << QStringLiteral("01:02:03");
    QTest::newRow("unlisted") << QStringLiteral("other.mp4") << QStringLiteral("00:01:00");
    QTest::newRow("N/A") << QStringLiteral("raw.m2v") << QString();
    QTest::newRow("not media") << QStringLiteral("notes.txt") << QString();
}

void TestPlaylist::probeFakeDurations() {
    QFETCH(QString, name);
    QFETCH(QString, length);
    qputenv("FAKE_PROBE_DURATIONS", "long.mkv=01:02:03.45;raw.m2v=N/A;notes.txt=none");
    QCOMPARE(ProbeLength(QStringLiteral(TAVRELL_FAKE_PROBE), QStringLiteral("/v/") + name), length);
}

// A probe that never answers is killed at the limit and leaves no process behind.
void TestPlaylist::probeHungIsKilled() {
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    const QString log = Tmp->path() + QStringLiteral("/probe.log");
    qputenv("FAKE_PROBE_LOG", log.toLocal8Bit());
    qputenv("FAKE_PROBE_SLEEP_MS", "60000");
    const QString path = Tmp->path() + QStringLiteral("/hung-marker.mp4");

    QCOMPARE(ProbeLength(QStringLiteral(TAVRELL_FAKE_PROBE), path, 300), QString());
    QCOMPARE(ReadAll(log), path.toLocal8Bit() + '\n');
    QCOMPARE(RunningWith(path.toLocal8Bit()), 0);
}

// A probe that writes without end is stopped at the limit and only the top of what it wrote
// is kept (the answer is there).
void TestPlaylist::probeFloodStopsAtTheLimit() {
    qputenv("FAKE_PROBE_FLOOD", "0");
    const QString path = Tmp->path() + QStringLiteral("/flood-marker.mp4");
    const qint64 peakBefore = PeakMemoryKiB();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(ProbeLength(QStringLiteral(TAVRELL_FAKE_PROBE), path, 1500),
             QStringLiteral("00:01:00"));
    QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(PeakMemoryKiB() - peakBefore < 64 * 1024,
             qPrintable(QString::number(PeakMemoryKiB() - peakBefore)));
    QTRY_COMPARE(RunningWith(path.toLocal8Bit()), 0);
}

// What the probe starts ends with it, whether it exits by itself or is stopped.
void TestPlaylist::probeChildrenEndWithIt() {
    const QString pidFile = Tmp->path() + QStringLiteral("/child.pid");
    qputenv("FAKE_PROBE_FORK", QFile::encodeName(pidFile));
    const QString path = Tmp->path() + QStringLiteral("/fork-marker.mp4");
    // Time for the child to write its id before the probe answers.
    qputenv("FAKE_PROBE_SLEEP_MS", "300");
    QCOMPARE(ProbeLength(QStringLiteral(TAVRELL_FAKE_PROBE), path), QStringLiteral("00:01:00"));
    QVERIFY(ReadAll(pidFile).toLongLong() > 0);
    QTRY_COMPARE(RunningWith(path.toLocal8Bit()), 0);

    QFile::remove(pidFile);
    qputenv("FAKE_PROBE_SLEEP_MS", "60000");
    QCOMPARE(ProbeLength(QStringLiteral(TAVRELL_FAKE_PROBE), path, 500), QString());
    QTRY_COMPARE(RunningWith(path.toLocal8Bit()), 0);

    // A batch abandoned mid-way (the program quitting) ends its probes at once, children too.
    QFile::remove(pidFile);
    QElapsedTimer clock;
    {
        ProbeBatch batch(QStringLiteral(TAVRELL_FAKE_PROBE), {path, path}, 1);
        batch.Start();
        QTRY_VERIFY(QFile::exists(pidFile));
        clock.start();
    }
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE(RunningWith(path.toLocal8Bit()), 0);
}

void TestPlaylist::probeMissingProgram() {
    const QString media = Tmp->path() + QStringLiteral("/a.mp4");
    QCOMPARE(ProbeLength(Tmp->path() + QStringLiteral("/no-such-probe"), media), QString());
    QCOMPARE(ProbeLength(QString(), media), QString());
    // A file that exists but cannot be run.
    const QString notProgram = Tmp->path() + QStringLiteral("/tool.exe");
    QVERIFY(WriteAll(notProgram, "  Duration: 00:00:07.00\n"));
    QCOMPARE(ProbeLength(notProgram, media), QString());
}

void TestPlaylist::recentInsert() {
    QStringList paths;
    QVERIFY(recent::Insert(paths, QStringLiteral("a")));
    QVERIFY(recent::Insert(paths, QStringLiteral("b")));
    QVERIFY(recent::Insert(paths, QStringLiteral("c")));
    QCOMPARE(paths, (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));

    // A listed path keeps its place; comparison is case-sensitive.
    QVERIFY(!recent::Insert(paths, QStringLiteral("a")));
    QCOMPARE(paths, (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
    QVERIFY(recent::Insert(paths, QStringLiteral("A")));
    QCOMPARE(paths.first(), QStringLiteral("A"));

    // Past the limit, exactly one entry falls off the end.
    for (int i = 0; i < 20; ++i)
        recent::Insert(paths, QString::number(i));
    QCOMPARE(paths.size(), recent::MaxEntries);
    QCOMPARE(paths.first(), QStringLiteral("19"));
    QCOMPARE(paths.last(), QStringLiteral("10"));

    // A longer list read from disk loses only one entry per insertion.
    QStringList fifteen;
    for (int i = 0; i < 15; ++i)
        fifteen.append(QString::number(i));
    QVERIFY(recent::Insert(fifteen, QStringLiteral("new")));
    QCOMPARE(fifteen.size(), 15);
    QCOMPARE(fifteen.first(), QStringLiteral("new"));
    QCOMPARE(fifteen.last(), QStringLiteral("13"));

    // Paths that one line cannot hold are not taken.
    QStringList small{QStringLiteral("x")};
    QVERIFY(!recent::Insert(small, QString()));
    QVERIFY(!recent::Insert(small, QStringLiteral("two\nlines")));
    QVERIFY(!recent::Insert(small, QStringLiteral("cr\rhere")));
    QCOMPARE(small, QStringList{QStringLiteral("x")});
}

// Local 8-bit (UTF-8) text, no byte-order mark, CR LF after every line.
void TestPlaylist::recentSaveFormat() {
    const QString folder = Tmp->path() + QLatin1Char('/');
    QCOMPARE(recent::FilePath(folder), folder + QStringLiteral("RecentConfig.txt"));
    QVERIFY(recent::Save(folder, {QStringLiteral("/m/été.mkv"), QStringLiteral("/m/DVD disc")}));
    QCOMPARE(ReadAll(recent::FilePath(folder)),
             QByteArray("/m/\xc3\xa9t\xc3\xa9.mkv\r\n/m/DVD disc\r\n"));

    // Rewriting a shorter list leaves nothing of the longer one.
    QVERIFY(recent::Save(folder, {QStringLiteral("z")}));
    QCOMPARE(ReadAll(recent::FilePath(folder)), QByteArray("z\r\n"));
    QVERIFY(recent::Save(folder, {}));
    QCOMPARE(ReadAll(recent::FilePath(folder)), QByteArray());
}

void TestPlaylist::recentLoad_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("paths");
    const QStringList ab{QStringLiteral("A"), QStringLiteral("B")};
    QTest::newRow("CR LF with an empty line") << QByteArray("A\r\n\r\nB\r\n") << ab;
    QTest::newRow("LF with an empty line") << QByteArray("A\n\nB\n") << ab;
    QTest::newRow("last line without end") << QByteArray("A\r\nB") << ab;
    QTest::newRow("duplicates kept")
        << QByteArray("A\r\nA\r\n") << QStringList{QStringLiteral("A"), QStringLiteral("A")};
    QTest::newRow("blanks kept") << QByteArray(" A \r\n") << QStringList{QStringLiteral(" A ")};
    QTest::newRow("UTF-8") << QByteArray("/m/\xc3\xa9t\xc3\xa9.mkv\r\n")
                           << QStringList{QStringLiteral("/m/été.mkv")};
    QTest::newRow("NUL ends the line") << QByteArray("A\0junk\r\nB\r\n", 11) << ab;
    QTest::newRow("empty file") << QByteArray() << QStringList();

    QByteArray many;
    QStringList manyPaths;
    for (int i = 0; i < 15; ++i) {
        many += QByteArray::number(i) + "\r\n";
        manyPaths.append(QString::number(i));
    }
    QTest::newRow("more than ten lines") << many << manyPaths;
}

void TestPlaylist::recentLoad() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, paths);
    const QString folder = Tmp->path() + QLatin1Char('/');
    QVERIFY(WriteAll(recent::FilePath(folder), bytes));
    QCOMPARE(recent::Load(folder), paths);
}

// Whatever lies in the file, loading returns a list and never a path with a line break.
void TestPlaylist::recentLoadGarbage() {
    const QString folder = Tmp->path() + QLatin1Char('/');
    QCOMPARE(recent::Load(folder), QStringList()); // no file
    QVERIFY(QDir().mkpath(recent::FilePath(folder)));
    QCOMPARE(recent::Load(folder), QStringList()); // a folder of that name
    QVERIFY(QDir().rmdir(recent::FilePath(folder)));
    // A FIFO would block the open until a writer came: refused at once.
    QCOMPARE(mkfifo(QFile::encodeName(recent::FilePath(folder)).constData(), 0600), 0);
    QCOMPARE(recent::Load(folder), QStringList());
    QVERIFY(QFile::remove(recent::FilePath(folder)));

    QRandomGenerator random(12345);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(int(random.bounded(1, 4096)), Qt::Uninitialized);
        for (char &byte : bytes)
            byte = char(random.bounded(256));
        QVERIFY(WriteAll(recent::FilePath(folder), bytes));
        const QStringList paths = recent::Load(folder);
        for (const QString &path : paths) {
            QVERIFY(!path.isEmpty());
            QVERIFY(!path.contains(QLatin1Char('\n')));
            QVERIFY(!path.contains(QChar(0)));
        }
    }
    // One very long line without an end is no path.
    QVERIFY(WriteAll(recent::FilePath(folder), QByteArray(1 << 20, 'x')));
    QCOMPARE(recent::Load(folder), QStringList());
}

// A damaged or foreign file is read only as far as the limits; what lies within them is kept.
void TestPlaylist::recentLoadBounded_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<int>("count");
    const QByteArray longest(recent::MaxLineBytes, 'L');
    QByteArray lines;
    for (int i = 0; i < 100000; ++i)
        lines += "/m/" + QByteArray::number(i) + ".mkv\r\n";
    QTest::newRow("100,000 lines")
        << lines << QStringList{QStringLiteral("/m/0.mkv"), QStringLiteral("/m/1.mkv")}
        << int(recent::MaxReadEntries);
    QTest::newRow("50 MB line first") << QByteArray(50 << 20, 'x') + "\r\n/m/a.mkv\r\n"
                                      << QStringList() << 0;
    QTest::newRow("long line skipped")
        << "/m/a\r\n" + longest + "L\r\n" + longest + "\r\n/m/b\r\n"
        << QStringList{QStringLiteral("/m/a"), QString::fromLatin1(longest), QStringLiteral("/m/b")}
        << 3;
    // A line cut by the byte limit is not a path; the whole lines before it are.
    QByteArray cut = QByteArray(recent::MaxReadBytes - 10, 'a') + "\r\n" + "/m/cut-off.mkv";
    QTest::newRow("cut at the limit") << "/m/a\n" + cut << QStringList{QStringLiteral("/m/a")} << 1;
}
void TestPlaylist::recentLoadBounded() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, first);
    QFETCH(int, count);
    const QString folder = Tmp->path() + QLatin1Char('/');
    QVERIFY(WriteAll(recent::FilePath(folder), bytes));
    const QStringList paths = recent::Load(folder);
    QCOMPARE(paths.size(), count);
    QCOMPARE(paths.mid(0, first.size()), first);
}

void TestPlaylist::recentLoadSaveRoundTrip() {
    const QString folder = Tmp->path() + QLatin1Char('/');
    QStringList paths;
    for (const QString &path :
         {QStringLiteral("/m/a.mp4"), QStringLiteral("/m/DVD"), QStringLiteral("/m/with space/"),
          QStringLiteral("/m/日本語.mkv"), QStringLiteral("/m/back\\slash")})
        QVERIFY(recent::Insert(paths, path));
    QVERIFY(recent::Save(folder, paths));
    QCOMPARE(recent::Load(folder), paths);
}

void TestPlaylist::recentSaveFailure() {
    QVERIFY(!recent::Save(Tmp->path() + QStringLiteral("/missing/"), {QStringLiteral("a")}));
}

void TestPlaylist::rowText_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::newRow("file") << QStringLiteral("/home/u/Videos/film one.mkv")
                          << QStringLiteral("    film one.mkv");
    QTest::newRow("folder") << QStringLiteral("/media/u/DISC") << QStringLiteral("    DISC");
    QTest::newRow("folder with trailing slash")
        << QStringLiteral("/media/u/DISC/") << QStringLiteral("    DISC");
    QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("    /");
    QTest::newRow("four characters") << QStringLiteral("/a/b") << QStringLiteral("    /a/b");
    QTest::newRow("five characters") << QStringLiteral("/a/bc") << QStringLiteral("    bc");
    QTest::newRow("backslash is a name character")
        << QStringLiteral("/v/a\\b.mp4") << QStringLiteral("    a\\b.mp4");
    QTest::newRow("empty") << QString() << QStringLiteral("    ");
}

void TestPlaylist::rowText() {
    QFETCH(QString, path);
    QFETCH(QString, text);
    QCOMPARE(PlayListRowText(path), text);
}

// Menu entries carry the entry in a QVariant, found by its registered name.
void TestPlaylist::metaType() {
    RegisterPlayListInfo();
    RegisterPlayListInfo();
    QVERIFY(QMetaType::fromName("PLAY_LIST_INFO").isValid());
    PLAY_LIST_INFO info = Entry(QStringLiteral("/d/BD"), MediaKind::Bluray);
    info.Length = QStringLiteral("01:30:00");
    const PLAY_LIST_INFO back = QVariant::fromValue(info).value<PLAY_LIST_INFO>();
    QCOMPARE(back.Kind, MediaKind::Bluray);
    QCOMPARE(back.Reserved, qint64(0));
    QCOMPARE(back.Path, info.Path);
    QCOMPARE(back.Length, info.Length);
}

void TestPlaylist::neighbourEntry() {
    const QString a = QStringLiteral("/v/a.mp4"), b = QStringLiteral("/v/b.mp4"),
                  c = QStringLiteral("/d/DVD");
    const QList<PLAY_LIST_INFO> list{Entry(a), Entry(b), Entry(c, MediaKind::Dvd)};
    QCOMPARE(NeighbourEntry(list, a, 1), std::optional<int>(1));
    QCOMPARE(NeighbourEntry(list, b, 1), std::optional<int>(2));
    QCOMPARE(NeighbourEntry(list, b, -1), std::optional<int>(0));
    // No wrap-around at either end.
    QCOMPARE(NeighbourEntry(list, c, 1), std::nullopt);
    QCOMPARE(NeighbourEntry(list, a, -1), std::nullopt);
    QCOMPARE(NeighbourEntry(list, QStringLiteral("/v/A.mp4"), 1), std::nullopt);
    QCOMPARE(NeighbourEntry({Entry(a)}, a, 1), std::nullopt);
    QCOMPARE(NeighbourEntry({}, a, 1), std::nullopt);
    // With the same path listed twice, the first row decides.
    const QList<PLAY_LIST_INFO> twice{Entry(a), Entry(b), Entry(a)};
    QCOMPARE(NeighbourEntry(twice, a, -1), std::nullopt);
    QCOMPARE(NeighbourEntry(twice, a, 1), std::optional<int>(1));
}

void TestPlaylist::chapterSteps_data() {
    QTest::addColumn<QList<int>>("startsMs");
    QTest::addColumn<qint64>("position");
    QTest::addColumn<int>("next"); // -1: no step
    QTest::addColumn<int>("previous");

    const QList<int> three{0, 300000, 600000};
    QTest::newRow("middle of the second chapter") << three << qint64(400) << 600 << 0;
    QTest::newRow("first chapter") << three << qint64(100) << 300 << -1;
    QTest::newRow("start of the film") << three << qint64(0) << 300 << -1;
    QTest::newRow("exactly at a chapter start") << three << qint64(300) << 600 << -1;
    QTest::newRow("just after a chapter start") << three << qint64(301) << 600 << 0;
    QTest::newRow("last chapter") << three << qint64(700) << -1 << 300;
    QTest::newRow("exactly at the last start") << three << qint64(600) << -1 << 0;
    QTest::newRow("milliseconds truncated") << QList<int>{0, 1999, 5000} << qint64(1) << 5 << -1;
    QTest::newRow("no chapters") << QList<int>{} << qint64(10) << -1 << -1;
    QTest::newRow("one chapter") << QList<int>{0} << qint64(10) << -1 << -1;
}

void TestPlaylist::chapterSteps() {
    QFETCH(QList<int>, startsMs);
    QFETCH(qint64, position);
    QFETCH(int, next);
    QFETCH(int, previous);
    QCOMPARE(NextChapterSecond(startsMs, position).value_or(-1), next);
    QCOMPARE(PreviousChapterSecond(startsMs, position).value_or(-1), previous);
}

QTEST_GUILESS_MAIN(TestPlaylist)
#include "test_playlist.moc"
