// The disc page and Blu-ray title playback, driven as the window drives them, on the metadata of
// real discs (playlists and clip info; an empty stream folder) and with the fake player.
#include "BdTree.h"
#include "TestConfig.h"
#include "WindowFixture.h"
#include "player/Clock.h"
#include "ui/DRUI.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QStackedLayout>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace {

// The real discs' metadata as the repository holds it.
QString DiscSource(const QString &name) {
    const QString disc = QStringLiteral(TAVRELL_TESTDATA_DIR "/bluray/") + name;
    return QFileInfo(disc + QStringLiteral("/BDMV/PLAYLIST")).isDir() ? disc : QString();
}

bool CopyTree(const QString &from, const QString &to) {
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + file.mid(from.size());
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(file, target))
            return false;
    }
    return true;
}

QStringList Texts(const QMenu *menu) {
    QStringList texts;
    if (menu)
        for (const QAction *action : menu->actions())
            texts << action->text();
    return texts;
}

QList<QVariant> Data(const QMenu *menu) {
    QList<QVariant> data;
    if (menu)
        for (const QAction *action : menu->actions())
            data << action->data();
    return data;
}

QAction *EntryWithText(const QMenu *menu, const QString &text) {
    if (menu)
        for (QAction *action : menu->actions())
            if (action->text() == text)
                return action;
    return nullptr;
}

int Count(const QList<QByteArray> &commands, const QByteArray &command) {
    return int(std::count(commands.cbegin(), commands.cend(), command));
}

QString Canonical(const QString &path) {
    return QFileInfo(path).canonicalFilePath();
}

// What mplayer announces for a title with four audio and four subtitle streams.
const QByteArray kFourStreamsScript = "out Playing br://0.\n"
                                      "out [lavf] stream 0: video (h264), -vid 0\n"
                                      "out [lavf] stream 1: audio (truehd), -aid 0, -alang jpn\n"
                                      "out [lavf] stream 2: audio (ac3), -aid 1, -alang jpn\n"
                                      "out [lavf] stream 3: audio (truehd), -aid 2, -alang eng\n"
                                      "out [lavf] stream 4: audio (ac3), -aid 3, -alang eng\n"
                                      "out [lavf] stream 5: subtitle (pgs), -sid 0, -slang jpn\n"
                                      "out [lavf] stream 6: subtitle (pgs), -sid 1, -slang eng\n"
                                      "out [lavf] stream 7: subtitle (pgs), -sid 2, -slang zho\n"
                                      "out [lavf] stream 8: subtitle (pgs), -sid 3, -slang zho\n"
                                      "out VIDEO:  [H264]  1920x1080  24bpp  23.976 fps\n"
                                      "out Starting playback...\n"
                                      "out ID_SUBTITLE_ID=4609\n";

} // namespace

class BlurayWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestUser> user;
    std::unique_ptr<DRUI> window;
    QString startFolder;

    DRUI &NewWindow() { return ShowNewWindow(window); }

    // A playable-looking copy of a real disc: its metadata, an empty stream folder and, when
    // named, a metadata file with that name and a thumbnail of that colour.
    QString MakeDisc(const QString &source, const QString &folder, const QByteArray &name = {},
                     const QColor &colour = {}, const QStringList &onlyPlaylists = {}) {
        const QString from = DiscSource(source);
        if (from.isEmpty())
            return QString();
        const QString disc = user->NewFolder(folder);
        if (!CopyTree(from, disc))
            return QString();
        QDir().mkpath(disc + QStringLiteral("/BDMV/STREAM"));
        if (!onlyPlaylists.isEmpty()) {
            QDir playlists(disc + QStringLiteral("/BDMV/PLAYLIST"));
            for (const QString &file : playlists.entryList(QDir::Files))
                if (!onlyPlaylists.contains(file))
                    playlists.remove(file);
        }
        if (!name.isEmpty()) {
            const QString meta = disc + QStringLiteral("/BDMV/META/DL/");
            // As large as real discs' pictures.
            QImage picture(1920, 1080, QImage::Format_RGB32);
            picture.fill(colour);
            QDir().mkpath(meta);
            picture.save(meta + QStringLiteral("cover.png"));
            WriteFile(meta + QStringLiteral("bdmt_eng.xml"),
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<disclib xmlns:di=\"urn:BDA:bdmv;discinfo\">\n"
                      "  <di:discinfo>\n"
                      "    <di:title>\n"
                      "      <di:name>" +
                          name +
                          "</di:name>\n"
                          "    </di:title>\n"
                          "    <di:thumbnail href=\"cover.png\" />\n"
                          "  </di:discinfo>\n"
                          "</disclib>\n");
        }
        return disc;
    }

    QMenu *Submenu(QAction *entry) const { return entry ? entry->menu() : nullptr; }

    QAction *PlayMovieEntry() const { return window->DiscMenu->actions().value(0); }

    // Chooses an entry of the disc page, as a click there does.
    void ChooseOnDiscPage(QAction *entry) {
        QVERIFY(entry);
        emit window->DiscMenu->triggered(entry);
    }

    // Chooses an entry of the Controls menu or one of its submenus.
    void ChooseInControls(QAction *entry) {
        QVERIFY(entry);
        emit window->ControlsMenu->triggered(entry);
    }

    void WaitForPlayer() {
        QTRY_VERIFY_WITH_TIMEOUT(
            window->PlayerProcess && window->PlayerProcess->state() == QProcess::Running, 5000);
    }

    QStringList Arguments() const {
        return window->PlayerProcess ? window->PlayerProcess->arguments() : QStringList();
    }

    // The title and device arguments, which end the argument list.
    QStringList DiscArguments() const { return Arguments().mid(Arguments().size() - 3); }

private slots:
    void initTestCase() {
        user = std::make_unique<TestUser>();
        QVERIFY(user->IsValid());
        if (DiscSource(QStringLiteral("disc1")).isEmpty())
            QSKIP("the real disc metadata is not in tests/data/bluray");
        startFolder = QDir::currentPath();
    }

    void init() {
        // Warnings such as a process destroyed while running are faults; the offscreen
        // platform's notes about what it cannot do are not.
        QTest::failOnWarning(
            QRegularExpression(QStringLiteral("^(?!This plugin does not support ).*")));
    }

    void cleanup() {
        window.reset();
        // Nothing may have moved the program's own working folder (its log lives there).
        QCOMPARE(QDir::currentPath(), startFolder);
    }

    // --- the disc page ---
    void openingShowsNamePictureAndFourSubmenus() {
        DRUI &w = NewWindow();
        const QString disc = MakeDisc(QStringLiteral("disc6"), QStringLiteral("Disc Six"),
                                      "Weekend <b>Film", Qt::red);
        QVERIFY(!disc.isEmpty());
        w.OpenFolderSource(disc);

        QCOMPARE(w.PageStack->currentIndex(), 1);
        QCOMPARE(w.SourceKind, MediaKind::Bluray);
        // The disc's own text (cut at the first "</"), not markup.
        QCOMPARE(w.DiscTitleLabel->text(), QStringLiteral("Weekend <b>Film"));
        QCOMPARE(w.DiscTitleLabel->textFormat(), Qt::PlainText);
        QCOMPARE(w.DiscPanel->pixmap().toImage().pixelColor(5, 5), QColor(Qt::red));
        QVERIFY(!w.PlayerProcess); // nothing plays until a choice
        // The picture fills the page as it is; it does not grow the window.
        QCOMPARE(w.size(), QSize(1000, 680));
        QVERIFY(w.DiscPanel->width() <= w.width());

        const QString main = disc + QStringLiteral("/BDMV/PLAYLIST/00002.mpls");
        QCOMPARE(w.SourceKey, main);
        for (QAction *entry : {w.DiscChapterAction, w.DiscAudioAction, w.DiscSubtitleAction,
                               w.DiscOtherTitlesAction}) {
            QMenu *menu = Submenu(entry);
            QVERIFY(menu);
            QCOMPARE(menu->parent(), static_cast<QObject *>(&w));
            QVERIFY(menu->windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(menu->testAttribute(Qt::WA_TranslucentBackground));
            QCOMPARE(menu->styleSheet(),
                     QStringLiteral("QMenu{background:rgba(0, 0, 0, 80);color: white;}"
                                    "QMenu::item:selected {background-color: rgba(0, 0, 0,120);}"));
            QCOMPARE(menu->font().family(), QStringLiteral("Calibri"));
            QCOMPARE(menu->font().pointSize(), 20);
            QCOMPARE(menu->font().weight(), QFont::Bold);
            QVERIFY(!menu->font().italic());
            QCOMPARE(menu->palette().color(QPalette::WindowText), QColor(Qt::white));
            // Chosen entries are told apart by this.
            QCOMPARE(menu->menuAction(), entry);
        }

        // Chapters of the main title (playlist time, truncated to seconds), one action in both
        // menus.
        QMenu *chapters = Submenu(w.DiscChapterAction);
        QCOMPARE(chapters->actions().size(), 13);
        QCOMPARE(chapters->actions().value(0)->text(), QStringLiteral("1. 00:00:00"));
        QCOMPARE(chapters->actions().value(1)->text(), QStringLiteral("2. 00:04:16"));
        QCOMPARE(chapters->actions().value(12)->text(), QStringLiteral("13. 01:57:01"));
        QVERIFY(qAbs(chapters->actions().value(1)->data().toInt() - 256715) <= 1);
        QCOMPARE(w.ChapterMenu->actions(), chapters->actions());

        // Streams: "Disable" first; mirrors are separate actions with the same text and data.
        const QStringList audio{QStringLiteral("Disable"), QStringLiteral("Japanese TRUEHD"),
                                QStringLiteral("Japanese AC3"), QStringLiteral("English TRUEHD"),
                                QStringLiteral("English AC3")};
        const QStringList subtitles{QStringLiteral("Disable"), QStringLiteral("Japanese"),
                                    QStringLiteral("English"), QStringLiteral("Chinese"),
                                    QStringLiteral("Chinese")};
        const QList<QVariant> numbers{0, 1, 2, 3, 4};
        for (const auto &[submenu, mirror, texts] :
             {std::tuple{Submenu(w.DiscAudioAction), w.AudioTrackMenu, audio},
              std::tuple{Submenu(w.DiscSubtitleAction), w.SubtitleTrackMenu, subtitles}}) {
            QCOMPARE(Texts(submenu), texts);
            QCOMPARE(Texts(mirror), texts);
            QCOMPARE(Data(submenu), numbers);
            QCOMPARE(Data(mirror), numbers);
            for (QAction *entry : mirror->actions())
                QCOMPARE(entry->parent(), static_cast<QObject *>(mirror));
        }
        // Defaults: the first audio stream, no subtitle.
        QCOMPARE(w.ActiveDiscAudioEntry.data(), Submenu(w.DiscAudioAction)->actions().value(1));
        QCOMPARE(w.ActiveDiscSubtitleEntry.data(),
                 Submenu(w.DiscSubtitleAction)->actions().value(0));
        QVERIFY(w.AudioTrackMenu->actions().value(1)->isChecked());
        QVERIFY(!w.AudioTrackMenu->actions().value(0)->isChecked());
        QVERIFY(w.SubtitleTrackMenu->actions().value(0)->isChecked());
        QCOMPARE(w.AudioChoiceByKey.value(main), 1);
        QCOMPARE(w.SubtitleChoiceByKey.value(main), 0);

        // Titles, longest first, numbered from 1; the same actions in the Controls menu.
        QMenu *titles = Submenu(w.DiscOtherTitlesAction);
        QCOMPARE(titles->actions().size(), w.BlurayTitleByKey.size());
        QCOMPARE(titles->actions().value(0)->text(), QStringLiteral("1. 01:57:13"));
        QCOMPARE(titles->actions().value(0)->data().value<PLAY_LIST_INFO>().Path, main);
        QCOMPARE(w.TitleMenu->actions(), titles->actions());
        QString previous = QStringLiteral("99999:99:99");
        for (int i = 0; i < titles->actions().size(); ++i) {
            const QAction *entry = titles->actions()[i];
            const PLAY_LIST_INFO info = entry->data().value<PLAY_LIST_INFO>();
            QCOMPARE(entry->text(), QString::number(i + 1) + QStringLiteral(". ") + info.Length);
            QVERIFY(info.Length <= previous);
            previous = info.Length;
            QCOMPARE(w.DiscPathByKey.value(info.Path), disc);
        }
        // The repaint rule keeps the page's menu and the chosen entries.
        QVERIFY(!w.grab().isNull());
        QVERIFY(w.DiscMenu->isVisible());
    }

    void secondDiscReplacesEveryList() {
        DRUI &w = NewWindow();
        const QString first =
            MakeDisc(QStringLiteral("disc6"), QStringLiteral("First"), "One", Qt::blue);
        // Only playlists without subtitles: the new main title has none.
        const QString second =
            MakeDisc(QStringLiteral("disc1"), QStringLiteral("Second"), "Two", Qt::green,
                     {QStringLiteral("00003.mpls"), QStringLiteral("00004.mpls"),
                      QStringLiteral("00005.mpls"), QStringLiteral("00006.mpls")});
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        w.OpenFolderSource(first);
        QCOMPARE(w.PageStack->currentIndex(), 1);

        // A subtitle and an audio stream chosen on the first disc's page.
        QMenu *oldSubtitles = Submenu(w.DiscSubtitleAction);
        QMenu *oldAudio = Submenu(w.DiscAudioAction);
        ChooseOnDiscPage(EntryWithText(oldSubtitles, QStringLiteral("English")));
        ChooseOnDiscPage(EntryWithText(oldAudio, QStringLiteral("English AC3")));
        QCOMPARE(w.ActiveDiscSubtitleEntry->text(), QStringLiteral("English"));
        QCOMPARE(w.ActiveDiscAudioEntry->text(), QStringLiteral("English AC3"));
        QVERIFY(!w.grab().isNull());

        QList<QPointer<QMenu>> oldMenus;
        for (QAction *entry : {w.DiscChapterAction, w.DiscAudioAction, w.DiscSubtitleAction,
                               w.DiscOtherTitlesAction})
            oldMenus << QPointer<QMenu>(Submenu(entry));
        QPointer<QAction> oldChapter = w.ChapterMenu->actions().value(0);

        w.OpenFolderSource(second);
        QCOMPARE(w.PageStack->currentIndex(), 1);
        QCOMPARE(w.DiscTitleLabel->text(), QStringLiteral("Two"));
        QCOMPARE(w.DiscPanel->pixmap().toImage().pixelColor(5, 5), QColor(Qt::green));
        for (int i = 0; i < oldMenus.size(); ++i)
            QVERIFY(Submenu(QList<QAction *>{w.DiscChapterAction, w.DiscAudioAction,
                                             w.DiscSubtitleAction, w.DiscOtherTitlesAction}[i]) !=
                    oldMenus[i]);
        // The old submenus and their entries go; nothing keeps pointing at them.
        QTRY_VERIFY(std::all_of(oldMenus.cbegin(), oldMenus.cend(),
                                [](const QPointer<QMenu> &m) { return m.isNull(); }));
        QVERIFY(oldChapter.isNull());
        QVERIFY(w.ActiveDiscSubtitleEntry.isNull());
        QCOMPARE(w.ActiveDiscAudioEntry->parent(),
                 static_cast<QObject *>(Submenu(w.DiscAudioAction)));
        QVERIFY(!w.grab().isNull()); // the repaint rule after the replacement

        // The Controls and track menus list the second disc only.
        QCOMPARE(w.ChapterMenu->actions(), Submenu(w.DiscChapterAction)->actions());
        QCOMPARE(w.TitleMenu->actions(), Submenu(w.DiscOtherTitlesAction)->actions());
        QCOMPARE(w.TitleMenu->actions().size(), 4);
        for (const QAction *entry : w.TitleMenu->actions())
            QVERIFY(entry->data().value<PLAY_LIST_INFO>().Path.startsWith(second));
        QVERIFY(w.SubtitleTrackMenu->actions().isEmpty());
        QVERIFY(Submenu(w.DiscSubtitleAction)->actions().isEmpty());
        QCOMPARE(Texts(w.AudioTrackMenu),
                 QStringList({QStringLiteral("Disable"), QStringLiteral("Japanese LPCM")}));
        QCOMPARE(w.BlurayTitleByKey.size(), 4);

        // A rebuild of the window's content (a language change) takes the submenus along.
        QList<QPointer<QMenu>> current;
        for (QAction *entry : {w.DiscChapterAction, w.DiscAudioAction, w.DiscSubtitleAction,
                               w.DiscOtherTitlesAction})
            current << QPointer<QMenu>(Submenu(entry));
        w.InitWindow();
        QTRY_VERIFY(std::all_of(current.cbegin(), current.cend(),
                                [](const QPointer<QMenu> &m) { return m.isNull(); }));
        QVERIFY(w.ActiveDiscAudioEntry.isNull());
        QVERIFY(!w.grab().isNull());
    }

    void discWithoutTitlesKeepsTheListsButNotTheName() {
        DRUI &w = NewWindow();
        const QString disc =
            MakeDisc(QStringLiteral("disc6"), QStringLiteral("Good"), "Good", Qt::blue);
        QVERIFY(!disc.isEmpty());
        w.OpenFolderSource(disc);
        const QList<QAction *> chapters = w.ChapterMenu->actions();
        const QList<QAction *> titles = w.TitleMenu->actions();
        const QStringList audio = Texts(w.AudioTrackMenu);
        const QStringList subtitles = Texts(w.SubtitleTrackMenu);
        QMenu *chapterMenu = Submenu(w.DiscChapterAction);
        w.PageStack->setCurrentIndex(0);

        // A disc folder whose playlists are all unreadable.
        const QString empty = user->NewFolder(QStringLiteral("Empty Disc"));
        QDir().mkpath(empty + QStringLiteral("/BDMV/STREAM"));
        WriteFile(empty + QStringLiteral("/BDMV/PLAYLIST/00000.mpls"), "MPLS0200");
        QImage picture(64, 64, QImage::Format_RGB32);
        picture.fill(Qt::yellow);
        QDir().mkpath(empty + QStringLiteral("/BDMV/META/DL"));
        picture.save(empty + QStringLiteral("/BDMV/META/DL/tiny.png"));
        WriteFile(empty + QStringLiteral("/BDMV/META/DL/bdmt_eng.xml"),
                  "<di:name>Nothing Here</di:name>\n<di:thumbnail href=\"tiny.png\" />\n");
        w.OpenFolderSource(empty);

        QCOMPARE(w.DiscTitleLabel->text(), QStringLiteral("Nothing Here"));
        QCOMPARE(w.DiscPanel->pixmap().toImage().pixelColor(5, 5), QColor(Qt::yellow));
        QCOMPARE(w.PageStack->currentIndex(), 0);
        QVERIFY(w.SourceKey.isEmpty());
        QCOMPARE(Submenu(w.DiscChapterAction), chapterMenu);
        QCOMPARE(w.ChapterMenu->actions(), chapters);
        QCOMPARE(w.TitleMenu->actions(), titles);
        QCOMPARE(Texts(w.AudioTrackMenu), audio);
        QCOMPARE(Texts(w.SubtitleTrackMenu), subtitles);
        // Nothing to play: the page's Play Movie starts nothing.
        ChooseOnDiscPage(PlayMovieEntry());
        QVERIFY(!w.PlayerProcess);

        // Without a metadata file the name and picture are emptied.
        QFile::remove(empty + QStringLiteral("/BDMV/META/DL/bdmt_eng.xml"));
        w.OpenFolderSource(empty);
        QVERIFY(w.DiscTitleLabel->text().isEmpty());
        QVERIFY(w.DiscPanel->pixmap().isNull());
    }

    // --- what the player is told ---
    void playMovieChapterAndTitleArguments() {
        DRUI &w = NewWindow();
        const QString disc = MakeDisc(QStringLiteral("disc6"), QStringLiteral("Play Disc"));
        QVERIFY(!disc.isEmpty());
        const QString log = PrepareFakePlayer(user->Root());
        w.OpenFolderSource(disc);
        const QString main = w.SourceKey;
        const QString stream = disc + QStringLiteral("/BDMV/STREAM");

        ChooseOnDiscPage(PlayMovieEntry());
        WaitForPlayer();
        QCOMPARE(DiscArguments(),
                 QStringList({QStringLiteral("br://0"), QStringLiteral("-bluray-device"), disc}));
        QCOMPARE(w.PageStack->currentIndex(), 2);
        QCOMPARE(w.MediaDuration, qint64(7033)); // 01:57:13, whole seconds per play item
        QCOMPARE(w.PositionSlider->maximum(), 7033);
        QCOMPARE(w.PlayList.size(), 1);
        QCOMPARE(w.PlayList[0].Kind, MediaKind::Bluray);
        QCOMPARE(w.PlayList[0].Path, disc);
        QCOMPARE(w.PlayList[0].Length, QStringLiteral("01:57:13"));
        // The player runs in the disc's stream folder; the window stays where it was.
        QCOMPARE(w.PlayerProcess->workingDirectory(), stream);
        QTRY_COMPARE_WITH_TIMEOUT(
            Canonical(QString::fromLocal8Bit(ReadAll(log + QStringLiteral(".cwd")))),
            Canonical(stream), 5000);
        QCOMPARE(QDir::currentPath(), startFolder);
        QVERIFY(!LoggedCommands(log).contains("seek 0 2\n"));

        // A chapter on the disc page starts the title afresh at the chapter's second.
        QAction *chapter4 = Submenu(w.DiscChapterAction)->actions().value(3);
        QVERIFY(chapter4);
        const int chapterSecond = chapter4->data().toInt() / 1000; // 00:30:37
        QCOMPARE(chapterSecond, 1837);
        qint64 pid = w.PlayerProcess->processId();
        QString next = PrepareFakePlayer(user->Root());
        ChooseOnDiscPage(chapter4);
        WaitForPlayer();
        QVERIFY(w.PlayerProcess->processId() != pid);
        QCOMPARE(DiscArguments(),
                 QStringList({QStringLiteral("br://0"), QStringLiteral("-bluray-device"), disc}));
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(next).contains("seek 1837 2\n"), 5000);
        QCOMPARE(w.PositionMs, qint64(1837) * 1000);
        QCOMPARE(w.PlayList.size(), 1); // the disc is listed once

        // A chapter from the Controls menu seeks in the running player.
        pid = w.PlayerProcess->processId();
        ChooseInControls(w.ChapterMenu->actions().value(1)); // 00:04:16
        QCOMPARE(w.PlayerProcess->processId(), pid);
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(next).contains("seek 256 2\n"), 5000);

        // Another title plays by the number stored for its playlist, on the page and in
        // Controls alike.
        for (const bool fromControls : {true, false}) {
            QAction *other = (fromControls ? w.TitleMenu : Submenu(w.DiscOtherTitlesAction))
                                 ->actions()
                                 .value(fromControls ? 2 : 1);
            QVERIFY(other);
            const PLAY_LIST_INFO info = other->data().value<PLAY_LIST_INFO>();
            QVERIFY(info.Path != main);
            QVERIFY(w.BlurayTitleByKey.contains(info.Path));
            next = PrepareFakePlayer(user->Root());
            if (fromControls)
                ChooseInControls(other);
            else
                ChooseOnDiscPage(other);
            WaitForPlayer();
            QCOMPARE(w.SourceKey, info.Path);
            QCOMPARE(DiscArguments(),
                     QStringList({QStringLiteral("br://%1").arg(w.BlurayTitleByKey[info.Path]),
                                  QStringLiteral("-bluray-device"), disc}));
            QCOMPARE(QString::fromLatin1(FormatClock(w.MediaDuration)), info.Length);
            QCOMPARE(w.PlayerProcess->workingDirectory(), stream);
            // A title starts at its beginning, whatever chapter played before.
            QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(next).contains("get_time_pos\n"), 5000);
            const QList<QByteArray> commands = LoggedCommands(next);
            QVERIFY(!std::any_of(commands.cbegin(), commands.cend(),
                                 [](const QByteArray &c) { return c.startsWith("seek "); }));
        }
        QCOMPARE(w.PlayList.size(), 1);

        // Controls > Play restarts the title that is current, by its own number.
        const QString current = w.SourceKey;
        QAction play;
        play.setData(QStringLiteral("Play"));
        next = PrepareFakePlayer(user->Root());
        ChooseInControls(&play);
        WaitForPlayer();
        QCOMPARE(w.SourceKey, current);
        QCOMPARE(DiscArguments().value(0),
                 QStringLiteral("br://%1").arg(w.BlurayTitleByKey[current]));

        // Back on the page, Play Movie is the main title again, with its own length.
        w.Navigation();
        QCOMPARE(w.PageStack->currentIndex(), 1);
        ChooseOnDiscPage(PlayMovieEntry());
        WaitForPlayer();
        QCOMPARE(w.SourceKey, main);
        QCOMPARE(DiscArguments().value(0), QStringLiteral("br://0"));
        QCOMPARE(w.MediaDuration, qint64(7033));

        // A file played next runs where the window runs, not in the disc's folder.
        const QString film = WriteFile(user->Root() + QStringLiteral("/home/Videos/film.mkv"));
        next = PrepareFakePlayer(user->Root());
        w.PlayListAddFiles({film});
        WaitForPlayer();
        QVERIFY(w.PlayerProcess->workingDirectory().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(
            Canonical(QString::fromLocal8Bit(ReadAll(next + QStringLiteral(".cwd")))),
            Canonical(startFolder), 5000);
    }

    void chapterStepsUseTheCurrentTitlesChapters() {
        DRUI &w = NewWindow();
        const QString disc = MakeDisc(QStringLiteral("disc6"), QStringLiteral("Steps"));
        QVERIFY(!disc.isEmpty());
        const QString log = PrepareFakePlayer(user->Root());
        w.OpenFolderSource(disc);
        ChooseOnDiscPage(PlayMovieEntry());
        WaitForPlayer();
        w.RefreshTimer->stop(); // the position stays where the test puts it

        // Main title chapters start at 0, 256, 841, 1837, ... seconds.
        w.PositionText = QStringLiteral("300");
        w.PlayNext();
        QCOMPARE(w.PositionMs, qint64(841) * 1000);
        w.PositionText = QStringLiteral("900"); // in chapter 3: back to chapter 2's start
        w.PlayPre();
        QCOMPARE(w.PositionMs, qint64(256) * 1000);
        w.PositionMs = 1;
        w.PositionText = QStringLiteral("100"); // in the first chapter: nothing
        w.PlayPre();
        QCOMPARE(w.PositionMs, qint64(1));
        w.PositionText = QStringLiteral("7030"); // after the last chapter: nothing
        w.PlayNext();
        QCOMPARE(w.PositionMs, qint64(1));
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("seek 256 2\n"), 5000);
        QCOMPARE(Count(LoggedCommands(log), "seek 841 2\n"), 1);
        const QList<QByteArray> commands = LoggedCommands(log);
        QCOMPARE(int(std::count_if(commands.cbegin(), commands.cend(),
                                   [](const QByteArray &c) { return c.startsWith("seek "); })),
                 2);

        // After another title, the steps follow that title's chapters.
        QAction *other = nullptr;
        for (QAction *entry : w.TitleMenu->actions())
            if (w.ChaptersByKey.value(entry->data().value<PLAY_LIST_INFO>().Path).size() > 2)
                if (entry->data().value<PLAY_LIST_INFO>().Path != w.SourceKey && !other)
                    other = entry;
        QVERIFY(other);
        const QString key = other->data().value<PLAY_LIST_INFO>().Path;
        const QString next = PrepareFakePlayer(user->Root());
        ChooseInControls(other);
        WaitForPlayer();
        w.RefreshTimer->stop();
        const int second = w.ChaptersByKey[key][1] / 1000;
        w.PositionText = QStringLiteral("0");
        w.PlayNext();
        QTRY_VERIFY_WITH_TIMEOUT(
            LoggedCommands(next).contains("seek " + QByteArray::number(second) + " 2\n"), 5000);
    }

    // A copy of the disc in another folder is the same disc: its title goes on where it was
    // left, with the audio picked meanwhile. A chapter chosen on purpose starts at the chapter.
    void copiedDiscResumesItsTitle() {
        DRUI &w = NewWindow();
        const QString disc = MakeDisc(QStringLiteral("disc6"), QStringLiteral("Resume A"));
        const QString copy = MakeDisc(QStringLiteral("disc6"), QStringLiteral("Resume B"));
        PrepareFakePlayer(user->Root());
        w.OpenFolderSource(disc);
        ChooseOnDiscPage(PlayMovieEntry());
        WaitForPlayer();
        QTRY_VERIFY_WITH_TIMEOUT(w.PositionAnswerCount > 0, 5000);
        emit w.AudioMenu->triggered(
            EntryWithText(w.AudioTrackMenu, QStringLiteral("Japanese AC3")));
        w.SeekTarget = 300;
        w.SliderRelease();
        w.StopBtn();
        QTRY_COMPARE_WITH_TIMEOUT(w.Session->State(), PlaybackState::Idle, 5000);

        QString log = PrepareFakePlayer(user->Root());
        w.OpenFolderSource(copy);
        ChooseOnDiscPage(PlayMovieEntry());
        WaitForPlayer();
        QVERIFY(Arguments().join(u' ').startsWith(QStringLiteral("-aid 4353 ")));
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("seek 300 2\n"), 5000);

        w.Navigation();
        log = PrepareFakePlayer(user->Root());
        ChooseOnDiscPage(Submenu(w.DiscChapterAction)->actions().value(0));
        WaitForPlayer();
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("get_time_pos\n"), 5000);
        QCOMPARE(LoggedCommands(log).contains("seek 300 2\n"), false);
    }

    void streamChoicesReachTheNextStart() {
        DRUI &w = NewWindow();
        const QString disc = MakeDisc(QStringLiteral("disc6"), QStringLiteral("Choices"));
        QVERIFY(!disc.isEmpty());
        const QString script =
            WriteFile(user->Root() + QStringLiteral("/four-streams.script"), kFourStreamsScript);
        QString log =
            PrepareFakePlayer(user->Root(), {{"FAKE_PLAYER_SCRIPT", QFile::encodeName(script)}});
        w.OpenFolderSource(disc);
        const QString main = w.SourceKey;

        // Chosen on the page: remembered for the title, nothing plays yet.
        QAction *english = EntryWithText(Submenu(w.DiscSubtitleAction), QStringLiteral("English"));
        QAction *ac3 = EntryWithText(Submenu(w.DiscAudioAction), QStringLiteral("English AC3"));
        ChooseOnDiscPage(english);
        ChooseOnDiscPage(ac3);
        QVERIFY(!w.PlayerProcess);
        QCOMPARE(w.SubtitleChoiceByKey.value(main), 2);
        QCOMPARE(w.AudioChoiceByKey.value(main), 4);
        QCOMPARE(w.ActiveDiscSubtitleEntry.data(), english);
        QCOMPARE(w.ActiveDiscAudioEntry.data(), ac3);
        // The repaint rule shows them again as the active entries.
        Submenu(w.DiscAudioAction)->setActiveAction(nullptr);
        QVERIFY(!w.grab().isNull());
        QCOMPARE(Submenu(w.DiscAudioAction)->activeAction(), ac3);
        QCOMPARE(Submenu(w.DiscSubtitleAction)->activeAction(), english);

        // MPlayer's own TS demuxer plays the title, told the audio stream by its PID from the
        // start (English AC3 is 0x1103); the subtitle (English, 0x1201) follows once its stream
        // is met, by its place in the order met. Streams the player announces neither replace
        // the disc's audio menu nor switch by index.
        const QStringList audioMenu = Texts(w.AudioTrackMenu);
        ChooseOnDiscPage(PlayMovieEntry());
        WaitForPlayer();
        QVERIFY(!Arguments().contains(QStringLiteral("lavf")));
        QCOMPARE(Arguments().mid(0, 2),
                 QStringList({QStringLiteral("-aid"), QStringLiteral("4355")}));
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("pausing_keep sub_demux 0\n"), 5000);
        const auto switches = [](const QList<QByteArray> &commands) {
            QList<QByteArray> found;
            for (const QByteArray &c : commands)
                if (c.contains("switch_audio"))
                    found.append(c);
            return found;
        };
        QCOMPARE(switches(LoggedCommands(log)), QList<QByteArray>());
        QCOMPARE(Texts(w.AudioTrackMenu), audioMenu);
        QVERIFY(w.AudioTrackMenu->actions().value(4)->isChecked());
        QVERIFY(!w.AudioTrackMenu->actions().value(1)->isChecked());
        QVERIFY(w.SubtitleTrackMenu->actions().value(2)->isChecked());

        // The track menu during playback switches by PID too; "Disable" by -2.
        emit w.AudioMenu->triggered(
            EntryWithText(w.AudioTrackMenu, QStringLiteral("Japanese AC3")));
        QTRY_COMPARE_WITH_TIMEOUT(switches(LoggedCommands(log)),
                                  QList<QByteArray>({"pausing_keep switch_audio 4353\n"}), 5000);
        QVERIFY(w.AudioTrackMenu->actions().value(2)->isChecked());
        emit w.AudioMenu->triggered(EntryWithText(w.AudioTrackMenu, QStringLiteral("Disable")));
        QTRY_COMPARE_WITH_TIMEOUT(switches(LoggedCommands(log)).value(1),
                                  QByteArray("pausing_keep switch_audio -2\n"), 5000);

        // "Disable" on the page turns the subtitle off at the next start.
        ChooseOnDiscPage(EntryWithText(Submenu(w.DiscSubtitleAction), QStringLiteral("Disable")));
        ChooseOnDiscPage(EntryWithText(Submenu(w.DiscAudioAction), QStringLiteral("Japanese AC3")));
        w.Navigation();
        // A stream announced after the video line is not the title's (a tag's, say).
        const QString later =
            WriteFile(user->Root() + QStringLiteral("/later-stream.script"),
                      kFourStreamsScript + "out [lavf] stream 9: subtitle (pgs), -sid 4\n");
        log = PrepareFakePlayer(user->Root(), {{"FAKE_PLAYER_SCRIPT", QFile::encodeName(later)}});
        ChooseOnDiscPage(PlayMovieEntry());
        WaitForPlayer();
        QVERIFY(Arguments().join(u' ').startsWith(
            QStringLiteral("-aid 4353 -ss 0.01 -msglevel identify=4 -ni ")));
        // The player answers only after its banner: an answer read, the video line was handled.
        QTRY_VERIFY_WITH_TIMEOUT(w.PositionAnswerCount > 0, 5000);
        QCOMPARE(w.Session->SubtitleTrackCount(), 4);
        // The player logs commands in order: once a later one is there, so is any before it.
        emit w.AudioMenu->triggered(w.AudioChannelMenu->actions().value(0)); // "Stereo"
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("pausing_keep balance 0 1\n"), 5000);
        const QList<QByteArray> commands = LoggedCommands(log);
        QCOMPARE(switches(commands), QList<QByteArray>());
        QVERIFY(!std::any_of(commands.cbegin(), commands.cend(),
                             [](const QByteArray &c) { return c.contains("sub_demux"); }));
    }

    // A playlist libbluray leaves out (items X,Y,X,X) has no number MPlayer plays: listed,
    // disabled, never started. As the longest, it is the main title, so its chapters and Play
    // Movie are disabled and Controls > Play starts nothing; the other title plays by number.
    void titleMPlayerCannotReachIsDisabled() {
        DRUI &w = NewWindow();
        const QString disc = user->NewFolder(QStringLiteral("Repeats"));
        const auto playlist = [](const QList<QByteArray> &clips) {
            QList<bdfixture::PlayItemSpec> items;
            for (const QByteArray &clip : clips)
                items.append(bdfixture::PlayItemSpec::Of(clip, 0, 10000));
            return bdfixture::WriteMoviePlaylist(bdfixture::PlaylistSpec::Sequential(items));
        };
        bdfixture::SyntheticDisc spec;
        spec.Clips = {{"00001", 60000}, {"00002", 60000}};
        spec.Playlists = {
            {QStringLiteral("00001.mpls"), playlist({"00001", "00002", "00001", "00001"})},
            {QStringLiteral("00002.mpls"), playlist({"00002"})}};
        QVERIFY(bdfixture::WriteSyntheticDisc(disc, spec));
        PrepareFakePlayer(user->Root());
        w.OpenFolderSource(disc);
        QCOMPARE(Texts(w.TitleMenu),
                 QStringList({QStringLiteral("1. 00:00:40"), QStringLiteral("2. 00:00:10")}));
        QVERIFY(!w.TitleMenu->actions().value(0)->isEnabled());
        QVERIFY(!w.ChapterMenu->actions().value(0)->isEnabled());
        QVERIFY(!PlayMovieEntry()->isEnabled());
        ChooseOnDiscPage(PlayMovieEntry());
        ChooseOnDiscPage(w.TitleMenu->actions().value(0)); // as if chosen all the same
        w.RunControlsEntry(QStringLiteral("Play"));
        QVERIFY(!w.PlayerProcess);
        ChooseOnDiscPage(w.TitleMenu->actions().value(1));
        WaitForPlayer();
        QCOMPARE(DiscArguments().value(0), QStringLiteral("br://1"));
    }
};

QTEST_MAIN(BlurayWindowTest)
#include "test_bluray_window.moc"
