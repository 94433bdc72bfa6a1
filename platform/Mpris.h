#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class PlaybackSession;
class RemoteTarget;

namespace platform {

class MprisPlayer;

// Remote control for desktop shells and media keys (MPRIS 2): the playback session's state and
// item, published on a D-Bus connection; requests go to the target (the window), which runs
// them as its Controls menu does. No bus, or the name already taken: nothing happens and
// nothing is reported. The session and the target outlive it.
class Mpris : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    static const QString ServiceName;
    static const QString ObjectPath;

    Mpris(PlaybackSession *session, RemoteTarget *target,
          const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~Mpris() override;

    // Exports the object and takes the name; false (and nothing kept) when either fails.
    bool Register();

    // What the player interface reports, read from the session.
    QString PlaybackStatus() const;
    QVariantMap Metadata();
    qint64 PositionUs() const;
    double Volume() const;
    bool CanSeek() const;
    bool CanGoNext() const;
    bool CanGoPrevious() const;

    // The root and player interfaces' methods; each acts as its Controls menu entry does.
    void Raise();
    void Quit();
    void PlayPause();
    void Play();
    void Pause();
    void Stop();
    void Next();
    void Previous();
    void SetVolume(double volume);
    // As a drag of the slider: by an offset, or to a position of the item named.
    void Seek(qint64 offsetUs);
    void SetPosition(const QString &trackId, qint64 positionUs);
    void OpenUri(const QString &uri);

private:
    // Runs after the call has been answered: a step may probe files or ask for them, and the
    // caller must not wait for that.
    template <typename Action> void Later(Action action, bool evenWhileBusy = false);
    // Later, and only while the item that was playing at the call still plays.
    template <typename Action> void LaterForItem(Action action);
    QString TrackId() const;
    void Refuse(const QString &error, const QString &text);
    void StateMayHaveChanged();
    void Publish();

    PlaybackSession *m_session;
    RemoteTarget *m_target;
    QDBusConnection m_bus;
    bool m_registered = false;
    bool m_publishPending = false;
    QString m_sentStatus;
    MprisPlayer *m_player = nullptr;
    QVariantMap m_sentMetadata;
    double m_sentVolume = -1;
    bool m_sentCanSeek = false;
    bool m_sentCanGoNext = false;
    bool m_sentCanGoPrevious = false;
};

// org.mpris.MediaPlayer2
class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit MprisRoot(Mpris *owner) : QDBusAbstractAdaptor(owner), m_owner(owner) {}

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const;
    QString DesktopEntry() const;
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const;

public slots:
    void Raise() { m_owner->Raise(); }
    void Quit() { m_owner->Quit(); }

private:
    Mpris *m_owner;
};

// org.mpris.MediaPlayer2.Player
class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ Yes)
    Q_PROPERTY(bool CanPause READ Yes)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ Yes)
public:
    explicit MprisPlayer(Mpris *owner) : QDBusAbstractAdaptor(owner), m_owner(owner) {}

    QString PlaybackStatus() const { return m_owner->PlaybackStatus(); }
    double Rate() const { return 1.0; }
    void SetRate(double) {} // one speed only
    QVariantMap Metadata() const { return m_owner->Metadata(); }
    double Volume() const { return m_owner->Volume(); }
    void SetVolume(double volume) { m_owner->SetVolume(volume); }
    qlonglong Position() const { return m_owner->PositionUs(); }
    bool CanGoNext() const { return m_owner->CanGoNext(); }
    bool CanGoPrevious() const { return m_owner->CanGoPrevious(); }
    bool CanSeek() const { return m_owner->CanSeek(); }
    bool Yes() const { return true; }

public slots:
    void PlayPause() { m_owner->PlayPause(); }
    void Play() { m_owner->Play(); }
    void Pause() { m_owner->Pause(); }
    void Stop() { m_owner->Stop(); }
    void Next() { m_owner->Next(); }
    void Previous() { m_owner->Previous(); }
    void Seek(qlonglong offset) { m_owner->Seek(offset); }
    void SetPosition(const QDBusObjectPath &trackId, qlonglong position) {
        m_owner->SetPosition(trackId.path(), position);
    }
    void OpenUri(const QString &uri) { m_owner->OpenUri(uri); }

signals:
    void Seeked(qlonglong position);

private:
    Mpris *m_owner;
};

} // namespace platform
