#include "ui/DRUI.h"

#include "platform/Programs.h"
#include "player/Clock.h"
#include "player/OutputParser.h"
#include "player/PlayerArgs.h"
#include "player/SlaveCommands.h"
#include "snapshot/SnapshotPaths.h"
#include "snapshot/SnapshotSaver.h"
#include "ui/UiText.h"

#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTimer>

namespace {

constexpr int kRefreshIntervalMs = 500;
// The clock runs on its own between answers; 507 ms per 500 ms tick keeps it close to the
// player's position over an evening's film.
constexpr qint64 kClockStepMs = 507;

QString ClockText(qint64 seconds) {
    return QString::fromLatin1(FormatClock(seconds));
}

} // namespace

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

    KillPlayer();

    // A stored choice n (menu entry number) becomes track index n - 1; none gives -2. A
    // Blu-ray title's choice goes into the player's arguments instead: its demuxer knows
    // streams by PID, and index n - 1 would name none of them and silence the title.
    PendingAudioIndex = SourceKind == SourceBluray ? -1 : AudioChoiceByKey.value(SourceKey, -1) - 1;
    PendingSubtitleIndex = SubtitleChoiceByKey.value(SourceKey, -1) - 1;

    PageStack->setCurrentIndex(PageVideo);
    PositionSlider->setEnabled(true);
    PositionSlider->setRange(0, int(qBound<qint64>(0, MediaDuration, qint64(INT_MAX))));
    PositionSlider->setValue(0);
    PositionAnswerCount = 0;
    SeekTarget = 0;
    Stopped = false;
    if (SourceKind != SourceBluray) {
        TitleMenu->clear();
        ChapterMenu->clear();
    }

    auto *process = new QProcess;
    process->setObjectName(QStringLiteral("PlayerProcess"));
    PlayerProcess = process;
    ConnectParser();
    // Queued: a start failure may be reported inside start(), before this slot has finished.
    // A queued call outlives a disconnect, and a later player may get the same address: the
    // guard tells a deleted player from the current one.
    const QPointer<QProcess> guard(process);
    connect(
        process, &QProcess::finished, this,
        [this, guard] {
            if (guard)
                OnPlayerFinished(guard);
        },
        Qt::QueuedConnection);
    connect(
        process, &QProcess::errorOccurred, this,
        [this, guard](QProcess::ProcessError error) {
            if (guard && error == QProcess::FailedToStart)
                OnPlayerFinished(guard);
        },
        Qt::QueuedConnection);

    AudioTrackCount = 0;
    SubtitleTrackCount = 0;
    PlayerOutput.Reset();
    PositionMs = 0;

    const QList<QAction *> channels = AudioChannelMenu->actions();
    for (int i = 0; i < channels.size(); ++i) {
        channels[i]->setCheckable(i == 0);
        channels[i]->setChecked(i == 0);
    }

    PlayerLaunch launch;
    launch.PlayPath = PlayPath;
    launch.SourceKind = SourceKind;
    launch.UseBlurayTitle = UseBlurayTitle;
    if (BlurayTitleByKey.contains(SourceKey))
        launch.BlurayTitle = BlurayTitleByKey.value(SourceKey);
    if (SourceKind == SourceBluray && AudioChoiceByKey.contains(SourceKey)) {
        const int choice = AudioChoiceByKey.value(SourceKey);
        launch.AudioChoice = choice;
        launch.AudioPids = AudioPidsOf(SourceKey);
        // The track menu shows what the player was told to play.
        if (AudioSwitchArgument(SourceKind, choice, launch.AudioPids)) {
            for (QAction *entry : AudioTrackMenu->actions()) {
                const bool chosen = entry->data().toInt() == choice;
                entry->setCheckable(entry->isCheckable() || chosen);
                entry->setChecked(chosen);
            }
        }
    }
    launch.WindowId = quint64(VideoLabel->winId());
    launch.AppDataFolder = AppDataFolder;

    // MPlayer floods its error output when no video output works; nobody reads it.
    process->setStandardErrorFile(QProcess::nullDevice());
    platform::TieChildToParent(*process);
    process->setWorkingDirectory(PlayerWorkingDirectory(launch));
    process->start(platform::PlayerProgram(), BuildPlayerArguments(launch), QIODevice::ReadWrite);
    // After the start: the list is saved to disk (with a sync), which the first picture
    // need not wait for.
    RememberRecentPath(PlayPath);

    SetButtonImage(PlayButton, QStringLiteral(":/image/pause.png"));
    PlayPauseAction->setText(ui::Caption("MainWnd/Pause"));
    PlayPauseAction->setData(QStringLiteral("Pause"));
    Playing = true;

    SendCommand(slave::Volume(VolumeSlider->value()));
    if (StartSeconds > 0) {
        SendCommand(slave::Seek(StartSeconds));
        PositionMs = qint64(StartSeconds) * 1000;
        emit PositionJumped();
        // It belongs to this request: a later file or title must not start there too.
        StartSeconds = 0;
    }
    RefreshTimer->start(kRefreshIntervalMs);
    MarkNowPlaying();
    update();
    emit PlaybackStateChanged();
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

void DRUI::SendCommand(const QByteArray &command) {
    // A player that has already gone simply receives nothing.
    if (PlayerProcess && PlayerProcess->state() != QProcess::NotRunning)
        PlayerProcess->write(command);
}

void DRUI::ConnectParser() {
    if (PlayerProcess)
        connect(PlayerProcess, &QProcess::readyReadStandardOutput, this, &DRUI::MPlayerDataRecieve,
                Qt::UniqueConnection);
}

void DRUI::DisconnectParser() {
    if (PlayerProcess)
        disconnect(PlayerProcess, &QProcess::readyReadStandardOutput, this,
                   &DRUI::MPlayerDataRecieve);
}

void DRUI::OnPlayerFinished(QProcess *process) {
    // Only the current player counts; one killed on purpose was disconnected before.
    if (process != PlayerProcess)
        return;
    // Lines written just before the end are still buffered: read them first (not while
    // paused, when the parser is off).
    if (Playing)
        MPlayerDataRecieve();
    if (process != PlayerProcess || Stopped)
        return;
    // It ended without an end line (crash, killed from outside, failed to start): without
    // this the window would stay "playing" with the clock running for ever.
    HandleEndOfPlayback();
}

void DRUI::DoRefreshGui() {
    if (!PlayerProcess)
        return;
    PositionMs += kClockStepMs;
    if (PlayerOutput.Tick()) {
        // It said it ended and has answered nothing since.
        HandleEndOfPlayback();
        return;
    }
    SendCommand(slave::GetTimeLength());
    SendCommand(slave::GetTimePos());
}

void DRUI::MPlayerDataRecieve() {
    // Read in pieces and cut into lines here: the process's own line reading rescans its whole
    // buffer, and output without line ends would pile up there without bound.
    constexpr qint64 kChunk = 64 * 1024;
    QList<QByteArray> lines;
    QProcess *const process = PlayerProcess;
    while (process && process == PlayerProcess && process->bytesAvailable() > 0) {
        lines.clear();
        PlayerOutput.Lines.Feed(process->read(kChunk), lines);
        for (const QByteArray &line : std::as_const(lines)) {
            if (process != PlayerProcess)
                return;
            HandlePlayerLine(line);
        }
    }
}

void DRUI::HandlePlayerLine(const QByteArray &line) {
    const LineKind kind = PlayerOutput.Classify(line);
    if (kind == LineKind::PositionAnswer || kind == LineKind::LengthAnswer ||
        kind == LineKind::PercentAnswer)
        PlayerOutput.AnswerSeen();
    switch (kind) {
    case LineKind::PositionAnswer:
        PositionText = QString::number(PositionMs / 1000);
        if (++PositionAnswerCount >= 5) {
            PositionSlider->setValue(int(PositionText.toLongLong()));
            PositionAnswerCount = 0;
        }
        break;
    case LineKind::LengthAnswer: {
        const int length = LengthFromAnswer(line);
        if (SourceKind == SourceDvd && MediaDuration == 0) {
            MediaDuration = length;
            PositionSlider->setRange(0, length);
            emit PlaybackStateChanged();
        }
        PositionLabel->setText(ClockText(PositionText.toLongLong()) + QLatin1Char(' '));
        DurationLabel->setText(QLatin1Char(' ') + ClockText(MediaDuration));
        break;
    }
    case LineKind::PercentAnswer:
        break;
    case LineKind::NewItem:
        AudioTrackCount = 0;
        SubtitleTrackCount = 0;
        break;
    case LineKind::EndOfFile:
    case LineKind::Quit:
        // The answer to our own "q" is expected; any other end line waits for the player
        // to end (OnPlayerFinished), since a tag can print the same text.
        if (Stopped || PlayerProcess->state() == QProcess::NotRunning)
            HandleEndOfPlayback();
        else
            PlayerOutput.EndLineSeen();
        break;
    case LineKind::Screenshot:
        HandleSnapshotLine(line);
        break;
    case LineKind::AudioStream:
        if (SubtitleTrackCount == 0 && AudioTrackCount < MaxTrackCount)
            ++AudioTrackCount;
        break;
    case LineKind::SubtitleStream:
        if (SubtitleTrackCount < MaxTrackCount)
            ++SubtitleTrackCount;
        break;
    case LineKind::VideoOpened:
        HandleVideoOpened();
        break;
    case LineKind::Other:
        break;
    }
}

void DRUI::HandleEndOfPlayback() {
    PositionSlider->setValue(0);
    PositionLabel->setText(QStringLiteral("00:00:00 "));
    DurationLabel->setText(QLatin1Char(' ') + ClockText(MediaDuration));
    SetButtonImage(PlayButton, QStringLiteral(":/image/play.png"));
    CurrentPath.clear();
    Playing = false;
    StopBtn();
}

void DRUI::HandleSnapshotLine(const QByteArray &line) {
    // Only a report we asked for, naming one of the player's own shot files: anything else
    // may come from a tag or a file name and must not make us read or delete a file.
    const QString shot = PlayerShotFile(line, AppDataFolder);
    if (shot.isEmpty() || !PlayerOutput.TakeShotRequest())
        return;
    const QString target = SnapshotTargetName(ReadSnapshotFolder(AppDataFolder),
                                              QDateTime::currentDateTime(), SnapshotFormat);
    SaveSnapshot(shot, target, SnapshotFormat);
}

void DRUI::HandleVideoOpened() {
    const auto markChoice = [](QMenu *menu, int index) {
        const QList<QAction *> entries = menu->actions();
        for (int i = 0; i < entries.size(); ++i) {
            if (i == index + 1) {
                entries[i]->setCheckable(true);
                entries[i]->setChecked(true);
            } else {
                entries[i]->setChecked(false);
            }
        }
    };
    if (PendingSubtitleIndex >= 0) {
        SendCommand(slave::SubDemux(PendingSubtitleIndex));
        markChoice(SubtitleTrackMenu, PendingSubtitleIndex);
    }
    if (PendingAudioIndex >= 0) {
        SendCommand(slave::SwitchAudio(PendingAudioIndex));
        markChoice(AudioTrackMenu, PendingAudioIndex);
    }
    // A Blu-ray title's audio menu is the disc's stream table, addressed by PID: streams the
    // player announces neither replace it nor move its choice.
    if (SourceKind != SourceBluray && AudioTrackCount > 0 &&
        AudioTrackMenu->actions().size() != AudioTrackCount + 1) {
        AudioTrackMenu->clear();
        AudioTrackMenu->addAction(QStringLiteral("Disable"))->setData(0);
        for (int n = 1; n <= AudioTrackCount; ++n)
            AudioTrackMenu->addAction(QStringLiteral("Audio %1").arg(n))->setData(n);
        // A choice made for this title (a Blu-ray disc page) was just sent and stays in force;
        // the player may announce more streams than the disc's table, which must not undo it.
        if (PendingAudioIndex >= 0) {
            markChoice(AudioTrackMenu, PendingAudioIndex);
        } else {
            markChoice(AudioTrackMenu, 0);
            SendCommand(slave::SwitchAudioKeepPaused(0));
        }
    }
    if (SubtitleTrackCount > 0 && SubtitleTrackMenu->actions().size() != SubtitleTrackCount + 1) {
        SubtitleTrackMenu->clear();
        SubtitleTrackMenu->addAction(QStringLiteral("Disable"))->setData(0);
        for (int n = 1; n <= SubtitleTrackCount; ++n)
            SubtitleTrackMenu->addAction(QStringLiteral("Subtitle %1").arg(n))->setData(n);
        markChoice(SubtitleTrackMenu, qMax(PendingSubtitleIndex, -1));
    }
}

void DRUI::SliderSeek(int value) {
    SeekTarget = qMax(0, value);
}

void DRUI::SliderPress() {
    PositionAnswerCount = 0;
}

void DRUI::SliderRelease() {
    if (PlayerProcess && !Stopped) {
        SendCommand(slave::Seek(SeekTarget));
        PositionSlider->setValue(SeekTarget);
        PositionMs = qint64(SeekTarget) * 1000;
        PositionText = QString::number(PositionMs / 1000);
        PositionLabel->setText(ClockText(SeekTarget));
        ResumePlay();
        emit PositionJumped();
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
    if (!PlayerProcess)
        return;
    RefreshTimer->stop();
    SendCommand(slave::Pause());
    SetButtonImage(PlayButton, QStringLiteral(":/image/play.png"));
    DisconnectParser();
    Playing = false;
    PlayPauseAction->setText(ui::Caption("MainWnd/Resume"));
    PlayPauseAction->setData(QStringLiteral("Resume"));
    emit PlaybackStateChanged();
}

void DRUI::ResumePlay() {
    if (!PlayerProcess)
        return;
    RefreshTimer->start(kRefreshIntervalMs);
    ConnectParser();
    SetButtonImage(PlayButton, QStringLiteral(":/image/pause.png"));
    Playing = true;
    PlayPauseAction->setText(ui::Caption("MainWnd/Pause"));
    PlayPauseAction->setData(QStringLiteral("Pause"));
    emit PlaybackStateChanged();
}

void DRUI::StopBtn() {
    if (QuitPlayer())
        PositionLabel->setText(QStringLiteral("00:00:00 "));
    Stopped = true;
    NowPlayingLabel->clear();
    CurrentPath.clear();
    if (PageStack->currentIndex() == PageVideo)
        PageStack->setCurrentIndex(PageStart);
    PositionSlider->setValue(0);
    PositionSlider->setEnabled(false);
    emit PlaybackStateChanged();
}

bool DRUI::QuitPlayer() {
    if (!PlayerProcess)
        return false;
    RefreshTimer->stop();
    SendCommand(slave::Quit());
    Stopped = true;
    emit PlaybackStateChanged();
    return true;
}

void DRUI::Snapshot() {
    if (PlayerProcess && PlayerProcess->state() != QProcess::NotRunning)
        PlayerOutput.ShotRequested();
    SendCommand(slave::Screenshot());
}
