#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

class PlaybackSession;

// Where an item was left, and the track-menu entries it played with (-1: none chosen).
struct ResumePoint {
    int Seconds = 0;
    int AudioEntry = -1;
    int SubtitleEntry = -1;
};

// The remembered positions, one per item key, oldest first. The file is the user's, but it may
// be damaged or planted: reading is bounded, and what does not parse is left out.
class ResumeStore {
public:
    static constexpr int MaxEntries = 1000;
    static constexpr qint64 MaxReadBytes = 1024 * 1024;
    // Short clips start over; so does a position next to either end.
    static constexpr qint64 MinLengthSeconds = 180;
    static constexpr int EdgeSeconds = 10;

    explicit ResumeStore(QString filePath = QString()) : m_path(std::move(filePath)) {}

    void Load();
    // Written aside and renamed: a crash mid-write keeps the previous file.
    bool Save() const;

    std::optional<ResumePoint> Find(const QString &key) const;
    // Remembers the point when it is worth resuming, else forgets the key; true on a change.
    bool Note(const QString &key, const ResumePoint &point, qint64 lengthSeconds);
    bool Forget(const QString &key);
    int Count() const { return int(m_entries.size()); }

private:
    struct Entry {
        QString Key;
        ResumePoint Point;
    };
    QString m_path;
    QList<Entry> m_entries;
};

// A file's key: its canonical path, size and modification time, so a replaced file starts
// over. Empty for anything but an existing regular file.
QString FileResumeKey(const QString &path);

// A disc's identity from its own bytes: a digest over its playlists (Blu-ray) or its IFO files
// (DVD), so a copy in another folder or drive is the same disc and another disc mounted at the
// same place is not. `folder` holds BDMV or VIDEO_TS; empty when nothing could be read.
QString DiscIdentity(const QString &folder);

// The "Resume Playback" tick, kept in the user's config.ini beside the language choice; on
// unless it was turned off.
bool ReadResumeSetting(const QString &appDataFolder);
bool WriteResumeSetting(const QString &appDataFolder, bool on);

// Keeps the store up to date with the session: the position while playing (written at most
// every saveIntervalMs), at a stop, a close or a replacement, and forgets an item that played
// to its end. The item's key and starting choices come in its play request.
class ResumeKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultSaveIntervalMs = 10000;

    ResumeKeeper(PlaybackSession *session, const QString &storePath,
                 int saveIntervalMs = DefaultSaveIntervalMs, QObject *parent = nullptr);
    ~ResumeKeeper() override { Flush(); }

    // Off: nothing is resumed or remembered.
    void SetEnabled(bool on) { m_enabled = on; }
    bool Enabled() const { return m_enabled; }
    // Where the item with this key should start; nullopt when off or nothing is kept.
    std::optional<ResumePoint> PointFor(const QString &key) const;
    // The user picked another track for the current item.
    void NoteAudioEntry(int entry) { m_current.AudioEntry = entry; }
    void NoteSubtitleEntry(int entry) { m_current.SubtitleEntry = entry; }
    // Writes the current item's point now (quitting).
    void Flush();
    const ResumeStore &Store() const { return m_store; }

private:
    void Record();

    QPointer<PlaybackSession> m_session;
    ResumeStore m_store;
    int m_intervalMs;
    bool m_enabled = true;
    QString m_key; // the item playing; empty once its point is settled
    ResumePoint m_current;
    bool m_alive = false;
    QElapsedTimer m_sinceSave;
};
