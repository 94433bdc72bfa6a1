// The main window driven as the program drives it, with the scripted fake player and probe
// in place of mplayer and ffprobe (both found where the program looks for them).
#include "TestConfig.h"
#include "WindowFixture.h"
#include "dialogs/CMessageBox.h"
#include "dialogs/FileDialogs.h"
#include "lang/CLanguageTable.h"
#include "platform/AppPaths.h"
#include "playlist/PlaylistSteps.h"
#include "playlist/Probe.h"
#include "playlist/RecentFiles.h"
#include "snapshot/CProcessUI.h"
#include "ui/DRUI.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

#include <signal.h>

using namespace Qt::StringLiterals;

namespace {

int Count(const QList<QByteArray> &commands, const QByteArray &command) {
    return int(std::count(commands.cbegin(), commands.cend(), command));
}

bool ProcessAlive(qint64 pid) {
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}

// The Cancel caption of the dialog Open File shows, which is then closed unanswered.
QString FileDialogCancel(DRUI &w) {
    QString cancel;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&cancel] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            cancel =
                dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->text();
            dialog->reject();
        }
    });
    poll.start(10);
    w.btnOpenFile();
    return cancel;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestUser> user;
    std::unique_ptr<DRUI> window;
    QString media; // a folder of "media" files (the fake player does not read them)
    QString fileA, fileB, fileC;

    DRUI &NewWindow() { return ShowNewWindow(window); }

    // Plays a file through the playlist, as Open File does, and waits until the player talks.
    void PlayFile(const QString &path) {
        window->PlayListAddFiles({path});
        QTRY_VERIFY_WITH_TIMEOUT(
            window->PlayerProcess && window->PlayerProcess->state() == QProcess::Running, 5000);
    }

    // The window after a session ended by itself: start page, clock stopped, slider off.
    static void ExpectIdleAfterEnd(DRUI &w) {
        QTRY_COMPARE_WITH_TIMEOUT(w.PageStack->currentIndex(), 0, 5000);
        QVERIFY(!w.Playing);
        QVERIFY(!w.RefreshTimer->isActive());
        QVERIFY(!w.PositionSlider->isEnabled());
        QVERIFY(w.CurrentPath.isEmpty());
    }

private slots:
    void initTestCase() {
        user = std::make_unique<TestUser>();
        QVERIFY(user->IsValid());
        media = user->NewFolder(QStringLiteral("Videos"));
        fileA = WriteFile(media + QStringLiteral("/a film.mp4"));
        fileB = WriteFile(media + QStringLiteral("/b-\u00e9t\u00e9.mkv"));
        fileC = WriteFile(media + QStringLiteral("/c.avi"));
        qputenv("FAKE_PROBE_DURATIONS",
                QStringLiteral("a film.mp4=01:02:03.45;b-\u00e9t\u00e9.mkv=00:00:40.00").toUtf8());
        qputenv("FAKE_PROBE_LOG", QFile::encodeName(user->Root() + QStringLiteral("/probe.log")));
    }

    void init() {
        // "QProcess: Destroyed while process is still running" and its kind are faults here.
        // The offscreen platform's notes about what it cannot do are no fault of ours.
        QTest::failOnWarning(
            QRegularExpression(QStringLiteral("^(?!This plugin does not support ).*")));
    }

    void cleanup() {
        window.reset();
        QFile::remove(user->Root() + QStringLiteral("/probe.log"));
        // Each test starts from the beginning of its files.
        QFile::remove(user->AppData() + QStringLiteral("ResumePoints.txt"));
    }

    // --- the window right after start ---
    void startsIdleOnTheStartPage() {
        DRUI &w = NewWindow();
        QCOMPARE(w.PageStack->currentIndex(), 0);
        QVERIFY(w.PlaylistPanel->isHidden());
        QCOMPARE(w.PlaylistPanel->rowCount(), 0);
        QVERIFY(!w.PositionSlider->isEnabled());
        QCOMPARE(w.PositionSlider->value(), 0);
        QCOMPARE(w.PositionLabel->text(), QStringLiteral("   --:--:--"));
        QCOMPARE(w.DurationLabel->text(), QStringLiteral("   --:--:--"));
        QCOMPARE(w.VolumeSlider->value(), 50);
        QVERIFY(w.NowPlayingLabel->text().isEmpty());
        QVERIFY(!w.PlayerProcess);
        QCursor::setPos(w.mapToGlobal(QPoint(500, 400)));
        const char *buttons[] = {"FileButton",  "ControlsButton", "VideoButton",
                                 "AudioButton", "ToolsButton",    "HelpButton"};
        for (int i = 0; i < 6; ++i) {
            auto *button = w.MenuStrip->findChild<QPushButton *>(QLatin1String(buttons[i]));
            QVERIFY2(button, buttons[i]);
            QCOMPARE(button->geometry(), QRect(i * 100, 1, 100, 20));
            // Its highlighted entry can be read (it was white on near-white: 1.1:1), and it
            // has no hover frame left once its menu closes.
            QMenu *menu = button->menu();
            QVERIFY(menu);
            QAction *entry = menu->actions().first();
            entry->setEnabled(true); // Video and Audio start disabled; the look is the point
            button->setAttribute(Qt::WA_UnderMouse);
            menu->popup(button->mapToGlobal(QPoint(0, 20)));
            menu->setActiveAction(entry);
            const QImage shot = menu->grab(menu->actionGeometry(entry)).toImage();
            int dark = 255, light = 0; // grey levels of background and ink, either way round
            for (int p = 0; p < shot.width() * shot.height(); ++p) {
                dark = std::min(dark, qGray(shot.pixel(p % shot.width(), p / shot.width())));
                light = std::max(light, qGray(shot.pixel(p % shot.width(), p / shot.width())));
            }
            QVERIFY2(light - dark > 128, buttons[i]);
            menu->hide();
            QVERIFY2(!button->underMouse(), buttons[i]);
        }
        // The start page's images are compiled in.
        for (const char *image : {":/image/bg.jpg", ":/image/logo.ico", ":/image/play.png",
                                  ":/image/MoviesFolder.png", ":/image/information.png"})
            QVERIFY2(!QImage(QLatin1String(image)).isNull(), image);
        // The background is decoded off the window's thread and arrives by itself, also
        // when the page it was meant for was rebuilt meanwhile.
        w.InitWindow();
        auto *background = w.findChild<QLabel *>(QStringLiteral("StartBackground"));
        QVERIFY(background);
        QTRY_COMPARE_WITH_TIMEOUT(background->pixmap().size(), QSize(1600, 900), 10000);
        // The probe is copied into the data folder for later starts.
        QVERIFY(QFile::exists(w.AppDataFolder + QStringLiteral("tool.exe")));
    }

    void languageSwitchRebuildsEveryCaption() {
        DRUI &w = NewWindow();
        CLanguageTable *table = CLanguageTable::Instance();
        const QString title = w.windowTitle();
        QCOMPARE(title, QStringLiteral("Tavrell DVD Player"));
        const QStringList keys = CaptionKeysInSources();
        QVERIFY(keys.size() > 20);
        QMap<QString, QString> before;
        for (const QString &key : keys)
            before[key] = table->GetText(key.toUtf8()).trimmed();
        const QString original = table->GetCurrentLanguage();

        QAction *german = nullptr;
        for (QAction *entry : w.LanguageMenu->actions())
            if (entry->text() == QStringLiteral("Deutsch"))
                german = entry;
        QVERIFY(german);
        w.PlayListAppend({PLAY_LIST_INFO{MediaKind::File, 0, fileA, QString()}});
        emit w.HelpMenu->triggered(german);
        // The rebuild waits until the menu's click handling is over.
        QPointer<QLabel> oldStrip = w.MenuStrip;
        QTRY_VERIFY(oldStrip.isNull());

        QVERIFY(table->GetCurrentLanguage() != original);
        QCOMPARE(w.windowTitle(), title);
        // The rebuild starts an empty playlist, on the start page.
        QCOMPARE(w.PlayList.size(), 0);
        QCOMPARE(w.PlaylistPanel->rowCount(), 0);
        QCOMPARE(w.PageStack->currentIndex(), 0);
        auto *file = w.MenuStrip->findChild<QPushButton *>(QStringLiteral("FileButton"));
        QCOMPARE(file->text(), table->GetText("MainWnd/File"));
        QCOMPARE(file->text(), QStringLiteral("Datei"));
        // No English caption that German words differently is left anywhere.
        const QStringList texts = WindowTexts(w);
        for (const QString &key : keys) {
            const QString now = table->GetText(key.toUtf8()).trimmed();
            if (now != before[key] && !before[key].isEmpty())
                QVERIFY2(!texts.contains(before[key]),
                         qPrintable(key + QStringLiteral(": ") + before[key]));
        }
        // Qt's own dialogs speak it too, and go back with the language.
        QCOMPARE(FileDialogCancel(w), u"Abbrechen"_s); // from qt6-translations-l10n
        emit w.HelpMenu->triggered(EntryWithData(w.LanguageMenu, original));
        QPointer<QLabel> germanStrip = w.MenuStrip;
        QTRY_VERIFY(germanStrip.isNull());
        QCOMPARE(table->GetCurrentLanguage(), original);
        QCOMPARE(FileDialogCancel(w), u"Cancel"_s);
    }

    // --- one playback session against the fake player ---
    void sessionCommandStream() {
        DRUI &w = NewWindow();
        const QString log = PrepareFakePlayer(user->Root());
        PlayFile(fileA);
        QCOMPARE(w.PageStack->currentIndex(), 2);
        QCOMPARE(w.MediaDuration, qint64(3723));
        QCOMPARE(w.PositionSlider->maximum(), 3723);
        QVERIFY(w.PositionSlider->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(Count(LoggedCommands(log), "get_time_pos\n") >= 2, 5000);

        w.PausePlay();
        QTest::qWait(100);
        const int atPause = int(LoggedCommands(log).size());
        QTest::qWait(1200); // more than two ticks
        QCOMPARE(int(LoggedCommands(log).size()), atPause);
        QVERIFY(!w.RefreshTimer->isActive());

        w.ResumePlay();
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).size() > atPause + 1, 3000);

        w.SliderPress();
        w.SliderSeek(1200);
        w.SliderRelease();
        QCOMPARE(w.PositionSlider->value(), 1200);
        QCOMPARE(w.PositionLabel->text(), QStringLiteral("00:20:00"));
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("seek 1200 2\n"), 3000);

        const QPointer<QProcess> player = w.PlayerProcess;
        w.StopBtn();
        QTRY_VERIFY_WITH_TIMEOUT(!player && !w.PlayerProcess, 5000);
        QCOMPARE(w.PageStack->currentIndex(), 0);
        QVERIFY(!w.PositionSlider->isEnabled());

        const QList<QByteArray> commands = LoggedCommands(log);
        QVERIFY(!commands.isEmpty());
        QCOMPARE(commands.first(), QByteArray("volume 50 2\n"));
        const qsizetype quit = commands.indexOf("q\n");
        for (qsizetype i = quit; i < commands.size(); ++i)
            QVERIFY(!commands[i].startsWith("seek "));
        QCOMPARE(Count(commands, "pause\n"), 1);
        QCOMPARE(Count(commands, "q\n"), 1);
        // Every tick asks for the length first, then the position.
        for (int i = 0; i < commands.size(); ++i) {
            if (commands[i] == "get_time_pos\n")
                QCOMPARE(commands.value(i - 1), QByteArray("get_time_length\n"));
            if (commands[i] == "get_time_length\n")
                QCOMPARE(commands.value(i + 1), QByteArray("get_time_pos\n"));
        }
        // Nothing between "pause" and the first command after resuming but that command's tick.
        const int pauseAt = int(commands.indexOf("pause\n"));
        QCOMPARE(commands.value(pauseAt + 1), QByteArray("get_time_length\n"));
    }

    void fivePositionAnswersMoveTheSliderOnce() {
        DRUI &w = NewWindow();
        PrepareFakePlayer(user->Root());
        PlayFile(fileA);
        QSignalSpy moved(w.PositionSlider, &QSlider::valueChanged);
        QTRY_VERIFY_WITH_TIMEOUT(w.PositionAnswerCount == 4, 5000);
        QCOMPARE(moved.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(moved.count(), 1, 2000);
        QVERIFY(w.PositionSlider->value() >= 2);
        QVERIFY(w.PositionLabel->text().startsWith(QStringLiteral("00:00:0")));
        QCOMPARE(w.DurationLabel->text(), QStringLiteral(" 01:02:03"));
    }

    void endOfFileReturnsToTheStartPage() {
        DRUI &w = NewWindow();
        PrepareFakePlayer(user->Root(), {{"FAKE_PLAYER_EOF_MS", "900"}});
        PlayFile(fileA);
        ExpectIdleAfterEnd(w);
        QCOMPARE(w.PositionLabel->text(), QStringLiteral("00:00:00 "));
    }

    void crashedPlayerLeavesTheWindowIdle() {
        DRUI &w = NewWindow();
        PrepareFakePlayer(user->Root(), {{"FAKE_PLAYER_CRASH_MS", "700"}});
        PlayFile(fileA);
        ExpectIdleAfterEnd(w);
        QVERIFY(!QTest::currentTestFailed());
        // The same file can be started again at once instead of toggling a dead player.
        PrepareFakePlayer(user->Root());
        PlayFile(fileA);
        QCOMPARE(w.PageStack->currentIndex(), 2);
        QVERIFY(w.Playing);
    }

    void missingPlayerProgramDoesNotHang() {
        DRUI &w = NewWindow();
        w.PlayPath = fileA;
        w.SourceKind = MediaKind::File;
        // A player that cannot start ends the session like a crash.
        const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/Player");
        const QString hidden = beside + QStringLiteral(".away");
        QVERIFY(QFile::rename(beside, hidden));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        w.VideoPlay();
        qputenv("PATH", path);
        QVERIFY(QFile::rename(hidden, beside));
        ExpectIdleAfterEnd(w);
    }

    void secondItemKillsTheFirstPlayer() {
        DRUI &w = NewWindow();
        PrepareFakePlayer(user->Root());
        PlayFile(fileA);
        const qint64 firstPid = w.PlayerProcess->processId();
        QVERIFY(ProcessAlive(firstPid));
        const QString log = PrepareFakePlayer(user->Root());
        PlayFile(fileB);
        QVERIFY(!ProcessAlive(firstPid));
        QCOMPARE(w.PlayerProcess->arguments().last(), fileB);
        // The killed player's end is not taken for the end of the new one.
        QTest::qWait(600);
        QCOMPARE(w.PageStack->currentIndex(), 2);
        QVERIFY(w.Playing);
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("get_time_pos\n"), 3000);
    }

    void startPositionAndPlayButtonStates() {
        DRUI &w = NewWindow();
        const QString log = PrepareFakePlayer(user->Root());
        w.PlayPath = fileC;
        w.SourceKind = MediaKind::File;
        w.StartSeconds = 75;
        w.VideoPlay();
        w.StartSeconds = 0;
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).size() >= 2, 3000);
        QCOMPARE(LoggedCommands(log).mid(0, 2),
                 QList<QByteArray>({"volume 50 2\n", "seek 75 2\n"}));
        QVERIFY(w.PositionMs >= 75000 && w.PositionMs < 80000);
        QCOMPARE(w.PlayPauseAction->data().toString(), QStringLiteral("Pause"));
        QCOMPARE(w.PlayButton->icon().pixmap(40).toImage(),
                 QIcon(QStringLiteral(":/image/pause.png")).pixmap(40).toImage());

        // The play button on the loaded item pauses, and again resumes without a command.
        w.PlayButton->click();
        QVERIFY(!w.Playing);
        QCOMPARE(w.PlayPauseAction->data().toString(), QStringLiteral("Resume"));
        QCOMPARE(w.PlayPauseAction->text(), CLanguageTable::Instance()->GetText("MainWnd/Resume"));
        QCOMPARE(w.PlayButton->icon().pixmap(40).toImage(),
                 QIcon(QStringLiteral(":/image/play.png")).pixmap(40).toImage());
        const qint64 pausedAt = w.PositionMs;
        QTest::qWait(1100);
        QCOMPARE(w.PositionMs, pausedAt); // the clock stands still while paused
        const int before = int(LoggedCommands(log).size());
        w.PlayButton->click();
        QVERIFY(w.Playing);
        QTest::qWait(50);
        QCOMPARE(int(LoggedCommands(log).size()), before);
        QCOMPARE(Count(LoggedCommands(log), "pause\n"), 1);

        // Ten ticks advance the clock by 5070 ms.
        w.RefreshTimer->stop();
        const qint64 start = w.PositionMs;
        for (int i = 0; i < 10; ++i)
            w.DoRefreshGui();
        QCOMPARE(w.PositionMs - start, qint64(5070));
    }

    void recentListFollowsWhatIsPlayed() {
        DRUI &w = NewWindow();
        PrepareFakePlayer(user->Root());
        const QString file = recent::FilePath(w.AppDataFolder);
        QFile::remove(file);
        w.InitWindow();
        QCOMPARE(w.RecentFilesMenu->actions().size(), 1); // only "Clear Menu"
        QCOMPARE(w.RecentFilesMenu->actions().last()->data().toString(),
                 QStringLiteral("Clear Menu"));

        PlayFile(fileA);
        PlayFile(fileB);
        QCOMPARE(w.RecentPaths, QStringList({fileB, fileA}));
        QCOMPARE(recent::Load(w.AppDataFolder), QStringList({fileB, fileA}));
        const QList<QAction *> entries = w.RecentFilesMenu->actions();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0]->data().toString(), fileB);
        QCOMPARE(entries[2]->text(), CLanguageTable::Instance()->GetText("MainWnd/ClearMenu"));

        // Playing a listed path again changes nothing, not even the order.
        const QDateTime written = QFileInfo(file).lastModified();
        PlayFile(fileA);
        QCOMPARE(w.RecentPaths, QStringList({fileB, fileA}));
        QCOMPARE(QFileInfo(file).lastModified(), written);

        // Clear Menu, then a new start writes the file again with that one path.
        emit w.FileMenu->triggered(w.RecentFilesMenu->actions().last());
        QVERIFY(w.RecentPaths.isEmpty());
        QVERIFY(!QFile::exists(file));
        PlayFile(fileC);
        QCOMPARE(recent::Load(w.AppDataFolder), QStringList({fileC}));
        QCOMPARE(w.RecentFilesMenu->actions().size(), 2);

        // A recent entry that is a DVD folder opens as a folder.
        const QString disc = user->NewFolder(QStringLiteral("Recent DVD"));
        QDir().mkpath(disc + QStringLiteral("/VIDEO_TS"));
        QAction entry(disc);
        entry.setData(disc);
        emit w.FileMenu->triggered(&entry);
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess->arguments().contains(QStringLiteral("dvd://1")),
                                 3000);
        QCOMPARE(w.SourceKind, MediaKind::Dvd);
    }

    void closingEndsThePlayer() {
        DRUI &w = NewWindow();
        const QString log = PrepareFakePlayer(user->Root());
        PlayFile(fileA);
        const qint64 pid = w.PlayerProcess->processId();
        w.btnCloseSlot();
        QVERIFY(!w.PlayerProcess);
        QVERIFY(!ProcessAlive(pid));
        QVERIFY(LoggedCommands(log).contains("q\n"));
    }

    void snapshotLandsInTheChosenFolder() {
        DRUI &w = NewWindow();
        const QString target = user->Root() + QStringLiteral("/home/My Shots/new folder/");
        WriteFile(w.AppDataFolder + QStringLiteral("OutputPath.txt"), target.toUtf8());
        PrepareFakePlayer(user->Root());
        PlayFile(fileA);
        w.SnapshotFormat = QStringLiteral("PNG");
        w.Snapshot();
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(target).entryList(QDir::Files).isEmpty(), 5000);
        const QStringList shots = QDir(target).entryList(QDir::Files);
        QCOMPARE(shots.size(), 1);
        QVERIFY2(shots.first().startsWith(QStringLiteral("Snapshot-")) &&
                     shots.first().endsWith(QStringLiteral(".PNG")),
                 qPrintable(shots.first()));
        QImage picture;
        QVERIFY(picture.load(target + shots.first(), "PNG"));
        QFile::remove(w.AppDataFolder + QStringLiteral("OutputPath.txt"));
    }

    void trackMenusFollowTheAnnouncedStreams() {
        DRUI &w = NewWindow();
        const QByteArray streams = "out Playing x.mkv.\n"
                                   "out [lavf] stream 1: audio (ac3), -aid 0, -alang eng\n"
                                   "out [lavf] stream 2: audio (ac3), -aid 1, -alang deu\n"
                                   "out [lavf] stream 3: subtitle (srt), -sid 0, -slang eng\n"
                                   "out [lavf] stream 4: audio (aac), -aid 2\n"
                                   "out [lavf] stream 5: subtitle (srt), -sid 1\n"
                                   "out [lavf] stream 6: subtitle (srt), -sid 2\n"
                                   "out VIDEO:  [H264]  320x240  24bpp  25.000 fps\n";
        const QString script =
            WriteFile(user->Root() + QStringLiteral("/tracks.script"),
                      streams + "sleep 300\n" + streams.mid(streams.indexOf("out VIDEO")));
        QString log =
            PrepareFakePlayer(user->Root(), {{"FAKE_PLAYER_SCRIPT", QFile::encodeName(script)}});
        w.PlayPath = fileC;
        w.SourceKind = MediaKind::File;
        w.VideoPlay();
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("pausing_keep switch_audio 0\n"),
                                 5000);
        QTest::qWait(600); // the second "VIDEO: " line changes nothing
        const auto entries = [](QMenu *menu) {
            QStringList texts;
            for (const QAction *a : menu->actions())
                texts << a->text() + (a->isChecked() ? QStringLiteral("*") : QString());
            return texts;
        };
        // The audio stream announced after a subtitle is not counted.
        QCOMPARE(entries(w.AudioTrackMenu),
                 QStringList({QStringLiteral("Disable"), QStringLiteral("Audio 1*"),
                              QStringLiteral("Audio 2")}));
        QCOMPARE(entries(w.SubtitleTrackMenu),
                 QStringList({QStringLiteral("Disable*"), QStringLiteral("Subtitle 1"),
                              QStringLiteral("Subtitle 2"), QStringLiteral("Subtitle 3")}));
        QList<QByteArray> commands = LoggedCommands(log);
        QCOMPARE(Count(commands, "pausing_keep switch_audio 0\n"), 1);
        QCOMPARE(int(std::count_if(commands.cbegin(), commands.cend(),
                                   [](const QByteArray &c) {
                                       return c.contains("sub_demux") ||
                                              c.startsWith("switch_audio");
                                   })),
                 0);

        // A remembered choice ("Audio 2", "Subtitle 1") is applied once the streams are known.
        const QString once = WriteFile(user->Root() + QStringLiteral("/once.script"),
                                       streams.left(streams.indexOf("out VIDEO")) +
                                           "out VIDEO:  [H264]  320x240  24bpp  25.000 fps\n");
        log = PrepareFakePlayer(user->Root(), {{"FAKE_PLAYER_SCRIPT", QFile::encodeName(once)}});
        w.SourceKey = QStringLiteral("tracks");
        w.AudioChoiceByKey[w.SourceKey] = 2;
        w.SubtitleChoiceByKey[w.SourceKey] = 2;
        w.PlayPath = fileB;
        w.VideoPlay();
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("switch_audio 1\n"), 5000);
        QTest::qWait(200);
        commands = LoggedCommands(log);
        QCOMPARE(Count(commands, "sub_demux 1\n"), 1);
        QCOMPARE(Count(commands, "switch_audio 1\n"), 1);
        // The menus had the right size already, so the choice stays marked.
        QCOMPARE(Count(commands, "pausing_keep switch_audio 0\n"), 0);
        QCOMPARE(entries(w.AudioTrackMenu).value(2), QStringLiteral("Audio 2*"));
        QCOMPARE(entries(w.SubtitleTrackMenu).value(2), QStringLiteral("Subtitle 2*"));
        w.AudioChoiceByKey.clear();
        w.SubtitleChoiceByKey.clear();
        w.SourceKey.clear();
    }

    void clickingTheSliderSeeksThere() {
        DRUI &w = NewWindow();
        const QString log = PrepareFakePlayer(user->Root());
        w.PlayPath = fileC;
        w.SourceKind = MediaKind::File;
        w.MediaDuration = 3600;
        w.VideoPlay();
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess->state() == QProcess::Running, 5000);
        QSlider *slider = w.PositionSlider;
        slider->resize(800, slider->height());
        const QPoint middle(slider->width() / 2, slider->height() / 2);
        QTest::mouseClick(slider, Qt::RightButton, {}, middle);
        QTest::mouseClick(slider, Qt::LeftButton, {}, middle);
        QCOMPARE(w.SeekTarget, 1800);
        QCOMPARE(w.PositionMs, qint64(1800000));
        QTest::mouseClick(slider, Qt::LeftButton, {}, middle); // where the handle already is
        w.StopBtn();
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 4, middle.y()));
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("q\n"), 3000);
        // The slider's own handling of the press may repeat the seek, but only to the same place;
        // the right click and the click after the stop send nothing.
        const QList<QByteArray> commands = LoggedCommands(log);
        QVERIFY(commands.contains("seek 1800 2\n"));
        for (const QByteArray &c : commands)
            if (c.startsWith("seek "))
                QCOMPARE(c, QByteArray("seek 1800 2\n"));
        const qsizetype quit = commands.indexOf("q\n");
        for (qsizetype i = quit; i < commands.size(); ++i)
            QVERIFY(!commands[i].startsWith("seek "));
    }

    // --- the playlist ---
    void addingFilesProbesEachOnceAndListsNoPathTwice() {
        DRUI &w = NewWindow();
        PrepareFakePlayer(user->Root());
        const QString probeLog = user->Root() + QStringLiteral("/probe.log");
        w.PlayListAddFiles({fileA, fileB});
        // Probes run side by side: each file once, in whatever order they got going.
        QStringList probed = QString::fromUtf8(ReadAll(probeLog)).split(u'\n', Qt::SkipEmptyParts);
        probed.sort();
        QCOMPARE(probed, QStringList({fileA, fileB}));
        QCOMPARE(w.MediaDuration, qint64(3723));
        QCOMPARE(w.PlayList.size(), 2);
        QCOMPARE(w.PlayList[0].Length, QStringLiteral("01:02:03"));
        QCOMPARE(w.PlayList[1].Length, QStringLiteral("00:00:40"));
        QCOMPARE(w.PlaylistPanel->rowCount(), 2);
        QCOMPARE(w.PlaylistPanel->item(0, 0)->text(), QStringLiteral("    a film.mp4"));
        QCOMPARE(w.PlaylistPanel->item(0, 0)->data(Qt::UserRole).value<PLAY_LIST_INFO>().Path,
                 fileA);
        QCOMPARE(w.PlaylistPanel->selectionModel()->selectedRows().value(0).row(), 0);
        QCOMPARE(w.PlayPath, fileA);
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess && w.PlayerProcess->state() == QProcess::Running,
                                 5000);

        // Opening a listed file again probes it but adds no row; as it is playing, it pauses.
        w.PlayListAddFiles({fileA});
        QCOMPARE(ReadAll(probeLog).count('\n'), 3);
        QCOMPARE(w.PlaylistPanel->rowCount(), 2);
        QVERIFY(!w.Playing);

        // A batch with one listed and one new path lists the new one only.
        w.StopBtn();
        w.PlayListAddFiles({fileB, fileC});
        QCOMPARE(w.PlayList.size(), 3);
        QCOMPARE(w.PlayList[2].Path, fileC);
        QCOMPARE(w.MediaDuration, qint64(40));
    }

    void slowProbesKeepTheOrderAndTheWindowTakesNoInput() {
        DRUI &w = NewWindow();
        const QString log = PrepareFakePlayer(user->Root());
        PlayFile(fileC);
        QProcess *first = w.PlayerProcess;

        // The first file answers last; lengths differ so a mix-up shows.
        QStringList batch;
        QString durations, sleeps;
        const int slowMs[] = {900, 150, 0, 400, 50, 250};
        for (int i = 0; i < 6; ++i) {
            const QString name = QStringLiteral("part %1.mkv").arg(i);
            batch << WriteFile(media + u'/' + name);
            durations += QStringLiteral("%1=00:0%2:1%2.00;").arg(name).arg(i);
            sleeps += QStringLiteral("%1=%2;").arg(name).arg(slowMs[i]);
        }
        batch << fileC << batch[1]; // listed already, and twice in the batch
        qputenv("FAKE_PROBE_DURATIONS", durations.toUtf8());
        qputenv("FAKE_PROBE_SLEEPS", sleeps.toUtf8());
        const auto restore = qScopeGuard([] {
            qunsetenv("FAKE_PROBE_SLEEPS");
            qputenv(
                "FAKE_PROBE_DURATIONS",
                QStringLiteral("a film.mp4=01:02:03.45;b-\u00e9t\u00e9.mkv=00:00:40.00").toUtf8());
        });
        QStringList oneAtATime;
        for (const QString &path : std::as_const(batch))
            oneAtATime << ProbeLength(QStringLiteral(TAVRELL_FAKE_PROBE), path);

        // Once the count shows, the user clicks a row and presses Space.
        QStringList shown;
        bool poked = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto *badge = w.findChild<QLabel *>(QStringLiteral("ProbeProgressLabel"));
            if (!badge || !badge->isVisible())
                return;
            if (shown.isEmpty() || shown.last() != badge->text())
                shown << badge->text();
            if (poked)
                return;
            poked = true;
            QWidget *rows = w.PlaylistPanel->viewport();
            const QPoint row0 =
                w.PlaylistPanel->visualItemRect(w.PlaylistPanel->item(0, 0)).center();
            QTest::mouseDClick(rows, Qt::LeftButton, {}, row0);
            QTest::keyClick(&w, Qt::Key_Space);
            QTest::keyClick(w.PlaylistPanel, Qt::Key_Down);
        });
        watch.start(5);
        w.PlayListAddFiles(batch);
        watch.stop();

        QVERIFY(poked);
        QVERIFY2(!shown.isEmpty() && shown.last().endsWith(QStringLiteral(" / 8")),
                 qPrintable(shown.join(u',')));
        QVERIFY(!w.findChild<QLabel *>(QStringLiteral("ProbeProgressLabel"))->isVisible());
        QVERIFY(w.isVisible());
        // Nothing reached the player that was playing, and nothing else was started.
        QVERIFY(!LoggedCommands(log).contains("pause\n"));
        QCOMPARE(w.PlaylistPanel->selectionModel()->selectedRows().value(0).row(), 1);

        // The same entries as probing one at a time: listed once, in the given order.
        QCOMPARE(w.PlayList.size(), 7);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(w.PlayList[i + 1].Path, batch[i]);
            QCOMPARE(w.PlayList[i + 1].Length, oneAtATime[i]);
        }
        QCOMPARE(w.PlayList[1].Length, QStringLiteral("00:00:10"));
        QCOMPARE(w.PlayPath, batch.first());
        QCOMPARE(w.MediaDuration, qint64(10));
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess != first && w.PlayerProcess &&
                                     w.PlayerProcess->arguments().last() == batch.first(),
                                 5000);

        // Stopping a long add: Cancel and Escape keep the files probed so far (and play the
        // first of them); closing the window ends it all.
        const QString quick = WriteFile(media + u"/quick.mkv"_s);
        qputenv("FAKE_PROBE_SLEEPS", "slow 1.mkv=60000;slow 2.mkv=60000");
        for (const QString &how : {u"cancel"_s, u"escape"_s, u"close"_s}) {
            const QStringList slow{quick, WriteFile(media + u"/slow 1.mkv"_s),
                                   WriteFile(media + u"/slow 2.mkv"_s)};
            const qsizetype listed = w.PlayList.size();
            QTimer stop;
            connect(&stop, &QTimer::timeout, this, [&] {
                auto *cancel = w.findChild<QPushButton *>(u"ProbeCancelButton"_s);
                if (!cancel || !cancel->isVisible())
                    return;
                stop.stop();
                if (how == u"cancel")
                    QTest::mouseClick(cancel, Qt::LeftButton);
                else if (how == u"escape")
                    QTest::keyClick(&w, Qt::Key_Escape);
                else
                    w.close();
            });
            stop.start(5);
            w.PlayListAddFiles(slow);
            QVERIFY(!stop.isActive());
            QCOMPARE(w.PlayList.size(), listed + (how == u"cancel" && listed == 7 ? 1 : 0));
            QCOMPARE(w.isVisible(), how != u"close");
            if (how == u"cancel")
                QTRY_VERIFY_WITH_TIMEOUT(
                    w.PlayerProcess && w.PlayerProcess->arguments().last() == quick, 5000);
        }
    }

    void doubleClickAndStepsPlayTheRightRow() {
        DRUI &w = NewWindow();
        PrepareFakePlayer(user->Root());
        w.PlayListAddFiles({fileA, fileB, fileC});
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess, 3000);

        w.PlayListItemDoubleClick(2, 0);
        QTRY_COMPARE_WITH_TIMEOUT(w.PlayerProcess->arguments().last(), fileC, 3000);
        QCOMPARE(w.PlaylistPanel->selectionModel()->selectedRows().value(0).row(), 2);

        // At the end: nothing but resuming the paused player.
        w.PausePlay();
        QProcess *last = w.PlayerProcess;
        w.PlayNext();
        QCOMPARE(w.PlayerProcess, last);
        QVERIFY(w.Playing);
        QVERIFY(w.RefreshTimer->isActive());

        w.PlayPre();
        QCOMPARE(w.PlayerProcess->arguments().last(), fileB);
        w.PlayPre();
        QCOMPARE(w.PlayerProcess->arguments().last(), fileA);
        QProcess *first = w.PlayerProcess;
        w.PlayPre();
        QCOMPARE(w.PlayerProcess, first);
        w.PlayNext();
        QCOMPARE(w.PlayerProcess->arguments().last(), fileB);
        QCOMPARE(w.PageStack->currentIndex(), 2);
        QVERIFY(w.PlaylistPanel->item(1, 0)->icon().cacheKey() != 0);
        QVERIFY(w.PlaylistPanel->item(0, 0)->icon().isNull());

        w.PlayListItemDoubleClick(5, 0); // no such row
        QCOMPARE(w.PlayerProcess->arguments().last(), fileB);
    }

    void chapterStepsSeekToChapterStarts() {
        DRUI &w = NewWindow();
        const QString log = PrepareFakePlayer(user->Root());
        w.PlayPath = fileA;
        w.SourceKind = MediaKind::Bluray;
        w.SourceKey = QStringLiteral("disc 00001");
        w.ChaptersByKey[w.SourceKey] = {0, 300000, 600000};
        w.VideoPlay();
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess && w.PlayerProcess->state() == QProcess::Running,
                                 5000);
        w.RefreshTimer->stop(); // keep the position where the test puts it

        w.PositionText = QStringLiteral("400");
        w.PlayNext();
        QCOMPARE(w.PositionMs, qint64(600000));
        w.PositionText = QStringLiteral("400");
        w.PlayPre();
        QCOMPARE(w.PositionMs, qint64(0));
        w.PositionMs = 100000;
        w.PositionText = QStringLiteral("100");
        w.PlayPre();
        QCOMPARE(w.PositionMs, qint64(100000));
        w.PositionText = QStringLiteral("600");
        w.PlayNext();
        QCOMPARE(w.PositionMs, qint64(100000));
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("seek 0 2\n"), 3000);
        const QList<QByteArray> commands = LoggedCommands(log);
        QCOMPARE(Count(commands, "seek 600 2\n"), 1);
        QCOMPARE(Count(commands, "seek 0 2\n"), 1);
        QCOMPARE(int(std::count_if(commands.cbegin(), commands.cend(),
                                   [](const QByteArray &c) { return c.startsWith("seek "); })),
                 2);
    }

    // --- folders ---
    void refusedFolderStopsAndShowsTheMessage() {
        DRUI &w = NewWindow();
        w.move(100, 50); // the window's own position, frame included
        QCOMPARE(w.pos(), QPoint(100, 50));
        QCOMPARE(w.size(), QSize(1000, 680));
        const QString plain = user->NewFolder(QStringLiteral("Holiday photos"));
        WriteFile(plain + QStringLiteral("/one.jpg"));
        const QString log = PrepareFakePlayer(user->Root());
        PlayFile(fileA);
        const int rows = w.PlaylistPanel->rowCount();
        const QString playPath = w.PlayPath;

        SeenBox seen;
        AnswerNextMessageBox(&seen);
        w.OpenFolderSource(plain);
        QVERIFY(seen.Shown);
        QCOMPARE(seen.Text, CLanguageTable::Instance()->GetText("Messages/MSG0102"));
        QVERIFY(!seen.Text.isEmpty());
        QCOMPARE(seen.Geometry, QRect(433, 276, 400, 180));
        QCOMPARE(w.PageStack->currentIndex(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("q\n"), 3000);
        QCOMPARE(w.PlaylistPanel->rowCount(), rows);
        QCOMPARE(w.PlayPath, playPath);
        QCOMPARE(w.SourceKind, MediaKind::File);

        // A cancelled folder dialog (null path) does nothing at all.
        w.OpenFolderSource(QString());

        // A help page no program opens (no browser here): the box says where it lies.
        AnswerNextMessageBox(&seen);
        QVERIFY(TriggerMenuAction(w, u"ActionSupport"_s));
        QCOMPARE(seen.Text.remove(QChar(0x200b)),
                 CLanguageTable::Instance()->GetText("Messages/PageNotOpened") + u'\n' +
                     QCoreApplication::applicationDirPath() + u"/help/support.html"_s);
    }

    void messageBoxAnswersDragsAndCloses() {
        CMessageBox box;
        box.setGeometry(200, 100, 400, 180);
        box.ShowInformation(QStringLiteral("A long message that has to wrap onto a second line "
                                           "inside the box without being cut."));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.size(), QSize(400, 180));
        QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(box.windowType(), Qt::Dialog); // not a tool tip: it must take the keyboard
        QCOMPARE(box.Answer, 1);

        // Dragging the body moves the box by exactly the mouse movement.
        const QPoint start = box.pos();
        QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(50, 150));
        QMouseEvent move(QEvent::MouseMove, QPointF(80, 170), box.mapToGlobal(QPointF(80, 170)),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(&box, &move);
        QCOMPARE(box.pos(), start + QPoint(30, 20));

        // A right click closes it without an answer; OK answers 0.
        QTest::mouseClick(&box, Qt::RightButton, {}, QPoint(50, 150));
        QVERIFY(!box.isVisible());
        QCOMPARE(box.Answer, 1);
        box.show();
        auto *ok = box.findChild<QPushButton *>(QStringLiteral("OkButton"));
        QVERIFY(ok);
        ok->click();
        QVERIFY(!box.isVisible());
        QCOMPARE(box.Answer, 0);
    }

    void dvdFolderPlaysTitleOne() {
        DRUI &w = NewWindow();
        const QString disc = user->NewFolder(QStringLiteral("My DVD"));
        QDir().mkpath(disc + QStringLiteral("/VIDEO_TS"));
        WriteFile(disc + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO"));
        PrepareFakePlayer(user->Root(), {{"FAKE_PLAYER_LENGTH", "1800"}});
        w.OpenFolderSource(disc);
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess, 3000);
        const QStringList args = w.PlayerProcess->arguments();
        QCOMPARE(args.last(), disc);
        QVERIFY(args.contains(QStringLiteral("dvd://1")));
        QCOMPARE(args.value(args.indexOf(QStringLiteral("-dvd-device")) + 1), disc);
        QCOMPARE(w.PlayList.size(), 1);
        QCOMPARE(w.PlayList[0].Kind, MediaKind::Dvd);
        QVERIFY(w.PlayList[0].Length.isEmpty());
        // The length comes from the player's answer.
        QTRY_COMPARE_WITH_TIMEOUT(w.MediaDuration, qint64(1800), 5000);
        QCOMPARE(w.PositionSlider->maximum(), 1800);

        // Opening it again restarts it and lists it once.
        const qint64 first = w.PlayerProcess->processId();
        w.OpenFolderSource(disc);
        QVERIFY(w.PlayerProcess->processId() != first);
        QCOMPARE(w.PlayList.size(), 1);
    }

    // --- menus, keys and mouse through the real actions ---

    // Starts fileC with two audio and two subtitle streams announced, and waits until the
    // track menus are filled and the repaint rule has enabled the menus.
    QString PlayWithTracks(DRUI &w, qint64 length = 3600) {
        const QString script = WriteFile(user->Root() + QStringLiteral("/two-tracks.script"),
                                         "out Playing c.avi.\n"
                                         "out [lavf] stream 1: audio (ac3), -aid 0, -alang eng\n"
                                         "out [lavf] stream 2: audio (ac3), -aid 1, -alang deu\n"
                                         "out [lavf] stream 3: subtitle (srt), -sid 0\n"
                                         "out [lavf] stream 4: subtitle (srt), -sid 1\n"
                                         "out VIDEO:  [H264]  320x240  24bpp  25.000 fps\n");
        const QString log =
            PrepareFakePlayer(user->Root(), {{"FAKE_PLAYER_SCRIPT", QFile::encodeName(script)}});
        w.PlayPath = fileC;
        w.SourceKind = MediaKind::File;
        w.MediaDuration = length;
        w.VideoPlay();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("pausing_keep switch_audio 0\n"),
                                     5000);
            QTRY_VERIFY_WITH_TIMEOUT(w.SnapshotAction->isEnabled(), 3000);
        }();
        return log;
    }

    static QStringList Checked(const QMenu *menu) {
        QStringList checked;
        for (const QAction *a : menu->actions())
            if (a->isChecked())
                checked << a->data().toString();
        return checked;
    }

    void menuEntriesSendTheirCommands_data() {
        QTest::addColumn<QString>("menu");   // objectName of a submenu, or empty for a tagged entry
        QTest::addColumn<QVariant>("entry"); // the entry's data, or the action's objectName
        QTest::addColumn<int>("volume");
        QTest::addColumn<int>("slider");
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::addColumn<QStringList>("checked"); // checked data of `menu` afterwards

        const auto tagged = [](const char *row, const char *name, int volume, int slider,
                               QList<QByteArray> sent) {
            QTest::newRow(row) << QString() << QVariant(QString::fromLatin1(name)) << volume
                               << slider << sent << QStringList();
        };
        tagged("VolumeUp at 100", "ActionVolumeUp", 100, -1, {"pausing_keep volume 105 100\n"});
        tagged("VolumeUp at 50", "ActionVolumeUp", 50, -1, {"pausing_keep volume 55 100\n"});
        tagged("VolumeDown at 3", "ActionVolumeDown", 3, -1, {"pausing_keep volume 0 100\n"});
        tagged("Forward near the end", "ActionForward", -1, 70, {"seek 96 2\n"});
        tagged("Forward", "ActionForward", -1, 10, {"seek 70 2\n"});
        tagged("Backward at 30", "ActionBackward", -1, 30, {"seek 0 2\n"});
        tagged("Backward at 90", "ActionBackward", -1, 90, {"seek 30 2\n"});
        tagged("Pause", "ActionPlay", -1, -1, {"pause\n"}); // the entry says Pause while playing
        tagged("Stop", "ActionStop", -1, -1, {"q\n"});
        tagged("Eject", "ActionEject", -1, -1, {"q\n"});
        tagged("Snapshot", "ActionSnapshot", -1, -1, {"screenshot 0\n"});
        tagged("Previous at the only entry", "ActionPre", -1, -1, {});
        tagged("Next at the only entry", "ActionNext", -1, -1, {});
        tagged("Navigation for a file", "ActionNavigation", -1, -1, {}); // disabled
        tagged("HalfSize", "ActionHalfSize", -1, -1, {});
        tagged("PlayList", "ActionPlayList", -1, -1, {});

        const auto track = [](const char *row, const char *menu, QVariant data,
                              QList<QByteArray> sent, const char *checked) {
            QTest::newRow(row) << QString::fromLatin1(menu) << data << -1 << -1 << sent
                               << QStringList{QString::fromLatin1(checked)};
        };
        track("audio 0", "AudioTrackMenu", 0, {"pausing_keep switch_audio -2\n"}, "0");
        track("audio 1", "AudioTrackMenu", 1, {"pausing_keep switch_audio 0\n"}, "1");
        track("audio 2", "AudioTrackMenu", 2, {"pausing_keep switch_audio 1\n"}, "2");
        track("subtitle 0", "SubtitleTrackMenu", 0, {"pausing_keep sub_demux -1\n"}, "0");
        track("subtitle 2", "SubtitleTrackMenu", 2, {"pausing_keep sub_demux 1\n"}, "2");
        track("Stereo", "AudioChannelMenu", QStringLiteral("Stereo"),
              {"pausing_keep balance 0 1\n"}, "Stereo");
        track("Left", "AudioChannelMenu", QStringLiteral("Left"), {"pausing_keep balance -1 1\n"},
              "Left");
        track("Right", "AudioChannelMenu", QStringLiteral("Right"), {"pausing_keep balance 1 1\n"},
              "Right");
        track("video track 0", "VideoTrackMenu", 0, {}, "0");
    }

    void menuEntriesSendTheirCommands() {
        QFETCH(QString, menu);
        QFETCH(QVariant, entry);
        QFETCH(int, volume);
        QFETCH(int, slider);
        QFETCH(QList<QByteArray>, sent);
        QFETCH(QStringList, checked);
        DRUI &w = NewWindow();
        const QString log = PlayWithTracks(w, 100);
        w.RefreshTimer->stop();
        if (volume >= 0)
            w.VolumeSlider->setValue(volume);
        if (slider >= 0)
            w.PositionSlider->setValue(slider);
        SentSinceLastMark(w, log); // what the start sent

        const bool enabledEntry =
            menu.isEmpty() && entry.toString() != QLatin1String("ActionNavigation");
        if (menu.isEmpty()) {
            QCOMPARE(TriggerMenuAction(w, entry.toString()), enabledEntry);
        } else {
            auto *submenu = w.findChild<QMenu *>(menu);
            QVERIFY(submenu);
            QVERIFY(TriggerMenuAction(w, EntryWithData(submenu, entry)));
            QCOMPARE(Checked(submenu), checked);
        }
        QCOMPARE(SentSinceLastMark(w, log), sent);

        const QString row = QString::fromLatin1(QTest::currentDataTag());
        if (row == QLatin1String("VolumeUp at 100")) {
            QCOMPARE(w.VolumeSlider->value(), 100);
        } else if (row == QLatin1String("VolumeDown at 3")) {
            QCOMPARE(w.VolumeSlider->value(), 0);
            QVERIFY(w.Muted);
            QCOMPARE(w.VolumeButton->icon().pixmap(32).toImage(),
                     QIcon(QStringLiteral(":/image/no-volume.png")).pixmap(32).toImage());
        } else if (row == QLatin1String("video track 0")) {
            QVERIFY(w.VideoLabel->isHidden());
            QVERIFY(TriggerMenuAction(w, EntryWithData(w.VideoTrackMenu, 1)));
            QVERIFY(!w.VideoLabel->isHidden());
            QCOMPARE(Checked(w.VideoTrackMenu), QStringList({QStringLiteral("1")}));
        } else if (row == QLatin1String("Eject") || row == QLatin1String("Stop")) {
            QCOMPARE(w.PageStack->currentIndex(), PageIndex(Page::Start));
            QVERIFY(w.RecentPaths.contains(fileC));
        } else if (row == QLatin1String("PlayList")) {
            QVERIFY(!w.PlaylistPanel->isHidden());
            QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionPlayList")));
            QVERIFY(w.PlaylistPanel->isHidden());
        } else if (row == QLatin1String("Pause")) {
            QCOMPARE(w.PlayPauseAction->data().toString(), QStringLiteral("Resume"));
            QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionPlay")));
            QVERIFY(w.Playing);
            QCOMPARE(SentSinceLastMark(w, log), QList<QByteArray>()); // resuming sends nothing
        }
    }

    // Without a player no command goes out and no check mark moves (the menus are enabled
    // by hand here: a user meets them disabled until something plays).
    void noPlayerNoCommandAndNoMovedCheck() {
        DRUI &w = NewWindow();
        for (QMenu *menu : {w.AudioMenu, w.VideoMenu})
            for (QAction *a : menu->actions())
                a->setEnabled(true);
        for (const char *tag : {"Left", "Stereo"}) {
            QVERIFY(
                TriggerMenuAction(w, EntryWithData(w.AudioChannelMenu, QString::fromLatin1(tag))));
            QCOMPARE(Checked(w.AudioChannelMenu), QStringList({QStringLiteral("Stereo")}));
        }
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionVolumeUp")));
        QCOMPARE(w.VolumeSlider->value(), 55);
        QVERIFY(!w.PlayerProcess);
        // Entries that need a player stay disabled at the start.
        for (const char *name : {"ActionForward", "ActionBackward", "ActionSnapshot",
                                 "ActionHalfSize", "ActionNavigation", "ActionFullScreen"})
            if (QString::fromLatin1(name) != QLatin1String("ActionHalfSize"))
                QVERIFY2(!TriggerMenuAction(w, QString::fromLatin1(name)), name);
    }

    void windowSizesFollowTheScreen() {
        DRUI &w = NewWindow();
        PlayWithTracks(w);
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        const int minimum = w.minimumSizeHint().width();
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionDoubleSize")));
        QTRY_COMPARE(w.size(), QSize(qMax(minimum, qMin(2000, available.width())),
                                     qMin(1360, available.height())));
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionNormalSize")));
        QTRY_COMPARE(w.size(), QSize(1000, 680));
        // Half size is as narrow as the menu strip (built 1000 wide) allows.
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionHalfSize")));
        QTRY_COMPARE(w.height(), 340);
        QCOMPARE(w.width(), qMax(500, w.MenuStrip->minimumWidth()));
    }

    void doubleSizeFollowsTheScreen_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("1920 x 1040") << QSize(1920, 1040) << QSize(1920, 1040);
        QTest::newRow("2560 x 1400") << QSize(2560, 1400) << QSize(2000, 1360);
        QTest::newRow("1280 x 720") << QSize(1280, 720) << QSize(1280, 720);
        // Narrower than the menu strip (built 1000 wide): the window keeps that width.
        QTest::newRow("800 x 600") << QSize(800, 600) << QSize(1000, 600);
    }

    void doubleSizeFollowsTheScreen() {
        QFETCH(QSize, screen);
        QFETCH(QSize, expected);
        if (qEnvironmentVariableIsEmpty("TAVRELL_SCREEN_CHILD")) {
            // The platform's screen is fixed for a process: each size runs in a child.
            const QString config =
                WriteFile(user->Root() + QStringLiteral("/screen.json"),
                          QStringLiteral("{\"screens\":[{\"name\":\"test\",\"x\":0,\"y\":0,"
                                         "\"width\":%1,\"height\":%2,\"logicalDpi\":96,"
                                         "\"logicalBaseDpi\":96,\"dpr\":1}]}")
                              .arg(screen.width())
                              .arg(screen.height())
                              .toUtf8());
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                       QStringLiteral("offscreen:configfile=") + config);
            env.insert(QStringLiteral("TAVRELL_SCREEN_CHILD"), QStringLiteral("1"));
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("doubleSizeFollowsTheScreen:") +
                         QString::fromLatin1(QTest::currentDataTag())});
            QVERIFY(child.waitForFinished(120000));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     child.readAll().constData());
            return;
        }
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry().size(), screen);
        DRUI &w = NewWindow();
        PlayWithTracks(w);
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionDoubleSize")));
        QTRY_COMPARE(w.size(), expected);
    }

    void clearMenuEmptiesTheRecentFiles() {
        DRUI &w = NewWindow();
        recent::Save(w.AppDataFolder, {fileA, fileB});
        w.InitWindow();
        QCOMPARE(w.RecentFilesMenu->actions().size(), 3);
        QVERIFY(
            TriggerMenuAction(w, EntryWithData(w.RecentFilesMenu, QStringLiteral("Clear Menu"))));
        QCOMPARE(w.RecentFilesMenu->actions().size(), 0);
        QVERIFY(!QFile::exists(recent::FilePath(w.AppDataFolder)));
    }

    void recentEntryStopsFirstAndPlaysThroughThePlaylist() {
        recent::Save(platform::AppDataFolder(), {fileB, fileC});
        DRUI &w = NewWindow();
        QCOMPARE(w.RecentFilesMenu->actions().size(), 3);
        const QString firstLog = PlayWithTracks(w);
        const QString secondLog = PrepareFakePlayer(user->Root());
        QVERIFY(TriggerMenuAction(w, EntryWithData(w.RecentFilesMenu, fileB)));
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess && w.PlayerProcess->arguments().last() == fileB,
                                 5000);
        QVERIFY(IsListed(w.PlayList, fileB));
        QCOMPARE(w.MediaDuration, qint64(40)); // probed as a playlist entry
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(secondLog).contains("volume 50 2\n"), 5000);
        Q_UNUSED(firstLog);
        QFile::remove(recent::FilePath(w.AppDataFolder));
    }

    void controlsPlayInItsThreeCases() {
        DRUI &w = NewWindow();
        const int asked = dialogs::QuestionsAsked();
        // Right after start the source is a Blu-ray one with no title: nothing happens.
        QCOMPARE(w.SourceKind, MediaKind::Bluray);
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionPlay")));
        QCOMPARE(dialogs::QuestionsAsked(), asked);
        QVERIFY(!w.PlayerProcess);

        // A file source with nothing loaded asks for files.
        w.SourceKind = MediaKind::File;
        PrepareFakePlayer(user->Root());
        dialogs::AnswerNextFiles({fileA});
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionPlay")));
        QCOMPARE(dialogs::QuestionsAsked(), asked + 1);
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess, 3000);
        QCOMPARE(w.PlayerProcess->arguments().last(), fileA);

        // After a stop and a rebuild (a language choice; until then the entry keeps the
        // "Pause" it was given), Play starts the loaded file again through the playlist.
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionStop")));
        w.InitWindow();
        QCOMPARE(w.PlayPauseAction->data().toString(), QStringLiteral("Play"));
        const QPointer<QProcess> stopped = w.PlayerProcess;
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionPlay")));
        QVERIFY(stopped.isNull());
        QCOMPARE(w.PlayerProcess->arguments().last(), fileA);
        QCOMPARE(w.PlayList.size(), 1); // the rebuild emptied it; listed again
        QCOMPARE(dialogs::QuestionsAsked(), asked + 1);
    }

    void startPageButtonsAskAndOpen() {
        DRUI &w = NewWindow();
        PrepareFakePlayer(user->Root());
        // A cancelled file dialog starts nothing; a cancelled folder dialog neither.
        dialogs::AnswerNextFiles({});
        w.findChild<QPushButton *>(QStringLiteral("OpenFileButton"))->click();
        dialogs::AnswerNextFolder(QString());
        w.findChild<QPushButton *>(QStringLiteral("OpenFolderButton"))->click();
        QVERIFY(!w.PlayerProcess);
        QCOMPARE(w.PageStack->currentIndex(), PageIndex(Page::Start));

        const QString disc = user->NewFolder(QStringLiteral("Button DVD"));
        QDir().mkpath(disc + QStringLiteral("/VIDEO_TS"));
        dialogs::AnswerNextFolder(disc);
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionOpenDisc")));
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess, 3000);
        QVERIFY(w.PlayerProcess->arguments().contains(QStringLiteral("dvd://1")));

        dialogs::AnswerNextFiles({fileB, fileA});
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionOpenFile")));
        QCOMPARE(w.PlayerProcess->arguments().last(), fileB);
        QCOMPARE(w.PlayList.size(), 3);
    }

    void keysActWithEveryMenuClosed_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("bluray");
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::newRow("Space") << int(Qt::Key_Space) << false << QList<QByteArray>{"pause\n"};
        QTest::newRow("Right") << int(Qt::Key_Right) << false << QList<QByteArray>{"seek 80 2\n"};
        QTest::newRow("Left") << int(Qt::Key_Left) << false << QList<QByteArray>{"seek 0 2\n"};
        QTest::newRow("Up") << int(Qt::Key_Up) << false
                            << QList<QByteArray>{"pausing_keep volume 55 100\n"};
        QTest::newRow("Down") << int(Qt::Key_Down) << false
                              << QList<QByteArray>{"pausing_keep volume 45 100\n"};
        QTest::newRow("F") << int(Qt::Key_F) << false << QList<QByteArray>{};
        QTest::newRow("S") << int(Qt::Key_S) << false << QList<QByteArray>{"screenshot 0\n"};
        QTest::newRow("P for a file") << int(Qt::Key_P) << false << QList<QByteArray>{};
        QTest::newRow("P for a disc") << int(Qt::Key_P) << true << QList<QByteArray>{"q\n"};
    }

    void keysActWithEveryMenuClosed() {
        QFETCH(int, key);
        QFETCH(bool, bluray);
        QFETCH(QList<QByteArray>, sent);
        DRUI &w = NewWindow();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QString log = PlayWithTracks(w);
        if (bluray) {
            w.SourceKind = MediaKind::Bluray;
            w.update();
            QTRY_VERIFY(w.findChild<QAction *>(QStringLiteral("ActionNavigation"))->isEnabled());
        }
        w.RefreshTimer->stop();
        w.PositionSlider->setValue(20);
        SentSinceLastMark(w, log);
        QVERIFY(!QApplication::activePopupWidget());
        QTest::keyClick(&w, Qt::Key(key));
        QCOMPARE(SentSinceLastMark(w, log), sent);
        if (key == Qt::Key_F) {
            QVERIFY(w.FullScreenOn);
            QVERIFY(w.MenuStrip->isHidden());
            QVERIFY(w.ControlBar->isHidden());
        }
        if (key == Qt::Key_P)
            QCOMPARE(w.PageStack->currentIndex(), PageIndex(bluray ? Page::Disc : Page::Video));
    }

    void escapeLeavesFullScreenOnly() {
        DRUI &w = NewWindow();
        // Normal mode: nothing.
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.FullScreenOn);
        QVERIFY(!w.MenuStrip->isHidden());
        // A double click before anything plays does nothing either.
        QTest::mouseDClick(w.VideoLabel, Qt::LeftButton);
        QVERIFY(!w.FullScreenOn);

        PlayWithTracks(w);
        w.PlaylistPanel->show();
        QTest::mouseDClick(w.VideoLabel, Qt::LeftButton);
        QVERIFY(w.FullScreenOn);
        QVERIFY(w.PlaylistPanel->isHidden());
        QTRY_VERIFY(w.isFullScreen());
        QTest::mouseDClick(w.VideoLabel, Qt::LeftButton);
        QVERIFY(!w.FullScreenOn);
        QVERIFY(!w.MenuStrip->isHidden());
        QVERIFY(w.PlaylistPanel->isHidden()); // the playlist does not come back
        QTRY_VERIFY(!w.isFullScreen());

        // After a stop only Escape leaves full screen.
        w.FullScreenBtn();
        QVERIFY(w.FullScreenOn);
        w.StopBtn();
        w.FullScreenBtn();
        QTest::mouseDClick(w.VideoLabel, Qt::LeftButton);
        QVERIFY(w.FullScreenOn);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.FullScreenOn);
        QVERIFY(!w.MenuStrip->isHidden());
        QVERIFY(!w.ControlBar->isHidden());
        QTRY_VERIFY(!w.isFullScreen());
        QVERIFY(!(w.windowState() & Qt::WindowMaximized));
    }

    void volumeClickAndMute() {
        DRUI &w = NewWindow();
        const QString log = PlayWithTracks(w);
        w.RefreshTimer->stop();
        SentSinceLastMark(w, log);
        QSlider *slider = w.VolumeSlider;
        slider->resize(200, slider->height());
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(150, slider->height() / 2));
        QCOMPARE(slider->value(), 75);
        QTest::mouseClick(w.VolumeButton, Qt::LeftButton);
        QCOMPARE(slider->value(), 0);
        QVERIFY(w.Muted);
        QTest::mouseClick(w.VolumeButton, Qt::LeftButton);
        QCOMPARE(slider->value(), 50); // not the 75 from before muting
        QVERIFY(!w.Muted);
        const QList<QByteArray> sent = SentSinceLastMark(w, log);
        QVERIFY(!sent.isEmpty());
        QCOMPARE(sent.first(), QByteArray("pausing_keep volume 75 100\n"));
        QCOMPARE(sent.mid(sent.size() - 2),
                 QList<QByteArray>({"volume 0 100\n", "volume 50 100\n"}));
    }

    void dropsOpenWhatTheyCarry() {
        DRUI &w = NewWindow();
        const auto drop = [&w](QMimeData *mime) {
            QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, mime, Qt::LeftButton, {});
            QApplication::sendEvent(&w, &enter);
            const bool accepted = enter.isAccepted();
            QDropEvent event(QPointF(500, 300), Qt::CopyAction, mime, Qt::LeftButton, {});
            QApplication::sendEvent(&w, &event);
            delete mime;
            return accepted;
        };
        // Plain text: accepted as a drag, but nothing starts.
        auto *text = new QMimeData;
        text->setText(QStringLiteral("just words"));
        QVERIFY(drop(text));
        QVERIFY(!w.PlayerProcess);
        QCOMPARE(w.PlayList.size(), 0);

        PrepareFakePlayer(user->Root());
        auto *files = new QMimeData;
        files->setUrls({QUrl::fromLocalFile(fileB), QUrl::fromLocalFile(fileA)});
        drop(files);
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess, 3000);
        QCOMPARE(w.PlayerProcess->arguments().last(), fileB);
        QCOMPARE(w.PlayList.size(), 1);

        const QString disc = user->NewFolder(QStringLiteral("Dropped DVD"));
        QDir().mkpath(disc + QStringLiteral("/VIDEO_TS"));
        auto *folder = new QMimeData;
        folder->setUrls({QUrl::fromLocalFile(disc)});
        drop(folder);
        QVERIFY(w.PlayerProcess->arguments().contains(QStringLiteral("dvd://1")));
        QCOMPARE(w.SourceKind, MediaKind::Dvd);

        SeenBox seen;
        AnswerNextMessageBox(&seen);
        auto *plain = new QMimeData;
        plain->setUrls({QUrl::fromLocalFile(user->NewFolder(QStringLiteral("Dropped plain")))});
        drop(plain);
        QVERIFY(seen.Shown);
        QCOMPARE(seen.Text, CLanguageTable::Instance()->GetText("Messages/MSG0102"));
    }

    void repaintRuleEnablesMenusAndNamesTheItem() {
        DRUI &w = NewWindow();
        QVERIFY(!w.SnapshotAction->isEnabled());
        PrepareFakePlayer(user->Root());
        PlayFile(fileA);
        QTRY_VERIFY(w.SnapshotAction->isEnabled());
        for (QMenu *menu : {w.ControlsMenu, w.VideoMenu, w.AudioMenu, w.ToolsMenu})
            for (const QAction *a : menu->actions())
                QVERIFY2(a->isEnabled() || a->data().toString() == QLatin1String("Navigation"),
                         qPrintable(a->data().toString()));
        QVERIFY(!w.findChild<QAction *>(QStringLiteral("ActionNavigation"))->isEnabled());
        QCOMPARE(w.NowPlayingLabel->text(), QStringLiteral("    a film.mp4"));

        // For a Blu-ray source the item is named by the disc title, and Navigation works.
        w.SourceKind = MediaKind::Bluray;
        w.DiscTitleLabel->setText(QStringLiteral("The Disc"));
        w.update();
        QTRY_COMPARE(w.NowPlayingLabel->text(), QStringLiteral("    The Disc"));
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionNavigation")));
        QCOMPARE(w.PageStack->currentIndex(), PageIndex(Page::Disc));
        QVERIFY(w.Stopped);
        // The entries stay enabled after playback.
        QVERIFY(w.SnapshotAction->isEnabled());
    }

    void fileCloseQuitsThePlayerOnce() {
        DRUI &w = NewWindow();
        // The player answers "(Quit)" while the window still waits for it to end.
        const QString log =
            PrepareFakePlayer(user->Root(), {{"FAKE_PLAYER_QUIT_LINGER_MS", "300"}});
        PlayFile(fileA);
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionClose")));
        QVERIFY(!w.PlayerProcess);
        QVERIFY(!w.isVisible());
        QCOMPARE(Count(LoggedCommands(log), "q\n"), 1);
    }

    // --- resuming: where a file was left, asked for at its next start from the beginning ---
    void resumeStartsWhereTheFileWasLeft_data() {
        QTest::addColumn<QString>("between");     // done after the first playback
        QTest::addColumn<QByteArray>("eofMs");    // the stand-in ends on its own then
        QTest::addColumn<QByteArrayList>("next"); // the next start's commands, ticks left out
        const QByteArray v = "volume 50 2\n";
        const QByteArray note = "osd_show_text \"Resumed at 00:02:00\" 4000 0\n";
        QTest::newRow("stopped at 2:00")
            << "" << QByteArray() << QByteArrayList{v, "seek 120 2\n", note};
        QTest::newRow("the audio choice comes back")
            << "audio" << QByteArray()
            << QByteArrayList{v, "seek 120 2\n", note, "switch_audio 0\n"};
        QTest::newRow("Home starts over")
            << "home" << QByteArray() << QByteArrayList{v, "seek 120 2\n", note, "seek 0 2\n"};
        QTest::newRow("entry unticked") << "untick" << QByteArray() << QByteArrayList{v};
        QTest::newRow("replaced file") << "replace" << QByteArray() << QByteArrayList{v};
        QTest::newRow("the end forgets") << "" << QByteArray("2500") << QByteArrayList{v};
    }
    void resumeStartsWhereTheFileWasLeft() {
        QFETCH(QString, between);
        QFETCH(QByteArray, eofMs);
        QFETCH(QByteArrayList, next);
        DRUI &w = NewWindow();
        const QString file = fileA; // 1:02:03
        QList<QPair<QByteArray, QByteArray>> env;
        if (!eofMs.isEmpty())
            env.append({"FAKE_PLAYER_EOF_MS", eofMs});
        PrepareFakePlayer(user->Root(), env);
        PlayFile(file);
        QTRY_VERIFY_WITH_TIMEOUT(w.PositionAnswerCount > 0, 5000);
        if (between == u"audio")
            w.BDAudioMenu(EntryWithData(w.AudioTrackMenu, 1));
        // Seek and stop in one go: the clock holds exactly where the user left.
        w.SeekTarget = 120;
        w.SliderRelease();
        if (eofMs.isEmpty())
            w.StopBtn();
        QTRY_COMPARE_WITH_TIMEOUT(w.Session->State(), PlaybackState::Idle, 5000);
        if (between == u"untick")
            QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionResumePlayback")));
        if (between == u"replace")
            WriteFile(file, "another film");
        const QString log = PrepareFakePlayer(user->Root());
        PlayFile(file);
        if (between == u"home") {
            QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).size() >= 3, 5000);
            QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionStartOver")));
        }
        const auto sentNow = [&log] {
            QByteArrayList sent = LoggedCommands(log);
            sent.removeIf([](const QByteArray &c) { return c.startsWith("get_time_"); });
            return sent;
        };
        // A tick's question comes after every start command.
        QTRY_VERIFY_WITH_TIMEOUT(sentNow().size() >= next.size() &&
                                     LoggedCommands(log).contains("get_time_pos\n"),
                                 5000);
        const QByteArrayList sent = sentNow();
        QCOMPARE(sent.mid(0, next.size()), next);
        if (next.size() == 1)
            QCOMPARE(Count(sent, "seek 120 2\n"), 0);
        if (between == u"untick") {
            // The choice outlives the window.
            QVERIFY(!NewWindow().ResumeAction->isChecked());
            QVERIFY(TriggerMenuAction(*window, QStringLiteral("ActionResumePlayback")));
        }
        if (between == u"replace")
            WriteFile(file);
    }

    // --- preferences ---

    // Runs Tools > Preferences; `answer` acts on the dialog while it is up.
    void RunPreferences(DRUI &w, std::function<void(CProcessUI &)> answer) {
        bool ran = false;
        CFramelessDialog::AnswerNext([&](CFramelessDialog *dialog) {
            auto *preferences = qobject_cast<CProcessUI *>(dialog);
            ran = preferences && preferences->isVisible();
            if (ran)
                answer(*preferences);
            if (dialog->isVisible())
                dialog->done(0);
        });
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionPreferences")));
        QVERIFY(ran);
        QVERIFY(!CFramelessDialog::HasQueuedAnswers());
    }

    static QPushButton *Button(CProcessUI &dialog, const char *name) {
        return dialog.findChild<QPushButton *>(QLatin1String(name));
    }

    void preferencesStoreTheFolderOnOkOnly() {
        DRUI &w = NewWindow();
        const QString outputPath = w.AppDataFolder + QStringLiteral("OutputPath.txt");
        QFile::remove(outputPath);
        const QString documents = user->Root() + QStringLiteral("/home/Documents");

        // No file yet: the default folder shows, and OK makes it explicit.
        QString shown;
        RunPreferences(w, [&](CProcessUI &d) {
            QCOMPARE(d.windowFlags() & (Qt::Dialog | Qt::FramelessWindowHint | Qt::ToolTip),
                     Qt::Dialog | Qt::FramelessWindowHint);
            QCOMPARE(d.windowType(), Qt::Dialog);
            QVERIFY(d.isModal());
            QCOMPARE(d.size(), QSize(680, 250));
            QVERIFY(!d.FolderEdit->isEnabled());
            shown = d.FolderEdit->text();
            QCOMPARE(d.FormatBox->currentText(), QStringLiteral("JPEG"));
            Button(d, "OkButton")->click();
        });
        QCOMPARE(shown, documents + QStringLiteral("/Tavrell DVD Player/"));
        QCOMPARE(ReadAll(outputPath), shown.toUtf8());
        QCOMPARE(w.SnapshotFormat, QStringLiteral("JPEG"));

        // Browse shows the folder + "/", Open creates and opens it; Cancel keeps the file.
        const QString chosen = user->Root() + QStringLiteral("/home/Shots, \u00e9t\u00e9");
        QDir(chosen).removeRecursively();
        OpenedUrls opened;
        RunPreferences(w, [&](CProcessUI &d) {
            dialogs::AnswerNextFolder(QString()); // cancelled: nothing changes
            Button(d, "BrowseButton")->click();
            QCOMPARE(d.FolderEdit->text(), shown);
            dialogs::AnswerNextFolder(chosen);
            Button(d, "BrowseButton")->click();
            QCOMPARE(d.FolderEdit->text(), chosen + u'/');
            QCOMPARE(d.FolderPath, chosen + u'/');
            Button(d, "OpenButton")->click();
            d.FormatBox->setCurrentIndex(2);
            Button(d, "CancelButton")->click();
        });
        QVERIFY(QFileInfo(chosen).isDir());
        QCOMPARE(opened.Urls, QList<QUrl>({QUrl::fromLocalFile(chosen + u'/')}));
        QCOMPARE(ReadAll(outputPath), shown.toUtf8());
        QCOMPARE(w.SnapshotFormat, QStringLiteral("JPEG"));
        QCOMPARE(w.SnapshotFormatIndex, 0);

        // Escape is a cancel too.
        RunPreferences(w, [&](CProcessUI &d) {
            dialogs::AnswerNextFolder(chosen);
            Button(d, "BrowseButton")->click();
            d.FormatBox->setCurrentIndex(1);
            QTest::keyClick(&d, Qt::Key_Escape);
            QVERIFY(!d.isVisible());
            QCOMPARE(d.Cancelled, 1);
        });
        QCOMPARE(ReadAll(outputPath), shown.toUtf8());
        QCOMPARE(w.SnapshotFormatIndex, 0);

        // OK stores both; reopening shows the format chosen last and the stored folder.
        RunPreferences(w, [&](CProcessUI &d) {
            dialogs::AnswerNextFolder(chosen);
            Button(d, "BrowseButton")->click();
            d.FormatBox->setCurrentIndex(1);
            Button(d, "OkButton")->click();
        });
        QCOMPARE(ReadAll(outputPath), (chosen + u'/').toUtf8());
        QCOMPARE(w.SnapshotFormat, QStringLiteral("PNG"));
        QCOMPARE(w.SnapshotFormatIndex, 1);
        RunPreferences(w, [&](CProcessUI &d) {
            QCOMPARE(d.FormatBox->currentText(), QStringLiteral("PNG"));
            QCOMPARE(d.FolderEdit->text(), chosen + u'/');
            Button(d, "CloseButton")->click();
        });
        QCOMPARE(w.SnapshotFormat, QStringLiteral("PNG"));

        // A snapshot now lands in that folder as PNG.
        PrepareFakePlayer(user->Root());
        PlayFile(fileA);
        QVERIFY(TriggerMenuAction(w, QStringLiteral("ActionSnapshot")));
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(chosen).entryList(QDir::Files).isEmpty(), 5000);
        const QStringList shots = QDir(chosen).entryList(QDir::Files);
        QVERIFY2(shots.first().endsWith(QStringLiteral(".PNG")), qPrintable(shots.first()));
        QImage picture;
        QVERIFY(picture.load(chosen + u'/' + shots.first(), "PNG"));

        // The main window's own slot opens the stored folder, creating it if it went away.
        QDir(chosen).removeRecursively();
        w.btnOpenSnapshotFolder();
        QVERIFY(QFileInfo(chosen).isDir());
        QCOMPARE(opened.Urls.last(), QUrl::fromLocalFile(chosen + u'/'));
        QFile::remove(outputPath);
    }

    void preferencesDragLikeTheMessageBox() {
        CProcessUI dialog;
        dialog.BuildDialog();
        dialog.setGeometry(100, 100, 680, 250);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.pos();
        QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(10, 240));
        QMouseEvent move(QEvent::MouseMove, QPointF(50, 260), dialog.mapToGlobal(QPointF(50, 260)),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(&dialog, &move);
        QCOMPARE(dialog.pos(), start + QPoint(40, 20));
        QMouseEvent right(QEvent::MouseMove, QPointF(90, 260), dialog.mapToGlobal(QPointF(90, 260)),
                          Qt::NoButton, Qt::RightButton, {});
        QApplication::sendEvent(&dialog, &right);
        QCOMPARE(dialog.pos(), start + QPoint(40, 20));
    }

    // Every caption of the dialog fits its fixed place in every shipped language.
    void preferencesFitInEveryLanguage() {
        CLanguageTable *table = CLanguageTable::Instance();
        const QString original = table->GetCurrentLanguage();
        const QString shots = qEnvironmentVariable("TAVRELL_SHOTS");
        for (const auto &[id, name] : table->GetLanguages()) {
            table->SetLanguage(id);
            CProcessUI dialog;
            dialog.BuildDialog();
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            if (!shots.isEmpty())
                dialog.grab().save(shots + QStringLiteral("/preferences-") + id.mid(1) +
                                   QStringLiteral(".png"));
            for (const QLabel *label : dialog.findChildren<QLabel *>()) {
                if (label->text().isEmpty())
                    continue;
                const QFontMetrics metrics(label->font());
                const QRect needed = metrics.boundingRect(
                    QRect(0, 0, label->width(), 1000),
                    int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0),
                    label->text());
                QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                         qPrintable(name + QStringLiteral(": ") + label->text()));
            }
            for (const QPushButton *button : dialog.findChildren<QPushButton *>()) {
                const int needed = QFontMetrics(button->font()).horizontalAdvance(button->text());
                QVERIFY2(needed + 12 <= button->width(),
                         qPrintable(name + QStringLiteral(": ") + button->text()));
            }
            // Captions do not run into the fields beside them.
            const auto *folderCaption = dialog.findChild<QLabel *>(QStringLiteral("FolderCaption"));
            QVERIFY(folderCaption->geometry().right() < dialog.FolderEdit->geometry().left());
        }
        table->SetLanguage(original);
    }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
