#pragma once

#include "player/DiscSubtitles.h"
#include "player/Kinds.h"
#include "player/OutputParser.h"
#include "player/PlayerArgs.h"

#include <QObject>
#include <QSize>
#include <QString>
#include <functional>

class QProcess;
class QTimer;

// Everything one playback needs, filled by whoever wants something played.
struct PlayRequest {
    QString Program; // the player program
    PlayerLaunch Launch;
    QString Title;            // the item's name as the window shows it
    QString ArtFile;          // a picture of the item (a disc's thumbnail); empty: none
    qint64 LengthSeconds = 0; // 0: unknown; a DVD learns it from the player
    int Volume = 50;
    int StartSeconds = 0; // > 0: seek there right after the start
    // 0-based track indexes to apply once the player has announced its streams; negative: none.
    int PendingAudioIndex = -1;
    int PendingSubtitleIndex = -1;
    // What resuming knows the item by (empty: not remembered), and the track-menu entries it
    // starts with (-1: none), kept with its position.
    QString ResumeKey;
    int AudioEntry = -1;
    int SubtitleEntry = -1;
    QString StartNote; // shown on the picture once it plays from StartSeconds
    // A Blu-ray title's subtitle PIDs in its stream table's order (-1: not known). For such a
    // title PendingSubtitleIndex and SwitchSubtitle name an entry of this table.
    QList<int> SubtitlePids;
};

enum class PlaybackState {
    Idle,     // no player
    Playing,  // the player runs and the clock with it
    Paused,   // the player holds; the clock stands, its output waits
    Stopping, // told to quit; nothing more is asked of it
};

enum class PlaybackFailure { FailedToStart, Crashed };

// The streams the player announced for its item, reported at its "VIDEO: " line, and the
// choices that were applied then.
struct TrackReport {
    int AudioCount = 0;
    int SubtitleCount = 0;
    int AppliedAudioIndex = -1;
    int AppliedSubtitleIndex = -1;
};

// The link to the player: one process at a time, its output read line by line, the refresh
// tick with the position clock, and the one playback state. The window and the remote
// control ask for everything through its verbs and follow its signals; neither touches the
// process.
class PlaybackSession : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultTickMs = 500;
    // The clock runs on its own between answers; 507 ms per 500 ms tick keeps it close to the
    // player's position over an evening's film.
    static constexpr qint64 ClockStepMs = 507;
    // A player that does not end this long after "q" is killed.
    static constexpr int QuitGraceMs = 3000;
    static constexpr int StartNoteMs = 4000;

    // tickMs: the refresh period (a test may pass a long one and call Tick itself);
    // prepare: applied to each player process before it starts.
    explicit PlaybackSession(int tickMs = DefaultTickMs,
                             std::function<void(QProcess &)> prepare = {},
                             QObject *parent = nullptr);
    ~PlaybackSession() override;

    PlaybackState State() const { return m_state; }
    // The one answer to "is there a player to talk to": playing or paused.
    bool HasPlayer() const;
    // The running player, for looking at only; null when Idle.
    QProcess *Process() const { return m_process; }
    QTimer *RefreshTimer() const { return m_timer; }
    qint64 PositionMs() const { return m_positionMs; }
    // The player's own last answer since the start or the last seek, else the clock.
    qint64 PlayerPositionMs() const { return m_answeredMs >= 0 ? m_answeredMs : m_positionMs; }
    qint64 LengthSeconds() const { return m_request.LengthSeconds; }
    const PlayRequest &Request() const { return m_request; }
    // Grows with every start: tells one item played from the next.
    quint64 ItemSerial() const { return m_serial; }
    int Volume() const { return m_volume; }
    int AudioTrackCount() const { return m_audioCount; }
    int SubtitleTrackCount() const { return m_subtitleCount; }
    // The item's own title tag, once the player has listed it; empty before or without one.
    QString TitleTag() const { return QString::fromLocal8Bit(m_output.TitleTag()); }

    // Ends any player at once (no quit, no end reported) and starts the request's.
    void Start(const PlayRequest &request);
    void Pause();
    // Also restarts the tick period while playing. Sends nothing: the player leaves its pause
    // on the next command without "pausing".
    void Resume();
    // Asks the player to quit; Idle (and Ended) once it has gone.
    void Stop();
    // Quits, waits a bounded time for the player to go, then kills it; reports no end.
    void Close();
    // Absolute seek; the clock jumps there and playback resumes.
    void Seek(int seconds);
    void SetVolume(int value); // also kept while no player runs
    void SetMuted(bool muted); // the volume becomes 0, or 50
    void SwitchAudio(int index, bool keepPaused);
    // index: the track, -1 off. A Blu-ray title's stream is shown once the player has met it.
    void SwitchSubtitle(int index, bool keepPaused);
    // A Blu-ray title's subtitle choice that waits for its stream to be met.
    bool SubtitleChoicePending() const { return m_discSubtitles.Pending(); }
    void SetBalance(int position);
    void Snapshot();
    // One refresh tick: the clock moves, a claimed end may be taken, the player is asked for
    // its length and position.
    void Tick();
    // Reads and acts on the complete lines the player has written (not while paused).
    void ReadOutput();

signals:
    void StateChanged(PlaybackState state);
    void Started();                   // a new item; the request holds it
    void ClockMoved(qint64 ms);       // every tick, seek and start
    void Seeked(qint64 ms);           // a jump, not playing on
    void LengthAnswered();            // the labels are due
    void PositionAnswered();          // the slider may follow
    void LengthKnown(qint64 seconds); // a DVD's length, from the player
    void TracksAnnounced(const TrackReport &tracks);
    void ShotReported(const QString &shotFile);
    void Ended();
    void ReachedEnd(); // just before Ended, when the item played to its end
    void Failed(PlaybackFailure failure);
    void VolumeChanged(int value);
    void TitleTagged();                // TitleTag() is known
    void PictureShaped(QSize display); // the picture's display size, when its output opens

private:
    void SetState(PlaybackState state);
    void Send(const QByteArray &command);
    void HandleLine(const QByteArray &line);
    void HandleVideoOpened();
    bool IsDisc() const { return m_request.Launch.SourceKind == MediaKind::Bluray; }
    void SendDiscSubtitle(std::optional<int> subDemux);
    void OnFinished(QProcess *process, bool crashed);
    void Finish(bool failedToStart, bool crashed);
    void DropProcess();

    std::function<void(QProcess &)> m_prepare;
    int m_tickMs;
    QTimer *m_timer;
    QTimer *m_quitGuard;
    QProcess *m_process = nullptr;
    PlaybackState m_state = PlaybackState::Idle;
    PlayRequest m_request;
    PlayerOutputState m_output;
    bool m_reading = false; // off while paused: its output waits in the process
    bool m_endReported = false;
    qint64 m_positionMs = 0;
    qint64 m_answeredMs = -1;
    quint64 m_serial = 0;
    int m_volume = 50;
    int m_audioCount = 0;
    int m_subtitleCount = 0;
    DiscSubtitles m_discSubtitles;
};
