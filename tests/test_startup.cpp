// Start-up: the log handler, the one-instance guard and the keep-awake request, the last two
// also through real processes of the built program on the test's X display.
#include "TestConfig.h"
#include "app/LogHandler.h"
#include "platform/CommandLine.h"
#include "platform/SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <dlfcn.h>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kInstanceName = QStringLiteral("Tavrell_DVD_Player_2019_For_Windows");
const QString kWindowTitle = QStringLiteral("Tavrell DVD Player");
constexpr int kStartTimeoutMs = 20000;

QByteArray ReadAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Without a window manager nobody iconifies a window on request, so the test does what a
// window manager does on "minimise": mark the window Iconic in WM_STATE and unmap it. xprop
// cannot write the WM_STATE type the toolkit checks for, hence libX11, loaded at run time.
class XIconifier {
public:
    XIconifier() {
        m_lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!m_lib)
            return;
        m_open = reinterpret_cast<OpenFn>(dlsym(m_lib, "XOpenDisplay"));
        m_close = reinterpret_cast<CloseFn>(dlsym(m_lib, "XCloseDisplay"));
        m_intern = reinterpret_cast<InternFn>(dlsym(m_lib, "XInternAtom"));
        m_change = reinterpret_cast<ChangeFn>(dlsym(m_lib, "XChangeProperty"));
        m_unmap = reinterpret_cast<UnmapFn>(dlsym(m_lib, "XUnmapWindow"));
        m_sync = reinterpret_cast<SyncFn>(dlsym(m_lib, "XSync"));
    }
    ~XIconifier() {
        if (m_lib)
            dlclose(m_lib);
    }
    bool usable() const { return m_open && m_close && m_intern && m_change && m_unmap && m_sync; }

    bool iconify(unsigned long window) {
        void *display = m_open(nullptr);
        if (!display)
            return false;
        const unsigned long wmState = m_intern(display, "WM_STATE", 0);
        const long iconic[2] = {3, 0}; // IconicState, no icon window
        m_change(display, window, wmState, wmState, 32, 0 /* PropModeReplace */,
                 reinterpret_cast<const unsigned char *>(iconic), 2);
        m_unmap(display, window);
        m_sync(display, 0);
        m_close(display);
        return true;
    }

private:
    using OpenFn = void *(*)(const char *);
    using CloseFn = int (*)(void *);
    using InternFn = unsigned long (*)(void *, const char *, int);
    using ChangeFn = int (*)(void *, unsigned long, unsigned long, unsigned long, int, int,
                             const unsigned char *, int);
    using UnmapFn = int (*)(void *, unsigned long);
    using SyncFn = int (*)(void *, int);

    void *m_lib = nullptr;
    OpenFn m_open = nullptr;
    CloseFn m_close = nullptr;
    InternFn m_intern = nullptr;
    ChangeFn m_change = nullptr;
    UnmapFn m_unmap = nullptr;
    SyncFn m_sync = nullptr;
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void logLine_data();
    void logLine();
    void logHandlerWritesDebugOnly();
    void logHandlerSurvivesUnopenableLog();

    void instanceAnswersShowRequest();
    void instanceIgnoresStrangers();
    void instanceFreedOnExit();
    void instanceTakesOverUnreadableLock();
    void guardFolder_data();
    void guardFolder();
    void commandLine_data();
    void commandLine();
    void handOver_data();
    void handOver();

    void secondStartShowsFirstWindow();
    void killedInstanceDoesNotBlock();
    void unusableRuntimeFolderStillGuarded();
    void damagedRecentListStartsQuickly();
    void inhibitsScreenSaver_data();
    void inhibitsScreenSaver();
    void startsWithoutScreenSaver_data();
    void startsWithoutScreenSaver();
    void remoteControlAnswersOnTheSessionBus();
    void commandLineOpens_data();
    void commandLineOpens();

private:
    // Temporary home, data, config, runtime and working folders for processes of the program.
    struct Sandbox {
        QTemporaryDir root;
        QString runtime;
        QString work;
        QProcessEnvironment env;
    };
    std::unique_ptr<Sandbox> makeSandbox(const QString &busAddress = QString());
    QProcess *startApp(const Sandbox &box, const QStringList &args = {},
                       const QString &program = QStringLiteral(TAVRELL_APP_PATH));
    QProcess *startProcess(const QString &program, const QStringList &args,
                           const QProcessEnvironment &env);
    QString startPrivateBus(const Sandbox &box);
    // Starts a private bus and points the sandbox's programs at it; false when it failed.
    bool usePrivateBus(Sandbox &box);
    // A sandbox whose programs talk to a private bus; none when either failed.
    std::unique_ptr<Sandbox> makeSandboxOnPrivateBus();
    QStringList visibleWindows(qint64 pid);
    void laterStartRestores(const Sandbox &box, QProcess *primary);
    qint64 startUpMs(const Sandbox &box);

    std::vector<std::unique_ptr<QProcess>> m_processes;
    QByteArray m_savedRuntimeDir;
    bool m_runtimeDirWasSet = false;
    bool m_runtimeDirChanged = false;
    std::unique_ptr<QTemporaryDir> m_runtime;
    void useTemporaryRuntimeFolder();
};

void TestStartup::initTestCase() {
    QVERIFY2(QFileInfo(QStringLiteral(TAVRELL_APP_PATH)).isExecutable(), TAVRELL_APP_PATH);
}

void TestStartup::cleanup() {
    // Newest first: the program before the bus it talks to.
    while (!m_processes.empty()) {
        QProcess *process = m_processes.back().get();
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
        m_processes.pop_back();
    }
    if (m_runtimeDirChanged) {
        if (m_runtimeDirWasSet)
            qputenv("XDG_RUNTIME_DIR", m_savedRuntimeDir);
        else
            qunsetenv("XDG_RUNTIME_DIR");
        m_runtimeDirChanged = false;
    }
    m_runtime.reset();
}

void TestStartup::useTemporaryRuntimeFolder() {
    m_runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(m_runtime->isValid());
    m_runtimeDirWasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    m_savedRuntimeDir = qgetenv("XDG_RUNTIME_DIR");
    m_runtimeDirChanged = true;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
}

// ---- log ----

void TestStartup::logLine_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("line");
    QTest::newRow("plain") << u"player started"_s << u"Debug: player started"_s;
    QTest::newRow("empty") << QString() << u"Debug: "_s;
    // Placeholders in the text itself must come out as they are, not be substituted again.
    QTest::newRow("placeholders") << u"50% %1 %2 done"_s << u"Debug: 50% %1 %2 done"_s;
    QTest::newRow("non-latin") << u"Überspielen – 字幕"_s << u"Debug: Überspielen – 字幕"_s;
}

void TestStartup::logLine() {
    QFETCH(QString, message);
    QFETCH(QString, line);
    QCOMPARE(LogLine(message), line);
}

void TestStartup::logHandlerWritesDebugOnly() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    {
        QFile old(QStringLiteral("Log.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier run\n");
    }

    QtMessageHandler saved = qInstallMessageHandler(LogMessageHandler);
    qDebug("first");
    qWarning("a warning");
    qCritical("a critical message");
    qInfo("some information");
    qDebug() << "second" << 2;
    qDebug("%s", "Überspielen");
    qInstallMessageHandler(saved);

    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(ReadAll(dir.filePath(QStringLiteral("Log.txt"))),
             QByteArray("earlier run\nDebug: first\nDebug: second 2\nDebug: "
                        "\xc3\x9c"
                        "berspielen\n"));
}

void TestStartup::logHandlerSurvivesUnopenableLog() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A folder where the log file should be: the open fails and the message is lost quietly.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Log.txt")));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QtMessageHandler saved = qInstallMessageHandler(LogMessageHandler);
    qDebug("lost");
    qInstallMessageHandler(saved);
    QVERIFY(QDir::setCurrent(previous));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("Log.txt"))).isDir());
}

// ---- one instance, in this process ----

void TestStartup::instanceAnswersShowRequest() {
    useTemporaryRuntimeFolder();
    platform::SingleInstance first(kInstanceName);
    QVERIFY(first.becomePrimary());
    QSignalSpy shown(&first, &platform::SingleInstance::showRequested);

    platform::SingleInstance second(kInstanceName);
    QVERIFY(!second.becomePrimary());
    // The later start waits for an answer, so it asks from another thread while this one
    // runs the first instance's event loop.
    std::atomic<int> answered{-1};
    std::thread asker([&] { answered = second.notifyPrimary(10000) ? 1 : 0; });
    QTRY_VERIFY_WITH_TIMEOUT(answered != -1, 15000);
    asker.join();
    QCOMPARE(answered.load(), 1);
    QCOMPARE(shown.count(), 1);

    // The socket sits in the private runtime folder, not in the abstract namespace.
    QVERIFY(QFileInfo::exists(m_runtime->filePath(kInstanceName)));
}

void TestStartup::instanceIgnoresStrangers() {
    useTemporaryRuntimeFolder();
    platform::SingleInstance first(kInstanceName);
    QVERIFY(first.becomePrimary());
    QSignalSpy shown(&first, &platform::SingleInstance::showRequested);

    QLocalSocket stranger;
    stranger.connectToServer(m_runtime->filePath(kInstanceName));
    QVERIFY(stranger.waitForConnected(5000));
    stranger.write("hello\n");
    stranger.write(QByteArray(4096, 'x')); // no line end: must not be buffered without bound
    stranger.flush();
    QTRY_COMPARE_WITH_TIMEOUT(stranger.state(), QLocalSocket::UnconnectedState, 10000);
    // A well-begun request past the size cap is cut off before its end line.
    QLocalSocket flooder;
    flooder.connectToServer(m_runtime->filePath(kInstanceName));
    QVERIFY(flooder.waitForConnected(5000));
    flooder.write("open\n" + QByteArray("/film.mp4\n").repeated(120000) + "end\n");
    QTRY_COMPARE_WITH_TIMEOUT(flooder.state(), QLocalSocket::UnconnectedState, 10000);
    QCOMPARE(shown.count(), 0);

    // The server still serves the next proper request.
    QLocalSocket caller;
    caller.connectToServer(m_runtime->filePath(kInstanceName));
    QVERIFY(caller.waitForConnected(5000));
    caller.write("show\n");
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(caller.canReadLine(), 10000);
    QCOMPARE(caller.readLine(), QByteArray("ok\n"));
}

void TestStartup::instanceFreedOnExit() {
    useTemporaryRuntimeFolder();
    {
        platform::SingleInstance first(kInstanceName);
        QVERIFY(first.becomePrimary());
    }
    // Neither the lock nor the socket outlives a clean exit, and the next one starts afresh.
    QVERIFY(!QFileInfo::exists(m_runtime->filePath(kInstanceName)));
    QVERIFY(!QFileInfo::exists(m_runtime->filePath(kInstanceName + u".lock"_s)));
    platform::SingleInstance next(kInstanceName);
    QVERIFY(next.becomePrimary());
    QSignalSpy shown(&next, &platform::SingleInstance::showRequested);
    QLocalSocket caller;
    caller.connectToServer(m_runtime->filePath(kInstanceName));
    QVERIFY(caller.waitForConnected(5000));
    caller.write("show\n");
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 10000);
}

void TestStartup::instanceTakesOverUnreadableLock() {
    useTemporaryRuntimeFolder();
    // An owner killed between creating the lock file and writing its id leaves it empty; that
    // must not keep the program from starting for ever. A plain file under the socket's name
    // (left by something else) must not keep it from listening either.
    for (const QString &name : {kInstanceName + u".lock"_s, kInstanceName}) {
        QFile file(m_runtime->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    platform::SingleInstance first(kInstanceName);
    QVERIFY(first.becomePrimary());
    QSignalSpy shown(&first, &platform::SingleInstance::showRequested);
    QLocalSocket caller;
    caller.connectToServer(m_runtime->filePath(kInstanceName));
    QVERIFY(caller.waitForConnected(5000));
    caller.write("show\n");
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 10000);
}

// Without a runtime folder the guard lives in a private folder of the data folder; a folder
// there that is not privately ours is not used.
void TestStartup::guardFolder_data() {
    QTest::addColumn<QString>("existing"); // what is at <data>/instance beforehand
    QTest::addColumn<bool>("usable");
    QTest::newRow("none yet") << QString() << true;
    QTest::newRow("ours, open to all") << u"0755"_s << true;
    QTest::newRow("a link") << u"link"_s << false;
    QTest::newRow("another user's") << u"foreign"_s << false;
}

void TestStartup::guardFolder() {
    QFETCH(QString, existing);
    QFETCH(bool, usable);
    QTemporaryDir root;
    const QString data = root.filePath(u"share/Tavrell DVD Player/"_s);
    const QString folder = data + u"instance"_s;
    QCOMPARE(platform::GuardFolder(root.path(), data), root.path());
    if (existing == u"0755"_s) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    } else if (existing == u"link"_s) {
        QVERIFY(QDir().mkpath(data));
        QVERIFY(QDir().mkpath(root.filePath(u"elsewhere"_s)));
        QVERIFY(QFile::link(root.filePath(u"elsewhere"_s), folder));
    } else if (existing == u"foreign"_s) {
        if (::geteuid() != 0)
            QSKIP("needs root to give a folder to another user");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0700) == 0);
        QVERIFY(::chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0);
    }
    QCOMPARE(platform::GuardFolder(QString(), data), usable ? folder : QString());
    if (usable) {
        struct stat info {};
        QVERIFY(::lstat(QFile::encodeName(folder).constData(), &info) == 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0700));
    }
}

// Arguments ("@" is the test's folder, also the working folder) and what they open.
void TestStartup::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("opens"); // files joined by "|", or "folder <name>", or the action
    const QString odd = u"Film ü 字幕.mp4"_s;
    const QString uri = u"file://@/"_s + QString::fromLatin1(QUrl::toPercentEncoding(odd));
    QTest::newRow("a file") << QStringList{u"@/a.mp4"_s} << u"a.mp4"_s;
    QTest::newRow("several, relative") << QStringList{u"b.mkv"_s, u"@/a.mp4"_s} << u"b.mkv|a.mp4"_s;
    QTest::newRow("dvd folder") << QStringList{u"@/dvd/"_s} << u"folder dvd"_s;
    QTest::newRow("blu-ray folder") << QStringList{u"@/bd"_s} << u"folder bd"_s;
    QTest::newRow("files beat folders") << QStringList{u"@/bd"_s, u"@/a.mp4"_s} << u"a.mp4"_s;
    QTest::newRow("uri") << QStringList{uri} << odd;
    QTest::newRow("spaces, non-ascii") << QStringList{u"@/"_s + odd} << odd;
    QTest::newRow("dash name after --") << QStringList{u"--"_s, u"-x.mp4"_s} << u"-x.mp4"_s;
    QTest::newRow("unknown option") << QStringList{u"@/a.mp4"_s, u"--fullscreen"_s}
                                    << u"tavrell-dvd-player: unknown option '--fullscreen'"_s;
    QTest::newRow("missing path") << QStringList{u"@/a.mp4"_s, u"@/gone.mp4"_s}
                                  << u"tavrell-dvd-player: no such file or folder: gone.mp4"_s;
    QTest::newRow("remote uri") << QStringList{u"file://server/a.mp4"_s}
                                << u"tavrell-dvd-player: not a local file"_s;
    QTest::newRow("version") << QStringList{u"--version"_s}
                             << QStringLiteral("tavrell-dvd-player " TAVRELL_VERSION);
}

void TestStartup::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(QString, opens);
    QTemporaryDir dir;
    for (const QString &name : {u"a.mp4"_s, u"b.mkv"_s, u"-x.mp4"_s, u"Film ü 字幕.mp4"_s})
        QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
    QVERIFY(QDir().mkpath(dir.filePath(u"dvd/VIDEO_TS"_s)));
    QVERIFY(QDir().mkpath(dir.filePath(u"bd/BDMV/STREAM"_s)));
    args.replaceInStrings(u"@"_s, dir.path());
    const platform::CommandLine line = platform::ParseCommandLine(args, dir.path());
    const platform::OpenPlan plan = platform::PlanOpening(line.paths);
    QString seen = plan.folder.isEmpty() ? plan.files.join(u'|') : u"folder "_s + plan.folder;
    seen.replace(dir.path() + u'/', QString());
    if (line.action != platform::CommandLine::Action::Run)
        seen = QString(line.message).remove(dir.path() + u'/').left(opens.size());
    QCOMPARE(seen, opens);
}

void TestStartup::handOver_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("read"); // paths joined by "|" (none: show only), or the state
    const QStringList sent{u"/m/Film ü\n%41.mp4"_s, u"/m/b.mkv"_s};
    const QByteArray encoded = platform::EncodeHandOver(sent);
    QTest::newRow("paths") << encoded << sent.join(u'|');
    QTest::newRow("show only") << platform::EncodeHandOver({}) << QString();
    QTest::newRow("cut short") << encoded.chopped(2) << u"incomplete"_s;
    QTest::newRow("garbage") << QByteArray("GET / HTTP/1.0\r\n") << u"malformed"_s;
    QTest::newRow("relative path") << QByteArray("open\nfilm.mp4\nend\n") << u"malformed"_s;
    QTest::newRow("too many") << "open\n" + QByteArray("/a\n").repeated(1001) + "end\n"
                              << u"malformed"_s;
    QTest::newRow("oversized") << "open\n/" + QByteArray(1 << 20, 'x') << u"malformed"_s;
}

void TestStartup::handOver() {
    QFETCH(QByteArray, message);
    QFETCH(QString, read);
    const platform::HandOver request = platform::DecodeHandOver(message);
    using State = platform::HandOver::State;
    QCOMPARE(request.state == State::Complete    ? request.paths.join(u'|')
             : request.state == State::Malformed ? u"malformed"_s
                                                 : u"incomplete"_s,
             read);
}

// ---- the built program ----

std::unique_ptr<TestStartup::Sandbox> TestStartup::makeSandbox(const QString &busAddress) {
    auto box = std::make_unique<Sandbox>();
    if (!box->root.isValid())
        return nullptr;
    QDir root(box->root.path());
    for (const char *sub : {"run", "home", "data", "config", "work"})
        root.mkdir(QLatin1String(sub));
    box->runtime = root.filePath(QStringLiteral("run"));
    QFile::setPermissions(box->runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    box->work = root.filePath(QStringLiteral("work"));
    box->env = QProcessEnvironment::systemEnvironment();
    box->env.insert(QStringLiteral("XDG_RUNTIME_DIR"), box->runtime);
    box->env.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    box->env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    box->env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    box->env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // Never the caller's desktop bus: either the test's private one or none at all.
    box->env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                    busAddress.isEmpty() ? u"unix:path=/nonexistent"_s : busAddress);
    return box;
}

QProcess *TestStartup::startProcess(const QString &program, const QStringList &args,
                                    const QProcessEnvironment &env) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->setProgram(program);
    process->setArguments(args);
    process->start();
    if (!process->waitForStarted(10000))
        return nullptr;
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

QProcess *TestStartup::startApp(const Sandbox &box, const QStringList &args,
                                const QString &program) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(box.env);
    process->setWorkingDirectory(box.work);
    process->setProgram(program);
    process->setArguments(args);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QDir(box.work).filePath(QStringLiteral("stderr.txt")),
                                  QIODevice::Append);
    process->start();
    if (!process->waitForStarted(10000))
        return nullptr;
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

// A private session bus listening in the sandbox; returns its address (empty on failure).
std::unique_ptr<TestStartup::Sandbox> TestStartup::makeSandboxOnPrivateBus() {
    auto box = makeSandbox();
    if (box && !usePrivateBus(*box))
        box.reset();
    return box;
}

bool TestStartup::usePrivateBus(Sandbox &box) {
    const QString address = startPrivateBus(box);
    if (address.isEmpty())
        return false;
    box.env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
    return true;
}

QString TestStartup::startPrivateBus(const Sandbox &box) {
    const QString address = u"unix:path="_s + QDir(box.root.path()).filePath(u"bus"_s);
    QProcess *bus = startProcess(
        QStringLiteral("dbus-daemon"),
        {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s, u"--address="_s + address},
        box.env);
    if (!bus)
        return QString();
    // The address is printed once the daemon listens.
    for (int i = 0; i < 100 && !bus->canReadLine(); ++i)
        bus->waitForReadyRead(100);
    return bus->canReadLine() ? QString::fromLocal8Bit(bus->readLine()).trimmed() : QString();
}

QStringList TestStartup::visibleWindows(qint64 pid) {
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {u"search"_s, u"--all"_s, u"--onlyvisible"_s, u"--pid"_s, QString::number(pid),
                  u"--name"_s, u"^"_s + kWindowTitle + u"$"_s});
    if (!search.waitForFinished(10000))
        return {};
    return QString::fromLatin1(search.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// Minimises the primary's window the way a window manager would, starts the program again and
// expects that start to exit at once and the same window to come back.
void TestStartup::laterStartRestores(const Sandbox &box, QProcess *primary) {
    XIconifier iconifier;
    QVERIFY2(iconifier.usable(), "libX11 is not available");
    const QStringList windows = visibleWindows(primary->processId());
    QCOMPARE(windows.size(), 1);
    QVERIFY(iconifier.iconify(windows.constFirst().toULong()));
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(primary->processId()).isEmpty(), 10000);

    QProcess *later = startApp(box);
    QVERIFY(later);
    const qint64 laterPid = later->processId();
    QVERIFY(later->waitForFinished(10000));
    QCOMPARE(later->exitStatus(), QProcess::NormalExit);
    QCOMPARE(later->exitCode(), 0);
    QCOMPARE(primary->state(), QProcess::Running);

    // The first window is back, and it is still the only one.
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(primary->processId()), windows, 10000);
    QVERIFY(visibleWindows(laterPid).isEmpty());
}

void TestStartup::secondStartShowsFirstWindow() {
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        QSKIP("xdotool is not installed");
    auto box = makeSandbox();
    QVERIFY(box);
    QProcess *first = startApp(*box);
    QVERIFY(first);
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(first->processId()).size(), 1, kStartTimeoutMs);
    laterStartRestores(*box, first);
}

void TestStartup::killedInstanceDoesNotBlock() {
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        QSKIP("xdotool is not installed");
    auto box = makeSandbox();
    QVERIFY(box);

    QProcess *first = startApp(*box);
    QVERIFY(first);
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(first->processId()).size(), 1, kStartTimeoutMs);
    first->kill(); // SIGKILL: no chance to remove the lock or the socket
    QVERIFY(first->waitForFinished(5000));
    QVERIFY(QFileInfo::exists(QDir(box->runtime).filePath(kInstanceName + u".lock"_s)));
    QVERIFY(QFileInfo::exists(QDir(box->runtime).filePath(kInstanceName)));

    QProcess *next = startApp(*box);
    QVERIFY(next);
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(next->processId()).size(), 1, kStartTimeoutMs);
    QCOMPARE(next->state(), QProcess::Running);

    // The new first instance listens on the dead one's socket name and answers later starts.
    laterStartRestores(*box, next);
}

// XDG_RUNTIME_DIR unset and the shared fallback folder taken by someone else: the program is
// still guarded, through its own private folder.
void TestStartup::unusableRuntimeFolderStillGuarded() {
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        QSKIP("xdotool is not installed");
    auto box = makeSandbox();
    QVERIFY(box);
    const QString temp = QDir(box->root.path()).filePath(u"tmp"_s);
    const passwd *user = ::getpwuid(::geteuid());
    QVERIFY(user);
    const QString taken = temp + u"/runtime-"_s + QString::fromLocal8Bit(user->pw_name);
    QVERIFY(QDir().mkpath(taken));
    QVERIFY(::chmod(QFile::encodeName(taken).constData(), 0755) == 0);
    if (::geteuid() == 0)
        QVERIFY(::chown(QFile::encodeName(taken).constData(), 65534, 65534) == 0);
    box->env.remove(u"XDG_RUNTIME_DIR"_s);
    box->env.insert(u"TMPDIR"_s, temp);

    QProcess *first = startApp(*box);
    QVERIFY(first);
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(first->processId()).size(), 1, kStartTimeoutMs);
    const QString guard = QDir(box->root.path()).filePath(u"data/Tavrell DVD Player/instance/"_s);
    QVERIFY(QFileInfo::exists(guard + kInstanceName + u".lock"_s));
    QVERIFY(QDir(taken).isEmpty());
    laterStartRestores(*box, first);
}

// From start to a visible window, median of three starts.
qint64 TestStartup::startUpMs(const Sandbox &box) {
    QList<qint64> times;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer clock;
        clock.start();
        QProcess *app = startApp(box);
        if (!app)
            return -1;
        while (visibleWindows(app->processId()).isEmpty()) {
            if (clock.elapsed() > kStartTimeoutMs)
                return -1;
            QTest::qWait(10);
        }
        times << clock.elapsed();
        app->kill();
        app->waitForFinished(5000);
    }
    std::sort(times.begin(), times.end());
    return times[1];
}

// A recent list of 100,000 lines, or one line of 50 MB, costs next to nothing at start-up.
void TestStartup::damagedRecentListStartsQuickly() {
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        QSKIP("xdotool is not installed");
    auto box = makeSandbox();
    QVERIFY(box);
    const QString data = QDir(box->root.path()).filePath(u"data/Tavrell DVD Player/"_s);
    QVERIFY(QDir().mkpath(data));
    const qint64 clean = startUpMs(*box);
    QVERIFY(clean > 0);

    QByteArray lines;
    for (int i = 0; i < 100000; ++i)
        lines += "/media/films/film number " + QByteArray::number(i) + ".mkv\r\n";
    for (const QByteArray &content : {lines, QByteArray(50 << 20, 'x') + "\r\n"}) {
        QFile recent(data + u"RecentConfig.txt"_s);
        QVERIFY(recent.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(recent.write(content), content.size());
        recent.close();
        const qint64 damaged = startUpMs(*box);
        QVERIFY(damaged > 0);
        qInfo("start-up: %lld ms clean, %lld ms with the damaged list", clean, damaged);
        QVERIFY2(damaged < clean + 500,
                 qPrintable(u"%1 ms against %2 ms clean"_s.arg(damaged).arg(clean)));
    }
}

void TestStartup::inhibitsScreenSaver_data() {
    QTest::addColumn<QStringList>("servedPaths");
    QTest::newRow("current path") << QStringList();
    QTest::newRow("older path only") << QStringList{u"/ScreenSaver"_s};
}

void TestStartup::inhibitsScreenSaver() {
    QFETCH(QStringList, servedPaths);
    if (QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty())
        QSKIP("dbus-daemon is not installed");
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        QSKIP("xdotool is not installed");
    auto box = makeSandboxOnPrivateBus();
    QVERIFY(box);

    const QString log = QDir(box->root.path()).filePath(u"inhibit.log"_s);
    QProcessEnvironment fakeEnv = box->env;
    fakeEnv.insert(u"FAKE_SCREENSAVER_LOG"_s, log);
    QProcess *saver = startProcess(QStringLiteral(TAVRELL_FAKE_SCREENSAVER), servedPaths, fakeEnv);
    QVERIFY(saver);
    QTRY_VERIFY_WITH_TIMEOUT(saver->canReadLine(), 10000);
    QCOMPARE(saver->readLine(), QByteArray("ready\n"));

    QProcess *app = startApp(*box);
    QVERIFY(app);
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(app->processId()).size(), 1, kStartTimeoutMs);

    // Exactly one request, made once the window is up, naming the program and a reason.
    QTRY_VERIFY_WITH_TIMEOUT(ReadAll(log).endsWith('\n'), kStartTimeoutMs);
    const QList<QByteArray> calls = ReadAll(log).split('\n');
    QCOMPARE(calls.size(), 2); // the line and what follows its line end
    QVERIFY2(calls.at(0).startsWith("Inhibit Tavrell DVD Player|"), calls.at(0).constData());
    QVERIFY(calls.at(0).size() > qsizetype(sizeof("Inhibit Tavrell DVD Player|")));
    QCOMPARE(app->state(), QProcess::Running);
}

void TestStartup::startsWithoutScreenSaver_data() {
    QTest::addColumn<bool>("privateBus");
    QTest::newRow("no session bus") << false;
    QTest::newRow("bus without the service") << true;
}

void TestStartup::startsWithoutScreenSaver() {
    QFETCH(bool, privateBus);
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        QSKIP("xdotool is not installed");
    if (privateBus && QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty())
        QSKIP("dbus-daemon is not installed");
    auto box = makeSandbox();
    QVERIFY(box);
    if (privateBus) {
        QVERIFY(usePrivateBus(*box));
    }
    QProcess *app = startApp(*box);
    QVERIFY(app);
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(app->processId()).size(), 1, kStartTimeoutMs);
    QCOMPARE(app->state(), QProcess::Running);
    // SIGTERM ends it through its event loop, as closing does, not where it stands.
    app->terminate();
    QVERIFY(app->waitForFinished(kStartTimeoutMs));
    QCOMPARE(app->exitStatus(), QProcess::NormalExit);
    QCOMPARE(app->exitCode(), 128 + SIGTERM);
}

// The built program takes its remote-control name once its window is up, answers as the
// program, and Quit ends it as File > Close does.
void TestStartup::remoteControlAnswersOnTheSessionBus() {
    if (QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty())
        QSKIP("dbus-daemon is not installed");
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        QSKIP("xdotool is not installed");
    auto box = makeSandboxOnPrivateBus();
    QVERIFY(box);
    QProcess *app = startApp(*box);
    QVERIFY(app);
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(app->processId()).size(), 1, kStartTimeoutMs);

    const QString service = u"org.mpris.MediaPlayer2.tavrell_dvd_player"_s;
    QDBusConnection client = QDBusConnection::connectToBus(
        box->env.value(u"DBUS_SESSION_BUS_ADDRESS"_s), u"startup-client"_s);
    QVERIFY(client.isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(client.interface()->isServiceRegistered(service).value(),
                             kStartTimeoutMs);
    QCOMPARE(client.interface()->servicePid(service).value(), uint(app->processId()));
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, u"/org/mpris/MediaPlayer2"_s, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << u"org.mpris.MediaPlayer2"_s << u"Identity"_s;
    const QDBusMessage identity = client.call(get, QDBus::Block, 20000);
    QCOMPARE(identity.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(identity.arguments().value(0).value<QDBusVariant>().variant().toString(),
             kWindowTitle);

    const QDBusMessage quit =
        client.call(QDBusMessage::createMethodCall(service, u"/org/mpris/MediaPlayer2"_s,
                                                   u"org.mpris.MediaPlayer2"_s, u"Quit"_s),
                    QDBus::Block, 20000);
    QCOMPARE(quit.type(), QDBusMessage::ReplyMessage);
    QVERIFY(app->waitForFinished(kStartTimeoutMs));
    QCOMPARE(app->exitStatus(), QProcess::NormalExit);
    QCOMPARE(app->exitCode(), 0);
    QDBusConnection::disconnectFromBus(u"startup-client"_s);
}

void TestStartup::commandLineOpens_data() {
    QTest::addColumn<QStringList>("first"); // a running instance's own paths ("@": media folder)
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("played"); // the player's last argument in the end
    QTest::newRow("a file") << QStringList() << QStringList{u"@/a.mp4"_s} << u"@/a.mp4"_s;
    QTest::newRow("handed over while playing")
        << QStringList{u"@/a.mp4"_s} << QStringList{u"@/b ü.mkv"_s, u"@/a.mp4"_s} << u"@/b ü.mkv"_s;
    QTest::newRow("a DVD folder") << QStringList() << QStringList{u"@/dvd"_s} << u"@/dvd"_s;
    // Refused at once, exit code 2, with no window or player.
    QTest::newRow("unknown option") << QStringList() << QStringList{u"-x"_s} << QString();
}

// The built program beside the stand-in player and probe: a later start hands its paths to
// the running window and exits 0.
void TestStartup::commandLineOpens() {
    QFETCH(QStringList, first);
    QFETCH(QStringList, args);
    QFETCH(QString, played);
    auto box = makeSandbox();
    QVERIFY(box);
    const QDir root(box->root.path());
    const QString app = root.filePath(u"app/"_s);
    QVERIFY(root.mkpath(u"app"_s) && root.mkpath(u"media"_s));
    for (const auto &[from, to] : {std::pair{TAVRELL_APP_PATH, "tavrell-dvd-player"},
                                   {TAVRELL_FAKE_PLAYER, "Player"},
                                   {TAVRELL_FAKE_PROBE, "tool"}})
        QVERIFY(QFile::copy(QString::fromUtf8(from), app + QString::fromUtf8(to)));
    QVERIFY(root.mkpath(u"media/dvd/VIDEO_TS"_s));
    for (const QString &name : {u"a.mp4"_s, u"b ü.mkv"_s, u"dvd/VIDEO_TS/VIDEO_TS.IFO"_s})
        QVERIFY(QFile(root.filePath(u"media/"_s + name)).open(QIODevice::WriteOnly));
    const QString log = root.filePath(u"player.log"_s);
    box->env.insert(u"FAKE_PLAYER_LOG"_s, log);
    const auto lastArg = [&] {
        return QString::fromUtf8(ReadAll(log + u".args"_s)).section(u'\n', -2, -2);
    };
    for (QStringList *list : {&first, &args})
        list->replaceInStrings(u"@"_s, root.filePath(u"media"_s));
    played.replace(u"@"_s, root.filePath(u"media"_s));
    QProcess *running =
        first.isEmpty() ? nullptr : startApp(*box, first, app + u"tavrell-dvd-player"_s);
    if (running)
        QTRY_COMPARE_WITH_TIMEOUT(lastArg(), first.first(), kStartTimeoutMs);
    QElapsedTimer clock;
    clock.start();
    QProcess *later = startApp(*box, args, app + u"tavrell-dvd-player"_s);
    QVERIFY(later);
    if (played.isEmpty()) {
        QVERIFY(later->waitForFinished(kStartTimeoutMs));
        QCOMPARE(later->exitCode(), 2);
        QVERIFY(!QFileInfo::exists(log + u".args"_s) && QDir(box->runtime).isEmpty());
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(lastArg(), played, kStartTimeoutMs);
    qInfo("start to the player started: %lld ms", qint64(clock.elapsed()));
    if (running) {
        QTRY_COMPARE_WITH_TIMEOUT(later->state(), QProcess::NotRunning, kStartTimeoutMs);
        QCOMPARE(later->exitCode(), 0);
        QCOMPARE(running->state(), QProcess::Running);
    }
}

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
