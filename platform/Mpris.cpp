#include "platform/Mpris.h"

#include "platform/CommandLine.h"
#include "platform/RemoteTarget.h"
#include "player/PlaybackSession.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace platform {

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
// The value MPRIS reserves for "no item".
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

// Whole units times a factor, kept in range: lengths come from probes and disc files, and a
// wild one must not overflow.
qint64 Scaled(qint64 value, qint64 factor) {
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    if (value <= 0)
        return 0;
    return value > kMax / factor ? kMax : value * factor;
}

// A file's address as clients take it: absolute, percent-encoded.
QString FileUrl(const QString &path) {
    return QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded());
}

// Microseconds to the slider's whole seconds, rounded; never below 0 or past its range.
int SliderSeconds(qint64 us) {
    const qint64 seconds = us <= 0 ? 0 : us / 1000000 + (us % 1000000 >= 500000 ? 1 : 0);
    return int(std::min<qint64>(seconds, std::numeric_limits<int>::max()));
}

} // namespace

const QString Mpris::ServiceName = QStringLiteral("org.mpris.MediaPlayer2.tavrell_dvd_player");
const QString Mpris::ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");

QString MprisRoot::Identity() const {
    return QStringLiteral("Tavrell DVD Player");
}

QString MprisRoot::DesktopEntry() const {
    return QStringLiteral("tavrell-dvd-player");
}

QStringList MprisRoot::SupportedMimeTypes() const {
    // The video types the desktop entry offers the program for.
    return QStringLiteral(
               "video/mp4;video/x-m4v;video/x-matroska;video/webm;video/x-msvideo;video/avi;"
               "video/quicktime;video/mpeg;video/x-mpeg;video/mp2t;video/x-ms-wmv;"
               "video/x-ms-asf;video/x-flv;video/3gpp;video/3gpp2;video/ogg;video/x-ogm+ogg;"
               "video/dv;video/x-divx;video/vnd.rn-realvideo")
        .split(QLatin1Char(';'));
}

Mpris::Mpris(PlaybackSession *session, RemoteTarget *target, const QDBusConnection &bus)
    : m_session(session), m_target(target), m_bus(bus) {
    new MprisRoot(this);
    m_player = new MprisPlayer(this);
    if (!session)
        return;
    // session -> clients: the status, the item, the volume; jumps are told, as clients
    // extrapolate the position while playing.
    connect(session, &PlaybackSession::StateChanged, this, &Mpris::StateMayHaveChanged);
    connect(session, &PlaybackSession::Started, this, &Mpris::StateMayHaveChanged);
    connect(session, &PlaybackSession::LengthKnown, this, &Mpris::StateMayHaveChanged);
    connect(session, &PlaybackSession::VolumeChanged, this, &Mpris::StateMayHaveChanged);
    connect(session, &PlaybackSession::TitleTagged, this, &Mpris::StateMayHaveChanged);
    connect(session, &PlaybackSession::Seeked, this, [this] {
        if (m_registered)
            emit m_player->Seeked(PositionUs());
    });
}

Mpris::~Mpris() {
    if (!m_registered)
        return;
    m_bus.unregisterService(ServiceName);
    m_bus.unregisterObject(ObjectPath);
}

bool Mpris::Register() {
    if (m_registered)
        return true;
    if (!m_session || !m_bus.isConnected())
        return false;
    if (!m_bus.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors))
        return false;
    // Taken: another copy of the program answers there (the single-instance guard should
    // have prevented that); ours stays quiet.
    if (!m_bus.registerService(ServiceName)) {
        m_bus.unregisterObject(ObjectPath);
        return false;
    }
    m_registered = true;
    m_sentStatus = PlaybackStatus();
    m_sentMetadata = Metadata();
    m_sentVolume = Volume();
    m_sentCanSeek = CanSeek();
    m_sentCanGoNext = CanGoNext();
    m_sentCanGoPrevious = CanGoPrevious();
    return true;
}

QString Mpris::PlaybackStatus() const {
    switch (m_session ? m_session->State() : PlaybackState::Idle) {
    case PlaybackState::Playing:
        return QStringLiteral("Playing");
    case PlaybackState::Paused:
        return QStringLiteral("Paused");
    case PlaybackState::Idle:
    case PlaybackState::Stopping:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap Mpris::Metadata() {
    QVariantMap metadata;
    if (!m_session || !m_session->HasPlayer()) {
        metadata.insert(QStringLiteral("mpris:trackid"),
                        QVariant::fromValue(QDBusObjectPath(kNoTrack)));
        return metadata;
    }
    metadata.insert(QStringLiteral("mpris:trackid"),
                    QVariant::fromValue(QDBusObjectPath(TrackId())));
    const PlayRequest &item = m_session->Request();
    // A Blu-ray disc's name; else the media's own title when it has one; else the name the
    // window shows, else the file's.
    QString title = item.Launch.SourceKind == MediaKind::Bluray ? item.Title : QString();
    if (title.isEmpty())
        title = m_session->TitleTag();
    if (title.isEmpty())
        title = item.Title;
    if (title.isEmpty())
        title = QFileInfo(item.Launch.PlayPath).fileName();
    metadata.insert(QStringLiteral("xesam:title"), title);
    if (!item.Launch.PlayPath.isEmpty())
        metadata.insert(QStringLiteral("xesam:url"), FileUrl(item.Launch.PlayPath));
    if (!item.ArtFile.isEmpty())
        metadata.insert(QStringLiteral("mpris:artUrl"), FileUrl(item.ArtFile));
    if (item.LengthSeconds > 0)
        metadata.insert(QStringLiteral("mpris:length"),
                        QVariant::fromValue(Scaled(item.LengthSeconds, 1000000)));
    return metadata;
}

qint64 Mpris::PositionUs() const {
    if (!m_session || !m_session->HasPlayer())
        return 0;
    return Scaled(m_session->PositionMs(), 1000);
}

double Mpris::Volume() const {
    return m_session ? m_session->Volume() / 100.0 : 0.0;
}

// One object path per item played, as clients tell items apart by it.
QString Mpris::TrackId() const {
    if (!m_session || !m_session->HasPlayer())
        return kNoTrack;
    return QStringLiteral("/org/tavrell/dvd_player/track/%1").arg(m_session->ItemSerial());
}

// Files, DVDs and Blu-ray titles all seek; there is nothing to seek without a player.
bool Mpris::CanSeek() const {
    return m_session && m_session->HasPlayer();
}

bool Mpris::CanGoNext() const {
    return m_target && m_target->CanStepRemote(1);
}

bool Mpris::CanGoPrevious() const {
    return m_target && m_target->CanStepRemote(-1);
}

void Mpris::Refuse(const QString &error, const QString &text) {
    if (calledFromDBus())
        sendErrorReply(error, text);
}

template <typename Action> void Mpris::Later(Action action, bool evenWhileBusy) {
    if (!m_target)
        return;
    // While a dialog is up the call is refused: acting inside its loop could open a dialog
    // inside that one, one per call.
    if (m_target->RemoteReadiness() == RemoteTarget::Readiness::Modal) {
        Refuse(QDBusError::errorString(QDBusError::Failed), QStringLiteral("A dialog is open"));
        return;
    }
    // While the window probes files it keeps its event loop running but takes no input; a
    // remote control's request is input too. A call still queued when we go is dropped.
    QMetaObject::invokeMethod(
        this,
        [this, action, evenWhileBusy] {
            const RemoteTarget::Readiness now = m_target->RemoteReadiness();
            if (now == RemoteTarget::Readiness::Ready ||
                (evenWhileBusy && now == RemoteTarget::Readiness::Busy))
                action(*m_target);
        },
        Qt::QueuedConnection);
}

void Mpris::Raise() {
    // Showing the window changes nothing it plays: also while it probes.
    if (m_target)
        m_target->RaiseWindow();
}

void Mpris::Quit() {
    // Also while files are probed: the program ends, probes included.
    Later([](RemoteTarget &t) { t.RunRemoteRequest(RemoteTarget::Request::Quit); }, true);
}

void Mpris::PlayPause() {
    // Stopped, starting is what a play/pause key means; otherwise what Space does.
    const QString status = PlaybackStatus();
    if (status == QLatin1String("Playing"))
        return Pause();
    Play();
}

void Mpris::Play() {
    const QString status = PlaybackStatus();
    if (status == QLatin1String("Playing"))
        return;
    const RemoteTarget::Request request = status == QLatin1String("Paused")
                                              ? RemoteTarget::Request::Resume
                                              : RemoteTarget::Request::Play;
    Later([request](RemoteTarget &t) { t.RunRemoteRequest(request); });
}

void Mpris::Pause() {
    if (PlaybackStatus() != QLatin1String("Playing"))
        return;
    Later([](RemoteTarget &t) { t.RunRemoteRequest(RemoteTarget::Request::Pause); });
}

void Mpris::Stop() {
    Later([](RemoteTarget &t) { t.RunRemoteRequest(RemoteTarget::Request::Stop); });
}

void Mpris::Next() {
    Later([](RemoteTarget &t) { t.RunRemoteRequest(RemoteTarget::Request::Next); });
}

void Mpris::Previous() {
    Later([](RemoteTarget &t) { t.RunRemoteRequest(RemoteTarget::Request::Previous); });
}

void Mpris::SetVolume(double volume) {
    // As a move of the volume slider; out-of-range and NaN values end at its bounds.
    const int value = volume > 0.0 ? int(std::lround(std::min(volume, 1.0) * 100.0)) : 0;
    Later([value](RemoteTarget &t) { t.SetRemoteVolume(value); });
}

template <typename Action> void Mpris::LaterForItem(Action action) {
    const quint64 serial = m_session->ItemSerial();
    Later([this, serial, action](RemoteTarget &t) {
        if (m_session->HasPlayer() && m_session->ItemSerial() == serial)
            action(t);
    });
}

void Mpris::Seek(qint64 offsetUs) {
    if (!CanSeek())
        return;
    // From the position the client saw; held at the start, and past the end it is Next.
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    const qint64 from = PositionUs();
    const qint64 to = offsetUs > kMax - from ? kMax : from + offsetUs;
    const qint64 length = m_session->LengthSeconds();
    if (length > 0 && to > Scaled(length, 1000000)) {
        LaterForItem([](RemoteTarget &t) { t.RunRemoteRequest(RemoteTarget::Request::Next); });
        return;
    }
    const int seconds = SliderSeconds(to);
    LaterForItem([seconds](RemoteTarget &t) { t.SeekRemote(seconds); });
}

void Mpris::SetPosition(const QString &trackId, qint64 positionUs) {
    // A request for an item that no longer plays is stale; so is a place outside this one.
    if (!CanSeek() || trackId != TrackId() || positionUs < 0)
        return;
    const qint64 length = m_session->LengthSeconds();
    if (length > 0 && positionUs > Scaled(length, 1000000))
        return;
    const int seconds = SliderSeconds(positionUs);
    LaterForItem([seconds](RemoteTarget &t) { t.SeekRemote(seconds); });
}

void Mpris::OpenUri(const QString &uri) {
    // A local file or folder, as a drop would bring it; nothing else is played.
    const QString path = IsFileUri(uri) ? LocalPathOfUri(uri) : uri;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isAbsolute() || !info.exists()) {
        Refuse(QDBusError::errorString(QDBusError::InvalidArgs),
               QStringLiteral("Not a local file or folder"));
        return;
    }
    const QString clean = QDir::cleanPath(path);
    Later([clean](RemoteTarget &t) { t.OpenRemotePaths({clean}); });
}

void Mpris::StateMayHaveChanged() {
    if (!m_registered || m_publishPending)
        return;
    // One look after the window's handler has finished: clients need the outcome of a burst
    // of changes, not each step of it.
    m_publishPending = true;
    QTimer::singleShot(0, this, &Mpris::Publish);
}

void Mpris::Publish() {
    m_publishPending = false;
    if (!m_registered)
        return;
    QVariantMap changed;
    const QString status = PlaybackStatus();
    if (status != m_sentStatus) {
        m_sentStatus = status;
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    }
    const QVariantMap metadata = Metadata();
    if (metadata != m_sentMetadata) {
        m_sentMetadata = metadata;
        changed.insert(QStringLiteral("Metadata"), metadata);
    }
    const double volume = Volume();
    if (volume != m_sentVolume) {
        m_sentVolume = volume;
        changed.insert(QStringLiteral("Volume"), volume);
    }
    const auto flag = [&changed](const char *name, bool now, bool &sent) {
        if (std::exchange(sent, now) != now)
            changed.insert(QLatin1String(name), now);
    };
    flag("CanSeek", CanSeek(), m_sentCanSeek);
    flag("CanGoNext", CanGoNext(), m_sentCanGoNext);
    flag("CanGoPrevious", CanGoPrevious(), m_sentCanGoPrevious);
    if (changed.isEmpty())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    m_bus.send(signal);
}

} // namespace platform
