// The window's side of playback: it builds the play request, and follows the session's
// state and reports with its widgets.
#include "ui/DRUI.h"

#include "dialogs/UiText.h"
#include "platform/Programs.h"
#include "player/Clock.h"
#include "player/PictureShape.h"
#include "player/PlaybackSession.h"
#include "snapshot/SnapshotPaths.h"
#include "snapshot/SnapshotSaver.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStackedLayout>
#include <QTableWidget>

namespace {

QString ClockText(qint64 seconds) {
    return QString::fromLatin1(FormatClock(seconds));
}

// Ticks the entry at `index` + 1 (after "Disable") and clears every other mark.
void MarkChoice(QMenu *menu, int index) {
    const QList<QAction *> entries = menu->actions();
    for (int i = 0; i < entries.size(); ++i) {
        if (i == index + 1) {
            entries[i]->setCheckable(true);
            entries[i]->setChecked(true);
        } else {
            entries[i]->setChecked(false);
        }
    }
}

} // namespace

void DRUI::ConnectSession() {
    // session -> window: the state, the clock and what the player reported
    connect(Session, &PlaybackSession::StateChanged, this, &DRUI::OnPlaybackState);
    connect(Session, &PlaybackSession::ClockMoved, this, [this](qint64 ms) { PositionMs = ms; });
    connect(Session, &PlaybackSession::PositionAnswered, this, &DRUI::OnPositionAnswer);
    connect(Session, &PlaybackSession::LengthAnswered, this, &DRUI::OnLengthAnswer);
    connect(Session, &PlaybackSession::LengthKnown, this, [this](qint64 seconds) {
        MediaDuration = seconds;
        PositionSlider->setRange(0, int(qBound<qint64>(0, seconds, qint64(INT_MAX))));
    });
    connect(Session, &PlaybackSession::TracksAnnounced, this, &DRUI::OnTracksAnnounced);
    // Until the player names the new picture's shape, its window fills the label (the player
    // letterboxes inside it). The last item's last frame would stay in it until the new player
    // draws: painted black at once.
    connect(Session, &PlaybackSession::Started, this, [this] {
        PictureSize = QSize();
        PlacePicture();
        VideoPicture->repaint();
    });
    connect(Session, &PlaybackSession::PictureShaped, this, [this](QSize display) {
        PictureSize = display;
        PlacePicture();
    });
    connect(Session, &PlaybackSession::ShotReported, this, [this](const QString &shot) {
        SaveSnapshot(shot,
                     SnapshotTargetName(ReadSnapshotFolder(AppDataFolder),
                                        QDateTime::currentDateTime(), SnapshotFormat),
                     SnapshotFormat);
    });
    // It ended, crashed or never started: the window goes idle either way.
    connect(Session, &PlaybackSession::Ended, this, &DRUI::HandleEndOfPlayback);
    connect(Session, &PlaybackSession::Failed, this, &DRUI::HandleEndOfPlayback);
}

void DRUI::PlacePicture() {
    VideoPicture->setGeometry(FitPicture(VideoLabel->size(), PictureSize));
}

// The only writer of the playback-state members and of the play/pause look.
void DRUI::OnPlaybackState(PlaybackState state) {
    PlayerProcess = Session->Process();
    Playing = state == PlaybackState::Playing;
    Stopped = state == PlaybackState::Idle || state == PlaybackState::Stopping;
    if (!PlayButton)
        return;
    SetButtonImage(PlayButton, Playing ? QStringLiteral(":/image/pause.png")
                                       : QStringLiteral(":/image/play.png"));
    // Stopped, the entry keeps what it last offered.
    if (state == PlaybackState::Playing || state == PlaybackState::Paused) {
        PlayPauseAction->setText(ui::Caption(Playing ? "MainWnd/Pause" : "MainWnd/Resume"));
        PlayPauseAction->setData(Playing ? QStringLiteral("Pause") : QStringLiteral("Resume"));
    }
}

PlayRequest DRUI::BuildPlayRequest() const {
    PlayRequest request;
    request.Program = platform::PlayerProgram();
    PlayerLaunch &launch = request.Launch;
    launch.PlayPath = PlayPath;
    launch.SourceKind = SourceKind;
    launch.UseBlurayTitle = UseBlurayTitle;
    if (BlurayTitleByKey.contains(SourceKey))
        launch.BlurayTitle = BlurayTitleByKey.value(SourceKey);
    // A Blu-ray title's audio choice goes into the arguments: its demuxer knows streams by
    // PID, and index n - 1 would name none of them and silence the title.
    if (SourceKind == MediaKind::Bluray && AudioChoiceByKey.contains(SourceKey)) {
        launch.AudioChoice = AudioChoiceByKey.value(SourceKey);
        launch.AudioPids = AudioPidsOf(SourceKey);
        request.SubtitlePids = SubtitlePidsOf(SourceKey);
    }
    launch.WindowId = quint64(VideoPicture->winId());
    launch.AppDataFolder = AppDataFolder;
    request.Title = NowPlayingName();
    if (SourceKind == MediaKind::Bluray)
        request.ArtFile = DiscPictureFile;
    request.LengthSeconds = MediaDuration;
    request.Volume = VolumeSlider->value();
    request.StartSeconds = StartSeconds;
    // A stored choice n (menu entry number) becomes track index n - 1; none gives -2.
    if (SourceKind != MediaKind::Bluray)
        request.PendingAudioIndex = AudioChoiceByKey.value(SourceKey, -1) - 1;
    request.PendingSubtitleIndex = SubtitleChoiceByKey.value(SourceKey, -1) - 1;
    request.AudioEntry = AudioChoiceByKey.value(SourceKey, -1);
    request.SubtitleEntry = SubtitleChoiceByKey.value(SourceKey, -1);
    request.ResumeKey = ResumeKeyOf(request);
    return request;
}

QString DRUI::ResumeKeyOf(const PlayRequest &request) const {
    const PlayerLaunch &launch = request.Launch;
    if (launch.SourceKind == MediaKind::File)
        return FileResumeKey(launch.PlayPath);
    const QString disc = DiscIdentity(launch.PlayPath);
    if (disc.isEmpty())
        return QString();
    // DVDs play their first title; a Blu-ray title is its playlist file.
    if (launch.SourceKind == MediaKind::Dvd)
        return disc + QStringLiteral("|1");
    const QString playlist = QFileInfo(SourceKey).fileName();
    return playlist.isEmpty() ? QString() : disc + QLatin1Char('|') + playlist;
}

void DRUI::ApplyResumePoint(PlayRequest &request) const {
    if (ChapterChosen || request.StartSeconds > 0)
        return;
    const std::optional<ResumePoint> point = Resumer->PointFor(request.ResumeKey);
    if (!point)
        return;
    request.StartSeconds = point->Seconds;
    request.StartNote = ui::Caption("Messages/ResumedAt").arg(ClockText(point->Seconds));
    if (point->AudioEntry >= 0) {
        request.AudioEntry = point->AudioEntry;
        if (SourceKind == MediaKind::Bluray) {
            request.Launch.AudioChoice = point->AudioEntry;
            request.Launch.AudioPids = AudioPidsOf(SourceKey);
        } else {
            request.PendingAudioIndex = point->AudioEntry - 1;
        }
    }
    if (point->SubtitleEntry >= 0) {
        request.SubtitleEntry = point->SubtitleEntry;
        request.PendingSubtitleIndex = point->SubtitleEntry - 1;
    }
}

void DRUI::VideoPlay() {
    if (PlayPath.isEmpty() || !QFile::exists(PlayPath))
        return;
    if (PlayPath == CurrentPath) {
        if (Playing)
            PausePlay();
        else
            ResumePlay();
        return;
    }
    CurrentPath = PlayPath;
    PlayRequest request = BuildPlayRequest();
    ApplyResumePoint(request);
    PendingAudioIndex = request.PendingAudioIndex;
    PendingSubtitleIndex = request.PendingSubtitleIndex;

    PageStack->setCurrentIndex(PageIndex(Page::Video));
    PositionSlider->setEnabled(true);
    PositionSlider->setRange(0, int(qBound<qint64>(0, MediaDuration, qint64(INT_MAX))));
    PositionSlider->setValue(0);
    PositionAnswerCount = 0;
    SeekTarget = 0;
    if (SourceKind != MediaKind::Bluray) {
        TitleMenu->clear();
        ChapterMenu->clear();
    }
    AudioTrackCount = 0;
    SubtitleTrackCount = 0;
    const QList<QAction *> channels = AudioChannelMenu->actions();
    for (int i = 0; i < channels.size(); ++i) {
        channels[i]->setCheckable(i == 0);
        channels[i]->setChecked(i == 0);
    }
    // The track menu shows what the player was told to play.
    const PlayerLaunch &launch = request.Launch;
    if (launch.AudioChoice &&
        AudioSwitchArgument(launch.SourceKind, *launch.AudioChoice, launch.AudioPids)) {
        for (QAction *entry : AudioTrackMenu->actions()) {
            const bool chosen = entry->data().toInt() == *launch.AudioChoice;
            entry->setCheckable(entry->isCheckable() || chosen);
            entry->setChecked(chosen);
        }
    }

    Session->Start(request);
    if (request.StartSeconds > 0 && !request.StartNote.isEmpty())
        PositionSlider->setValue(request.StartSeconds);
    // It belongs to this request: a later file or title must not start there too.
    StartSeconds = 0;
    ChapterChosen = false;
    // After the start: the list is saved to disk (with a sync), which the first picture
    // need not wait for.
    RememberRecentPath(PlayPath);
    MarkNowPlaying();
    update();
}

void DRUI::MarkNowPlaying() {
    for (int row = 0; row < PlayList.size() && row < PlaylistPanel->rowCount(); ++row) {
        QTableWidgetItem *item = PlaylistPanel->item(row, 0);
        if (!item)
            continue;
        if (PlayList[row].Path == PlayPath) {
            PlaylistPanel->selectRow(row);
            PlaylistPanel->setFocus();
            item->setIcon(QIcon(QStringLiteral(":/image/playstatus.png")));
        } else {
            item->setIcon(QIcon());
        }
    }
}

void DRUI::DoRefreshGui() {
    Session->Tick();
}

void DRUI::MPlayerDataRecieve() {
    Session->ReadOutput();
}

void DRUI::OnPositionAnswer() {
    PositionText = QString::number(PositionMs / 1000);
    if (++PositionAnswerCount >= 5) {
        PositionSlider->setValue(int(PositionText.toLongLong()));
        PositionAnswerCount = 0;
    }
}

void DRUI::OnLengthAnswer() {
    PositionLabel->setText(ClockText(PositionText.toLongLong()) + QLatin1Char(' '));
    DurationLabel->setText(QLatin1Char(' ') + ClockText(MediaDuration));
}

void DRUI::HandleEndOfPlayback() {
    PositionSlider->setValue(0);
    PositionLabel->setText(QStringLiteral("00:00:00 "));
    DurationLabel->setText(QLatin1Char(' ') + ClockText(MediaDuration));
    CurrentPath.clear();
    StopBtn();
}

void DRUI::OnTracksAnnounced(const TrackReport &tracks) {
    AudioTrackCount = tracks.AudioCount;
    SubtitleTrackCount = tracks.SubtitleCount;
    if (tracks.AppliedSubtitleIndex >= 0)
        MarkChoice(SubtitleTrackMenu, tracks.AppliedSubtitleIndex);
    if (tracks.AppliedAudioIndex >= 0)
        MarkChoice(AudioTrackMenu, tracks.AppliedAudioIndex);
    // A Blu-ray title's audio menu is the disc's stream table, addressed by PID: streams the
    // player announces neither replace it nor move its choice.
    if (SourceKind != MediaKind::Bluray && AudioTrackCount > 0 &&
        AudioTrackMenu->actions().size() != AudioTrackCount + 1) {
        AudioTrackMenu->clear();
        AudioTrackMenu->addAction(QStringLiteral("Disable"))->setData(0);
        for (int n = 1; n <= AudioTrackCount; ++n)
            AudioTrackMenu->addAction(QStringLiteral("Audio %1").arg(n))->setData(n);
        // A choice just applied stays in force; the player may announce more streams than
        // a disc's table, which must not undo it.
        if (tracks.AppliedAudioIndex >= 0) {
            MarkChoice(AudioTrackMenu, tracks.AppliedAudioIndex);
        } else {
            MarkChoice(AudioTrackMenu, 0);
            Session->SwitchAudio(0, true);
        }
    }
    if (SubtitleTrackCount > 0 && SubtitleTrackMenu->actions().size() != SubtitleTrackCount + 1) {
        SubtitleTrackMenu->clear();
        SubtitleTrackMenu->addAction(QStringLiteral("Disable"))->setData(0);
        for (int n = 1; n <= SubtitleTrackCount; ++n)
            SubtitleTrackMenu->addAction(QStringLiteral("Subtitle %1").arg(n))->setData(n);
        MarkChoice(SubtitleTrackMenu, qMax(tracks.AppliedSubtitleIndex, -1));
    }
}

void DRUI::SliderSeek(int value) {
    SeekTarget = qMax(0, value);
}

void DRUI::SliderPress() {
    PositionAnswerCount = 0;
}

void DRUI::SliderRelease() {
    if (Session->HasPlayer()) {
        Session->Seek(SeekTarget);
        PositionSlider->setValue(SeekTarget);
        PositionText = QString::number(PositionMs / 1000);
        PositionLabel->setText(ClockText(SeekTarget));
    }
    PositionAnswerCount = 0;
}

void DRUI::SliderMouseLButtonPress(QObject *watched, QEvent *event) {
    auto *slider = qobject_cast<QSlider *>(watched);
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (!slider || mouse->button() != Qt::LeftButton || slider->width() <= 0)
        return;
    const double fraction = mouse->position().x() / double(slider->width());
    const int value =
        int(slider->minimum() + fraction * double(slider->maximum() - slider->minimum()));
    if (value == slider->sliderPosition())
        return;
    if (slider == PositionSlider) {
        SeekTarget = qMax(0, value);
        slider->setSliderPosition(value);
        SliderRelease();
    } else if (slider == VolumeSlider) {
        VolumeSliderSeek(value);
    }
}

void DRUI::PausePlay() {
    Session->Pause();
}

void DRUI::ResumePlay() {
    Session->Resume();
}

void DRUI::StopBtn() {
    if (Session->HasPlayer()) {
        Session->Stop();
        PositionLabel->setText(QStringLiteral("00:00:00 "));
    }
    NowPlayingLabel->clear();
    CurrentPath.clear();
    if (PageStack->currentIndex() == PageIndex(Page::Video))
        PageStack->setCurrentIndex(PageIndex(Page::Start));
    PositionSlider->setValue(0);
    PositionSlider->setEnabled(false);
}

void DRUI::Snapshot() {
    Session->Snapshot();
}
