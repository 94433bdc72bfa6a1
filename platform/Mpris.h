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

private:
    // Runs after the call has been answered: a step may probe files or ask for them, and the
    // caller must not wait for that.
    template <typename Action> void Later(Action action, bool evenWhileBusy = false);
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
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

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
    Q_PROPERTY(bool CanGoNext READ Yes)
    Q_PROPERTY(bool CanGoPrevious READ Yes)
    Q_PROPERTY(bool CanPlay READ Yes)
    Q_PROPERTY(bool CanPause READ Yes)
    Q_PROPERTY(bool CanSeek READ No)
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
    bool Yes() const { return true; }
    bool No() const { return false; }

public slots:
    void PlayPause() { m_owner->PlayPause(); }
    void Play() { m_owner->Play(); }
    void Pause() { m_owner->Pause(); }
    void Stop() { m_owner->Stop(); }
    void Next() { m_owner->Next(); }
    void Previous() { m_owner->Previous(); }
    // No seeking from outside (CanSeek is false) and no opening of addresses: accepted, ignored.
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath &, qlonglong) {}
    void OpenUri(const QString &) {}

signals:
    void Seeked(qlonglong position);

private:
    Mpris *m_owner;
};

} // namespace platform
