#include "ui/DRUI.h"

#include "dialogs/Styles.h"
#include "dialogs/UiText.h"
#include "lang/CLanguageTable.h"
#include "player/PlayerArgs.h"
#include "playlist/RecentFiles.h"
#include "snapshot/CProcessUI.h"
#include "snapshot/SnapshotPaths.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>

namespace {

using ui::Caption;

QAction *AddTagged(QMenu *menu, const QString &caption, const char *tag) {
    QAction *action = menu->addAction(caption);
    action->setData(QString::fromLatin1(tag));
    action->setObjectName(QStringLiteral("Action") +
                          QString::fromLatin1(tag).remove(QLatin1Char(' ')));
    return action;
}

QString Tag(const QAction *action) {
    return action->data().toString();
}

int IntData(const QAction *action) {
    return action->data().toInt();
}

// The submenu an action was chosen from (nullptr for entries of a top menu itself).
QMenu *ParentMenu(const QAction *action) {
    return qobject_cast<QMenu *>(action->parent());
}

bool BelongsTo(const QAction *action, const QAction *submenuAction) {
    const QMenu *menu = ParentMenu(action);
    return menu && submenuAction && menu->menuAction() == submenuAction;
}

void CheckOnly(QMenu *menu, QAction *chosen) {
    for (QAction *entry : menu->actions())
        entry->setChecked(false);
    chosen->setCheckable(true);
    chosen->setChecked(true);
}

// A click toggles a checkable entry before its handler runs; where the choice is not taken
// (no player), the entry goes back to how it was, so the check marks do not move.
void UndoClickToggle(QAction *chosen) {
    if (chosen->isCheckable())
        chosen->setChecked(!chosen->isChecked());
}

QMenu *NewSubmenu(QWidget *parent, const QString &name) {
    auto *menu = new QMenu(parent);
    menu->setObjectName(name);
    menu->setStyleSheet(styles::MenuPopup());
    return menu;
}

} // namespace

void DRUI::BuildFileMenu(QPushButton *button) {
    FileMenu = new QMenu(button);
    FileMenu->setObjectName(QStringLiteral("FileMenu"));
    AddTagged(FileMenu, Caption("MainWnd/OpenFile") + QStringLiteral("..."), "Open File");
    AddTagged(FileMenu, Caption("MainWnd/OpenDisc") + QStringLiteral("..."), "Open Disc");
    delete RecentFilesMenu;
    RecentFilesMenu = NewSubmenu(this, QStringLiteral("RecentFilesMenu"));
    RecentFilesMenu->setTitle(Caption("MainWnd/RecentFiles"));
    QAction *recent = FileMenu->addMenu(RecentFilesMenu);
    recent->setData(QStringLiteral("Recent Files"));
    AddTagged(FileMenu, Caption("MainWnd/Eject"), "Eject");
    AddTagged(FileMenu, Caption("MainWnd/Close"), "Close");
    RecentPaths = recent::Load(AppDataFolder);
    RebuildRecentFilesMenu();
    connect(FileMenu, &QMenu::triggered, this, &DRUI::BDFileMenu);
    button->setMenu(FileMenu);
}

void DRUI::RebuildRecentFilesMenu() {
    RecentFilesMenu->clear();
    for (const QString &path : std::as_const(RecentPaths)) {
        QAction *entry = RecentFilesMenu->addAction(path);
        entry->setData(path);
    }
    QAction *clear = RecentFilesMenu->addAction(Caption("MainWnd/ClearMenu"));
    clear->setData(QStringLiteral("Clear Menu"));
}

void DRUI::RememberRecentPath(const QString &path) {
    if (!recent::Insert(RecentPaths, path))
        return;
    recent::Save(AppDataFolder, RecentPaths);
    RebuildRecentFilesMenu();
}

void DRUI::BuildControlsMenu(QPushButton *button) {
    ControlsMenu = new QMenu(button);
    ControlsMenu->setObjectName(QStringLiteral("ControlsMenu"));
    const auto entry = [this](const char *key, const char *tag, const char *shortcut,
                              bool enabled) {
        QAction *action = AddTagged(ControlsMenu, Caption(key), tag);
        if (shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
        action->setEnabled(enabled);
        return action;
    };
    PlayPauseAction = entry("MainWnd/Play", "Play", "Space", true);
    entry("MainWnd/Stop", "Stop", nullptr, true);
    entry("MainWnd/Previous", "Pre", nullptr, false);
    entry("MainWnd/Next", "Next", nullptr, false);
    entry("MainWnd/Forward", "Forward", "Right", false);
    entry("MainWnd/Backward", "Backward", "Left", false);
    entry("MainWnd/VolumeUp", "VolumeUp", "Up", true);
    entry("MainWnd/VolumeDown", "VolumeDown", "Down", true);
    entry("MainWnd/NavigationPanel", "Navigation", "P", false);

    const auto popup = [this](const QString &name) {
        QMenu *menu = NewSubmenu(this, name);
        menu->setWindowFlags(menu->windowFlags() | Qt::FramelessWindowHint);
        menu->setAttribute(Qt::WA_TranslucentBackground);
        menu->setStyleSheet(styles::PopupSubmenu());
        return menu;
    };
    delete TitleMenu;
    TitleMenu = popup(QStringLiteral("TitleMenu"));
    TitleMenu->setTitle(Caption("MainWnd/Title"));
    QAction *title = ControlsMenu->addMenu(TitleMenu);
    title->setData(QStringLiteral("Title"));
    title->setEnabled(false);
    delete ChapterMenu;
    ChapterMenu = popup(QStringLiteral("ChapterMenu"));
    ChapterMenu->setTitle(Caption("MainWnd/Chapter"));
    QAction *chapter = ControlsMenu->addMenu(ChapterMenu);
    chapter->setData(QStringLiteral("Chapter"));
    chapter->setEnabled(false);
    entry("MainWnd/FullScreen", "FullScreen", "F", false);
    ResumeAction = entry("MainWnd/ResumePlayback", "ResumePlayback", nullptr, true);
    ResumeAction->setCheckable(true);
    ResumeAction->setChecked(Resumer->Enabled());
    entry("MainWnd/StartOver", "StartOver", "Home", true);

    // Shortcuts of a menu that only pops up from a button act window-wide only when the
    // window knows the actions too.
    addActions(ControlsMenu->actions());
    connect(ControlsMenu, &QMenu::triggered, this, &DRUI::BDControlsMenu);
    button->setMenu(ControlsMenu);
}

void DRUI::BuildVideoMenu(QPushButton *button) {
    VideoMenu = new QMenu(button);
    VideoMenu->setObjectName(QStringLiteral("VideoMenu"));
    AddTagged(VideoMenu, Caption("MainWnd/HalfSize"), "HalfSize");
    AddTagged(VideoMenu, Caption("MainWnd/NormalSize"), "NormalSize");
    AddTagged(VideoMenu, Caption("MainWnd/DoubleSize"), "DoubleSize");
    AddTagged(VideoMenu, Caption("MainWnd/Fit2Screen"), "Fit2Screen");

    delete VideoTrackMenu;
    VideoTrackMenu = NewSubmenu(this, QStringLiteral("VideoTrackMenu"));
    VideoTrackMenu->setTitle(Caption("MainWnd/VideoTrack"));
    VideoTrackMenu->addAction(QStringLiteral("Disable"))->setData(0);
    QAction *first = VideoTrackMenu->addAction(Caption("MainWnd/Video") + QStringLiteral(" 1"));
    first->setData(1);
    first->setCheckable(true);
    first->setChecked(true);
    VideoMenu->addMenu(VideoTrackMenu)->setData(QStringLiteral("VideoTrack"));

    delete SubtitleTrackMenu;
    SubtitleTrackMenu = NewSubmenu(this, QStringLiteral("SubtitleTrackMenu"));
    SubtitleTrackMenu->setTitle(Caption("MainWnd/SubtitleTrack"));
    VideoMenu->addMenu(SubtitleTrackMenu)->setData(QStringLiteral("SubtitleTrack"));
    for (QAction *action : VideoMenu->actions())
        action->setEnabled(false);
    connect(VideoMenu, &QMenu::triggered, this, &DRUI::BDVideoMenu);
    button->setMenu(VideoMenu);
}

void DRUI::BuildAudioMenu(QPushButton *button) {
    AudioMenu = new QMenu(button);
    AudioMenu->setObjectName(QStringLiteral("AudioMenu"));
    delete AudioTrackMenu;
    AudioTrackMenu = NewSubmenu(this, QStringLiteral("AudioTrackMenu"));
    AudioTrackMenu->setTitle(Caption("MainWnd/AudioTrack"));
    AudioMenu->addMenu(AudioTrackMenu)->setData(QStringLiteral("AudioTrack"));

    delete AudioChannelMenu;
    AudioChannelMenu = NewSubmenu(this, QStringLiteral("AudioChannelMenu"));
    AudioChannelMenu->setTitle(Caption("MainWnd/AudioChannel"));
    QAction *stereo = AddTagged(AudioChannelMenu, Caption("MainWnd/Stereo"), "Stereo");
    stereo->setCheckable(true);
    stereo->setChecked(true);
    AddTagged(AudioChannelMenu, Caption("MainWnd/Left"), "Left");
    AddTagged(AudioChannelMenu, Caption("MainWnd/Right"), "Right");
    AudioMenu->addMenu(AudioChannelMenu)->setData(QStringLiteral("AudioChannel"));
    for (QAction *action : AudioMenu->actions())
        action->setEnabled(false);
    connect(AudioMenu, &QMenu::triggered, this, &DRUI::BDAudioMenu);
    button->setMenu(AudioMenu);
}

void DRUI::BuildToolsMenu(QPushButton *button) {
    ToolsMenu = new QMenu(button);
    ToolsMenu->setObjectName(QStringLiteral("ToolsMenu"));
    AddTagged(ToolsMenu, Caption("MainWnd/PlayList") + QStringLiteral("..."), "PlayList");
    AddTagged(ToolsMenu, Caption("MainWnd/Preferences") + QStringLiteral("..."), "Preferences");
    SnapshotAction = AddTagged(ToolsMenu, Caption("MainWnd/Snapshot"), "Snapshot");
    SnapshotAction->setShortcut(QKeySequence(QStringLiteral("S")));
    SnapshotAction->setEnabled(false);
    addActions(ToolsMenu->actions());
    connect(ToolsMenu, &QMenu::triggered, this, &DRUI::BDToolMenu);
    button->setMenu(ToolsMenu);
}

void DRUI::BuildHelpMenu(QPushButton *button) {
    HelpMenu = new QMenu(button);
    HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
    AddTagged(HelpMenu, Caption("MainWnd/Help"), "Help");
    AddTagged(HelpMenu, Caption("MainWnd/Support"), "Support");
    delete LanguageMenu;
    LanguageMenu = NewSubmenu(this, QStringLiteral("LanguageMenu"));
    LanguageMenu->setTitle(Caption("MainWnd/Language"));
    const CLanguageTable *table = CLanguageTable::Instance();
    for (const auto &[identifier, name] : table->GetLanguages()) {
        QAction *entry = LanguageMenu->addAction(name);
        entry->setData(identifier);
        if (identifier == table->GetCurrentLanguage()) {
            entry->setIcon(QIcon(QStringLiteral(":/image/dot.png")));
            LanguageMenu->setDefaultAction(entry);
        }
    }
    HelpMenu->addMenu(LanguageMenu)->setData(QStringLiteral("Language"));
    connect(HelpMenu, &QMenu::triggered, this, &DRUI::BDHelpMenu);
    button->setMenu(HelpMenu);
}

void DRUI::BDFileMenu(QAction *action) {
    const QString tag = Tag(action);
    if (tag == QLatin1String("Open File")) {
        btnOpenFile();
    } else if (tag == QLatin1String("Open Disc")) {
        btnLoadBDPath();
    } else if (tag == QLatin1String("Eject")) {
        StopBtn();
    } else if (tag == QLatin1String("Close")) {
        btnCloseSlot();
    } else if (tag == QLatin1String("Clear Menu")) {
        RecentPaths.clear();
        RecentFilesMenu->clear();
        QFile::remove(recent::FilePath(AppDataFolder));
    } else if (tag == QLatin1String("Recent Files")) {
        // the submenu's own entry: nothing to do
    } else if (!tag.isEmpty()) {
        StopBtn();
        OpenPath(tag);
    }
}

void DRUI::BDControlsMenu(QAction *action) {
    UseBlurayTitle = false;
    if (BelongsTo(action, DiscChapterAction)) {
        Session->Seek(IntData(action) / 1000);
        return;
    }
    if (BelongsTo(action, DiscOtherTitlesAction)) {
        SourceKind = MediaKind::Bluray;
        SourceKey = action->data().value<PLAY_LIST_INFO>().Path;
        Session->Stop();
        UseBlurayTitle = true;
        PlayBlurayTitle();
        return;
    }
    RunControlsEntry(Tag(action));
}

void DRUI::RunControlsEntry(const QString &tag) {
    UseBlurayTitle = false;
    if (tag == QLatin1String("Play")) {
        if (SourceKind == MediaKind::Bluray) {
            // Another title than the main one plays by its own number, not as "br://0".
            UseBlurayTitle = !SourceKey.isEmpty() && SourceKey != BlurayMainKey;
            PlayBlurayTitle();
        } else if (!PlayPath.isEmpty())
            PlayListAddFiles({PlayPath});
        else
            btnOpenFile();
    } else if (tag == QLatin1String("Pause")) {
        PausePlay();
    } else if (tag == QLatin1String("Resume")) {
        ResumePlay();
    } else if (tag == QLatin1String("Stop")) {
        StopBtn();
    } else if (tag == QLatin1String("Pre")) {
        PlayPre();
    } else if (tag == QLatin1String("Next")) {
        PlayNext();
    } else if (tag == QLatin1String("Forward")) {
        ResumePlay();
        if (Session->HasPlayer()) {
            qint64 target = qint64(PositionSlider->value()) + 60;
            PositionAnswerCount = 0;
            if (target > MediaDuration)
                target = MediaDuration - 4;
            SeekTarget = int(qMax<qint64>(0, target));
            SliderRelease();
        }
    } else if (tag == QLatin1String("Backward")) {
        ResumePlay();
        if (Session->HasPlayer()) {
            SeekTarget = qMax(0, PositionSlider->value() - 60);
            PositionAnswerCount = 0;
            SliderRelease();
        }
    } else if (tag == QLatin1String("VolumeUp")) {
        VolumeSliderSeek(VolumeSlider->value() + 5);
    } else if (tag == QLatin1String("VolumeDown")) {
        VolumeSliderSeek(VolumeSlider->value() - 5);
    } else if (tag == QLatin1String("Navigation")) {
        Navigation();
    } else if (tag == QLatin1String("FullScreen")) {
        FullScreenBtn();
    } else if (tag == QLatin1String("ResumePlayback")) {
        Resumer->SetEnabled(ResumeAction->isChecked());
        WriteResumeSetting(AppDataFolder, ResumeAction->isChecked());
    } else if (tag == QLatin1String("StartOver")) {
        if (Session->HasPlayer()) {
            SeekTarget = 0;
            PositionAnswerCount = 0;
            SliderRelease();
        }
    }
}

void DRUI::BDVideoMenu(QAction *action) {
    QMenu *parent = ParentMenu(action);
    if (parent && parent == SubtitleTrackMenu) {
        if (Session->HasPlayer()) {
            Session->SwitchSubtitle(IntData(action) - 1, true);
            CheckOnly(SubtitleTrackMenu, action);
            Resumer->NoteSubtitleEntry(IntData(action));
        } else {
            UndoClickToggle(action);
        }
        return;
    }
    if (parent && parent == VideoTrackMenu) {
        VideoLabel->setVisible(IntData(action) != 0);
        CheckOnly(VideoTrackMenu, action);
        return;
    }
    const QString tag = Tag(action);
    if (tag == QLatin1String("HalfSize")) {
        resize(500, 340);
    } else if (tag == QLatin1String("NormalSize")) {
        resize(1000, 680);
    } else if (tag == QLatin1String("DoubleSize")) {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        resize(qMin(2000, available.width()), qMin(1360, available.height()));
    } else if (tag == QLatin1String("Fit2Screen")) {
        setWindowState(Qt::WindowMaximized);
    }
}

void DRUI::BDAudioMenu(QAction *action) {
    QMenu *parent = ParentMenu(action);
    if (parent && parent == AudioTrackMenu) {
        const std::optional<int> id =
            AudioSwitchArgument(SourceKind, IntData(action), AudioPidsOf(SourceKey));
        if (Session->HasPlayer() && id) {
            Session->SwitchAudio(*id, true);
            CheckOnly(AudioTrackMenu, action);
            Resumer->NoteAudioEntry(IntData(action));
        } else {
            UndoClickToggle(action);
        }
        return;
    }
    if (parent && parent == AudioChannelMenu) {
        const QString tag = Tag(action);
        int position = 0;
        if (tag == QLatin1String("Left"))
            position = -1;
        else if (tag == QLatin1String("Right"))
            position = 1;
        else if (tag != QLatin1String("Stereo"))
            return;
        if (Session->HasPlayer()) {
            Session->SetBalance(position);
            CheckOnly(AudioChannelMenu, action);
        } else {
            UndoClickToggle(action);
        }
    }
}

void DRUI::BDToolMenu(QAction *action) {
    const QString tag = Tag(action);
    if (tag == QLatin1String("PlayList")) {
        PlaylistPanel->setVisible(PlaylistPanel->isHidden());
    } else if (tag == QLatin1String("Preferences")) {
        CProcessUI dialog;
        dialog.FormatIndex = SnapshotFormatIndex;
        dialog.BuildDialog();
        dialog.exec();
        // The format lasts for this run only; the folder was stored by the dialog's OK.
        if (dialog.Cancelled == 0) {
            SnapshotFormatIndex = dialog.FormatIndex;
            SnapshotFormat = dialog.FormatBox->currentText();
        }
    } else if (tag == QLatin1String("Snapshot")) {
        Snapshot();
    }
}

void DRUI::BDHelpMenu(QAction *action) {
    const QString tag = Tag(action);
    if (tag == QLatin1String("Help")) {
        btnHelpSlot();
    } else if (tag == QLatin1String("Support")) {
        btnSupportSlot();
    } else if (tag == QLatin1String("Language")) {
        // the submenu's own entry
    } else if (!tag.isEmpty()) {
        CLanguageTable::Instance()->SetLanguage(tag);
        StopBtn();
        // Later: the chosen action and its menus belong to the tree that InitWindow deletes,
        // and the menu is still inside its own handler for this click.
        QMetaObject::invokeMethod(this, &DRUI::InitWindow, Qt::QueuedConnection);
    }
}

void DRUI::BDMenuOperate(QAction *action) {
    UseBlurayTitle = false;
    // All but the title list belong to the main title, also after another title has played:
    // "br://0" plays the main title, so its length, chapters and choices must be current.
    if (!BelongsTo(action, DiscOtherTitlesAction) && !BlurayMainKey.isEmpty())
        SourceKey = BlurayMainKey;
    if (BelongsTo(action, DiscSubtitleAction)) {
        ParentMenu(action)->setActiveAction(action);
        ActiveDiscSubtitleEntry = action;
        SubtitleChoiceByKey[SourceKey] = IntData(action);
        return;
    }
    if (BelongsTo(action, DiscAudioAction)) {
        ParentMenu(action)->setActiveAction(action);
        ActiveDiscAudioEntry = action;
        AudioChoiceByKey[SourceKey] = IntData(action);
        return;
    }
    StartSeconds = 0;
    ChapterChosen = BelongsTo(action, DiscChapterAction);
    if (ChapterChosen)
        StartSeconds = IntData(action) / 1000;
    if (BelongsTo(action, DiscOtherTitlesAction)) {
        SourceKey = action->data().value<PLAY_LIST_INFO>().Path;
        UseBlurayTitle = true;
    }
    PlayBlurayTitle();
}

void DRUI::btnOpenUrl(const QString &url) {
    if (!QDesktopServices::openUrl(QUrl(url)))
        ShowInformation(Caption("Messages/PageNotOpened") + QLatin1Char('\n') + url);
}

void DRUI::OpenHelpPage(const char *name) {
    const QString page = QCoreApplication::applicationDirPath() + QStringLiteral("/help/") +
                         QString::fromLatin1(name);
    // Without a browser (or an opener such as xdg-open) nothing would happen at all: the
    // user is told where the page is, to open it by other means. A break may follow every
    // "/", so a long path wraps inside the box instead of running out of it.
    if (!QFileInfo(page).isFile() || !QDesktopServices::openUrl(QUrl::fromLocalFile(page))) {
        QString shown = page;
        shown.replace(QLatin1Char('/'), QStringLiteral("/\u200b"));
        ShowInformation(Caption("Messages/PageNotOpened") + QLatin1Char('\n') + shown);
    }
}

void DRUI::btnHelpSlot() {
    OpenHelpPage("guide.html");
}

void DRUI::btnSupportSlot() {
    OpenHelpPage("support.html");
}

void DRUI::btnAboutSlot() {
    OpenHelpPage("about.html");
}
