// The remote control (MPRIS 2) as a desktop shell sees it: a client on a private session bus
// calls the window's controls and reads its state, with the scripted fake player in place of
// mplayer.
#include "BdTree.h"
#include "WindowFixture.h"
#include "dialogs/CFramelessDialog.h"
#include "platform/Mpris.h"
#include "ui/DRUI.h"

#include <QAction>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedLayout>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.tavrell_dvd_player");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

// Values of type a{sv} arrive wrapped; everything else as itself.
QVariant Unwrapped(const QVariant &value) {
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value;
}

QVariantMap AsMap(const QVariant &value) {
    return Unwrapped(value).toMap();
}

QString TrackId(const QVariantMap &metadata) {
    return metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
}

QString Title(const QVariantMap &metadata) {
    return metadata.value(QStringLiteral("xesam:title")).toString();
}

} // namespace

// The player interface's PropertiesChanged signals as a client receives them.
class SeenChanges : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> Changes;

    QStringList Statuses() const {
        QStringList statuses;
        for (const QVariantMap &changed : Changes)
            if (changed.contains(QStringLiteral("PlaybackStatus")))
                statuses << changed.value(QStringLiteral("PlaybackStatus")).toString();
        return statuses;
    }
    QStringList Titles() const {
        QStringList titles;
        for (const QVariantMap &changed : Changes)
            if (changed.contains(QStringLiteral("Metadata")))
                titles << Title(AsMap(changed.value(QStringLiteral("Metadata"))));
        return titles;
    }

    QList<double> Volumes() const {
        QList<double> volumes;
        for (const QVariantMap &changed : Changes)
            if (changed.contains(QStringLiteral("Volume")))
                volumes << changed.value(QStringLiteral("Volume")).toDouble();
        return volumes;
    }

    QList<qlonglong> Jumps;

public slots:
    void Jumped(qlonglong position) { Jumps << position; }
    void Changed(const QString &interface, const QVariantMap &changed, const QStringList &) {
        if (interface == kPlayer)
            Changes << changed;
    }
};

class MprisTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestUser> user;
    std::unique_ptr<DRUI> window;
    std::unique_ptr<platform::Mpris> remote;
    std::unique_ptr<SeenChanges> seen;
    QProcess bus;
    QString busAddress;
    QString fileA, fileB, fileC, fileLong;

    QDBusConnection ServiceSide() {
        return QDBusConnection::connectToBus(busAddress, QStringLiteral("mpris-service"));
    }
    QDBusConnection ClientSide() {
        return QDBusConnection::connectToBus(busAddress, QStringLiteral("mpris-client"));
    }

    // A shown window with its remote control on the private bus, watched by the client.
    DRUI &NewRemoteWindow() {
        remote.reset();
        DRUI &w = ShowNewWindow(window);
        remote = std::make_unique<platform::Mpris>(w.Session, &w, ServiceSide());
        if (!remote->Register())
            return w;
        seen = std::make_unique<SeenChanges>();
        ClientSide().connect(QString(), kPath, kProperties, QStringLiteral("PropertiesChanged"),
                             seen.get(), SLOT(Changed(QString, QVariantMap, QStringList)));
        ClientSide().connect(QString(), kPath, kPlayer, QStringLiteral("Seeked"), seen.get(),
                             SLOT(Jumped(qlonglong)));
        return w;
    }

    // A call from the client, answered by the window's side. Whatever the call left queued
    // there (the remote control acts after answering) has run when this returns.
    QDBusMessage Call(const QString &interface, const QString &method,
                      const QVariantList &args = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        call.setArguments(args);
        QDBusPendingCall pending = ClientSide().asyncCall(call, 20000);
        if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 30000))
            return QDBusMessage();
        QCoreApplication::processEvents();
        return pending.reply();
    }

    QVariant Get(const QString &interface, const QString &name) {
        const QDBusMessage reply = Call(kProperties, QStringLiteral("Get"), {interface, name});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return QVariant();
        return Unwrapped(reply.arguments().constFirst().value<QDBusVariant>().variant());
    }

    QString Status() { return Get(kPlayer, QStringLiteral("PlaybackStatus")).toString(); }
    QVariantMap Metadata() { return Get(kPlayer, QStringLiteral("Metadata")).toMap(); }

    bool CallOk(const QString &interface, const QString &method, const QVariantList &args = {}) {
        return Call(interface, method, args).type() == QDBusMessage::ReplyMessage;
    }

    // What playerctl prints, as a desktop's widget sees us; this process's event loop answers
    // its calls while it runs.
    QString Playerctl(const QStringList &args) {
        QProcess ctl;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress);
        ctl.setProcessEnvironment(env);
        ctl.start(u"playerctl"_s, QStringList{u"--player=tavrell_dvd_player"_s} + args);
        // scripts/setup.sh test installs it.
        if (!ctl.waitForStarted(10000) ||
            !QTest::qWaitFor([&] { return ctl.state() == QProcess::NotRunning; }, 30000))
            return u"(did not run)"_s;
        QCoreApplication::processEvents();
        if (ctl.exitStatus() != QProcess::NormalExit || ctl.exitCode() != 0)
            return u"(failed) "_s + QString::fromLocal8Bit(ctl.readAllStandardError());
        return QString::fromLocal8Bit(ctl.readAllStandardOutput()).trimmed();
    }

    // Plays through the playlist, as Open File does, and waits until the player's opening
    // lines have been answered: what the test sends later is then all that arrives.
    void PlayFiles(DRUI &w, const QStringList &paths, const QString &log) {
        w.PlayListAddFiles(paths);
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess && w.PlayerProcess->state() == QProcess::Running,
                                 10000);
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("pausing_keep switch_audio 0\n"),
                                 10000);
    }

private slots:
    void initTestCase() {
        user = std::make_unique<TestUser>();
        QVERIFY(user->IsValid());
        // Never the desktop's bus: what this process would find by itself is nothing.
        qputenv("DBUS_SESSION_BUS_ADDRESS",
                QFile::encodeName(u"unix:path="_s + user->Root() + u"/no-bus"_s));
        const QString media = user->NewFolder(QStringLiteral("Videos"));
        fileA = WriteFile(media + QStringLiteral("/a film.mp4"));
        fileB = WriteFile(media + QStringLiteral("/b-\u00e9t\u00e9.mkv"));
        fileC = WriteFile(media + QStringLiteral("/c.avi"));
        fileLong = WriteFile(media + QStringLiteral("/long.mkv"));
        qputenv("FAKE_PROBE_DURATIONS", "long.mkv=03:00:00.00;a film.mp4=01:02:03.45;" +
                                            u"b-\u00e9t\u00e9.mkv=00:00:40.00"_s.toUtf8());

        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        bus.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1"),
                   u"--address=unix:path="_s + user->Root() + u"/bus"_s});
        QVERIFY(bus.waitForStarted(10000));
        // The address is printed once the daemon listens.
        QTRY_VERIFY_WITH_TIMEOUT(bus.canReadLine(), 20000);
        busAddress = QString::fromLocal8Bit(bus.readLine()).trimmed();
        QVERIFY(ServiceSide().isConnected());
        QVERIFY(ClientSide().isConnected());
    }

    void cleanupTestCase() {
        remote.reset();
        window.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("mpris-service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("mpris-client"));
        if (bus.state() != QProcess::NotRunning) {
            bus.terminate();
            if (!bus.waitForFinished(10000))
                bus.kill();
            bus.waitForFinished(10000);
        }
    }

    void init() {
        QTest::failOnWarning(
            QRegularExpression(QStringLiteral("^(?!This plugin does not support ).*")));
    }

    void cleanup() {
        remote.reset();
        seen.reset();
        window.reset();
    }

    // --- what a shell reads before anything plays ---
    void rootInterfaceNamesTheProgram() {
        DRUI &w = NewRemoteWindow();
        QVERIFY(seen);
        QCOMPARE(Get(kRoot, QStringLiteral("Identity")).toString(), u"Tavrell DVD Player"_s);
        QCOMPARE(Get(kRoot, QStringLiteral("DesktopEntry")).toString(), u"tavrell-dvd-player"_s);
        QCOMPARE(Get(kRoot, QStringLiteral("CanQuit")), QVariant(true));
        QCOMPARE(Get(kRoot, QStringLiteral("CanRaise")), QVariant(true));
        QCOMPARE(Get(kRoot, QStringLiteral("HasTrackList")), QVariant(false));
        QCOMPARE(Get(kRoot, QStringLiteral("SupportedUriSchemes")).toStringList(),
                 QStringList{u"file"_s});

        // The player interface in one read, with the types a shell expects.
        const QDBusMessage all = Call(kProperties, QStringLiteral("GetAll"), {kPlayer});
        QCOMPARE(all.type(), QDBusMessage::ReplyMessage);
        const QVariantMap player = AsMap(all.arguments().value(0));
        QCOMPARE(player.value(QStringLiteral("PlaybackStatus")).toString(), u"Stopped"_s);
        for (const char *rate : {"Rate", "MinimumRate", "MaximumRate"})
            QCOMPARE(player.value(QLatin1String(rate)), QVariant(1.0));
        QCOMPARE(player.value(QStringLiteral("Position")), QVariant(qlonglong(0)));
        QCOMPARE(player.value(QStringLiteral("Volume")), QVariant(0.5));
        QCOMPARE(player.value(QStringLiteral("CanControl")), QVariant(true));
        for (const char *flag : {"CanSeek", "CanGoNext", "CanGoPrevious"})
            QCOMPARE(player.value(QLatin1String(flag)), QVariant(false));
        QVERIFY(!player.contains(u"LoopStatus"_s) && !player.contains(u"Shuffle"_s));
        QCOMPARE(TrackId(AsMap(player.value(QStringLiteral("Metadata")))), kNoTrack);

        // Nothing to play right after start: Play and PlayPause start nothing.
        QVERIFY(CallOk(kPlayer, QStringLiteral("Play")));
        QVERIFY(CallOk(kPlayer, QStringLiteral("PlayPause")));
        QVERIFY(!w.PlayerProcess);
        QCOMPARE(Status(), u"Stopped"_s);

        // Raise brings a minimised window back.
        w.showMinimized();
        QTRY_VERIFY(w.isMinimized());
        QVERIFY(CallOk(kRoot, QStringLiteral("Raise")));
        QTRY_VERIFY(!w.isMinimized());
        QVERIFY(w.isVisible());

        // A second copy finds the name taken and stays quiet; the first keeps answering.
        DRUI other;
        other.InitWindow();
        platform::Mpris second(other.Session, &other,
                               QDBusConnection::connectToBus(busAddress, u"second"_s));
        QVERIFY(!second.Register());
        QDBusConnection::disconnectFromBus(u"second"_s);
        QCOMPARE(Get(kRoot, QStringLiteral("Identity")).toString(), u"Tavrell DVD Player"_s);
        QVERIFY(seen->Changes.isEmpty());
    }

    // --- the controls ---
    void playPauseSendsWhatSpaceSends() {
        DRUI &w = NewRemoteWindow();
        QVERIFY(seen);
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QString log = PrepareFakePlayer(user->Root());
        PlayFiles(w, {fileA}, log);
        QTRY_COMPARE_WITH_TIMEOUT(seen->Statuses(), QStringList{u"Playing"_s}, 10000);
        QCOMPARE(Status(), u"Playing"_s);

        // Space, as a user presses it.
        w.RefreshTimer->stop();
        SentSinceLastMark(w, log);
        QTest::keyClick(&w, Qt::Key_Space);
        const QList<QByteArray> bySpace = SentSinceLastMark(w, log);
        QCOMPARE(bySpace, QList<QByteArray>{"pause\n"});
        QVERIFY(!w.Playing);
        w.ResumePlay();

        // PlayPause from the shell: the same bytes, the same window state, and the shell told.
        w.RefreshTimer->stop();
        SentSinceLastMark(w, log);
        QVERIFY(CallOk(kPlayer, QStringLiteral("PlayPause")));
        QCOMPARE(SentSinceLastMark(w, log), bySpace);
        QVERIFY(!w.Playing);
        QCOMPARE(w.PlayPauseAction->data().toString(), u"Resume"_s);
        QCOMPARE(Status(), u"Paused"_s);
        QTRY_COMPARE_WITH_TIMEOUT(seen->Statuses().last(), u"Paused"_s, 10000);

        // Pause while paused does nothing; Play resumes as the menu's Resume does: no command.
        QVERIFY(CallOk(kPlayer, QStringLiteral("Pause")));
        QCOMPARE(SentSinceLastMark(w, log), QList<QByteArray>{});
        QVERIFY(CallOk(kPlayer, QStringLiteral("Play")));
        QVERIFY(w.Playing);
        QVERIFY(w.RefreshTimer->isActive());
        QCOMPARE(SentSinceLastMark(w, log), QList<QByteArray>{});
        QTRY_COMPARE_WITH_TIMEOUT(seen->Statuses().last(), u"Playing"_s, 10000);

        // Play while playing does nothing; Pause pauses.
        QVERIFY(CallOk(kPlayer, QStringLiteral("Play")));
        QVERIFY(w.Playing);
        QVERIFY(CallOk(kPlayer, QStringLiteral("Pause")));
        QCOMPARE(SentSinceLastMark(w, log), QList<QByteArray>{"pause\n"});
        QCOMPARE(Status(), u"Paused"_s);

        // Stop as Controls > Stop: the player is asked to quit, the window goes idle.
        QVERIFY(CallOk(kPlayer, QStringLiteral("Stop")));
        QVERIFY(w.Stopped);
        QCOMPARE(w.PageStack->currentIndex(), PageIndex(Page::Start));
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("q\n"), 10000);
        QCOMPARE(Status(), u"Stopped"_s);
        QCOMPARE(TrackId(Metadata()), kNoTrack);
        QTRY_COMPARE_WITH_TIMEOUT(seen->Statuses(),
                                  (QStringList{u"Playing"_s, u"Paused"_s, u"Playing"_s, u"Paused"_s,
                                               u"Playing"_s, u"Paused"_s, u"Stopped"_s}),
                                  10000);

        // Play after a stop starts the last item afresh, as the menu's Play does.
        QVERIFY(CallOk(kPlayer, QStringLiteral("PlayPause")));
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess && w.PlayerProcess->state() == QProcess::Running,
                                 10000);
        QCOMPARE(w.PlayerProcess->arguments().last(), fileA);
        QCOMPARE(Status(), u"Playing"_s);
        QCOMPARE(w.PlayList.size(), 1);
    }

    void metadataFollowsTheItemAndStepsWalkThePlaylist() {
        DRUI &w = NewRemoteWindow();
        QVERIFY(seen);
        const QString log = PrepareFakePlayer(user->Root());
        PlayFiles(w, {fileA, fileB, fileC}, log);
        QTRY_COMPARE_WITH_TIMEOUT(w.NowPlayingLabel->text(), u"    a film.mp4"_s, 10000);

        // The name as the window shows it, the probed length in microseconds.
        QVariantMap metadata = Metadata();
        QCOMPARE(Title(metadata), w.NowPlayingLabel->text().mid(4));
        QCOMPARE(metadata.value(QStringLiteral("mpris:length")),
                 QVariant(qlonglong(3723) * 1000000));
        const QString first = TrackId(metadata);
        QVERIFY(first.startsWith(QLatin1Char('/')));
        QVERIFY(first != kNoTrack);
        QTRY_VERIFY_WITH_TIMEOUT(seen->Titles().contains(u"a film.mp4"_s), 10000);

        // The window's clock, in microseconds.
        w.RefreshTimer->stop();
        QCOMPARE(Get(kPlayer, QStringLiteral("Position")),
                 QVariant(qlonglong(w.PositionMs) * 1000));
        // A jump made in the window is told, as clients only extrapolate while playing:
        // Controls > Forward seeks a minute on.
        QVERIFY(seen->Jumps.isEmpty());
        w.RunControlsEntry(QStringLiteral("Forward"));
        QVERIFY(w.SeekTarget >= 60);
        QTRY_COMPARE_WITH_TIMEOUT(seen->Jumps, QList<qlonglong>{qlonglong(w.SeekTarget) * 1000000},
                                  10000);
        w.RefreshTimer->stop();

        // Next and Previous step the playlist as the menu entries do.
        QVERIFY(CallOk(kPlayer, QStringLiteral("Next")));
        QTRY_COMPARE_WITH_TIMEOUT(w.PlayerProcess->arguments().last(), fileB, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(Title(Metadata()), u"b-\u00e9t\u00e9.mkv"_s, 10000);
        metadata = Metadata();
        QCOMPARE(metadata.value(QStringLiteral("mpris:length")), QVariant(qlonglong(40000000)));
        QVERIFY(TrackId(metadata) != first);
        QTRY_VERIFY_WITH_TIMEOUT(seen->Titles().contains(u"b-\u00e9t\u00e9.mkv"_s), 10000);
        QCOMPARE(Status(), u"Playing"_s);

        QVERIFY(CallOk(kPlayer, QStringLiteral("Previous")));
        QTRY_COMPARE_WITH_TIMEOUT(w.PlayerProcess->arguments().last(), fileA, 10000);
        // At the first entry there is nothing before it: the same player goes on.
        QProcess *const atFirst = w.PlayerProcess;
        QVERIFY(CallOk(kPlayer, QStringLiteral("Previous")));
        QCOMPARE(w.PlayerProcess, atFirst);
        QCOMPARE(w.PlayerProcess->arguments().last(), fileA);
        QTRY_COMPARE_WITH_TIMEOUT(seen->Titles().last(), u"a film.mp4"_s, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(seen->Statuses().last(), u"Playing"_s, 10000);

        // A Blu-ray title is named by the disc, as on the window.
        w.SourceKind = MediaKind::Bluray;
        w.DiscTitleLabel->setText(QStringLiteral("The Disc"));
        w.CurrentPath.clear();
        w.VideoPlay();
        QTRY_COMPARE_WITH_TIMEOUT(w.NowPlayingLabel->text(), u"    The Disc"_s, 10000);
        QCOMPARE(Title(Metadata()), u"The Disc"_s);
        QTRY_COMPARE_WITH_TIMEOUT(seen->Titles().last(), u"The Disc"_s, 10000);
    }

    // The window drops the user's input while it probes added files; requests from the
    // shell are input too, and must not act inside the probe's wait.
    void requestsDuringAProbeAreDropped() {
        DRUI &w = NewRemoteWindow();
        QVERIFY(seen);
        const QString log = PrepareFakePlayer(user->Root());
        PlayFiles(w, {fileC}, log);
        QProcess *const first = w.PlayerProcess;
        qputenv("FAKE_PROBE_SLEEPS", "a film.mp4=800");
        const auto restore = qScopeGuard([] { qunsetenv("FAKE_PROBE_SLEEPS"); });
        const QString nextLog = PrepareFakePlayer(user->Root());

        QList<QDBusPendingCall> calls;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (!calls.isEmpty() || !w.IsProbingFiles())
                return;
            for (const char *method : {"PlayPause", "Stop", "Next"})
                calls << ClientSide().asyncCall(QDBusMessage::createMethodCall(
                    kService, kPath, kPlayer, QLatin1String(method)));
            // Answered while the probe still runs.
            for (QDBusPendingCall &call : calls)
                QVERIFY(QTest::qWaitFor([&] { return call.isFinished(); }, 20000));
            QVERIFY(w.IsProbingFiles());
        });
        watch.start(5);
        w.PlayListAddFiles({fileA});
        watch.stop();

        QCOMPARE(calls.size(), 3);
        for (const QDBusPendingCall &call : std::as_const(calls))
            QCOMPARE(call.reply().type(), QDBusMessage::ReplyMessage);
        // Only what was asked in the window happened: the file added plays, and the player
        // before it was neither paused nor stopped by the shell's requests.
        QVERIFY(!LoggedCommands(log).contains("pause\n"));
        QVERIFY(!LoggedCommands(log).contains("q\n"));
        QVERIFY(w.PlayerProcess != first);
        QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(nextLog).contains("get_time_pos\n"), 10000);
        QCOMPARE(w.PlayerProcess->arguments().last(), fileA);
        QVERIFY(w.Playing);
        QVERIFY(!LoggedCommands(nextLog).contains("pause\n"));
        QCOMPARE(Status(), u"Playing"_s);

        // A message box is up: calls are refused, none runs inside its loop (where a step to
        // a refused folder would open a box in the box, one per call).
        int boxes = 0;
        QList<QDBusMessage> replies;
        const auto answer = [&](CFramelessDialog *box) {
            ++boxes;
            for (int i = 0; i < 20; ++i)
                replies << Call(kPlayer, QStringLiteral("Previous"));
            box->done(0);
        };
        CFramelessDialog::AnswerNext(answer);
        CFramelessDialog::AnswerNext(answer); // taken only by a box opened inside the first
        w.OpenFolderSource(user->NewFolder(u"neither DVD nor Blu-ray"_s));
        QCOMPARE(boxes, 1);
        QCOMPARE(replies.size(), 20);
        for (const QDBusMessage &reply : std::as_const(replies))
            QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
        QVERIFY(CallOk(kPlayer, QStringLiteral("Previous")));     // the box has gone
        w.OpenFolderSource(user->NewFolder(u"neither either"_s)); // uses up the spare answer
        QVERIFY(!CFramelessDialog::HasQueuedAnswers());
    }

    void volumeIsTheSlider() {
        DRUI &w = NewRemoteWindow();
        QVERIFY(seen);
        const QString log = PrepareFakePlayer(user->Root());
        PlayFiles(w, {fileC}, log);
        w.RefreshTimer->stop();
        SentSinceLastMark(w, log);
        const auto set = [this](double volume) {
            return CallOk(
                kProperties, QStringLiteral("Set"),
                {kPlayer, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(volume))});
        };
        QVERIFY(set(0.3));
        QCOMPARE(w.VolumeSlider->value(), 30);
        QCOMPARE(Get(kPlayer, QStringLiteral("Volume")), QVariant(0.3));
        // Out of range: held at the slider's ends.
        QVERIFY(set(7.0));
        QCOMPARE(w.VolumeSlider->value(), 100);
        QVERIFY(set(-1.0));
        QCOMPARE(w.VolumeSlider->value(), 0);
        QVERIFY(w.Muted);
        QCOMPARE(SentSinceLastMark(w, log),
                 (QList<QByteArray>{"pausing_keep volume 30 100\n", "pausing_keep volume 100 100\n",
                                    "pausing_keep volume 0 100\n"}));
        // Clients hear of every change, also one made in the window (Controls > Volume Up).
        w.RunControlsEntry(QStringLiteral("VolumeUp"));
        QCOMPARE(w.VolumeSlider->value(), 5);
        QTRY_COMPARE_WITH_TIMEOUT(seen->Volumes(), (QList<double>{0.3, 1.0, 0.0, 0.05}), 10000);
        // Read-only properties refuse a write.
        QCOMPARE(Call(kProperties, QStringLiteral("Set"),
                      {kPlayer, QStringLiteral("PlaybackStatus"),
                       QVariant::fromValue(QDBusVariant(u"Paused"_s))})
                     .type(),
                 QDBusMessage::ErrorMessage);
        QVERIFY(w.Playing);
    }

    void quitClosesAsTheCloseEntryDoes() {
        DRUI &w = NewRemoteWindow();
        QVERIFY(seen);
        const QString log = PrepareFakePlayer(user->Root());
        PlayFiles(w, {fileA}, log);
        // Also while files are added: the program ends, the probe with it.
        qputenv("FAKE_PROBE_SLEEPS", "b-\u00e9t\u00e9.mkv=60000");
        const auto restore = qScopeGuard([] { qunsetenv("FAKE_PROBE_SLEEPS"); });
        std::unique_ptr<QDBusPendingCall> quit;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (!w.IsProbingFiles() || quit)
                return;
            quit = std::make_unique<QDBusPendingCall>(ClientSide().asyncCall(
                QDBusMessage::createMethodCall(kService, kPath, kRoot, QStringLiteral("Quit"))));
        });
        watch.start(5);
        w.PlayListAddFiles({fileB});
        QVERIFY(quit);
        QCOMPARE(w.PlayList.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(quit->isFinished(), 10000);
        QCOMPARE(quit->reply().type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 10000);
        QVERIFY(!w.PlayerProcess);
        const QList<QByteArray> sent = LoggedCommands(log);
        QCOMPARE(std::count(sent.cbegin(), sent.cend(), QByteArray("q\n")), 1);
    }

    // --- seeking, opening and metadata, as playerctl asks for them ---
    void playerctlSeeksOpensAndReads() {
        DRUI &w = NewRemoteWindow();
        QVERIFY(seen);
        // The player lists the file's tags after its video line, as mplayer does.
        const QString script = WriteFile(user->Root() + u"/tags.script"_s,
                                         "banner\nout Clip info:\nout  title: The Tagged Film\n");
        const QString log =
            PrepareFakePlayer(user->Root(), {{"FAKE_PLAYER_SCRIPT", QFile::encodeName(script)}});
        PlayFiles(w, {fileA, fileLong}, log);
        QTRY_COMPARE_WITH_TIMEOUT(Title(Metadata()), u"The Tagged Film"_s, 10000);
        QCOMPARE(Playerctl(
                     {u"metadata"_s, u"--format"_s, u"{{title}}|{{mpris:length}}|{{xesam:url}}"_s}),
                 u"The Tagged Film|3723000000|"_s +
                     QUrl::fromLocalFile(fileA).toString(QUrl::FullyEncoded));
        const auto can = [this](const char *what) { return Get(kPlayer, QLatin1String(what)); };
        QCOMPARE(QList({can("CanSeek"), can("CanGoNext"), can("CanGoPrevious")}),
                 QList<QVariant>({true, true, false}));
        QTRY_VERIFY_WITH_TIMEOUT(seen->Changes.value(0).value(u"CanSeek"_s).toBool(), 10000);

        // Each move as a drag of the slider, told with Seeked; the clock moves by seeks alone.
        const QSignalBlocker noTicks(w.RefreshTimer);
        SentSinceLastMark(w, log);
        for (const auto &[argument, seconds] : {std::pair{"30", 30}, {"10+", 40}, {"5-", 35}}) {
            QCOMPARE(Playerctl({u"position"_s, QLatin1String(argument)}), QString());
            QCOMPARE(SentSinceLastMark(w, log),
                     QList{"seek " + QByteArray::number(seconds) + " 2\n"});
            QCOMPARE(w.PositionSlider->value(), seconds);
            QTRY_COMPARE_WITH_TIMEOUT(seen->Jumps.last(), qlonglong(seconds) * 1000000, 10000);
        }

        // The next item has another trackid: a position for the old one is stale.
        const QString first = TrackId(Metadata());
        QVERIFY(CallOk(kPlayer, u"Next"_s));
        QTRY_COMPARE_WITH_TIMEOUT(w.PlayerProcess->arguments().last(), fileLong, 10000);
        QCOMPARE(QList({can("CanGoNext"), can("CanGoPrevious")}), QList<QVariant>({false, true}));
        SentSinceLastMark(w, log);
        QVERIFY(CallOk(kPlayer, u"SetPosition"_s,
                       {QVariant::fromValue(QDBusObjectPath(first)), qlonglong(5000000)}));
        QCOMPARE(SentSinceLastMark(w, log), QList<QByteArray>{});
        // Three hours and a place past 2:30:00, to the microsecond.
        QCOMPARE(Playerctl({u"position"_s, u"9030"_s}), QString());
        QCOMPARE(SentSinceLastMark(w, log), QList<QByteArray>{"seek 9030 2\n"});
        QCOMPARE(Get(kPlayer, u"Position"_s), QVariant(qlonglong(9030) * 1000000));
        // Paused, as playerctl adds the time since its read while playing.
        QCOMPARE(Playerctl({u"pause"_s}), QString());
        QCOMPARE(Playerctl({u"position"_s}), u"9030.000000"_s);
        QCOMPARE(Playerctl({u"metadata"_s, u"mpris:length"_s}), u"10800000000"_s);

        // Opened as a drop: a file:// URI (percent-encoded) and a plain path play; nothing else.
        QCOMPARE(Playerctl({u"open"_s, QUrl::fromLocalFile(fileB).toString(QUrl::FullyEncoded)}),
                 QString());
        QTRY_COMPARE_WITH_TIMEOUT(w.PlayerProcess->arguments().last(), fileB, 10000);
        QCOMPARE(Call(kPlayer, u"OpenUri"_s, {u"http://example.org/x.mkv"_s}).type(),
                 QDBusMessage::ErrorMessage);
        // A Blu-ray title is named by its disc, with the disc's thumbnail as cover art.
        using namespace bdfixture;
        const QString disc = user->NewFolder(u"disc folder"_s);
        SyntheticDisc spec{{{"00001", 60000}}, {}, false, "Disc of Tests", "cover.png"};
        spec.Playlists = {{u"00001.mpls"_s, WriteMoviePlaylist(PlaylistSpec::Sequential(
                                                {PlayItemSpec::Of("00001", 0, 50000)}))}};
        QVERIFY(WriteSyntheticDisc(disc, spec));
        QVERIFY(CallOk(kPlayer, u"OpenUri"_s, {disc}));
        w.PlayBlurayTitle();
        QTRY_VERIFY_WITH_TIMEOUT(w.PlayerProcess->arguments().contains(u"br://0"_s), 10000);
        const QStringList shown =
            Playerctl({u"metadata"_s, u"--format"_s, u"{{title}}|{{mpris:artUrl}}"_s}).split(u'|');
        QCOMPARE(shown.value(0), u"Disc of Tests"_s);
        QVERIFY(!QImage(QUrl(shown.value(1)).toLocalFile()).isNull());
    }

    // --- no bus ---
    void withoutABusNothingHappens() {
        QStringList messages;
        static QStringList *sink = nullptr;
        sink = &messages;
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
                if (sink && !text.startsWith(QLatin1String("This plugin does not support ")))
                    sink->append(text);
            });
        {
            DRUI &w = ShowNewWindow(window);
            // The session bus this process would use leads nowhere...
            platform::Mpris session(w.Session, &w);
            QVERIFY(!session.Register());
            // ...and neither does an address given outright.
            platform::Mpris direct(w.Session, &w,
                                   QDBusConnection::connectToBus(
                                       u"unix:path="_s + user->Root() + u"/gone"_s, u"gone"_s));
            QVERIFY(!direct.Register());
            QDBusConnection::disconnectFromBus(u"gone"_s);
            // The window plays and stops as ever, with both adapters listening to it.
            const QString log = PrepareFakePlayer(user->Root());
            PlayFiles(w, {fileA}, log);
            QTRY_COMPARE_WITH_TIMEOUT(w.NowPlayingLabel->text(), u"    a film.mp4"_s, 10000);
            w.PausePlay();
            w.StopBtn();
            QTRY_VERIFY_WITH_TIMEOUT(LoggedCommands(log).contains("q\n"), 10000);
            QCoreApplication::processEvents();
            QCOMPARE(session.PlaybackStatus(), u"Stopped"_s);
        }
        qInstallMessageHandler(previous);
        sink = nullptr;
        QCOMPARE(messages, QStringList());
    }
};

QTEST_MAIN(MprisTest)
#include "test_mpris.moc"
