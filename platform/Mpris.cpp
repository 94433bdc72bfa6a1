#include "platform/Mpris.h"

#include "ui/DRUI.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>

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

} // namespace

const QString Mpris::ServiceName = QStringLiteral("org.mpris.MediaPlayer2.tavrell_dvd_player");
const QString Mpris::ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");

QString MprisRoot::Identity() const {
    return QStringLiteral("Tavrell DVD Player");
}

QString MprisRoot::DesktopEntry() const {
    return QStringLiteral("tavrell-dvd-player");
}

Mpris::Mpris(DRUI *window, const QDBusConnection &bus) : m_window(window), m_bus(bus) {
    new MprisRoot(this);
    m_player = new MprisPlayer(this);
    if (!window)
        return;
    connect(window, &DRUI::PlaybackStateChanged, this, &Mpris::StateMayHaveChanged);
    // Clients extrapolate the position while playing; a jump has to be told.
    connect(window, &DRUI::PositionJumped, this, [this] {
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
    if (!m_window || !m_bus.isConnected())
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
    return true;
}

QString Mpris::PlaybackStatus() const {
    // As the window itself tells the states apart: a player that was told to stop (or never
    // started) is stopped, whatever its process object still says.
    if (!m_window || !m_window->PlayerProcess || m_window->Stopped)
        return QStringLiteral("Stopped");
    return m_window->Playing ? QStringLiteral("Playing") : QStringLiteral("Paused");
}

QVariantMap Mpris::Metadata() {
    QVariantMap metadata;
    if (PlaybackStatus() == QLatin1String("Stopped")) {
        metadata.insert(QStringLiteral("mpris:trackid"),
                        QVariant::fromValue(QDBusObjectPath(kNoTrack)));
        return metadata;
    }
    const QString title = m_window->NowPlayingName();
    const QString key =
        m_window->PlayPath + QLatin1Char('\n') + m_window->SourceKey + QLatin1Char('\n') + title;
    if (key != m_trackKey) {
        m_trackKey = key;
        ++m_trackSerial;
    }
    metadata.insert(QStringLiteral("mpris:trackid"),
                    QVariant::fromValue(QDBusObjectPath(
                        QStringLiteral("/org/tavrell/dvd_player/track/%1").arg(m_trackSerial))));
    metadata.insert(QStringLiteral("xesam:title"), title);
    if (m_window->MediaDuration > 0)
        metadata.insert(QStringLiteral("mpris:length"),
                        QVariant::fromValue(Scaled(m_window->MediaDuration, 1000000)));
    return metadata;
}

qint64 Mpris::PositionUs() const {
    if (PlaybackStatus() == QLatin1String("Stopped"))
        return 0;
    return Scaled(m_window->PositionMs, 1000);
}

double Mpris::Volume() const {
    if (!m_window || !m_window->VolumeSlider)
        return 0.0;
    return m_window->VolumeSlider->value() / 100.0;
}

template <typename Action> void Mpris::Later(Action action) {
    if (!m_window)
        return;
    // Tied to the window: a call still queued when it goes is dropped. While the window
    // probes files it keeps its event loop running but takes no input; a remote control's
    // request is input too.
    QMetaObject::invokeMethod(
        m_window.data(),
        [window = m_window, action] {
            if (window && !window->IsProbingFiles())
                action(*window);
        },
        Qt::QueuedConnection);
}

void Mpris::Raise() {
    // Showing the window changes nothing it plays: also while it probes.
    if (!m_window)
        return;
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

void Mpris::Quit() {
    Later([](DRUI &w) { w.btnCloseSlot(); });
}

void Mpris::PlayPause() {
    // Stopped, the entry may still offer the pause of the item that ended; starting is what
    // a play/pause key means then.
    if (PlaybackStatus() == QLatin1String("Stopped"))
        return Play();
    // What the Space key does: the entry as it stands.
    Later([](DRUI &w) {
        if (w.PlayPauseAction)
            w.PlayPauseAction->trigger();
    });
}

void Mpris::Play() {
    const QString status = PlaybackStatus();
    if (status == QLatin1String("Playing"))
        return;
    const QString tag =
        status == QLatin1String("Paused") ? QStringLiteral("Resume") : QStringLiteral("Play");
    Later([tag](DRUI &w) { w.RunControlsEntry(tag); });
}

void Mpris::Pause() {
    if (PlaybackStatus() != QLatin1String("Playing"))
        return;
    Later([](DRUI &w) { w.RunControlsEntry(QStringLiteral("Pause")); });
}

void Mpris::Stop() {
    Later([](DRUI &w) { w.RunControlsEntry(QStringLiteral("Stop")); });
}

void Mpris::Next() {
    Later([](DRUI &w) { w.RunControlsEntry(QStringLiteral("Next")); });
}

void Mpris::Previous() {
    Later([](DRUI &w) { w.RunControlsEntry(QStringLiteral("Pre")); });
}

void Mpris::SetVolume(double volume) {
    // As a move of the volume slider; out-of-range and NaN values end at its bounds.
    const int value = volume > 0.0 ? int(std::lround(std::min(volume, 1.0) * 100.0)) : 0;
    Later([value](DRUI &w) { w.VolumeSliderSeek(value); });
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
    if (changed.isEmpty())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    m_bus.send(signal);
}

} // namespace platform
