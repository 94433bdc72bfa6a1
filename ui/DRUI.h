#pragma once

#include "platform/RemoteTarget.h"
#include "player/Kinds.h"
#include "player/PlaybackSession.h"
#include "player/Resume.h"
#include "playlist/PlayListInfo.h"
#include "sources/bluray/MoviePlaylist.h"

#include <QAction>
#include <QFont>
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QPalette>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

class QLabel;
class QMenu;
class QProcess;
class QPushButton;
class QSlider;
class QStackedLayout;
class QTableWidget;
class QTimer;
class QVBoxLayout;
class QWidget;

// The only main window: menu strip, start / disc / video pages, playlist panel, control bar.
// It fills the play request and shows what its playback session reports; the logic lives in
// the core library.
class DRUI : public QMainWindow, public RemoteTarget {
    Q_OBJECT
public:
    explicit DRUI(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~DRUI() override;

    // Second-phase set-up: (re)builds the content, prepares the data folder and the probe copy.
    void InitWindow();

    // --- play request (filled by whoever wants something played, then VideoPlay) ---
    QString PlayPath;
    MediaKind SourceKind = MediaKind::Bluray;
    QString SourceKey;
    bool UseBlurayTitle = false;
    int StartSeconds = 0;
    // A chapter chosen on purpose starts there, never at a remembered point.
    bool ChapterChosen = false;
    QMap<QString, int> BlurayTitleByKey;
    QMap<QString, int> AudioChoiceByKey;
    QMap<QString, int> SubtitleChoiceByKey;
    QMap<QString, QList<int>> ChaptersByKey;
    // Per Blu-ray title, keyed by the full path of its playlist file (filled by discovery).
    QMap<QString, QList<PlayItem>> PlayItemsByKey;
    QMap<QString, QList<StreamInfo>> SubtitleStreamsByKey;
    QMap<QString, QList<StreamInfo>> AudioStreamsByKey;
    QMap<QString, QString> DiscPathByKey;
    // Titles MPlayer has no "br://" number for: their number would play another playlist.
    QSet<QString> UnaddressableTitleKeys;
    // The main title of the disc on the disc page; its submenus belong to it.
    QString BlurayMainKey;
    // The picture on the disc page as a file inside the disc; empty when it shows none.
    QString DiscPictureFile;

    // --- playback state ---
    // The link to the player; the members below follow its signals.
    PlaybackSession *Session = nullptr;
    // Where each item was left; on unless the user unticked "Resume Playback".
    ResumeKeeper *Resumer = nullptr;
    QProcess *PlayerProcess = nullptr; // the session's player, for looking at only
    QString CurrentPath;
    bool Playing = false;
    bool Stopped = false;
    qint64 PositionMs = 0;
    QString PositionText;
    int PositionAnswerCount = 0;
    int SeekTarget = 0;
    qint64 MediaDuration = 0;
    int AudioTrackCount = 0;
    int SubtitleTrackCount = 0;
    int PendingAudioIndex = -1;
    int PendingSubtitleIndex = -1;
    QString SnapshotFormat;
    int SnapshotFormatIndex = 0;
    bool FullScreenOn = false;
    bool Muted = false;

    QString AppDataFolder;
    QStringList RecentPaths;
    QList<PLAY_LIST_INFO> PlayList;

    // --- widgets (owned by the Qt object tree; rebuilt by InitWindow) ---
    QWidget *centralWidget = nullptr;
    QVBoxLayout *CentralLayout = nullptr;
    QStackedLayout *RootStack = nullptr;
    QWidget *RootWidget = nullptr;
    QLabel *MenuStrip = nullptr;
    QStackedLayout *PageStack = nullptr;
    QLabel *StartTitleLabel = nullptr;
    QLabel *DiscPanel = nullptr;
    QLabel *DiscTitleLabel = nullptr;
    QMenu *DiscMenu = nullptr;
    QAction *DiscChapterAction = nullptr;
    QAction *DiscAudioAction = nullptr;
    QAction *DiscSubtitleAction = nullptr;
    QAction *DiscOtherTitlesAction = nullptr;
    // Guarded: the entries go with their submenu when another disc is opened.
    QPointer<QAction> ActiveDiscSubtitleEntry;
    QPointer<QAction> ActiveDiscAudioEntry;
    QLabel *VideoLabel = nullptr;
    QWidget *VideoPicture = nullptr; // the player's window inside VideoLabel
    QTableWidget *PlaylistPanel = nullptr;
    QLabel *ControlBar = nullptr;
    QLabel *NowPlayingLabel = nullptr;
    QLabel *PositionLabel = nullptr;
    QSlider *PositionSlider = nullptr;
    QLabel *DurationLabel = nullptr;
    QPushButton *PlayButton = nullptr;
    QPushButton *VolumeButton = nullptr;
    QSlider *VolumeSlider = nullptr;
    QTimer *RefreshTimer = nullptr; // the session's tick
    // "3 / 20" over the window while many files are probed (made on first use).
    QLabel *ProbeProgressLabel = nullptr;
    QPushButton *ProbeCancelButton = nullptr;
    static constexpr int ProbeProgressDelayMs = 300;

    // --- menus ---
    QMenu *FileMenu = nullptr;
    QMenu *ControlsMenu = nullptr;
    QMenu *VideoMenu = nullptr;
    QMenu *AudioMenu = nullptr;
    QMenu *ToolsMenu = nullptr;
    QMenu *HelpMenu = nullptr;
    QMenu *RecentFilesMenu = nullptr;
    QMenu *TitleMenu = nullptr;
    QMenu *ChapterMenu = nullptr;
    QMenu *VideoTrackMenu = nullptr;
    QMenu *SubtitleTrackMenu = nullptr;
    QMenu *AudioTrackMenu = nullptr;
    QMenu *AudioChannelMenu = nullptr;
    QMenu *LanguageMenu = nullptr;
    QAction *PlayPauseAction = nullptr;
    QAction *SnapshotAction = nullptr;
    QAction *ResumeAction = nullptr;

    // --- operations other parts call directly ---
    void OpenFolderSource(const QString &path);
    // A folder opens as a disc folder, anything else is played as a file.
    void OpenPath(const QString &path);
    // Paths from the command line or a later start: one folder as Open Folder, else the
    // files as Open File. Dropped while a dialog or the probe runs its own loop.
    void OpenHandedPaths(const QStringList &paths);
    void OpenDvdFolder(const QString &path);
    void OpenBlurayFolder(const QString &path);
    QList<PLAY_LIST_INFO> DiscoverBlurayTitles(const QString &discPath);
    void PlayBlurayTitle();
    void PlayListAppend(const QList<PLAY_LIST_INFO> &entries);
    void PlayListAddFiles(const QStringList &paths);
    // The probe's length for each path, in order; the window paints meanwhile and drops
    // the user's input. No length for a path a Cancel left unprobed; empty when the
    // application quits first.
    QList<std::optional<QString>> ProbeLengths(const QStringList &paths);
    // True while added files are probed: input that arrives meanwhile is dropped.
    bool IsProbingFiles() const { return ProbingFiles; }
    QTableWidget *BuildPlayListPanel();
    void PausePlay();
    void ResumePlay();
    // What choosing the Controls menu's fixed entry with this tag does ("Play", "Pause",
    // "Resume", "Stop", "Pre", "Next", ...); remote controls go through here as well.
    void RunControlsEntry(const QString &tag);
    // The playing item's name as NowPlayingLabel shows it (without its leading blanks).
    QString NowPlayingName() const;

    // What a remote control asks for.
    RemoteTarget::Readiness RemoteReadiness() const override;
    void RunRemoteRequest(RemoteTarget::Request request) override;
    void SetRemoteVolume(int percent) override;
    void RaiseWindow() override;
    void SeekRemote(int seconds) override;
    void OpenRemotePaths(const QStringList &paths) override;
    bool CanStepRemote(int step) const override;

public slots:
    void BDMenuOperate(QAction *action);
    void BDFileMenu(QAction *action);
    void BDControlsMenu(QAction *action);
    void BDVideoMenu(QAction *action);
    void BDAudioMenu(QAction *action);
    void BDToolMenu(QAction *action);
    void BDHelpMenu(QAction *action);
    void PlayPre();
    void PlayNext();
    void Navigation();
    void btnMinSlot();
    void btnCloseSlot();
    void btnMenButtonSlot();
    void FullScreenBtn();
    void VolumeBtn();
    void VolumeSliderSeek(int value);
    void Snapshot();
    void DoRefreshGui();
    void StopBtn();
    void SliderSeek(int value);
    void SliderPress();
    void SliderRelease();
    void SliderMouseLButtonPress(QObject *watched, QEvent *event);
    void btnOpenUrl(const QString &url);
    void btnHelpSlot();
    void btnSupportSlot();
    void btnAboutSlot();
    void btnOpenFile();
    void btnLoadBDPath();
    void btnOpenSnapshotFolder();
    void VideoPlay();
    void MPlayerDataRecieve();
    void PlayListItemDoubleClick(int row, int column);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void BuildContent();
    QPushButton *BuildMenuButton(int index, int x, QLabel *strip);
    void BuildFileMenu(QPushButton *button);
    void BuildControlsMenu(QPushButton *button);
    void BuildVideoMenu(QPushButton *button);
    void BuildAudioMenu(QPushButton *button);
    void BuildToolsMenu(QPushButton *button);
    void BuildHelpMenu(QPushButton *button);
    void RebuildRecentFilesMenu();
    void RememberRecentPath(const QString &path);
    QWidget *BuildStartPage();
    QWidget *BuildDiscPage();
    QWidget *BuildVideoPage();
    QLabel *BuildControlBar();
    QPushButton *MakeImageButton(const QString &image);
    void SetButtonImage(QPushButton *button, const QString &image);
    void MarkNowPlaying();
    void StepPlaylist(int step);
    void StepChapter(bool forward);
    void LeaveFullScreen();
    void ConnectSession();
    PlayRequest BuildPlayRequest() const;
    // The key the item of the request is remembered by; empty when it cannot be told apart.
    QString ResumeKeyOf(const PlayRequest &request) const;
    // Starts the request where the item was left, with its track choices, when resuming is
    // on and no start was chosen.
    void ApplyResumePoint(PlayRequest &request) const;
    void OnPlaybackState(PlaybackState state);
    void PlacePicture();
    void OnPositionAnswer();
    void OnLengthAnswer();
    void OnTracksAnnounced(const TrackReport &tracks);
    void HandleEndOfPlayback();
    void ShowRefusal();
    // The program's message box over the window, waiting for OK.
    void ShowInformation(const QString &message);
    void OpenHelpPage(const char *name);
    QMenu *NewDiscSubmenu(const QString &name);
    void FillDiscSubtitles(QMenu *submenu);
    void FillDiscAudio(QMenu *submenu);
    QList<int> AudioPidsOf(const QString &key) const;
    QList<int> SubtitlePidsOf(const QString &key) const;
    void FillDiscChapters(QMenu *submenu);
    void FillDiscTitles(QMenu *submenu, const QList<PLAY_LIST_INFO> &titles);
    void AttachDiscSubmenu(QAction *entry, QMenu *submenu);

    void ShowProbeProgress(int done, int total);

    bool ProbingFiles = false;
    QSize PictureSize; // the playing picture's display size; invalid until the player names it
    QFont MenuButtonFont;
    QPalette WhiteTextPalette;
};
