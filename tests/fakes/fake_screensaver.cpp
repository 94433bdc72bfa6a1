// Stands in for the desktop's screen saver on a private session bus: answers Inhibit with a
// cookie and appends "Inhibit <application>|<reason>" to the file named in FAKE_SCREENSAVER_LOG.
// Usage: fake_screensaver [object path...]; prints "ready" once the name is owned.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <cstdio>
#include <utility>

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit FakeScreenSaver(QString logPath) : m_logPath(std::move(logPath)) {}

public slots:
    uint Inhibit(const QString &application, const QString &reason) {
        log("Inhibit " + application.toUtf8() + '|' + reason.toUtf8() + '\n');
        return ++m_lastCookie;
    }
    void UnInhibit(uint cookie) { log("UnInhibit " + QByteArray::number(cookie) + '\n'); }

private:
    void log(const QByteArray &line) {
        QFile file(m_logPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(line);
    }

    QString m_logPath;
    uint m_lastCookie = 0;
};

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "fake_screensaver: no session bus\n");
        return 1;
    }
    FakeScreenSaver saver(qEnvironmentVariable("FAKE_SCREENSAVER_LOG"));
    // The object paths to serve may be given as arguments; by default both that desktops use.
    QStringList paths = app.arguments().mid(1);
    if (paths.isEmpty())
        paths = {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")};
    for (const QString &path : std::as_const(paths)) {
        if (!bus.registerObject(path, &saver, QDBusConnection::ExportAllSlots)) {
            std::fprintf(stderr, "fake_screensaver: cannot export %s\n", qPrintable(path));
            return 1;
        }
    }
    if (!bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"))) {
        std::fprintf(stderr, "fake_screensaver: name taken\n");
        return 1;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    return app.exec();
}

#include "fake_screensaver.moc"
