#include "TestConfig.h"
#include "player/Clock.h"
#include "player/OutputParser.h"
#include "player/PictureShape.h"
#include "player/PlaybackSession.h"
#include "player/PlayerArgs.h"
#include "player/Resume.h"
#include "player/ShotReport.h"
#include "player/SlaveCommands.h"
#include "snapshot/SnapshotPaths.h"

#ifdef TAVRELL_HAVE_GUI
#include "snapshot/SnapshotSaver.h"
#include <QImage>
#include <QImageReader>
#endif

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString kCaptures = QStringLiteral(TAVRELL_TESTDATA_DIR "/mplayer-output/");

QByteArray ReadAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// The lines as the window reads them from the process: readLine, "\n" kept.
QList<QByteArray> Lines(const QByteArray &bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QList<QByteArray> lines;
    while (buffer.canReadLine())
        lines << buffer.readLine();
    return lines;
}

QByteArray NextLine(QProcess &process) {
    while (!process.canReadLine())
        if (!process.waitForReadyRead(10000))
            return QByteArray();
    return process.readLine();
}

QByteArray LineWith(QProcess &process, const QByteArray &needle) {
    for (QByteArray line = NextLine(process); !line.isEmpty(); line = NextLine(process))
        if (line.contains(needle))
            return line;
    return QByteArray();
}

PlayerLaunch Launch(const QString &path, MediaKind kind = MediaKind::File) {
    PlayerLaunch launch;
    launch.PlayPath = path;
    launch.SourceKind = kind;
    launch.WindowId = 94371843;
    launch.AppDataFolder = QStringLiteral("/home/u/.local/share/Tavrell DVD Player/");
    return launch;
}

} // namespace

class PlayerTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase() {
        QVERIFY(home.isValid());
        // A user without user-dirs.dirs: documents are ~/Documents.
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    }

    // --- the command line ---
    void fileArgumentsInOrder() {
        const QStringList args = BuildPlayerArguments(Launch(QStringLiteral("/films/a.mkv")));
        const QStringList expected =
            QStringLiteral(
                "-demuxer|lavf|-ni|-slave|-quiet|-wid|94371843|-vo|xv,gl_nosw,x11|-zoom|-fs|"
                "-lavdopts|threads=4|-vf|"
                "screenshot=/home/u/.local/share/Tavrell DVD Player/|-af|"
                "channels=6,volume=5.1:1|/films/a.mkv")
                .split(QLatin1Char('|'));
        QCOMPARE(args, expected);
    }

    void pathIsOneSafeLastArgument_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("passed");
        const auto same = [](const QString &p) { QTest::newRow(qPrintable(p)) << p << p; };
        same(QStringLiteral("/home/u/My Films/two  blanks .mkv"));
        same(QStringLiteral("/home/u/it's \"quoted\".mkv"));
        same(QStringLiteral("/home/u/Видео/Ölçü 東京.mkv"));
        same(QStringLiteral("/home/u/a,b;c$(x)`y`.mkv"));
        same(QStringLiteral("/home/u/-dash.mkv"));
        QTest::newRow("leading dash")
            << QStringLiteral("-vo null.mkv") << QStringLiteral("./-vo null.mkv");
        QTest::newRow("dash alone") << QStringLiteral("-") << QStringLiteral("./-");
    }
    void pathIsOneSafeLastArgument() {
        QFETCH(QString, path);
        QFETCH(QString, passed);
        const int fixed = int(BuildPlayerArguments(Launch(QStringLiteral("/x"))).size());
        for (MediaKind kind : {MediaKind::File, MediaKind::Dvd, MediaKind::Bluray}) {
            PlayerLaunch launch = Launch(path, kind);
            launch.UseBlurayTitle = false;
            const QStringList args = BuildPlayerArguments(launch);
            QCOMPARE(args.last(), passed);
            // A disc adds its two device arguments; a Blu-ray title has "-msglevel identify=4"
            // in place of "-demuxer lavf".
            QCOMPARE(int(args.size()), fixed + (kind == MediaKind::File ? 0 : 2));
        }
    }

    void discArguments() {
        const QString disc = QStringLiteral("/media/My Disc");
        const auto tail = [](const PlayerLaunch &launch) {
            const QStringList args = BuildPlayerArguments(launch);
            return args.mid(args.indexOf(QStringLiteral("channels=6,volume=5.1:1")) + 1);
        };
        QCOMPARE(tail(Launch(disc, MediaKind::Dvd)),
                 QStringList({QStringLiteral("dvd://1"), QStringLiteral("-dvd-device"), disc}));

        PlayerLaunch bluray = Launch(disc, MediaKind::Bluray);
        bluray.UseBlurayTitle = true;
        bluray.BlurayTitle = 3;
        QCOMPARE(tail(bluray),
                 QStringList({QStringLiteral("br://3"), QStringLiteral("-bluray-device"), disc}));
        bluray.UseBlurayTitle = false;
        QCOMPARE(tail(bluray),
                 QStringList({QStringLiteral("br://0"), QStringLiteral("-bluray-device"), disc}));
        // A wanted title that was never stored: the folder stands alone.
        bluray.UseBlurayTitle = true;
        bluray.BlurayTitle.reset();
        QCOMPARE(tail(bluray), QStringList({disc}));
    }

    // A Blu-ray title plays with MPlayer's own TS demuxer (lavf stalls seeks on br://), told
    // the chosen audio stream by PID; everything else keeps its place. Files and DVDs keep lavf.
    void blurayArguments_data() {
        QTest::addColumn<MediaKind>("kind");
        QTest::addColumn<int>("choice"); // -1: none stored
        QTest::addColumn<QList<int>>("pids");
        QTest::addColumn<QString>("head"); // what comes before "-ni"
        const QList<int> pids{0x1100, 0x1101, -1};
        QTest::newRow("no choice") << MediaKind::Bluray << -1 << pids << QString();
        QTest::newRow("first stream")
            << MediaKind::Bluray << 1 << pids << QStringLiteral("-aid|4352|-ss|0.01");
        QTest::newRow("second stream")
            << MediaKind::Bluray << 2 << pids << QStringLiteral("-aid|4353|-ss|0.01");
        QTest::newRow("disable") << MediaKind::Bluray << 0 << pids << QStringLiteral("-aid|-2");
        QTest::newRow("stream without pid") << MediaKind::Bluray << 3 << pids << QString();
        QTest::newRow("beyond the table") << MediaKind::Bluray << 4 << pids << QString();
        QTest::newRow("no table") << MediaKind::Bluray << 1 << QList<int>() << QString();
        QTest::newRow("dvd keeps lavf")
            << MediaKind::Dvd << 2 << pids << QStringLiteral("-demuxer|lavf");
        QTest::newRow("file keeps lavf")
            << MediaKind::File << 2 << pids << QStringLiteral("-demuxer|lavf");
    }
    void blurayArguments() {
        QFETCH(MediaKind, kind);
        QFETCH(int, choice);
        QFETCH(QList<int>, pids);
        QFETCH(QString, head);
        PlayerLaunch launch = Launch(QStringLiteral("/media/My Disc"), kind);
        launch.UseBlurayTitle = true;
        launch.BlurayTitle = 2;
        if (choice >= 0)
            launch.AudioChoice = choice;
        launch.AudioPids = pids;
        const QStringList args = BuildPlayerArguments(launch);
        const int ni = int(args.indexOf(QStringLiteral("-ni")));
        // A Blu-ray title's subtitle streams are named in identify lines only.
        if (kind == MediaKind::Bluray)
            head += QLatin1String(head.isEmpty() ? "" : "|") + u"-msglevel|identify=4"_s;
        QCOMPARE(args.mid(0, ni).join(u'|'), head);
        QStringList rest =
            QStringLiteral("-ni|-slave|-quiet|-wid|94371843|-vo|xv,gl_nosw,x11|-zoom|-fs|-lavdopts|"
                           "threads=4|-vf|screenshot=/home/u/.local/share/Tavrell DVD Player/|"
                           "-af|channels=6,volume=5.1:1")
                .split(u'|');
        if (kind == MediaKind::Bluray)
            rest << QStringLiteral("br://2") << QStringLiteral("-bluray-device");
        else if (kind == MediaKind::Dvd)
            rest << QStringLiteral("dvd://1") << QStringLiteral("-dvd-device");
        rest << QStringLiteral("/media/My Disc");
        QCOMPARE(args.mid(ni), rest);
    }

    // What an audio menu entry sends during playback: lavf's index, or a Blu-ray stream's
    // PID, which the TS demuxer knows it by (an index there would turn the sound off).
    void audioSwitchArgument_data() {
        QTest::addColumn<MediaKind>("kind");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QList<int>>("pids");
        QTest::addColumn<int>("argument"); // -100: nothing to send
        const QList<int> pids{0x1100, 0x1103, -1};
        QTest::newRow("file: disable") << MediaKind::File << 0 << QList<int>() << -2;
        QTest::newRow("file: first") << MediaKind::File << 1 << QList<int>() << 0;
        QTest::newRow("file: third") << MediaKind::File << 3 << pids << 2;
        QTest::newRow("dvd: second") << MediaKind::Dvd << 2 << pids << 1;
        QTest::newRow("blu-ray: disable") << MediaKind::Bluray << 0 << pids << -2;
        QTest::newRow("blu-ray: first") << MediaKind::Bluray << 1 << pids << 0x1100;
        QTest::newRow("blu-ray: second") << MediaKind::Bluray << 2 << pids << 0x1103;
        QTest::newRow("blu-ray: no pid") << MediaKind::Bluray << 3 << pids << -100;
        QTest::newRow("blu-ray: beyond") << MediaKind::Bluray << 4 << pids << -100;
        QTest::newRow("blu-ray: no table") << MediaKind::Bluray << 1 << QList<int>() << -100;
        QTest::newRow("negative choice") << MediaKind::File << -1 << pids << -100;
    }
    void audioSwitchArgument() {
        QFETCH(MediaKind, kind);
        QFETCH(int, choice);
        QFETCH(QList<int>, pids);
        QFETCH(int, argument);
        QCOMPARE(AudioSwitchArgument(kind, choice, pids).value_or(-100), argument);
    }

    // The player runs in a Blu-ray disc's stream folder; never anything that would fail its
    // start (a missing folder) or move a relative device path.
    void playerWorkingDirectory_data() {
        QTest::addColumn<MediaKind>("kind");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("makeStream");
        QTest::addColumn<bool>("expectStream");
        QTest::newRow("blu-ray") << MediaKind::Bluray << QStringLiteral("My Disc") << true << true;
        QTest::newRow("blu-ray without STREAM")
            << MediaKind::Bluray << QStringLiteral("My Disc") << false << false;
        QTest::newRow("dvd") << MediaKind::Dvd << QStringLiteral("My Disc") << true << false;
        QTest::newRow("file") << MediaKind::File << QStringLiteral("My Disc") << true << false;
        QTest::newRow("relative blu-ray")
            << MediaKind::Bluray << QStringLiteral("relative") << true << false;
        QTest::newRow("empty path") << MediaKind::Bluray << QString() << false << false;
    }
    void playerWorkingDirectory() {
        QFETCH(MediaKind, kind);
        QFETCH(QString, path);
        QFETCH(bool, makeStream);
        QFETCH(bool, expectStream);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        QString disc = path;
        if (path == QLatin1String("My Disc"))
            disc = root.path() + QStringLiteral("/My Disc");
        if (makeStream && !disc.isEmpty())
            QVERIFY(QDir(root.path()).mkpath(disc + QStringLiteral("/BDMV/STREAM")));
        const QString folder = PlayerWorkingDirectory(Launch(disc, kind));
        QCOMPARE(folder, expectStream ? disc + QStringLiteral("/BDMV/STREAM") : QString());
    }

    void screenshotPrefixEscapesCommas() {
        QCOMPARE(ScreenshotPrefix(QStringLiteral("/home/a,b/x,,y/")),
                 QStringLiteral("screenshot=/home/a\\,b/x\\,\\,y/"));
        const QStringList args = BuildPlayerArguments(Launch(QStringLiteral("/f")));
        QCOMPARE(args.filter(QStringLiteral("screenshot=")).size(), 1);
    }

    // --- the clock ---
    void formatClock_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("0") << qint64(0) << QByteArray("00:00:00");
        QTest::newRow("59") << qint64(59) << QByteArray("00:00:59");
        QTest::newRow("60") << qint64(60) << QByteArray("00:01:00");
        QTest::newRow("3599") << qint64(3599) << QByteArray("00:59:59");
        QTest::newRow("3600") << qint64(3600) << QByteArray("01:00:00");
        QTest::newRow("3723") << qint64(3723) << QByteArray("01:02:03");
        QTest::newRow("100 h") << qint64(360000) << QByteArray("100:00:00");
        QTest::newRow("-3") << qint64(-3) << QByteArray("00:00:-3");
        QTest::newRow("-75") << qint64(-75) << QByteArray("00:00:-75");
    }
    void formatClock() {
        QFETCH(qint64, seconds);
        QFETCH(QByteArray, text);
        QCOMPARE(FormatClock(seconds), text);
    }

    void parseClock_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("zero") << QByteArray("00:00:00") << qint64(0);
        QTest::newRow("1:30") << QByteArray("01:30:00") << qint64(5400);
        QTest::newRow("100 h") << QByteArray("100:00:00") << qint64(360000);
        QTest::newRow("no seconds") << QByteArray("1:2") << qint64(3720);
        QTest::newRow("hours only") << QByteArray("2") << qint64(7200);
        QTest::newRow("empty") << QByteArray() << qint64(0);
        QTest::newRow("junk hours") << QByteArray("x:05:06") << qint64(306);
        QTest::newRow("blanks") << QByteArray(" 2: 3: 4") << qint64(7384);
        QTest::newRow("negative") << QByteArray("-1:00:00") << qint64(-3600);
        QTest::newRow("extra part") << QByteArray("1:2:3:4") << qint64(3723);
        QTest::newRow("huge") << QByteArray("99999999999999999999:0:0") << qint64(INT_MAX) * 3600;
    }
    void parseClock() {
        QFETCH(QByteArray, text);
        QFETCH(qint64, seconds);
        QCOMPARE(ParseClock(text), seconds);
    }

    void clockRoundTrip() {
        for (qint64 s = 0; s < 400000; s += 37)
            QCOMPARE(ParseClock(FormatClock(s)), s);
    }

    // --- the player's output ---
    void capturesClassify_data() {
        QTest::addColumn<QString>("capture");
        // new item, audio, subtitle, video, length, position, percent, shot, eof, quit
        QTest::addColumn<QList<int>>("counts");
        QTest::newRow("mkv") << QStringLiteral("play-multi-mkv-commands")
                             << QList<int>{1, 2, 2, 1, 1, 4, 1, 1, 0, 1};
        QTest::newRow("eof") << QStringLiteral("play-test-mp4-eof-noaudiodevice")
                             << QList<int>{1, 1, 0, 1, 1, 1, 0, 0, 1, 0};
        QTest::newRow("no audio") << QStringLiteral("play-noaudio-mp4-quit")
                                  << QList<int>{1, 0, 0, 1, 1, 0, 0, 0, 0, 1};
        QTest::newRow("missing") << QStringLiteral("play-missing-file")
                                 << QList<int>{1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
        QTest::newRow("not media")
            << QStringLiteral("play-notmedia") << QList<int>{1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
        QTest::newRow("bad option") << QStringLiteral("play-comma-in-prefix") << QList<int>(10, 0);
        QTest::newRow("dvd lavf") << QStringLiteral("play-dvd-lavf")
                                  << QList<int>{1, 2, 0, 1, 1, 0, 0, 0, 0, 1};
        QTest::newRow("dvd native")
            << QStringLiteral("play-dvd-native") << QList<int>{1, 0, 0, 1, 1, 0, 0, 0, 0, 1};
        QTest::newRow("dvd bad title")
            << QStringLiteral("play-dvd-badtitle") << QList<int>{1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
        QTest::newRow("no video out")
            << QStringLiteral("play-vo-xv-unavailable") << QList<int>{1, 1, 0, 1, 0, 1, 0, 0, 0, 1};
        // Format tags holding an item, stream and video lines of their own, after the real ones.
        QTest::newRow("tags imitating lines") << QStringLiteral("play-tags-imitating-lines")
                                              << QList<int>{1, 2, 0, 1, 0, 0, 0, 0, 1, 0};
    }
    void capturesClassify() {
        QFETCH(QString, capture);
        QFETCH(QList<int>, counts);
        const QByteArray bytes = ReadAll(kCaptures + capture + QStringLiteral(".stdout"));
        QVERIFY(!bytes.isEmpty());
        const LineKind order[] = {LineKind::NewItem,        LineKind::AudioStream,
                                  LineKind::SubtitleStream, LineKind::VideoOpened,
                                  LineKind::LengthAnswer,   LineKind::PositionAnswer,
                                  LineKind::PercentAnswer,  LineKind::Screenshot,
                                  LineKind::EndOfFile,      LineKind::Quit};
        QList<int> seen(10, 0);
        PlayerOutputState state;
        for (const QByteArray &line : Lines(bytes)) {
            const LineKind kind = state.Classify(line);
            for (int i = 0; i < 10; ++i)
                seen[i] += kind == order[i];
        }
        QCOMPARE(seen, counts);
    }

    // Every line of every real capture is read as it was before the player's own forms were
    // required (the rules as they were: prefixes, then substrings anywhere).
    void capturesKeepTheirKinds() {
        const auto before = [](const QByteArray &line) {
            if (line.startsWith("ANS_TIME_POSITION"))
                return LineKind::PositionAnswer;
            if (line.startsWith("ANS_LENGTH"))
                return LineKind::LengthAnswer;
            if (line.startsWith("ANS_PERCENT_POSITION"))
                return LineKind::PercentAnswer;
            const std::pair<const char *, LineKind> rules[] = {
                {"Playing ", LineKind::NewItem},    {"(End of file)", LineKind::EndOfFile},
                {"(Quit)", LineKind::Quit},         {"*** screenshot ", LineKind::Screenshot},
                {", -aid ", LineKind::AudioStream}, {", -sid ", LineKind::SubtitleStream},
                {"VIDEO: ", LineKind::VideoOpened}};
            for (const auto &[text, kind] : rules)
                if (line.contains(text))
                    return kind;
            // Kinds that came later.
            if (line.startsWith("ID_SUBTITLE_ID="))
                return LineKind::SubtitleMet;
            if (line.trimmed() == "Starting playback...")
                return LineKind::PlaybackBegun;
            return LineKind::Other;
        };
        const QStringList captures =
            QDir(kCaptures).entryList({QStringLiteral("*.stdout"), QStringLiteral("*.stderr")});
        QVERIFY(captures.size() >= 20);
        int lines = 0;
        for (const QString &capture : captures) {
            for (const QByteArray &line : Lines(ReadAll(kCaptures + capture))) {
                QVERIFY2(ClassifyLine(line) == before(line),
                         qPrintable(capture + QStringLiteral(": ") + QString::fromUtf8(line)));
                ++lines;
            }
        }
        QVERIFY(lines > 300);
    }

    void captureAnswersRead() {
        const QList<QByteArray> lines =
            Lines(ReadAll(kCaptures + QStringLiteral("play-multi-mkv-commands.stdout")));
        QByteArray length, shot;
        for (const QByteArray &line : lines) {
            if (ClassifyLine(line) == LineKind::LengthAnswer)
                length = line;
            if (ClassifyLine(line) == LineKind::Screenshot)
                shot = line;
        }
        QCOMPARE(LengthFromAnswer(length), 10);
        QCOMPARE(ShotNameFromLine(shot), QByteArray("../fixtures/shots/shot-0001.png"));
    }

    void nearMisses_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("kind");
        const auto row = [](const char *line, LineKind kind) {
            QTest::newRow(QByteArray(line).trimmed().constData()) << QByteArray(line) << int(kind);
        };
        row(" ANS_TIME_POSITION=1.0\n", LineKind::Other);
        row("ANS_pause=yes\n", LineKind::Other);
        row("Playing\n", LineKind::Other);
        row("playing a.mkv.\n", LineKind::Other);
        row("Exiting... (End of file\n", LineKind::Other);
        row("** screenshot 'a.png' ***\n", LineKind::Other);
        row("audio stream: 0 format: ac3 (stereo) language: en aid: 128.\n", LineKind::Other);
        row("Video: no video\n", LineKind::Other);
        row("VIDEO:\n", LineKind::Other);
        // The first rule that matches wins.
        row("ANS_LENGTH=Playing (Quit)\n", LineKind::LengthAnswer);
        row("Playing a, -aid 1 (End of file).mkv.\n", LineKind::NewItem);
        row("*** screenshot 'Exiting... (Quit)' ***\n", LineKind::Screenshot);
        row("[lavf] stream 9: x, -aid 0, -sid 0, VIDEO: \n", LineKind::AudioStream);
        // Tags, file and folder names inside the player's own lines imitate nothing.
        row("libdvdread: x.*** screenshot 'a.png' ***\n", LineKind::Other);
        row(" title: Trailer *** screenshot '/home/u/victim.png' ***\n", LineKind::Other);
        row(" title: (End of file)\n", LineKind::Other);
        row(" title: Exiting... (Quit)\n", LineKind::Other);
        row("Exiting... (End of file) soon\n", LineKind::Other);
        row("Exiting... (Quit)\r\n", LineKind::Quit);
        row(" artist: x, -aid 1, -sid 2\n", LineKind::Other);
        row("stream 1: audio, -aid 0\n", LineKind::Other);
        row(" album: VIDEO:  [H264]\n", LineKind::Other);
        row(" title: Playing x.\n", LineKind::Other);
        row("[mkv] stream 2: subtitle (srt), -sid 0\n", LineKind::SubtitleStream);
        row("ID_SUBTITLE_ID=4608\n", LineKind::SubtitleMet);
        row("Starting playback... later\n", LineKind::Other);
    }
    void nearMisses() {
        QFETCH(QByteArray, line);
        QFETCH(int, kind);
        QCOMPARE(int(ClassifyLine(line)), kind);
    }

    void lengthAnswer_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<double>("answer"); // AnswerSeconds; -1: none
        QTest::newRow("position past 2:00:00")
            << QByteArray("ANS_TIME_POSITION=7262.5\n") << 0 << 7262.5;
        QTest::newRow("negative position") << QByteArray("ANS_TIME_POSITION=-3.0\n") << 0 << -1.0;
        QTest::newRow("film") << QByteArray("ANS_LENGTH=5400.00\n") << 5400 << 5400.0;
        QTest::newRow("truncated") << QByteArray("ANS_LENGTH=10.99\n") << 10 << 10.99;
        QTest::newRow("crlf") << QByteArray("ANS_LENGTH=12.00\r\n") << 12 << 12.0;
        QTest::newRow("empty") << QByteArray("ANS_LENGTH=\n") << 0 << -1.0;
        QTest::newRow("text") << QByteArray("ANS_LENGTH=abc\n") << 0 << -1.0;
        QTest::newRow("nan") << QByteArray("ANS_LENGTH=nan\n") << 0 << -1.0;
        QTest::newRow("huge") << QByteArray("ANS_LENGTH=1e300\n") << INT_MAX << -1.0;
    }
    void lengthAnswer() {
        QFETCH(QByteArray, line);
        QFETCH(int, seconds);
        QFETCH(double, answer);
        if (line.startsWith("ANS_LENGTH"))
            QCOMPARE(LengthFromAnswer(line), seconds);
        QCOMPARE(AnswerSeconds(line).value_or(-1.0), answer);
    }

    // The shape comes from the corrected size; lines it must not come from give nothing.
    void displaySize_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QSize>("size");
        QTest::newRow("anamorphic")
            << QByteArray("VO: [x11] 720x576 => 1024x576 Planar YV12  [fs] [zoom]\n")
            << QSize(1024, 576);
        QTest::newRow("gl") << QByteArray("VO: [gl] 1280x544 => 1280x544 Planar YV12 \n")
                            << QSize(1280, 544);
        QTest::newRow("zero") << QByteArray("VO: [x11] 720x576 => 0x576 Planar\n") << QSize();
        QTest::newRow("huge") << QByteArray("VO: [x11] 720x576 => 99999x576 Planar\n") << QSize();
        QTest::newRow("longer number")
            << QByteArray("VO: [x11] 720x576 => 1024x5760000 Planar\n") << QSize();
        QTest::newRow("cut") << QByteArray("VO: [x11] 720x576 => 1024\n") << QSize();
        QTest::newRow("indented") << QByteArray(" VO: [x11] 720x576 => 1024x576\n") << QSize();
        QTest::newRow("other") << QByteArray("VIDEO:  MPEG2  720x576  (aspect 3)\n") << QSize();
    }
    void displaySize() {
        QFETCH(QByteArray, line);
        QFETCH(QSize, size);
        QCOMPARE(DisplaySizeFromLine(line).value_or(QSize()), size);
    }

    void fitPicture_data() {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("2.35:1 in the label")
            << QSize(1000, 568) << QSize(1280, 544) << QRect(0, 71, 1000, 425);
        QTest::newRow("4:3 in the label")
            << QSize(1000, 568) << QSize(768, 576) << QRect(121, 0, 757, 568);
        QTest::newRow("same shape") << QSize(640, 360) << QSize(1280, 720) << QRect(0, 0, 640, 360);
        QTest::newRow("unknown") << QSize(1000, 568) << QSize() << QRect(0, 0, 1000, 568);
        QTest::newRow("hidden label") << QSize(0, 0) << QSize(1280, 720) << QRect(0, 0, 0, 0);
        QTest::newRow("extremes") << QSize(100, 100) << QSize(32768, 1) << QRect(0, 50, 100, 0);
    }
    void fitPicture() {
        QFETCH(QSize, area);
        QFETCH(QSize, display);
        QFETCH(QRect, rect);
        QCOMPARE(FitPicture(area, display), rect);
    }

    void shotName_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("name");
        const QByteArray folder = "/home/u/.local/share/Tavrell DVD Player/";
        QTest::newRow("plain") << "*** screenshot '" + folder + "0001.png' ***\n"
                               << folder + "0001.png";
        QTest::newRow("quote in name")
            << QByteArray("*** screenshot '/home/o'brien/0002.png' ***\n")
            << QByteArray("/home/o'brien/0002.png");
        const QByteArray deep = "/tmp/" + QByteArray(1500, 'x') + "/0003.png";
        QTest::newRow("longer than 511 bytes") << "*** screenshot '" + deep + "' ***\n" << deep;
        QTest::newRow("no closing quote")
            << QByteArray("*** screenshot '/tmp/a.png\n") << QByteArray("/tmp/a.png");
        QTest::newRow("crlf") << QByteArray("*** screenshot 'a.png' ***\r\n")
                              << QByteArray("a.png");
        QTest::newRow("utf-8") << QByteArray("*** screenshot '/tmp/Видео/0001.png' ***\n")
                               << QByteArray("/tmp/Видео/0001.png");
        QTest::newRow("after other text")
            << QByteArray("x.*** screenshot 'b.png' ***\n") << QByteArray("b.png");
    }
    void shotName() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, name);
        QCOMPARE(ShotNameFromLine(line), name);
    }

    // The same lines whatever pieces the output arrives in; over-long lines dropped whole.
    void lineSplitter_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<qsizetype>("pending");
        const QByteArray big(LineSplitter::MaxLineBytes, 'x');
        QTest::newRow("lines") << QByteArray("a\nbb\r\n\nccc")
                               << QList<QByteArray>{"a\n", "bb\r\n", "\n"} << qsizetype(3);
        QTest::newRow("longest kept")
            << big.left(big.size() - 1) + "\nz\n"
            << QList<QByteArray>{big.left(big.size() - 1) + "\n", "z\n"} << qsizetype(0);
        // The tail of a dropped line is not a line of its own, whatever it says.
        QTest::newRow("too long") << big + "Exiting... (End of file)\nVIDEO: x\n"
                                  << QList<QByteArray>{"VIDEO: x\n"} << qsizetype(0);
        QTest::newRow("endless") << big + big + "x" << QList<QByteArray>{} << qsizetype(0);
    }
    void lineSplitter() {
        QFETCH(QByteArray, output);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(qsizetype, pending);
        for (const qsizetype piece : {qsizetype(1), qsizetype(7), qsizetype(4096), output.size()}) {
            LineSplitter splitter;
            QList<QByteArray> got;
            for (qsizetype at = 0; at < output.size(); at += piece)
                splitter.Feed(output.mid(at, piece), got);
            QCOMPARE(got, lines);
            QCOMPARE(splitter.Pending(), pending);
            QVERIFY(splitter.Pending() <= LineSplitter::MaxLineBytes);
        }
    }

    void lineSplitterStaysLinear() {
        // 32 MiB without a line end in 64 KiB pieces, then a line: memory stays at one line.
        LineSplitter splitter;
        QList<QByteArray> got;
        const QByteArray piece(64 * 1024, 'x');
        for (int i = 0; i < 512; ++i) {
            splitter.Feed(piece, got);
            QVERIFY(splitter.Pending() <= LineSplitter::MaxLineBytes);
        }
        splitter.Feed("\nANS_LENGTH=5.00\n", got);
        QCOMPARE(got, QList<QByteArray>{"ANS_LENGTH=5.00\n"});
        QCOMPARE(splitter.DroppedLines(), qint64(1));
    }

    // A report counts only when it names one of the player's own shot files.
    void playerShotFile_data() {
        QTest::addColumn<QString>("name");   // as reported, relative to the test folder
        QTest::addColumn<QString>("create"); // what exists under that name: file, dir, link
        QTest::addColumn<bool>("accepted");
        QTest::newRow("player's shot") << "data/0001.png"
                                       << "file" << true;
        QTest::newRow("five digits") << "data/10000.png"
                                     << "file" << true;
        QTest::newRow("missing") << "data/0002.png"
                                 << "" << false;
        QTest::newRow("picture elsewhere") << "victim.png"
                                           << "file" << false;
        QTest::newRow("other name in folder") << "data/holiday.jpg"
                                              << "file" << false;
        QTest::newRow("three digits") << "data/001.png"
                                      << "file" << false;
        QTest::newRow("sub folder") << "data/sub/0001.png"
                                    << "file" << false;
        QTest::newRow("climbs out") << "data/../0001.png"
                                    << "file" << false;
        QTest::newRow("link to a picture") << "data/0003.png"
                                           << "link" << false;
        QTest::newRow("folder") << "data/0004.png"
                                << "dir" << false;
    }
    void playerShotFile() {
        QFETCH(QString, name);
        QFETCH(QString, create);
        QFETCH(bool, accepted);
        QTemporaryDir dir;
        const QString root = dir.path() + QLatin1Char('/');
        QDir(root).mkpath(QStringLiteral("data/sub"));
        const QString path = root + name;
        WriteFile(root + QStringLiteral("victim.png"), "picture");
        if (create == QLatin1String("file"))
            WriteFile(path, "picture");
        else if (create == QLatin1String("dir"))
            QVERIFY(QDir().mkpath(path));
        else if (create == QLatin1String("link"))
            QVERIFY(QFile::link(root + QStringLiteral("victim.png"), path));
        const QByteArray line = "*** screenshot '" + QFile::encodeName(path) + "' ***\n";
        QCOMPARE(PlayerShotFile(line, root + QStringLiteral("data/")), accepted ? path : QString());
        // Only at the start of a line.
        QCOMPARE(PlayerShotFile(" title: " + line, root + QStringLiteral("data/")), QString());
    }

    void outputStateRequestsAndEnds() {
        PlayerOutputState state;
        QVERIFY(!state.TakeShotRequest());
        state.ShotRequested();
        QVERIFY(state.TakeShotRequest());
        QVERIFY(!state.TakeShotRequest());

        // A claimed end the player contradicts by answering is forgotten.
        state.EndLineSeen();
        QVERIFY(!state.Tick());
        state.AnswerSeen();
        for (int i = 0; i < 2 * PlayerOutputState::EndGraceTicks; ++i)
            QVERIFY(!state.Tick());
        // One that is neither contradicted nor followed by the player's end counts in the end.
        state.EndLineSeen();
        int ticks = 1;
        while (!state.Tick())
            ++ticks;
        QCOMPARE(ticks, PlayerOutputState::EndGraceTicks);
        QVERIFY(!state.EndClaimed());
        state.ShotRequested();
        QCOMPARE(state.Classify("Playing a.mkv.\n"), LineKind::NewItem);
        state.Reset();
        QVERIFY(!state.TakeShotRequest());
        // The next player's item is its own.
        QCOMPARE(state.Classify("Playing b.mkv.\n"), LineKind::NewItem);
    }

    // --- snapshots ---
    void snapshotTargetName() {
        const QDateTime when(QDate(2024, 3, 5), QTime(7, 8, 9));
        QCOMPARE(SnapshotTargetName(QStringLiteral("/home/u/Shots/"), when, QStringLiteral("PNG")),
                 QStringLiteral("/home/u/Shots/Snapshot-2024-03-05 07-08-09.PNG"));
        QCOMPARE(SnapshotTargetName(QStringLiteral("/home/u/a\\b/"), when, QStringLiteral("JPG")),
                 QStringLiteral("/home/u/a\\b/Snapshot-2024-03-05 07-08-09.JPG"));
        const QDateTime late(QDate(1999, 12, 31), QTime(23, 59, 59));
        QCOMPARE(SnapshotTargetName(QStringLiteral("/s/"), late, QStringLiteral("JPEG")),
                 QStringLiteral("/s/Snapshot-1999-12-31 23-59-59.JPEG"));
        QCOMPARE(SnapshotWriterFormat(QStringLiteral("PNG")), "PNG");
        QCOMPARE(SnapshotWriterFormat(QStringLiteral("BMP")), "BMP");
        for (const char *other : {"JPG", "JPEG", "png", ""})
            QCOMPARE(SnapshotWriterFormat(QString::fromLatin1(other)), "JPEG");
    }

    void snapshotFolder() {
        QTemporaryDir appData;
        const QString data = appData.path() + QLatin1Char('/');
        const QString fallback = home.path() + QStringLiteral("/Documents/Tavrell DVD Player/");
        QCOMPARE(ReadSnapshotFolder(data), fallback);
        WriteFile(data + QStringLiteral("OutputPath.txt"), QByteArray());
        QCOMPARE(ReadSnapshotFolder(data), fallback);
        WriteFile(data + QStringLiteral("OutputPath.txt"), "/srv/My Shots/Ölçü\\");
        QCOMPARE(ReadSnapshotFolder(data), QStringLiteral("/srv/My Shots/Ölçü\\"));
        // Whatever the file holds is the folder, a hand-typed line end included.
        WriteFile(data + QStringLiteral("OutputPath.txt"), "/srv/shots/\n");
        QCOMPARE(ReadSnapshotFolder(data), QStringLiteral("/srv/shots/\n"));
        // No folder name: a FIFO (which would block), a file longer than any path.
        WriteFile(data + QStringLiteral("OutputPath.txt"), QByteArray(5000, 'x'));
        QCOMPARE(ReadSnapshotFolder(data), fallback);
        QFile::remove(data + QStringLiteral("OutputPath.txt"));
        QCOMPARE(
            mkfifo(QFile::encodeName(data + QStringLiteral("OutputPath.txt")).constData(), 0600),
            0);
        QCOMPARE(ReadSnapshotFolder(data), fallback);
    }

    void saveSnapshot_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("JPG") << QStringLiteral("JPG") << QByteArray("jpeg");
        QTest::newRow("JPEG") << QStringLiteral("JPEG") << QByteArray("jpeg");
        QTest::newRow("PNG") << QStringLiteral("PNG") << QByteArray("png");
        QTest::newRow("BMP") << QStringLiteral("BMP") << QByteArray("bmp");
    }
    void saveSnapshot() {
#ifdef TAVRELL_HAVE_GUI
        QFETCH(QString, format);
        QFETCH(QByteArray, written);
        QTemporaryDir dir;
        const QString shot = dir.path() + QStringLiteral("/0001.png");
        QImage frame(32, 18, QImage::Format_RGB32);
        frame.fill(Qt::darkCyan);
        QVERIFY(frame.save(shot, "PNG"));
        const QString target =
            SnapshotTargetName(dir.path() + QStringLiteral("/not yet/there/"),
                               QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)), format);
        QVERIFY(SaveSnapshot(shot, target, format));
        QVERIFY(!QFile::exists(shot));
        QImageReader reader(target);
        QCOMPARE(reader.format(), written);
        QCOMPARE(reader.size(), QSize(32, 18));

        // A second shot in the same second keeps the first picture.
        const QByteArray first = ReadAll(target);
        QVERIFY(frame.save(shot, "PNG"));
        QVERIFY(SaveSnapshot(shot, target, format));
        QCOMPARE(ReadAll(target), first);
        QCOMPARE(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files).size(), 2);
#else
        QSKIP("built without the window library");
#endif
    }

    void unreadableShotIsKept() {
#ifdef TAVRELL_HAVE_GUI
        QTemporaryDir dir;
        const QString shot = dir.path() + QStringLiteral("/0001.png");
        WriteFile(shot, "not a picture");
        const QString target = dir.path() + QStringLiteral("/out/Snapshot.JPG");
        QVERIFY(!SaveSnapshot(shot, target, QStringLiteral("JPG")));
        QVERIFY(QFile::exists(shot));
        QVERIFY(!QFile::exists(target));
#else
        QSKIP("built without the window library");
#endif
    }

    // --- the playback session, driven by verbs and by the stand-in player ---
    // Each step: a verb ("start", "pause", "resume", "stop", "close", "seek N", "tick",
    // "snapshot", "volume N", "audio N", "subtitle N", "balance N") or a wait ("tracks",
    // "shot", or a state name). The log holds what every player of the row was sent.
    void sessionSequences_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QByteArray>("env"); // NAME=value for the stand-in player
        QTest::addColumn<QString>("state");  // at the end
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QStringList>("reported");
        QTest::addColumn<qint64>("clock");
        const auto row = [](const char *name, const char *steps, const char *env, const char *state,
                            const QByteArray &sent, const char *signalNames, qint64 clock) {
            QTest::newRow(name) << QString::fromLatin1(steps).split(u' ', Qt::SkipEmptyParts)
                                << QByteArray(env) << QString::fromLatin1(state) << sent
                                << QString::fromLatin1(signalNames).split(u' ', Qt::SkipEmptyParts)
                                << clock;
        };
        const QByteArray v = "volume 50 2\n";
        row("verbs without a player do nothing",
            "pause resume stop close seek_5 tick snapshot audio_1 subtitle_1 balance_1", "", "Idle",
            "", "", 0);
        row("stop: nothing plays while it quits, then it ends", "start tracks stop Stopping Idle",
            "", "Idle", v + "q\n", "Playing Started Stopping Idle Ended", 0);
        row("after a stop resume, pause and ticks do nothing",
            "start tracks stop resume pause tick Idle resume tick stop", "", "Idle", v + "q\n",
            "Playing Started Stopping Idle Ended", 0);
        row("a tick while paused sends nothing; resume sends nothing",
            "start tracks pause tick tick resume tick", "", "Playing",
            v + "pause\nget_time_length\nget_time_pos\n", "Playing Started Paused Playing", 507);
        row("a seek while paused resumes", "start tracks pause seek_100", "", "Playing",
            v + "pause\nseek 100 2\n", "Playing Started Paused Playing Seeked", 100000);
        row("the item ends on its own", "start Idle", "FAKE_PLAYER_EOF_MS=300", "Idle", v,
            "Playing Started ReachedEnd Idle Ended", 0);
        row("the player crashes", "start Idle", "FAKE_PLAYER_CRASH_MS=300", "Idle", v,
            "Playing Started Idle Crashed", 0);
        row("the player cannot start", "start Idle", "MISSING", "Idle", "",
            "Playing Started Idle FailedToStart", 0);
        row("close quits once and reports no end", "start tracks close",
            "FAKE_PLAYER_QUIT_LINGER_MS=300", "Idle", v + "q\n", "Playing Started Idle", 0);
        row("a new start replaces the player without its end", "start tracks start tracks", "",
            "Playing", v + v, "Playing Started Idle Playing Started", 0);
        // Its end is still queued when the next item replaces it.
        row("the end of a replaced player is not the new one's", "start tracks ends start tracks",
            "", "Playing", v + "q\n" + v, "Playing Started Idle Playing Started", 0);
        row("a start position", "start_75 tracks", "", "Playing", v + "seek 75 2\n",
            "Playing Started Seeked", 75000);
        row("a resumed start shows its note", "start_note tracks", "", "Playing",
            v + "seek 75 2\nosd_show_text \"Resumed at  00:01:15 \" 4000 0\n",
            "Playing Started Seeked", 75000);
        row("remembered choices go out at the video line", "start_choices tracks", "", "Playing",
            v + "sub_demux 0\nswitch_audio 1\n", "Playing Started Tracks", 0);
        row("a snapshot asked for is reported", "start tracks snapshot shot", "", "Playing",
            v + "screenshot 0\n", "Playing Started Shot", 0);
        // A Blu-ray title's choices go out by PID once playback has begun and the stream has
        // been met (fra 4609, then eng 4608 after a while); -1 is off.
        row("a disc's subtitle waits for its stream", "start_disc applied subtitle_1 subtitle_-1",
            "DISC", "Playing",
            v + "pausing_keep sub_demux 1\npausing_keep sub_demux 0\npausing_keep sub_demux -1\n",
            "Playing Started", 0);
        row("track and volume verbs", "start tracks volume_30 audio_2 subtitle_0 balance_-1", "",
            "Playing",
            v + "pausing_keep volume 30 100\npausing_keep switch_audio 2\n"
                "pausing_keep sub_demux 0\npausing_keep balance -1 1\n",
            "Playing Started Volume", 0);
    }

    void sessionSequences() {
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, env);
        QFETCH(QString, state);
        QFETCH(QByteArray, sent);
        QFETCH(QStringList, reported);
        QFETCH(qint64, clock);
        QTemporaryDir work;
        const QString log = work.path() + QStringLiteral("/player.log");
        qputenv("FAKE_PLAYER_LOG", QFile::encodeName(log));
        if (env == "DISC") {
            const QString script = work.path() + u"/disc.script"_s;
            WriteFile(script, "out Playing br://0.\nout ID_SUBTITLE_ID=4609\n"
                              "out Starting playback...\nsleep 300\nout ID_SUBTITLE_ID=4608\n");
            env = "FAKE_PLAYER_SCRIPT=" + QFile::encodeName(script);
        }
        const QByteArrayList setting = env.split('=');
        if (setting.size() == 2)
            qputenv(setting[0].constData(), setting[1]);
        const auto restore = qScopeGuard([&] {
            qunsetenv("FAKE_PLAYER_LOG");
            if (setting.size() == 2)
                qunsetenv(setting[0].constData());
        });

        // Ticks only when the row says so.
        PlaybackSession session(24 * 3600 * 1000);
        QStringList seen;
        static const QStringList kStates{u"Idle"_s, u"Playing"_s, u"Paused"_s, u"Stopping"_s};
        connect(&session, &PlaybackSession::StateChanged, this,
                [&](PlaybackState s) { seen << kStates[int(s)]; });
        connect(&session, &PlaybackSession::Started, this, [&] { seen << u"Started"_s; });
        connect(&session, &PlaybackSession::Seeked, this, [&] { seen << u"Seeked"_s; });
        connect(&session, &PlaybackSession::Ended, this, [&] { seen << u"Ended"_s; });
        connect(&session, &PlaybackSession::ReachedEnd, this, [&] { seen << u"ReachedEnd"_s; });
        connect(&session, &PlaybackSession::VolumeChanged, this, [&] { seen << u"Volume"_s; });
        connect(&session, &PlaybackSession::ShotReported, this, [&] { seen << u"Shot"_s; });
        connect(&session, &PlaybackSession::Failed, this, [&](PlaybackFailure f) {
            seen << (f == PlaybackFailure::Crashed ? u"Crashed"_s : u"FailedToStart"_s);
        });
        int tracks = 0;
        connect(&session, &PlaybackSession::TracksAnnounced, this, [&](const TrackReport &r) {
            ++tracks;
            if (r.AppliedAudioIndex >= 0)
                seen << u"Tracks"_s;
        });

        for (const QString &step : std::as_const(steps)) {
            const QString verb = step.section(u'_', 0, 0);
            const int number = step.section(u'_', 1).toInt();
            if (verb == u"start") {
                PlayRequest request;
                request.Program = env == "MISSING" ? u"/nonexistent/player"_s
                                                   : QStringLiteral(TAVRELL_FAKE_PLAYER);
                request.Launch = Launch(work.path() + u"/film.mkv"_s);
                request.Launch.AppDataFolder = work.path() + u"/"_s;
                if (step == u"start_choices") {
                    request.PendingAudioIndex = 1;
                    request.PendingSubtitleIndex = 0;
                } else if (step == u"start_note") {
                    // Quotes and line breaks must not end the command early.
                    request.StartSeconds = 75;
                    request.StartNote = u"Resumed at \"00:01:15\n"_s;
                } else if (step == u"start_disc") {
                    request.Launch.SourceKind = MediaKind::Bluray;
                    request.SubtitlePids = {0x1200, 0x1201};
                    request.PendingSubtitleIndex = 0;
                } else {
                    request.StartSeconds = number;
                }
                tracks = 0;
                session.Start(request);
            } else if (verb == u"tracks") {
                QTRY_VERIFY_WITH_TIMEOUT(tracks > 0, 10000);
            } else if (verb == u"applied") {
                QTRY_VERIFY_WITH_TIMEOUT(!session.SubtitleChoicePending(), 10000);
            } else if (verb == u"shot") {
                QTRY_VERIFY_WITH_TIMEOUT(seen.contains(u"Shot"_s), 10000);
            } else if (kStates.contains(verb)) {
                QTRY_COMPARE_WITH_TIMEOUT(kStates[int(session.State())], verb, 10000);
            } else if (verb == u"ends") {
                // Quits by itself, and the session has not yet heard of it.
                session.Process()->write("q\n");
                QVERIFY(session.Process()->waitForFinished(10000));
            } else if (verb == u"pause") {
                session.Pause();
            } else if (verb == u"resume") {
                session.Resume();
            } else if (verb == u"stop") {
                session.Stop();
            } else if (verb == u"close") {
                session.Close();
            } else if (verb == u"seek") {
                session.Seek(number);
            } else if (verb == u"tick") {
                session.Tick();
            } else if (verb == u"snapshot") {
                session.Snapshot();
            } else if (verb == u"volume") {
                session.SetVolume(number);
            } else if (verb == u"audio") {
                session.SwitchAudio(number, true);
            } else if (verb == u"subtitle") {
                session.SwitchSubtitle(number, true);
            } else if (verb == u"balance") {
                session.SetBalance(number);
            } else {
                QFAIL(qPrintable(step));
            }
        }
        QCOMPARE(kStates[int(session.State())], state);
        // Nothing claims to play without a player, and the tick runs only while playing.
        QCOMPARE(session.HasPlayer(), session.Process() != nullptr && state != u"Stopping");
        QCOMPARE(session.RefreshTimer()->isActive(), state == u"Playing");
        QCOMPARE(session.PositionMs(), clock);
        QCOMPARE(seen, reported);
        // The player logs what it read as it reads it: wait for the last command to land.
        if (session.HasPlayer())
            sent += "q\n";
        session.Close();
        QTRY_COMPARE_WITH_TIMEOUT(ReadAll(log), sent, 10000);
    }

    // --- the stand-in player used by the window tests ---
    void fakePlayerSession() {
        QTemporaryDir work;
        const QString log = work.path() + QStringLiteral("/player.log");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FAKE_PLAYER_LOG"), log);
        env.insert(QStringLiteral("FAKE_PLAYER_LENGTH"), QStringLiteral("5400"));
        QProcess player;
        player.setProcessEnvironment(env);
        player.setWorkingDirectory(work.path());
        const QString media = QStringLiteral("/home/u/My Films/Ölçü \"1\".mkv");
        PlayerLaunch launch = Launch(media);
        launch.AppDataFolder = work.path() + QStringLiteral("/data, mine/");
        QVERIFY(QDir().mkpath(launch.AppDataFolder));
        const QStringList args = BuildPlayerArguments(launch);
        player.start(QStringLiteral(TAVRELL_FAKE_PLAYER), args);
        QVERIFY(player.waitForStarted());

        // The banner announces the item, one audio stream and the video, like mplayer.
        QList<LineKind> banner;
        QByteArray playing;
        for (QByteArray line = NextLine(player); !line.isEmpty(); line = NextLine(player)) {
            banner << ClassifyLine(line);
            if (banner.last() == LineKind::NewItem)
                playing = line;
            if (banner.last() == LineKind::VideoOpened)
                break;
        }
        QCOMPARE(banner.count(LineKind::NewItem), 1);
        QCOMPARE(banner.count(LineKind::AudioStream), 1);
        QCOMPARE(banner.count(LineKind::VideoOpened), 1);
        QCOMPARE(playing, "Playing " + media.toUtf8() + ".\n");

        QByteArray sent;
        const auto send = [&](const QByteArray &command) {
            sent += command;
            player.write(command);
        };
        send(slave::GetTimeLength());
        QCOMPARE(LineWith(player, "ANS_"), QByteArray("ANS_LENGTH=5400.00\n"));
        send(slave::Pause());
        send("pausing_keep seek 100 2\n");
        send("pausing_keep get_time_pos\n");
        QCOMPARE(LineWith(player, "ANS_"), QByteArray("ANS_TIME_POSITION=100.0\n"));
        send(slave::Screenshot());
        const QByteArray shotLine = LineWith(player, "screenshot");
        QCOMPARE(ClassifyLine(shotLine), LineKind::Screenshot);
        // Named like mplayer's: the prefix given with the filter, unescaped, and a counter.
        const QString shot = launch.AppDataFolder + QStringLiteral("0001.png");
        QCOMPARE(ShotNameFromLine(shotLine), QFile::encodeName(shot));
        QCOMPARE(PlayerShotFile(shotLine, launch.AppDataFolder), shot);
        QVERIFY(ReadAll(shot).startsWith("\x89PNG"));
        send(slave::Quit());
        QCOMPARE(ClassifyLine(LineWith(player, "Exiting")), LineKind::Quit);
        QVERIFY(player.waitForFinished(10000));
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.exitCode(), 0);

        QCOMPARE(ReadAll(log), sent);
        QCOMPARE(QString::fromUtf8(ReadAll(log + QStringLiteral(".args"))),
                 args.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    }

    // --- where items were left ---
    void resumeStore_data() {
        QTest::addColumn<QByteArray>("stored"); // the file before; "many" makes 100,000 lines
        QTest::addColumn<int>("leftAt");        // noted for the key; -1: nothing noted
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("found"); // the key's point afterwards, also once saved and read; -1
        QTest::addColumn<int>("count");
        // The key holds what a path may hold: a tab and a line break.
        const QByteArray h = "tavrell-resume 1\n";
        const QByteArray k = "file:/a%09b%0Ac|1|2";
        QTest::newRow("kept") << h << 120 << 600 << 120 << 1;
        QTest::newRow("an item under 3 minutes") << h << 120 << 179 << -1 << 0;
        QTest::newRow("10 s from the start") << h << 9 << 600 << -1 << 0;
        QTest::newRow("10 s from the end") << h << 591 << 600 << -1 << 0;
        QTest::newRow("just inside the end") << h << 590 << 600 << 590 << 1;
        QTest::newRow("started over forgets") << h + k + "\t300\t-1\t-1\n" << 5 << 600 << -1 << 0;
        QTest::newRow("a later line wins") << h + k + "\t100\t1\t1\n" + k + "\t200\t2\t2\n"
                                           << -1 << 0 << 200 << 1;
        QTest::newRow("damaged lines are left out")
            << h + k + "\tx\t1\t1\n" + k + "\t-5\t1\t1\n\t\t\t\n" + QByteArray(300, '\xff') +
                   "\nother\t30\t-1\t-1\n"
            << -1 << 0 << -1 << 1;
        QTest::newRow("binary") << QByteArray(4096, '\0') << 120 << 600 << 120 << 1;
        QTest::newRow("100,000 lines: the first MiB, the newest 1,000 of it")
            << QByteArray("many") << 120 << 600 << 120 << 1000;
    }
    void resumeStore() {
        QFETCH(QByteArray, stored);
        QFETCH(int, leftAt);
        QFETCH(int, length);
        QFETCH(int, found);
        QFETCH(int, count);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/ResumePoints.txt"_s;
        if (stored == "many") {
            stored = "tavrell-resume 1\n";
            for (int i = 0; i < 100000; ++i)
                stored += "file:/films/" + QByteArray::number(i) + ".mkv|1|2\t600\t-1\t-1\n";
        }
        WriteFile(path, stored);
        const QString key = u"file:/a\tb\nc|1|2"_s;
        ResumeStore store(path);
        store.Load();
        if (leftAt >= 0)
            store.Note(key, {leftAt, 2, 1}, length);
        const auto check = [&](const ResumeStore &s) {
            QCOMPARE(s.Find(key) ? s.Find(key)->Seconds : -1, found);
            QCOMPARE(s.Count(), count);
        };
        check(store);
        QVERIFY(store.Save());
        ResumeStore again(path);
        again.Load();
        check(again);
        if (count == 1000) {
            // The newest note went in last; the oldest read entry made room for it.
            QVERIFY(QFileInfo(path).size() < ResumeStore::MaxReadBytes);
            QVERIFY(!again.Find(u"file:/films/0.mkv|1|2"_s));
        }
    }

    // A disc is known by its bytes wherever it is mounted; a FIFO among them is not waited for.
    void discIdentityFollowsTheBytes() {
        QTemporaryDir dir;
        const auto disc = [&dir](const QString &name, const QByteArray &second) {
            WriteFile(dir.path() + name + u"/BDMV/PLAYLIST/00001.mpls"_s, "first");
            WriteFile(dir.path() + name + u"/BDMV/PLAYLIST/00002.mpls"_s, second);
            return DiscIdentity(dir.path() + name);
        };
        const QString a = disc(u"/a"_s, "second");
        QVERIFY(a.startsWith(u"bd:"_s));
        QCOMPARE(disc(u"/b"_s, "second"), a);
        const QByteArray fifo = QFile::encodeName(dir.path() + u"/b/BDMV/PLAYLIST/00003.mpls"_s);
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
        QCOMPARE(DiscIdentity(dir.path() + u"/b"_s), a);
        QVERIFY(disc(u"/c"_s, "SECOND") != a);
        QCOMPARE(DiscIdentity(dir.path() + u"/nothing"_s), QString());
    }

    // The store follows playback: saved while playing, so a killed program keeps that point.
    void resumeKeeperSavesWhilePlaying() {
        QTemporaryDir work;
        qputenv("FAKE_PLAYER_LENGTH", "600");
        const auto restore = qScopeGuard([] { qunsetenv("FAKE_PLAYER_LENGTH"); });
        const QString path = work.path() + u"/ResumePoints.txt"_s;
        PlaybackSession session(24 * 3600 * 1000);
        ResumeKeeper keeper(&session, path, 0);
        PlayRequest request;
        request.Program = QStringLiteral(TAVRELL_FAKE_PLAYER);
        request.Launch = Launch(work.path() + u"/film.mkv"_s);
        request.LengthSeconds = 600;
        request.ResumeKey = u"film"_s;
        session.Start(request);
        session.Seek(200);
        // No answer yet: a player that may never have started keeps the old point.
        session.Tick();
        QVERIFY(!QFile::exists(path));
        QSignalSpy answered(&session, &PlaybackSession::PositionAnswered);
        QVERIFY(answered.wait(10000));
        session.Tick();
        ResumeStore onDisk(path);
        onDisk.Load();
        QVERIFY(onDisk.Find(u"film"_s));
        QVERIFY(qAbs(onDisk.Find(u"film"_s)->Seconds - 200) <= 2);
    }

    void fakePlayerScriptAndEnding() {
        QTemporaryDir work;
        const QString script = work.path() + QStringLiteral("/steps.txt");
        const QString capture = kCaptures + QStringLiteral("play-multi-mkv-commands.stdout");
        WriteFile(script,
                  "out hello\nsleep 10\nreplay " + QFile::encodeName(capture) + "\nexit 3\n");
        QProcess player;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FAKE_PLAYER_SCRIPT"), script);
        player.setProcessEnvironment(env);
        player.start(QStringLiteral(TAVRELL_FAKE_PLAYER), {QStringLiteral("/x.mkv")});
        QVERIFY(player.waitForFinished(10000));
        QCOMPARE(player.exitCode(), 3);
        QCOMPARE(player.readAllStandardOutput(), "hello\n" + ReadAll(capture));

        WriteFile(script, "banner\ncrash\n");
        player.start(QStringLiteral(TAVRELL_FAKE_PLAYER), {QStringLiteral("/x.mkv")});
        QVERIFY(player.waitForFinished(10000));
        QCOMPARE(player.exitStatus(), QProcess::CrashExit);
        QVERIFY(!player.readAllStandardOutput().contains("Exiting"));

        env.remove(QStringLiteral("FAKE_PLAYER_SCRIPT"));
        env.insert(QStringLiteral("FAKE_PLAYER_EOF_MS"), QStringLiteral("0"));
        player.setProcessEnvironment(env);
        player.start(QStringLiteral(TAVRELL_FAKE_PLAYER), {QStringLiteral("/x.mkv")});
        QVERIFY(player.waitForFinished(10000));
        QCOMPARE(player.exitCode(), 0);
        const QList<QByteArray> lines = Lines(player.readAllStandardOutput());
        QVERIFY(!lines.isEmpty());
        QCOMPARE(ClassifyLine(lines.last()), LineKind::EndOfFile);
    }
};

QTEST_GUILESS_MAIN(PlayerTest)
#include "test_player.moc"
