// The installed program: `cmake --install` into a temporary prefix, then the program started
// through its link in bin/ under Xvfb must find its captions, its shipped config.ini and its
// help pages beside its real executable, and write nothing into its application folder.
#include "TestConfig.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kAppFolder = u"lib/tavrell-dvd-player"_s;
const QString kTitle = u"Tavrell DVD Player"_s;
constexpr int kStartTimeoutMs = 30000;

struct RunResult {
    bool Ok = false;
    QByteArray Out;
    QByteArray Err;
};

RunResult Run(const QString &program, const QStringList &args) {
    QProcess process;
    process.start(program, args);
    RunResult result;
    result.Ok = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
                process.exitCode() == 0;
    result.Out = process.readAllStandardOutput();
    result.Err = process.readAllStandardError();
    return result;
}

QByteArray ReadAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

// Every entry below the folder with its size and modification time, one line each.
QStringList Inventory(const QString &folder) {
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        lines << u"%1 %2 %3"_s.arg(info.filePath())
                     .arg(info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    lines.sort();
    return lines;
}

// The value of "key=" in the desktop entry's text, or a null string.
QString DesktopValue(const QByteArray &entry, const QString &key) {
    const QRegularExpression line(u"^"_s + QRegularExpression::escape(key) + u"=(.*)$"_s,
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromUtf8(entry));
    return match.hasMatch() ? match.captured(1) : QString();
}

// Polls until the condition holds or the time is up; true when it held.
template <typename Condition> bool WaitFor(Condition condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

QString XdoTool(const QStringList &args) {
    QProcess process;
    process.start(u"xdotool"_s, args);
    process.waitForFinished(10000);
    return QString::fromLatin1(process.readAllStandardOutput()).trimmed();
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void layout();
    void desktopDataAgree();
    void startsThroughLink();
    void shippedConfigFoundInMovedTree();

private:
    // A user of its own for one start of the program: home, data, config, runtime and working
    // folders, no desktop bus, and an opener that records what the program hands it.
    struct User {
        QTemporaryDir root;
        QString work;
        QString opened;
        QProcessEnvironment env;
    };
    std::unique_ptr<User> makeUser();
    QProcess *start(const User &user, const QString &program);
    QString shownWindow(qint64 pid, const QString &title);

    QTemporaryDir m_prefix;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

void TestInstall::initTestCase() {
    QVERIFY(!QStandardPaths::findExecutable(u"xdotool"_s).isEmpty());
    QVERIFY(m_prefix.isValid());
    const RunResult install =
        Run(QStringLiteral(TAVRELL_CMAKE_COMMAND),
            {u"--install"_s, QStringLiteral(TAVRELL_BUILD_DIR), u"--prefix"_s, m_prefix.path()});
    QVERIFY2(install.Ok, (install.Out + install.Err).constData());
}

void TestInstall::cleanup() {
    for (auto &process : m_processes) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    m_processes.clear();
}

std::unique_ptr<TestInstall::User> TestInstall::makeUser() {
    auto user = std::make_unique<User>();
    if (!user->root.isValid())
        return nullptr;
    QDir root(user->root.path());
    for (const char *sub : {"run", "home", "data", "config", "work", "bin"})
        root.mkdir(QLatin1String(sub));
    QFile::setPermissions(root.filePath(u"run"_s),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    user->work = root.filePath(u"work"_s);
    user->opened = root.filePath(u"opened.txt"_s);
    // Help pages go to the desktop's opener; this one only writes down what it was given.
    const QString opener = root.filePath(u"bin/xdg-open"_s);
    if (!WriteAll(opener, "#!/bin/sh\nprintf '%s\\n' \"$@\" >>\"$OPENED_LOG\"\n"))
        return nullptr;
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    user->env = QProcessEnvironment::systemEnvironment();
    user->env.insert(u"PATH"_s, root.filePath(u"bin"_s) + u':' + user->env.value(u"PATH"_s));
    user->env.insert(u"OPENED_LOG"_s, user->opened);
    user->env.insert(u"XDG_RUNTIME_DIR"_s, root.filePath(u"run"_s));
    user->env.insert(u"HOME"_s, root.filePath(u"home"_s));
    user->env.insert(u"XDG_DATA_HOME"_s, root.filePath(u"data"_s));
    user->env.insert(u"XDG_CONFIG_HOME"_s, root.filePath(u"config"_s));
    user->env.remove(u"WAYLAND_DISPLAY"_s);
    user->env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent"_s);
    return user;
}

QProcess *TestInstall::start(const User &user, const QString &program) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(user.env);
    process->setWorkingDirectory(user.work);
    process->setProgram(program);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QDir(user.work).filePath(u"stderr.txt"_s));
    process->start();
    if (!process->waitForStarted(10000))
        return nullptr;
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

// The id of the process's visible window with exactly this title, or an empty string.
QString TestInstall::shownWindow(qint64 pid, const QString &title) {
    return XdoTool({u"search"_s, u"--onlyvisible"_s, u"--pid"_s, QString::number(pid), u"--name"_s,
                    u"^"_s + QRegularExpression::escape(title) + u"$"_s})
        .section(u'\n', 0, 0);
}

void TestInstall::layout() {
    const QDir prefix(m_prefix.path());
    const QString appFolder = prefix.filePath(kAppFolder);
    // Both programs are relative links into the application folder, so the tree works
    // wherever it is put (a package's staging folder, /usr, a moved copy).
    for (const QString &name : {u"tavrell-dvd-player"_s, u"tavrell-bdinfo"_s}) {
        const QFileInfo link(prefix.filePath(u"bin/"_s + name));
        QVERIFY2(link.isSymLink(), qPrintable(link.filePath()));
        QCOMPARE(link.symLinkTarget(), QFileInfo(appFolder + u'/' + name).absoluteFilePath());
        QCOMPARE(QString::fromLocal8Bit(Run(u"readlink"_s, {link.filePath()}).Out.trimmed()),
                 u"../"_s + kAppFolder + u'/' + name);
        QVERIFY(QFileInfo(link.symLinkTarget()).isExecutable());
    }

    // Every language config.ini offers is there, and every help page the Help menu opens.
    const QByteArray config = ReadAll(appFolder + u"/config.ini"_s);
    QVERIFY(config.contains("[Languages]"));
    const QRegularExpression language(u"^/(\\w+)="_s, QRegularExpression::MultilineOption);
    int languages = 0;
    for (const QRegularExpressionMatch &match : language.globalMatch(QString::fromUtf8(config))) {
        const QString file = appFolder + u"/Languages/"_s + match.captured(1) + u".ini"_s;
        QVERIFY2(QFileInfo(file).isFile(), qPrintable(file));
        ++languages;
    }
    QCOMPARE(languages, 5);
    for (const char *page : {"guide.html", "support.html", "about.html", "style.css"})
        QVERIFY2(QFileInfo(appFolder + u"/help/"_s + QLatin1String(page)).isFile(), page);

    // The Blu-ray lister runs through its link.
    const RunResult bdinfo = Run(prefix.filePath(u"bin/tavrell-bdinfo"_s),
                                 {QStringLiteral(TAVRELL_TESTDATA_DIR "/bluray/disc1")});
    QVERIFY2(bdinfo.Ok, bdinfo.Err.constData());
    QVERIFY(bdinfo.Out.startsWith("title 1. "));
}

void TestInstall::desktopDataAgree() {
    const QDir prefix(m_prefix.path());
    const QString desktopFile = prefix.filePath(u"share/applications/tavrell-dvd-player.desktop"_s);
    const QByteArray entry = ReadAll(desktopFile);
    QVERIFY2(!entry.isEmpty(), qPrintable(desktopFile));

    // The command is the installed link, handed the chosen files and discs as URIs.
    const QStringList exec = DesktopValue(entry, u"Exec"_s).split(u' ');
    QCOMPARE(exec.size(), 2);
    QCOMPARE(exec.last(), u"%U"_s);
    QVERIFY(QFileInfo(prefix.filePath(u"bin/"_s + exec.first())).isExecutable());
    if (!QStandardPaths::findExecutable(u"desktop-file-validate"_s).isEmpty())
        QCOMPARE(QProcess::execute(u"desktop-file-validate"_s, {desktopFile}), 0);

    // The icon name is found in the theme at every size, each of its own pixel size.
    const QString icon = DesktopValue(entry, u"Icon"_s);
    QVERIFY(!icon.isEmpty());
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString png =
            prefix.filePath(u"share/icons/hicolor/%1x%1/apps/%2.png"_s.arg(size).arg(icon));
        QImageReader reader(png);
        QCOMPARE(reader.size(), QSize(size, size));
    }
    QVERIFY(QFileInfo(prefix.filePath(u"share/icons/hicolor/scalable/apps/"_s + icon + u".svg"_s))
                .isFile());

    // The AppStream data launches this desktop entry and names this version.
    const QStringList metainfo =
        QDir(prefix.filePath(u"share/metainfo"_s)).entryList({u"*.metainfo.xml"_s}, QDir::Files);
    QCOMPARE(metainfo.size(), 1);
    const QByteArray component = ReadAll(prefix.filePath(u"share/metainfo/"_s + metainfo.first()));
    QVERIFY(component.contains(
        "<launchable type=\"desktop-id\">tavrell-dvd-player.desktop</launchable>"));
    QVERIFY(component.contains("<release version=\"" TAVRELL_VERSION "\""));
    QVERIFY(!component.contains('@')); // every placeholder filled in
    // File managers offer it for these, and for inserted discs; AppStream lists the same.
    const QStringList types = DesktopValue(entry, u"MimeType"_s).split(u';', Qt::SkipEmptyParts);
    for (const QString &type :
         {u"video/mp4"_s, u"x-content/video-dvd"_s, u"x-content/video-bluray"_s})
        QVERIFY2(types.contains(type), qPrintable(type));
    for (const QString &type : types)
        QVERIFY2(component.contains("<mediatype>" + type.toUtf8() + "</mediatype>"),
                 qPrintable(type));
}

void TestInstall::startsThroughLink() {
    const QString appFolder = QDir(m_prefix.path()).filePath(kAppFolder);
    const QStringList before = Inventory(appFolder);
    QVERIFY(!before.isEmpty());

    std::unique_ptr<User> user = makeUser();
    QVERIFY(user);
    QProcess *app = start(*user, QDir(m_prefix.path()).filePath(u"bin/tavrell-dvd-player"_s));
    QVERIFY(app);
    // The title is a caption from Languages/English.ini: without the language files found
    // beside the real executable the window has no title at all.
    QString window;
    QTRY_VERIFY2_WITH_TIMEOUT(!(window = shownWindow(app->processId(), kTitle)).isEmpty(),
                              ReadAll(QDir(user->work).filePath(u"stderr.txt"_s)).constData(),
                              kStartTimeoutMs);

    // Help > Help: the guide is opened from the application folder, not from beside the link.
    // The Help button sits at the right end of the top bar; its popup menu takes the keys.
    const auto popupShown = [&] {
        const QStringList shown = XdoTool({u"search"_s, u"--onlyvisible"_s, u"--pid"_s,
                                           QString::number(app->processId()), u"--name"_s, u""_s})
                                      .split(u'\n', Qt::SkipEmptyParts);
        return shown.size() > 1 || (shown.size() == 1 && shown.first() != window);
    };
    const auto useHelpMenu = [&](const QStringList &keys, const auto &done) {
        for (int attempt = 0; attempt < 3 && !done(); ++attempt) {
            XdoTool({u"mousemove"_s, u"--window"_s, window, u"543"_s, u"11"_s, u"click"_s, u"1"_s});
            if (!WaitFor(popupShown, 10000))
                continue;
            XdoTool(QStringList{u"key"_s, u"--delay"_s, u"150"_s} + keys);
            WaitFor(done, 10000);
        }
        return done();
    };
    const QString guide = appFolder + u"/help/guide.html"_s;
    QVERIFY(useHelpMenu({u"Down"_s, u"Return"_s},
                        [&user] { return ReadAll(user->opened).contains("guide.html"); }));
    const QUrl opened(QString::fromUtf8(ReadAll(user->opened)).trimmed());
    QCOMPARE(opened.toLocalFile(), guide);
    QVERIFY(QFileInfo(guide).isFile());

    // Help > Language > Deutsch: the choice is kept in the user's data folder.
    const QString choice = user->root.path() + u"/data/Tavrell DVD Player/config.ini"_s;
    QVERIFY(useHelpMenu({u"Down"_s, u"Down"_s, u"Down"_s, u"Right"_s, u"Down"_s, u"Return"_s},
                        [&choice] { return ReadAll(choice).contains("/German"); }));

    app->terminate();
    QVERIFY(app->waitForFinished(10000));
    // Nothing of the run (language choice, recent list, probe copy) lands in the installed
    // folder.
    QCOMPARE(Inventory(appFolder), before);
}

void TestInstall::shippedConfigFoundInMovedTree() {
    // A copy of the installed tree elsewhere, whose shipped config.ini names a language of its
    // own as the default: the title shows that the program read this config.ini, beside the
    // executable the moved link leads to.
    QTemporaryDir moved;
    QVERIFY(moved.isValid());
    QVERIFY(Run(u"cp"_s, {u"-a"_s, m_prefix.path() + u"/."_s, moved.path()}).Ok);
    const QString appFolder = QDir(moved.path()).filePath(kAppFolder);
    QByteArray config = ReadAll(appFolder + u"/config.ini"_s);
    QVERIFY(config.contains("Default=/English"));
    config.replace("Default=/English", "Default=/Check");
    QVERIFY(WriteAll(appFolder + u"/config.ini"_s, config));
    QByteArray captions = ReadAll(appFolder + u"/Languages/English.ini"_s);
    QVERIFY(captions.contains("ProTitle=Tavrell DVD Player"));
    captions.replace("ProTitle=Tavrell DVD Player", "ProTitle=Moved Tree Check");
    QVERIFY(WriteAll(appFolder + u"/Languages/Check.ini"_s, captions));

    std::unique_ptr<User> user = makeUser();
    QVERIFY(user);
    QProcess *app = start(*user, QDir(moved.path()).filePath(u"bin/tavrell-dvd-player"_s));
    QVERIFY(app);
    QTRY_VERIFY2_WITH_TIMEOUT(!shownWindow(app->processId(), u"Moved Tree Check"_s).isEmpty(),
                              ReadAll(QDir(user->work).filePath(u"stderr.txt"_s)).constData(),
                              kStartTimeoutMs);
}

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
