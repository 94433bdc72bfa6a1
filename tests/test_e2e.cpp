// The window with the real mplayer and ffprobe on media made here with ffmpeg, under Xvfb.
// The clips encode time as brightness (luma 40 + 15 per second), so a snapshot tells where
// the player really is.
#include "TestConfig.h"
#include "WindowFixture.h"
#include "player/PlayerArgs.h"
#include "ui/DRUI.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStackedLayout>
#include <QStandardPaths>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace {

bool Run(const QString &program, const QStringList &args, const QString &dir = QString(),
         const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setWorkingDirectory(dir);
    process.setProcessEnvironment(env);
    // Their chatter is no help in a test log; a failure shows as the exit code.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A clip of `seconds` whose grey level tells the time; no B-frames so that seeks land on
// the key frame at the target.
bool MakeRamp(const QString &path, int seconds) {
    const QString d = QString::number(seconds);
    return Run(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"),
         QStringLiteral("error"),
         QStringLiteral("-y"),
         QStringLiteral("-f"),
         QStringLiteral("lavfi"),
         QStringLiteral("-i"),
         QStringLiteral("color=c=black:s=320x240:r=25:d=%1,geq=lum='40+15*T':cb=128:cr=128").arg(d),
         QStringLiteral("-f"),
         QStringLiteral("lavfi"),
         QStringLiteral("-i"),
         QStringLiteral("sine=f=440:d=%1").arg(d),
         QStringLiteral("-c:v"),
         QStringLiteral("libx264"),
         QStringLiteral("-bf"),
         QStringLiteral("0"),
         QStringLiteral("-g"),
         QStringLiteral("25"),
         QStringLiteral("-pix_fmt"),
         QStringLiteral("yuv420p"),
         QStringLiteral("-c:a"),
         QStringLiteral("aac"),
         QStringLiteral("-shortest"),
         path});
}

// Seconds into the ramp for a grey level in full-range RGB.
double RampSecond(double grey) {
    return (grey / 1.164 + 16.0 - 40.0) / 15.0;
}

double MeanGrey(const QImage &image) {
    if (image.isNull())
        return -1;
    const QImage small = image.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    qint64 n = 0;
    for (int y = small.height() / 4; y < small.height() * 3 / 4; ++y)
        for (int x = small.width() / 4; x < small.width() * 3 / 4; ++x) {
            sum += qGray(small.pixel(x, y));
            ++n;
        }
    return n ? sum / double(n) : -1;
}

// What is on the screen where the widget is (the player draws into its own X window).
QImage ScreenAt(QWidget *widget) {
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, origin.x(), origin.y(), widget->width(), widget->height())
        .toImage();
}

// What is on the screen in that rectangle (screen coordinates).
QImage ScreenRect(const QRect &rect) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
        .toImage();
}

QString XdoTool(const QStringList &args) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// A still white circle on black, `size` stored, each stored pixel `pixelWidth` wide on the
// screen; a DVD (PAL, flagged 16:9) when `dvdFolder` is given, else an MP4 at `path`. A minute
// long: a check that gives up on a loaded machine still sees the picture, not the start page.
bool MakeCircle(const QString &path, const QString &size, const QString &pixelWidth,
                const QString &dvdFolder) {
    QStringList args{
        QStringLiteral("-v"),
        QStringLiteral("error"),
        QStringLiteral("-y"),
        QStringLiteral("-f"),
        QStringLiteral("lavfi"),
        QStringLiteral("-i"),
        QStringLiteral("color=c=black:s=%1:r=25:d=0.04,geq=lum='if(lt(hypot((X-W/2)*"
                       "%2,Y-H/2),H*0.35),235,16)':cb=128:cr=128,loop=loop=1499:size=1")
            .arg(size, pixelWidth)};
    if (dvdFolder.isEmpty())
        return Run(QStringLiteral("ffmpeg"),
                   args << QStringLiteral("-c:v") << QStringLiteral("libx264") << path);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VIDEO_FORMAT"), QStringLiteral("PAL"));
    return Run(QStringLiteral("ffmpeg"),
               args << QStringLiteral("-target") << QStringLiteral("pal-dvd")
                    << QStringLiteral("-aspect") << QStringLiteral("16:9") << path) &&
           Run(QStringLiteral("dvdauthor"),
               {QStringLiteral("-o"), dvdFolder, QStringLiteral("-t"), path}, QString(), env) &&
           Run(QStringLiteral("dvdauthor"), {QStringLiteral("-o"), dvdFolder, QStringLiteral("-T")},
               QString(), env);
}

// What is wrong with a label showing MakeCircle's picture of display shape `aspect`: the
// circle must be round, centred, as large as the whole picture fitted into the label makes
// it, and everything around it black (bars, no remains of an earlier picture). Empty if right.
QString ShapeFault(const QImage &shot, double aspect) {
    const QImage rgb = shot.convertToFormat(QImage::Format_RGB32);
    QRect circle;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (qGray(rgb.pixel(x, y)) > 128)
                circle |= QRect(x, y, 1, 1);
    const double diameter = 0.7 * qMin(rgb.width() / aspect, double(rgb.height()));
    const QString seen = QStringLiteral("circle %1x%2 at %3,%4 in %5x%6, wanted %7 wide")
                             .arg(circle.width())
                             .arg(circle.height())
                             .arg(circle.x())
                             .arg(circle.y())
                             .arg(rgb.width())
                             .arg(rgb.height())
                             .arg(qRound(diameter));
    const auto off = [](double a, double b) { return qAbs(a - b) > 0.03 * b; };
    if (circle.isEmpty() || off(circle.width(), circle.height()) || off(circle.width(), diameter) ||
        (circle.center() - rgb.rect().center()).manhattanLength() > 6)
        return seen;
    const QRect around = circle.adjusted(-3, -3, 3, 3);
    for (int y = 0; y < rgb.height(); y += 2)
        for (int x = 0; x < rgb.width(); x += 2)
            if (!around.contains(x, y) && qGray(rgb.pixel(x, y)) > 24)
                return seen + QStringLiteral(", lit at %1,%2").arg(x).arg(y);
    return QString();
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestUser> user;
    std::unique_ptr<DRUI> window;
    QString ramp, longRamp, shortA, shortB, dvd, song;

    DRUI &NewWindow() {
        window = std::make_unique<DRUI>();
        window->InitWindow();
        window->setGeometry(40, 40, 1000, 680);
        window->show();
        return *window;
    }

private slots:
    void initTestCase() {
        for (const char *program : {"mplayer", "ffmpeg", "ffprobe", "dvdauthor", "xdotool"})
            QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(program)).isEmpty(), program);
        user = std::make_unique<TestUser>();
        // No sound card here: without an audio output an audio-only file ends at once.
        WriteFile(user->Root() + QStringLiteral("/home/.mplayer/config"), "ao=null\n");
        const QString media = user->NewFolder(QStringLiteral("Videos, 'mine'"));
        ramp = media + QStringLiteral("/ramp clip.mp4");
        shortA = media + QStringLiteral("/short-\u00e4.mp4");
        shortB = media + QStringLiteral("/-dash.mp4");
        QVERIFY(MakeRamp(ramp, 8));
        // Long enough to be still playing at the end of a user's steps on a loaded machine.
        longRamp = media + QStringLiteral("/long ramp.mp4");
        QVERIFY(MakeRamp(longRamp, 40));
        QVERIFY(MakeRamp(shortA, 2));
        QVERIFY(MakeRamp(shortB, 3));

        song = media + QStringLiteral("/song.mp3");
        QVERIFY(Run(QStringLiteral("ffmpeg"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                     QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("sine=f=330:d=20"), song}));

        dvd = user->NewFolder(QStringLiteral("Film DVD"));
        const QString mpg = media + QStringLiteral("/dvd.mpg");
        QVERIFY(Run(QStringLiteral("ffmpeg"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                     QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("testsrc=s=720x576:r=25:d=3"), QStringLiteral("-f"),
                     QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=d=3"),
                     QStringLiteral("-target"), QStringLiteral("pal-dvd"), mpg}));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VIDEO_FORMAT"), QStringLiteral("PAL"));
        QVERIFY(Run(QStringLiteral("dvdauthor"),
                    {QStringLiteral("-o"), dvd, QStringLiteral("-t"), mpg}, QString(), env));
        QVERIFY(Run(QStringLiteral("dvdauthor"), {QStringLiteral("-o"), dvd, QStringLiteral("-T")},
                    QString(), env));
        QVERIFY(QFile::exists(dvd + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO")));
    }

    void cleanup() { window.reset(); }

    void playsSeeksSnapshotsAndEnds() {
        DRUI &w = NewWindow();
        w.PlayListAddFiles({ramp});
        QCOMPARE(w.MediaDuration, qint64(8)); // from the real probe
        QCOMPARE(w.PageStack->currentIndex(), PageIndex(Page::Video));
        // The player answers (the labels follow its answers) ...
        QTRY_COMPARE_WITH_TIMEOUT(w.DurationLabel->text(), QStringLiteral(" 00:00:08"), 20000);
        QVERIFY(w.PositionLabel->text().startsWith(QStringLiteral("00:00:0")));

        // ... and draws into the video label, which is black by itself.
        QImage onScreen;
        QTRY_VERIFY_WITH_TIMEOUT(MeanGrey(onScreen = ScreenAt(w.VideoLabel)) > 25, 20000);
        const QRgb centre = onScreen.pixel(onScreen.width() / 2, onScreen.height() / 2);
        QVERIFY(qAbs(qRed(centre) - qBlue(centre)) < 20); // the grey ramp, not some other picture
        // Scaled to the label (x11 with -zoom), not drawn at its own 320x240 in a corner: the
        // 4:3 picture reaches the top and bottom edges of the wider label.
        const QImage rgb = onScreen.convertToFormat(QImage::Format_RGB32);
        const int h3 = rgb.height() - 3;
        for (const QPoint edge : {QPoint(rgb.width() / 2, 2), QPoint(rgb.width() / 2, h3)})
            QVERIFY2(qGray(rgb.pixel(edge)) > 12,
                     qPrintable(QStringLiteral("dark at %1,%2 of %3x%4")
                                    .arg(edge.x())
                                    .arg(edge.y())
                                    .arg(rgb.width())
                                    .arg(rgb.height())));

        // Seek by the slider, then take a snapshot right away.
        QElapsedTimer sinceSeek;
        w.SliderPress();
        w.SliderSeek(5);
        w.SliderRelease();
        sinceSeek.start();
        // The snapshot is of the first picture after the seek: wait until it is on the screen.
        QTRY_VERIFY_WITH_TIMEOUT(RampSecond(MeanGrey(ScreenAt(w.VideoLabel))) > 4.2, 20000);
        w.Snapshot();
        const QString shots = user->Root() + QStringLiteral("/home/Documents/Tavrell DVD Player");
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(shots).entryList(QDir::Files).isEmpty(), 20000);
        const QStringList names = QDir(shots).entryList(QDir::Files);
        QCOMPARE(names.size(), 1);
        QVERIFY2(names.first().startsWith(QStringLiteral("Snapshot-")) &&
                     names.first().endsWith(QStringLiteral(".JPG"), Qt::CaseInsensitive),
                 qPrintable(names.first()));
        const QByteArray jpeg = ReadAll(shots + u'/' + names.first());
        QVERIFY(jpeg.startsWith("\xFF\xD8\xFF"));
        QImage shot;
        QVERIFY(shot.loadFromData(jpeg, "JPEG"));
        QCOMPARE(shot.size(), QSize(320, 240));
        const double at = RampSecond(MeanGrey(shot));
        const double upper = 5 + sinceSeek.elapsed() / 1000.0 + 1;
        QVERIFY2(at > 4 && at < upper, qPrintable(QStringLiteral("snapshot at %1 s").arg(at)));
        // The player's own shot file is gone.
        QVERIFY(QDir(w.AppDataFolder).entryList({QStringLiteral("*.png")}, QDir::Files).isEmpty());

        // The rest plays out and the window goes back to the start page.
        QTRY_COMPARE_WITH_TIMEOUT(w.PageStack->currentIndex(), PageIndex(Page::Start), 30000);
        QVERIFY(!w.PositionSlider->isEnabled());
        QVERIFY(!w.RefreshTimer->isActive());
    }

    // A display without Xv and without hardware GL (Xvfb, like a virtual machine or a remote
    // desktop) must get the plain X11 output, not OpenGL rendered in software.
    void playerChoosesTheX11OutputWithoutHardwareGl() {
        QWidget host;
        host.setAttribute(Qt::WA_NativeWindow);
        host.resize(320, 240);
        host.show();
        PlayerLaunch launch;
        launch.PlayPath = shortA;
        launch.SourceKind = MediaKind::File;
        launch.WindowId = quint64(host.winId());
        launch.AppDataFolder = user->Root() + QStringLiteral("/");
        QProcess player;
        player.setStandardErrorFile(QProcess::nullDevice());
        player.start(QStringLiteral("mplayer"), BuildPlayerArguments(launch)
                                                    << QStringLiteral("-frames")
                                                    << QStringLiteral("5"));
        player.closeWriteChannel();
        QVERIFY(player.waitForFinished(60000));
        QByteArray vo;
        for (const QByteArray &line : player.readAllStandardOutput().split('\n'))
            if (line.startsWith("VO: "))
                vo = line;
        QVERIFY2(vo.startsWith("VO: [x11] 320x240 => "), vo.constData());
        QVERIFY2(vo.contains("[zoom]") && vo.contains("[fs]"), vo.constData());
    }

    // The picture keeps its display shape in the label and after the window's shape changes.
    void pictureKeepsItsShape_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("pixelWidth");
        QTest::addColumn<bool>("dvd");
        QTest::addColumn<double>("aspect");
        QTest::newRow("4:3") << QStringLiteral("640x480") << QStringLiteral("1") << false
                             << 4.0 / 3;
        QTest::newRow("2.35:1") << QStringLiteral("1280x544") << QStringLiteral("1") << false
                                << 1280.0 / 544;
        QTest::newRow("anamorphic 16:9 DVD")
            << QStringLiteral("720x576") << QStringLiteral("64/45") << true << 16.0 / 9;
    }

    void pictureKeepsItsShape() {
        QFETCH(QString, size);
        QFETCH(QString, pixelWidth);
        QFETCH(bool, dvd);
        QFETCH(double, aspect);
        const QString media = user->NewFolder(QStringLiteral("shape ") + size);
        const QString clip =
            media + (dvd ? QStringLiteral("/circle.mpg") : QStringLiteral("/circle.mp4"));
        const QString disc = dvd ? media + QStringLiteral("/disc") : QString();
        QVERIFY(MakeCircle(clip, size, pixelWidth, disc));
        DRUI &w = NewWindow();
        if (dvd)
            w.OpenFolderSource(disc);
        else
            w.PlayListAddFiles({clip});
        QTRY_COMPARE_WITH_TIMEOUT(ShapeFault(ScreenAt(w.VideoLabel), aspect), QString(), 15000);
        // Half size: the picture shrinks inside its old place, where nothing may stay behind.
        const QSize before = w.VideoLabel->size();
        w.findChild<QAction *>(QStringLiteral("ActionHalfSize"))->trigger();
        QTRY_VERIFY(w.VideoLabel->size() != before);
        QTRY_COMPARE_WITH_TIMEOUT(ShapeFault(ScreenAt(w.VideoLabel), aspect), QString(), 15000);
        w.StopBtn();
    }

    // Where the player draws nothing (audio only), the video page is black: not what was on
    // the screen before, such as the start page's buttons.
    void audioOnlyShowsABlackVideoPage() {
        DRUI &w = NewWindow();
        // The start page is on the screen first.
        auto *openFile = w.findChild<QPushButton *>(QStringLiteral("OpenFileButton"));
        QTRY_VERIFY_WITH_TIMEOUT(MeanGrey(ScreenAt(openFile)) > 30, 20000);
        w.PlayListAddFiles({song});
        QCOMPARE(w.PageStack->currentIndex(), PageIndex(Page::Video));
        // The player runs and answers, and the window has painted the video page since.
        QTRY_COMPARE_WITH_TIMEOUT(w.DurationLabel->text(), QStringLiteral(" 00:00:20"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(w.PositionText.toLongLong() >= 1, 20000);
        const QImage onScreen = ScreenAt(w.VideoLabel);
        QVERIFY(!onScreen.isNull());
        onScreen.save(QDir::currentPath() + QStringLiteral("/audio-only.png"));
        int lit = 0;
        const QImage rgb = onScreen.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); y += 4)
            for (int x = 0; x < rgb.width(); x += 4)
                if (qGray(rgb.pixel(x, y)) > 12)
                    ++lit;
        QVERIFY2(lit == 0, qPrintable(QStringLiteral("%1 lit pixels").arg(lit)));
        w.StopBtn();
    }

    void dvdFolderPlaysWithTheLengthFromThePlayer() {
        DRUI &w = NewWindow();
        w.OpenFolderSource(dvd);
        QVERIFY(w.PlayerProcess);
        const QStringList args = w.PlayerProcess->arguments();
        QCOMPARE(args.mid(args.size() - 3),
                 QStringList({QStringLiteral("dvd://1"), QStringLiteral("-dvd-device"), dvd}));
        QTRY_COMPARE_WITH_TIMEOUT(w.MediaDuration, qint64(3), 20000);
        QCOMPARE(w.PositionSlider->maximum(), 3);
        QTRY_COMPARE_WITH_TIMEOUT(w.PageStack->currentIndex(), PageIndex(Page::Start), 30000);
        QCOMPARE(w.PlayList.size(), 1);
        QCOMPARE(w.PlayList[0].Kind, MediaKind::Dvd);
    }

    void twoFilesAreListedWithTheirLengths() {
        DRUI &w = NewWindow();
        w.PlayListAddFiles({shortA, shortB});
        QCOMPARE(w.PlayList.size(), 2);
        QCOMPARE(w.PlayList[0].Length, QStringLiteral("00:00:02"));
        QCOMPARE(w.PlayList[1].Length, QStringLiteral("00:00:03"));
        QCOMPARE(w.PlaylistPanel->item(1, 0)->text(), QStringLiteral("    -dash.mp4"));
        // The first one plays (its player answers with the length) ...
        QTRY_COMPARE_WITH_TIMEOUT(w.DurationLabel->text(), QStringLiteral(" 00:00:02"), 20000);
        // ... and so does the next: a name starting with "-" is played as a file, not taken
        // for an option (the new player answers, and the label takes its length).
        w.PlayNext();
        QVERIFY(w.PlayerProcess->arguments().last().endsWith(QStringLiteral("-dash.mp4")));
        QTRY_COMPARE_WITH_TIMEOUT(w.DurationLabel->text(), QStringLiteral(" 00:00:03"), 20000);
        w.StopBtn();
    }

    // A film stopped at about 2:00 goes on from there the next time, and says so on the picture.
    void stoppedFilmResumesWithANote() {
        const QString film = QFileInfo(ramp).absolutePath() + QStringLiteral("/four minutes.mp4");
        QVERIFY(Run(QStringLiteral("ffmpeg"),
                    QStringLiteral("-v error -y -f lavfi -i color=c=black:s=320x240:r=5:d=240 -g 5")
                            .split(u' ')
                        << film));
        DRUI &w = NewWindow();
        w.PlayListAddFiles({film});
        QTRY_COMPARE_WITH_TIMEOUT(w.DurationLabel->text(), QStringLiteral(" 00:04:00"), 20000);
        w.SliderSeek(120);
        w.SliderRelease();
        QSignalSpy answers(w.Session, &PlaybackSession::PositionAnswered);
        QTRY_VERIFY_WITH_TIMEOUT(answers.count() >= 2, 20000);
        const qint64 leftAt = w.Session->PlayerPositionMs() / 1000;
        QVERIFY2(leftAt >= 119 && leftAt < 135, qPrintable(QString::number(leftAt)));
        w.StopBtn();
        QTRY_COMPARE_WITH_TIMEOUT(w.Session->State(), PlaybackState::Idle, 20000);

        w.RunControlsEntry(QStringLiteral("Play"));
        answers.clear();
        QTRY_VERIFY_WITH_TIMEOUT(answers.count() >= 1, 20000);
        const qint64 at = w.Session->PlayerPositionMs() / 1000;
        QVERIFY2(at >= leftAt - 2 && at <= leftAt + 4,
                 qPrintable(QStringLiteral("left at %1, resumed at %2").arg(leftAt).arg(at)));
        // The player's own note, white on the black film, at the top left.
        const auto noteShown = [&w] {
            const QImage top = ScreenAt(w.VideoLabel).convertToFormat(QImage::Format_RGB32);
            int bright = 0;
            for (int y = 0; y < top.height() / 5; ++y)
                for (int x = 0; x < top.width() / 2; ++x)
                    bright += qGray(top.pixel(x, y)) > 200;
            return bright > 50;
        };
        QTRY_VERIFY_WITH_TIMEOUT(noteShown(), 10000);
    }

    // A user starts the program, clicks Open File, types the path and sees the film.
    void openFileJourney() {
        // Where the button sits in a window of the program's size, from our own build of it.
        DRUI &probe = NewWindow();
        probe.resize(1000, 680);
        auto *button = probe.findChild<QPushButton *>(QStringLiteral("OpenFileButton"));
        QVERIFY(button);
        QVERIFY(QTest::qWaitForWindowExposed(&probe));
        QTRY_COMPARE(probe.size(), QSize(1000, 680));
        QTRY_VERIFY(button->isVisible() && button->height() >= 85);
        const QPoint click = button->mapTo(&probe, button->rect().center());
        const QPoint video = probe.VideoLabel->geometry().center();
        window.reset();

        QProcess app;
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.setWorkingDirectory(user->Root());
        app.start(QStringLiteral(TAVRELL_APP_PATH), {});
        QVERIFY(app.waitForStarted());
        QString id;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(id = XdoTool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--name"), QStringLiteral("^Tavrell DVD Player$")}))
                 .isEmpty(),
            10000);
        id = id.section(u'\n', 0, 0);
        XdoTool({QStringLiteral("windowmove"), id, QStringLiteral("0"), QStringLiteral("0")});
        XdoTool({QStringLiteral("windowsize"), id, QStringLiteral("1000"), QStringLiteral("680")});
        // Placed and laid out: the Open File button is drawn where our own build has it.
        QTRY_VERIFY_WITH_TIMEOUT(
            XdoTool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id})
                .contains(QStringLiteral("WIDTH=1000\nHEIGHT=680")),
            20000);
        QTRY_VERIFY_WITH_TIMEOUT(
            MeanGrey(ScreenRect(QRect(click - QPoint(60, 25), QSize(120, 50)))) > 30, 20000);
        XdoTool({QStringLiteral("mousemove"), QStringLiteral("--window"), id,
                 QString::number(click.x()), QString::number(click.y()), QStringLiteral("click"),
                 QStringLiteral("1")});
        QString dialog;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(dialog = XdoTool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                QStringLiteral("--name"), QStringLiteral("Open|Files|Datei")}))
                 .isEmpty(),
            10000);
        dialog = dialog.section(u'\n', 0, 0);
        // No window manager here: give the dialog the keyboard ourselves.
        XdoTool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog});
        QTRY_COMPARE_WITH_TIMEOUT(XdoTool({QStringLiteral("getwindowfocus")}), dialog, 20000);
        XdoTool(
            {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("10"), longRamp});
        XdoTool({QStringLiteral("key"), QStringLiteral("Return")});

        // The program wrote the path to its recent list when it started playing.
        const QString recent = user->AppData() + QStringLiteral("RecentConfig.txt");
        QTRY_VERIFY_WITH_TIMEOUT(ReadAll(recent).contains(longRamp.toUtf8()), 20000);
        // The film is on the screen.
        const QPoint film(video.x() - 150, video.y());
        const auto filmShows = [&film] {
            const QImage at = ScreenRect(QRect(film, QSize(1, 1)));
            const QRgb pixel = at.isNull() ? 0 : at.pixel(0, 0);
            return qGray(pixel) > 25 && qAbs(qRed(pixel) - qBlue(pixel)) < 20;
        };
        QTRY_VERIFY_WITH_TIMEOUT(filmShows(), 20000);
        // Show the playlist from the Tools menu, as a user would: open it, wait until it is
        // drawn (light, below the Tools button), choose its first entry, wait until it is gone.
        XdoTool({QStringLiteral("mousemove"), QStringLiteral("--window"), id, QStringLiteral("450"),
                 QStringLiteral("10"), QStringLiteral("click"), QStringLiteral("1")});
        const QRect menuArea(505, 25, 30, 12); // right of "Playlist..."
        QTRY_VERIFY_WITH_TIMEOUT(MeanGrey(ScreenRect(menuArea)) > 200, 20000);
        XdoTool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")});
        QTRY_VERIFY_WITH_TIMEOUT(MeanGrey(ScreenRect(menuArea)) < 200, 20000);
        // The playlist takes the right fifth of the page row, where the film had a black bar.
        const QPoint list(900, video.y());
        QTRY_VERIFY_WITH_TIMEOUT(ScreenRect(QRect(list, QSize(1, 1))).pixel(0, 0) != qRgb(0, 0, 0),
                                 20000);
        // The video page shows the film (grey) again once the player has drawn into the
        // narrower page, not the start page's background.
        QTRY_VERIFY_WITH_TIMEOUT(filmShows(), 20000);

        const QString picture = QDir::currentPath() + QStringLiteral("/journey.png");
        QFile::remove(picture);
        QVERIFY(Run(QStringLiteral("import"),
                    {QStringLiteral("-window"), QStringLiteral("root"), picture}));
        QVERIFY(!QImage(picture).isNull());

        app.terminate();
        if (!app.waitForFinished(5000)) {
            app.kill();
            app.waitForFinished(3000);
        }
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_e2e.moc"
