#include "player/PlaybackSession.h"

#include "player/PictureShape.h"
#include "player/ShotReport.h"
#include "player/SlaveCommands.h"

#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <utility>

PlaybackSession::PlaybackSession(int tickMs, std::function<void(QProcess &)> prepare,
                                 QObject *parent)
    : QObject(parent), m_prepare(std::move(prepare)), m_tickMs(tickMs), m_timer(new QTimer(this)),
      m_quitGuard(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("RefreshTimer"));
    connect(m_timer, &QTimer::timeout, this, &PlaybackSession::Tick);
    m_quitGuard->setSingleShot(true);
    connect(m_quitGuard, &QTimer::timeout, this, [this] {
        if (m_state == PlaybackState::Stopping && m_process)
            m_process->kill();
    });
}

PlaybackSession::~PlaybackSession() {
    // No player outlives its session: it would play on with nobody reading its output.
    DropProcess();
}

bool PlaybackSession::HasPlayer() const {
    return m_state == PlaybackState::Playing || m_state == PlaybackState::Paused;
}

void PlaybackSession::SetState(PlaybackState state) {
    if (state == m_state)
        return;
    m_state = state;
    if (state == PlaybackState::Playing) {
        if (!m_timer->isActive())
            m_timer->start(m_tickMs);
    } else {
        m_timer->stop();
    }
    if (state != PlaybackState::Stopping)
        m_quitGuard->stop();
    emit StateChanged(state);
}

void PlaybackSession::Send(const QByteArray &command) {
    // A player that has already gone simply receives nothing.
    if (m_process && m_process->state() != QProcess::NotRunning)
        m_process->write(command);
}

void PlaybackSession::Start(const PlayRequest &request) {
    // Replaced, not quit: its end must not be taken for the end of the new item.
    DropProcess();
    SetState(PlaybackState::Idle);
    m_request = request;
    m_output.Reset();
    m_audioCount = 0;
    m_subtitleCount = 0;
    m_discSubtitles = DiscSubtitles();
    if (IsDisc() && request.PendingSubtitleIndex >= 0) {
        const int pid = request.SubtitlePids.value(request.PendingSubtitleIndex, -1);
        if (pid >= 0)
            m_discSubtitles.Choose(pid);
    }
    m_positionMs = 0;
    m_answeredMs = -1;
    m_endReported = false;
    ++m_serial;
    if (std::exchange(m_volume, request.Volume) != request.Volume)
        emit VolumeChanged(request.Volume);

    auto *process = new QProcess;
    process->setObjectName(QStringLiteral("PlayerProcess"));
    m_process = process;
    connect(process, &QProcess::readyReadStandardOutput, this, &PlaybackSession::ReadOutput);
    // Queued: a start failure may be reported inside start(). The guard tells a deleted
    // player from a later one at the same address.
    const QPointer<QProcess> guard(process);
    connect(
        process, &QProcess::finished, this,
        [this, guard](int, QProcess::ExitStatus status) {
            if (guard)
                OnFinished(guard, status == QProcess::CrashExit);
        },
        Qt::QueuedConnection);
    connect(
        process, &QProcess::errorOccurred, this,
        [this, guard](QProcess::ProcessError error) {
            if (guard && guard == m_process && error == QProcess::FailedToStart)
                Finish(true, false);
        },
        Qt::QueuedConnection);
    // MPlayer floods its error output when no video output works; nobody reads it.
    process->setStandardErrorFile(QProcess::nullDevice());
    if (m_prepare)
        m_prepare(*process);
    process->setWorkingDirectory(PlayerWorkingDirectory(request.Launch));
    m_reading = true;
    process->start(request.Program, BuildPlayerArguments(request.Launch), QIODevice::ReadWrite);
    SetState(PlaybackState::Playing);
    emit Started();
    emit ClockMoved(m_positionMs);

    Send(slave::Volume(request.Volume));
    if (request.StartSeconds > 0) {
        Send(slave::Seek(request.StartSeconds));
        m_positionMs = qint64(request.StartSeconds) * 1000;
        emit ClockMoved(m_positionMs);
        emit Seeked(m_positionMs);
        if (!request.StartNote.isEmpty())
            Send(slave::OsdText(request.StartNote, StartNoteMs));
    }
}

void PlaybackSession::Pause() {
    if (m_state != PlaybackState::Playing)
        return;
    Send(slave::Pause());
    // Its output waits in the process until playback resumes.
    m_reading = false;
    SetState(PlaybackState::Paused);
}

void PlaybackSession::Resume() {
    if (!HasPlayer())
        return;
    m_reading = true;
    m_timer->start(m_tickMs);
    SetState(PlaybackState::Playing);
}

void PlaybackSession::Stop() {
    if (!HasPlayer())
        return;
    Send(slave::Quit());
    SetState(PlaybackState::Stopping);
    m_quitGuard->start(QuitGraceMs);
}

void PlaybackSession::Close() {
    if (!m_process)
        return;
    if (HasPlayer())
        Send(slave::Quit());
    // Its "(Quit)" may come in during the wait: that is no end of playback to report.
    m_reading = false;
    // A moment to end cleanly on the quit; the kill is for one that hangs.
    m_process->waitForBytesWritten(500);
    m_process->waitForFinished(1000);
    DropProcess();
    SetState(PlaybackState::Idle);
}

void PlaybackSession::Seek(int seconds) {
    if (!HasPlayer())
        return;
    Send(slave::Seek(seconds));
    m_positionMs = qint64(seconds) * 1000;
    m_answeredMs = -1;
    emit ClockMoved(m_positionMs);
    // A seek always leaves the player running: the command itself ends its pause.
    Resume();
    emit Seeked(m_positionMs);
}

void PlaybackSession::SetVolume(int value) {
    if (HasPlayer())
        Send(slave::VolumeKeepPaused(value));
    if (std::exchange(m_volume, value) != value)
        emit VolumeChanged(value);
}

void PlaybackSession::SetMuted(bool muted) {
    if (HasPlayer())
        Send(muted ? slave::Mute() : slave::Unmute());
    const int value = muted ? 0 : 50;
    if (std::exchange(m_volume, value) != value)
        emit VolumeChanged(value);
}

void PlaybackSession::SwitchAudio(int index, bool keepPaused) {
    if (HasPlayer())
        Send(keepPaused ? slave::SwitchAudioKeepPaused(index) : slave::SwitchAudio(index));
}

void PlaybackSession::SwitchSubtitle(int index, bool keepPaused) {
    if (IsDisc()) {
        const int pid = index < 0 ? DiscSubtitles::Off : m_request.SubtitlePids.value(index, -1);
        // An entry without a PID names no stream MPlayer knows.
        if (HasPlayer() && (index < 0 || pid >= 0))
            SendDiscSubtitle(m_discSubtitles.Choose(pid));
        return;
    }
    if (HasPlayer())
        Send(keepPaused ? slave::SubDemuxKeepPaused(index) : slave::SubDemux(index));
}

void PlaybackSession::SetBalance(int position) {
    if (HasPlayer())
        Send(slave::Balance(position));
}

void PlaybackSession::Snapshot() {
    if (!HasPlayer())
        return;
    m_output.ShotRequested();
    Send(slave::Screenshot());
}

void PlaybackSession::Tick() {
    if (m_state != PlaybackState::Playing)
        return;
    m_positionMs += ClockStepMs;
    emit ClockMoved(m_positionMs);
    if (m_output.Tick()) {
        // It said it ended and has answered nothing since: taken at its word.
        m_endReported = true;
        emit ReachedEnd();
        Stop();
        emit Ended();
        return;
    }
    Send(slave::GetTimeLength());
    Send(slave::GetTimePos());
}

void PlaybackSession::ReadOutput() {
    // Read in pieces and cut into lines here: the process's own line reading rescans its whole
    // buffer, and output without line ends would pile up there without bound.
    constexpr qint64 kChunk = 64 * 1024;
    const quint64 serial = m_serial;
    const auto current = [this, serial] { return m_process && m_serial == serial && m_reading; };
    QList<QByteArray> lines;
    while (current() && m_process->bytesAvailable() > 0) {
        lines.clear();
        m_output.Lines.Feed(m_process->read(kChunk), lines);
        for (const QByteArray &line : std::as_const(lines)) {
            if (!m_process || m_serial != serial)
                return;
            HandleLine(line);
        }
    }
}

void PlaybackSession::HandleLine(const QByteArray &line) {
    const LineKind kind = m_output.Classify(line);
    switch (kind) {
    case LineKind::PositionAnswer:
        m_output.AnswerSeen();
        if (const std::optional<double> seconds = AnswerSeconds(line))
            m_answeredMs = qint64(*seconds * 1000);
        emit PositionAnswered();
        break;
    case LineKind::LengthAnswer: {
        m_output.AnswerSeen();
        // Files and Blu-ray titles know their length before they start; a DVD learns it here.
        const int length = LengthFromAnswer(line);
        if (m_request.Launch.SourceKind == MediaKind::Dvd && m_request.LengthSeconds == 0) {
            m_request.LengthSeconds = length;
            emit LengthKnown(length);
        }
        emit LengthAnswered();
        break;
    }
    case LineKind::PercentAnswer:
        m_output.AnswerSeen();
        break;
    case LineKind::NewItem:
        m_audioCount = 0;
        m_subtitleCount = 0;
        break;
    case LineKind::EndOfFile:
    case LineKind::Quit:
        // The answer to our own "q" ends with the process. Any other end line waits for the
        // player to end too, since a tag can print the same text.
        if (m_state == PlaybackState::Stopping)
            break;
        if (m_process->state() == QProcess::NotRunning)
            Finish(false, false);
        else
            m_output.EndLineSeen();
        break;
    case LineKind::Screenshot: {
        // Only a report we asked for, naming one of the player's own shot files: anything
        // else may come from a tag or a file name and must not make us read or delete a file.
        const QString shot = PlayerShotFile(line, m_request.Launch.AppDataFolder);
        if (!shot.isEmpty() && m_output.TakeShotRequest())
            emit ShotReported(shot);
        break;
    }
    case LineKind::AudioStream:
        if (m_subtitleCount == 0 && m_audioCount < MaxTrackCount)
            ++m_audioCount;
        break;
    case LineKind::SubtitleStream:
        if (m_subtitleCount < MaxTrackCount)
            ++m_subtitleCount;
        break;
    case LineKind::VideoOpened:
        HandleVideoOpened();
        break;
    case LineKind::SubtitleMet:
        if (IsDisc()) {
            if (const std::optional<int> pid = SubtitleIdFromLine(line))
                SendDiscSubtitle(m_discSubtitles.StreamMet(*pid));
        }
        break;
    case LineKind::PlaybackBegun:
        if (IsDisc())
            SendDiscSubtitle(m_discSubtitles.PlaybackBegun());
        break;
    case LineKind::Other:
        // A tag could imitate the video output's line, but tags come before the player's own,
        // which wins.
        if (m_output.ReadTitleTag(line))
            emit TitleTagged();
        else if (const std::optional<QSize> display = DisplaySizeFromLine(line))
            emit PictureShaped(*display);
        break;
    }
}

void PlaybackSession::HandleVideoOpened() {
    // By now the player has announced its streams: the remembered choices can be applied.
    TrackReport tracks;
    tracks.AudioCount = m_audioCount;
    tracks.SubtitleCount = m_subtitleCount;
    // A Blu-ray title's subtitle waits for its stream instead (SubtitleMet).
    tracks.AppliedSubtitleIndex = IsDisc() ? -1 : m_request.PendingSubtitleIndex;
    tracks.AppliedAudioIndex = m_request.PendingAudioIndex;
    if (tracks.AppliedSubtitleIndex >= 0)
        Send(slave::SubDemux(tracks.AppliedSubtitleIndex));
    if (tracks.AppliedAudioIndex >= 0)
        Send(slave::SwitchAudio(tracks.AppliedAudioIndex));
    emit TracksAnnounced(tracks);
}

void PlaybackSession::SendDiscSubtitle(std::optional<int> subDemux) {
    // pausing_keep: a player paused meanwhile stays paused.
    if (subDemux)
        Send(slave::SubDemuxKeepPaused(*subDemux));
}

void PlaybackSession::OnFinished(QProcess *process, bool crashed) {
    if (process != m_process)
        return;
    // Lines written just before the end are still buffered (not read while paused).
    const quint64 serial = m_serial;
    ReadOutput();
    if (m_process != process || m_serial != serial)
        return;
    Finish(false, crashed);
}

void PlaybackSession::Finish(bool failedToStart, bool crashed) {
    const bool stopping = m_state == PlaybackState::Stopping;
    if (!failedToStart && !crashed && !stopping && !m_endReported)
        emit ReachedEnd();
    DropProcess();
    SetState(PlaybackState::Idle);
    if (failedToStart)
        emit Failed(PlaybackFailure::FailedToStart);
    else if (crashed && !stopping)
        emit Failed(PlaybackFailure::Crashed);
    else if (!std::exchange(m_endReported, true))
        emit Ended();
}

void PlaybackSession::DropProcess() {
    QProcess *process = std::exchange(m_process, nullptr);
    if (!process)
        return;
    m_reading = false;
    m_quitGuard->stop();
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(3000);
    }
    delete process;
}
