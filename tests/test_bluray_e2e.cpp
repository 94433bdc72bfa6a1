// A Blu-ray folder end to end: the window, the real mplayer and libbluray, on a disc written
// here from ffmpeg clips (tests/bdfixture). The clips are tinted blue, red and green and grow
// brighter with their own time, so the picture on the screen tells which playlist plays and
// where. The disc starts its timestamps near 600 s, as real discs do.
#include "BdTree.h"
#include "WindowFixture.h"
#include "playlist/PlayListInfo.h"
#include "ui/DRUI.h"

#include <QAction>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStackedLayout>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

#include <libbluray/bluray.h>
#include <libbluray/log_control.h>

using bdfixture::PlayableDisc;

namespace {

QStringList Texts(const QMenu *menu) {
    QStringList texts;
    if (menu)
        for (const QAction *action : menu->actions())
            texts << action->text();
    return texts;
}

// The mean colour of the middle half of a picture.
QRgb MiddleColour(const QImage &image) {
    if (image.isNull())
        return 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 r = 0, g = 0, b = 0, n = 0;
    for (int y = rgb.height() / 4; y < rgb.height() * 3 / 4; ++y)
        for (int x = rgb.width() / 4; x < rgb.width() * 3 / 4; ++x) {
            const QRgb p = rgb.pixel(x, y);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
            ++n;
        }
    return n ? qRgb(int(r / n), int(g / n), int(b / n)) : 0;
}

// What is on the screen where the widget is (the player draws into its own X window).
QImage ScreenAt(QWidget *widget) {
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, origin.x(), origin.y(), widget->width(), widget->height())
        .toImage();
}

int ClipOf(QRgb c) {
    return PlayableDisc::ClipOfColour(qRed(c), qGreen(c), qBlue(c));
}

double SecondsOf(QRgb c) {
    return PlayableDisc::SecondsIntoClip(qRed(c), qGreen(c), qBlue(c));
}

QString Describe(QRgb c) {
    return QStringLiteral("colour %1,%2,%3 (clip %4 at %5 s)")
        .arg(qRed(c))
        .arg(qGreen(c))
        .arg(qBlue(c))
        .arg(ClipOf(c))
        .arg(SecondsOf(c), 0, 'f', 2);
}

// libbluray's 1-based index of a playlist in the list MPlayer numbers "br://N" by; 0: none.
int LibblurayIndex(const QString &disc, const QString &playlistFile) {
    BLURAY *bd = bd_open(QFile::encodeName(disc).constData(), nullptr);
    if (!bd)
        return 0;
    int found = 0;
    const int count = int(bd_get_titles(bd, TITLES_RELEVANT, 0));
    for (int i = 0; i < count && !found; ++i) {
        BLURAY_TITLE_INFO *info = bd_get_title_info(bd, uint32_t(i), 0);
        if (info &&
            QStringLiteral("%1.mpls").arg(info->playlist, 5, 10, QLatin1Char('0')) == playlistFile)
            found = i + 1;
        bd_free_title_info(info);
    }
    bd_close(bd);
    return found;
}

// The subtitle box the picture shows: "eng" (grey, low), "fra" (white, high), "" (none).
// Only the middle of each box's band counts: MPlayer's OSD is white too.
QString SubtitleOnScreen(const QImage &image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const auto covered = [&rgb](double top, int low, int high) {
        int n = 0, hits = 0;
        for (int y = int(top * rgb.height()); y < (top + 0.07) * rgb.height(); y += 2)
            for (int x = rgb.width() * 43 / 100; x < rgb.width() * 57 / 100; x += 2, ++n) {
                const QRgb p = rgb.pixel(x, y);
                hits += qAbs(qRed(p) - qBlue(p)) < 12 && qGreen(p) >= low && qGreen(p) <= high;
            }
        return hits * 2 > n;
    };
    const bool eng = covered(0.76, 120, 210), fra = covered(0.17, 225, 255);
    return QLatin1String(eng == fra ? (eng ? "both" : "") : eng ? "eng" : "fra");
}

} // namespace

class BlurayEndToEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestUser> user;
    std::unique_ptr<DRUI> window;
    QString discPath;
    PlayableDisc disc;
    QRgb LastSeen = 0; // the last colour TitleTimeOnScreen saw

    DRUI &OpenDisc() {
        window = std::make_unique<DRUI>();
        window->InitWindow();
        window->setGeometry(40, 40, 1000, 680);
        window->show();
        window->OpenFolderSource(discPath);
        return *window;
    }

    // A click on an entry of the disc page; for an entry of a submenu, first a click on the
    // page entry that opens it.
    bool Click(QAction *pageEntry, QAction *entry = nullptr) {
        QMenu *page = window->DiscMenu;
        const QRect at = page->actionGeometry(pageEntry);
        if (!pageEntry || at.isEmpty())
            return false;
        QTest::mouseClick(page, Qt::LeftButton, {}, at.center());
        if (!entry)
            return true;
        QMenu *submenu = pageEntry->menu();
        if (!submenu || !QTest::qWaitFor([submenu] { return submenu->isVisible(); }, 5000))
            return false;
        const QRect inner = submenu->actionGeometry(entry);
        if (inner.isEmpty())
            return false;
        QTest::mouseMove(submenu, inner.center());
        QTest::mouseClick(submenu, Qt::LeftButton, {}, inner.center());
        return true;
    }

    // The main title's time the screen shows (its clips follow each other); -1 for none.
    double TitleTimeOnScreen() {
        if (window->PageStack->currentIndex() != 2)
            return -1;
        const QRgb c = MiddleColour(ScreenAt(window->VideoLabel));
        LastSeen = c;
        const int clip = ClipOf(c);
        if (clip < 0)
            return -1;
        return clip * (disc.Clips[0].OutTicks - disc.Clips[0].InTicks) / 45000.0 + SecondsOf(c);
    }

    // Waits until the screen shows the main title between `from` and `to` seconds; returns
    // the last time seen.
    double WaitForTitleTime(double from, double to, int timeoutMs = 8000) {
        double seen = -1;
        (void)QTest::qWaitFor(
            [&] {
                seen = TitleTimeOnScreen();
                return seen >= from && seen < to;
            },
            timeoutMs);
        return seen;
    }

    // The player's id of the disc's n-th audio entry: MPlayer's own TS demuxer, which plays
    // Blu-ray titles, knows streams by PID (the disc's audio PIDs run from 0x1100).
    static QByteArray AudioId(int entry) { return QByteArray::number(0x1100 + entry - 1); }

    QAction *PlayMovieEntry() const { return window->DiscMenu->actions().value(0); }

    QAction *SubmenuEntry(QAction *pageEntry, const QString &text) const {
        if (pageEntry && pageEntry->menu())
            for (QAction *a : pageEntry->menu()->actions())
                if (a->text() == text)
                    return a;
        return nullptr;
    }

    QAction *TitleEntry(const QString &playlistFile) const {
        if (window->DiscOtherTitlesAction->menu())
            for (QAction *a : window->DiscOtherTitlesAction->menu()->actions())
                if (a->data().value<PLAY_LIST_INFO>().Path.endsWith(u'/' + playlistFile))
                    return a;
        return nullptr;
    }

    // Waits until the video label shows clip `clip`; returns its colour then.
    QRgb WaitForClip(int clip, int timeoutMs = 15000) {
        QRgb seen = 0;
        // The caller checks the colour; a timeout shows there with what was seen instead.
        (void)QTest::qWaitFor(
            [&] {
                if (window->PageStack->currentIndex() != 2)
                    return false;
                seen = MiddleColour(ScreenAt(window->VideoLabel));
                return ClipOf(seen) == clip;
            },
            timeoutMs);
        return seen;
    }

    // Chooses `entry` of the Subtitle track menu (if any), then waits until the screen shows
    // subtitle `want`; returns the last one seen.
    QString Shows(const char *entry, const char *want, int timeoutMs = 8000) {
        for (QAction *a : window->SubtitleTrackMenu->actions())
            if (entry && a->text() == QLatin1String(entry))
                emit window->VideoMenu->triggered(a);
        QString seen = QStringLiteral("-");
        (void)QTest::qWaitFor(
            [&] {
                seen = SubtitleOnScreen(ScreenAt(window->VideoLabel));
                return window->PageStack->currentIndex() == 2 && seen == QLatin1String(want);
            },
            timeoutMs);
        return seen;
    }

    // Asks the running player for a property until it answers `want` (empty: anything) or
    // `timeoutMs` pass; returns the last answer. The window's reader is held off while we read.
    QByteArray AskPlayer(const QByteArray &property, const QByteArray &want, int timeoutMs) {
        const QByteArray prefix = "ANS_" + property + '=';
        QByteArray last;
        QElapsedTimer timer;
        timer.start();
        const auto settled = [&] { return !last.isEmpty() && (want.isEmpty() || last == want); };
        while (timer.elapsed() < timeoutMs && !settled()) {
            QProcess *player = window->PlayerProcess;
            if (!player || player->state() != QProcess::Running)
                break;
            {
                const QSignalBlocker hold(player);
                player->write("get_property " + property + '\n');
                QElapsedTimer wait;
                wait.start();
                bool answered = false;
                while (!answered && wait.elapsed() < 1000) {
                    while (player->canReadLine()) {
                        const QByteArray line = player->readLine().trimmed();
                        if (line.startsWith(prefix)) {
                            last = line.mid(prefix.size());
                            answered = true;
                        }
                    }
                    if (!answered)
                        player->waitForReadyRead(100);
                }
            }
            if (!settled())
                QTest::qWait(200);
        }
        return last;
    }

private slots:
    void initTestCase() {
        for (const char *program : {"mplayer", "ffmpeg"})
            QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(program)).isEmpty(), program);
        bd_set_debug_mask(0);
        user = std::make_unique<TestUser>();
        discPath = user->NewFolder(QStringLiteral("Test Disc"));
        bdfixture::PlayableOptions options;
        options.StartSeconds = 600;
        QString error;
        QVERIFY2(bdfixture::BuildPlayableDisc(discPath, &disc, options, &error), qPrintable(error));
    }

    void cleanup() { window.reset(); }

    void pageShowsNamePictureAndEntries() {
        DRUI &w = OpenDisc();
        QCOMPARE(w.PageStack->currentIndex(), 1);
        QCOMPARE(w.DiscTitleLabel->text(), QStringLiteral("Tavrell Test Disc"));
        // The orange thumbnail, no clip of the disc.
        const QImage picture = w.DiscPanel->pixmap().toImage();
        QVERIFY(!picture.isNull());
        const QRgb c = MiddleColour(picture);
        QVERIFY2(qRed(c) > 180 && qGreen(c) > 90 && qGreen(c) < 170 && qBlue(c) < 90,
                 qPrintable(Describe(c)));

        // The main title is the longest; the byte copy 00002 is no title of its own.
        const QStringList chapters = {QStringLiteral("1. 00:00:00"), QStringLiteral("2. 00:00:05"),
                                      QStringLiteral("3. 00:00:07"), QStringLiteral("4. 00:00:10")};
        QCOMPARE(Texts(w.DiscChapterAction->menu()), chapters);
        QCOMPARE(Texts(w.ChapterMenu), chapters);
        const QStringList audio = {QStringLiteral("Disable"), QStringLiteral("English AC3"),
                                   QStringLiteral("French AC3")};
        QCOMPARE(Texts(w.DiscAudioAction->menu()), audio);
        QCOMPARE(Texts(w.AudioTrackMenu), audio);
        const QStringList subtitles = {QStringLiteral("Disable"), QStringLiteral("French"),
                                       QStringLiteral("English")};
        QCOMPARE(Texts(w.DiscSubtitleAction->menu()), subtitles);
        QCOMPARE(Texts(w.SubtitleTrackMenu), subtitles);
        const QStringList titles = {QStringLiteral("1. 00:00:15"), QStringLiteral("2. 00:00:08"),
                                    QStringLiteral("3. 00:00:05"), QStringLiteral("4. 00:00:04")};
        QCOMPARE(Texts(w.DiscOtherTitlesAction->menu()), titles);
        QCOMPARE(Texts(w.TitleMenu), titles);
        QVERIFY(!w.PlayerProcess); // nothing plays before a choice
    }

    void playMovieShowsTheMainTitle() {
        DRUI &w = OpenDisc();
        QVERIFY(Click(PlayMovieEntry()));
        QTRY_COMPARE_WITH_TIMEOUT(w.PageStack->currentIndex(), 2, 5000);
        QVERIFY(w.PlayerProcess);
        const QStringList args = w.PlayerProcess->arguments();
        QCOMPARE(
            args.mid(args.size() - 3),
            QStringList({QStringLiteral("br://0"), QStringLiteral("-bluray-device"), discPath}));
        QCOMPARE(w.PlayerProcess->workingDirectory(), discPath + QStringLiteral("/BDMV/STREAM"));
        const QRgb first = WaitForClip(0);
        QVERIFY2(ClipOf(first) == 0, qPrintable(Describe(first)));
        // The title runs on into its second clip.
        // With sound: the first audio entry of the stream table.
        QCOMPARE(AskPlayer("switch_audio", AudioId(1), 5000), AudioId(1));
        const QRgb second = WaitForClip(1, 20000);
        QVERIFY2(ClipOf(second) == 1, qPrintable(Describe(second)));
    }

    void anotherTitlePlaysThatPlaylist_data() {
        QTest::addColumn<QString>("playlist");
        QTest::addColumn<int>("clip");
        QTest::addColumn<double>("from");
        QTest::newRow("00003: the green clip") << QStringLiteral("00003.mpls") << 2 << 0.0;
        QTest::newRow("00005: the red clip from 1 s") << QStringLiteral("00005.mpls") << 1 << 1.0;
    }
    void anotherTitlePlaysThatPlaylist() {
        QFETCH(QString, playlist);
        QFETCH(int, clip);
        QFETCH(double, from);
        DRUI &w = OpenDisc();
        QAction *entry = TitleEntry(playlist);
        QVERIFY(entry);
        // Without sound ("-aid -2"): told an audio stream, MPlayer's TS demuxer starts a key
        // frame (here a second) late, and a start at 0 s would pass for one at 1 s. The page
        // offers no sound choice for other titles.
        w.AudioChoiceByKey[entry->data().value<PLAY_LIST_INFO>().Path] = 0;
        QVERIFY(Click(w.DiscOtherTitlesAction, entry));
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess, 5000);
        // The number MPlayer is given is libbluray's index of that playlist.
        const int index = LibblurayIndex(discPath, playlist);
        QVERIFY(index > 0);
        const QStringList args = w.PlayerProcess->arguments();
        QVERIFY2(args.contains(QStringLiteral("br://%1").arg(index)), qPrintable(args.join(u' ')));
        QCOMPARE(args.value(args.indexOf(QStringLiteral("-aid")) + 1), QStringLiteral("-2"));
        // Where in its clip the title starts, from the player asked before its first picture
        // (its times are the clip's own timestamps): a brightness read off the screen cannot
        // tell, as the first picture can be caught half drawn over black.
        QVERIFY(w.PlayerProcess->waitForStarted(5000));
        const QByteArray start = AskPlayer("time_pos", {}, 15000);
        const double into = start.toDouble() - disc.Clips[clip].InTicks / 45000.0;
        // Which clip plays, from the picture's tint, which even a half-drawn picture keeps.
        const QRgb seen = WaitForClip(clip);
        QVERIFY2(ClipOf(seen) == clip, qPrintable(Describe(seen)));
        QVERIFY2(!start.isEmpty() && into > from - 0.3,
                 qPrintable(QStringLiteral("starts %1 s into the clip").arg(into)));
    }

    void chapterStartsWithinASecondOfItsTime() {
        DRUI &w = OpenDisc();
        // Chapter 3 is 7 s into the title: 2 s into the red clip.
        QAction *chapter = SubmenuEntry(w.DiscChapterAction, QStringLiteral("3. 00:00:07"));
        QVERIFY(chapter);
        QVERIFY(Click(w.DiscChapterAction, chapter));
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess, 5000);
        const double seen = WaitForTitleTime(6, 8);
        QVERIFY2(seen >= 6 && seen < 8, qPrintable(QStringLiteral("at %1 s").arg(seen)));
        // And it plays on from there.
        const double later = WaitForTitleTime(seen + 1.5, 15);
        QVERIFY2(later >= seen + 1.5,
                 qPrintable(
                     QStringLiteral("stands at %1 s after starting at %2 s").arg(later).arg(seen)));
    }

    void audioChoiceAppliesAtTheNextStart() {
        DRUI &w = OpenDisc();
        QAction *french = SubmenuEntry(w.DiscAudioAction, QStringLiteral("French AC3"));
        QVERIFY(french);
        QVERIFY(Click(w.DiscAudioAction, french));
        // A choice alone starts nothing.
        QTRY_COMPARE_WITH_TIMEOUT(w.AudioChoiceByKey.value(w.SourceKey), 2, 2000);
        QVERIFY(!w.PlayerProcess);
        QVERIFY(Click(PlayMovieEntry()));
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess, 5000);
        WaitForClip(0);
        // French is the second audio entry of the stream table.
        QCOMPARE(AskPlayer("switch_audio", AudioId(2), 5000), AudioId(2));

        // And back to English for the next start.
        QAction *english = SubmenuEntry(w.DiscAudioAction, QStringLiteral("English AC3"));
        QVERIFY(english);
        w.PageStack->setCurrentIndex(1);
        QVERIFY(Click(w.DiscAudioAction, english));
        QTRY_COMPARE_WITH_TIMEOUT(w.AudioChoiceByKey.value(w.SourceKey), 1, 2000);
        QVERIFY(Click(PlayMovieEntry()));
        QTRY_VERIFY_WITH_TIMEOUT(w.PageStack->currentIndex() == 2, 5000);
        WaitForClip(0);
        QCOMPARE(AskPlayer("switch_audio", AudioId(1), 5000), AudioId(1));

        // The track menu switches the running title; "Disable" turns the sound off.
        for (const auto &[text, id] : {std::pair{QStringLiteral("French AC3"), AudioId(2)},
                                       std::pair{QStringLiteral("Disable"), QByteArray("-2")}}) {
            QAction *entry = nullptr;
            for (QAction *a : w.AudioTrackMenu->actions())
                if (a->text() == text)
                    entry = a;
            QVERIFY(entry);
            emit w.AudioMenu->triggered(entry);
            QCOMPARE(AskPlayer("switch_audio", id, 5000), id);
        }
    }

    void previousAndNextStepChapters() {
        DRUI &w = OpenDisc();
        QVERIFY(Click(PlayMovieEntry()));
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess, 5000);
        WaitForClip(0);
        // Chapters at 0, 5, 7 and 10 s. Each step counts from the window's own clock, which
        // follows with the next position answer.
        // A step lands in the chapter it aims at: from a second before its start (the key
        // frame before) to the next chapter's start.
        const auto step = [&](bool forward, int from, double to, double end) {
            if (!QTest::qWaitFor([&w, from] { return w.PositionText.toLongLong() >= from; }, 5000))
                return QStringLiteral("the clock never reached %1 s").arg(from);
            const QString at = w.PositionText;
            if (forward)
                w.PlayNext();
            else
                w.PlayPre();
            const double seen = WaitForTitleTime(to - 1, end);
            if (seen >= to - 1 && seen < end)
                return QString();
            return QStringLiteral("%1 from %2 s: at %3 s, wanted %4 s; %5")
                .arg(forward ? QStringLiteral("next") : QStringLiteral("previous"), at)
                .arg(seen)
                .arg(to)
                .arg(Describe(LastSeen));
        };
        QString fault;
        QVERIFY2((fault = step(true, 1, 5, 7)).isEmpty(), qPrintable(fault));
        QVERIFY2((fault = step(true, 5, 7, 10)).isEmpty(), qPrintable(fault));
        QVERIFY2((fault = step(true, 7, 10, 15)).isEmpty(), qPrintable(fault));
        // Previous goes to the start of the chapter before the one playing.
        QVERIFY2((fault = step(false, 10, 7, 10)).isEmpty(), qPrintable(fault));
        QVERIFY2((fault = step(false, 7, 5, 7)).isEmpty(), qPrintable(fault));
    }

    // The page's subtitle shows from its first display set MPlayer can still show; the track
    // menu switches, also across a chapter jump. MPlayer numbers "eng" 0, unlike the playlist
    // (fra, eng): a choice by playlist position shows the other box.
    void subtitleChoicesReachThePicture() {
        DRUI &w = OpenDisc();
        QVERIFY(Click(w.DiscSubtitleAction,
                      SubmenuEntry(w.DiscSubtitleAction, QStringLiteral("English"))));
        QVERIFY(Click(PlayMovieEntry()));
        QCOMPARE(Shows(nullptr, "eng", 10000), QStringLiteral("eng"));
        for (const auto &[entry, want] :
             {std::pair{"French", "fra"}, {"Disable", ""}, {"English", "eng"}, {"Disable", ""}})
            QCOMPARE(Shows(entry, want), QLatin1String(want));
        QCOMPARE(Shows(nullptr, "eng", 2500), QString()); // off stays off: a set comes each second
        QCOMPARE(Shows("French", "fra"), QStringLiteral("fra"));
        emit w.ControlsMenu->triggered(w.ChapterMenu->actions().value(3)); // 10 s
        QVERIFY(WaitForTitleTime(11.5, 15) >= 11.5); // past a display set after the jump
        QCOMPARE(Shows(nullptr, "fra"), QStringLiteral("fra"));
    }
};

QTEST_MAIN(BlurayEndToEndTest)
#include "test_bluray_e2e.moc"
