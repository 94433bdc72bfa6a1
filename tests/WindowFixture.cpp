#include "WindowFixture.h"

#include "TestConfig.h"
#include "dialogs/CMessageBox.h"
#include "platform/AppPaths.h"
#include "ui/DRUI.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <memory>

TestUser::TestUser() {
    const QString root = m_dir.path();
    const auto set = [&root](const char *name, const QString &sub) {
        QDir().mkpath(root + sub);
        qputenv(name, QFile::encodeName(root + sub));
    };
    set("HOME", QStringLiteral("/home"));
    set("XDG_DATA_HOME", QStringLiteral("/home/.local/share"));
    set("XDG_CONFIG_HOME", QStringLiteral("/home/.config"));
    set("XDG_CACHE_HOME", QStringLiteral("/home/.cache"));
    set("XDG_DOCUMENTS_DIR", QStringLiteral("/home/Documents"));
    set("XDG_RUNTIME_DIR", QStringLiteral("/run"));
    QFile::setPermissions(root + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString TestUser::AppData() const {
    return platform::AppDataFolder();
}

QString TestUser::NewFolder(const QString &name) const {
    const QString path = Root() + QStringLiteral("/home/") + name;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

QString WriteFile(const QString &path, const QByteArray &content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
    return path;
}

QByteArray ReadAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QByteArray> LoggedCommands(const QString &logPath) {
    QList<QByteArray> lines;
    const QByteArray log = ReadAll(logPath);
    qsizetype start = 0;
    while (start < log.size()) {
        qsizetype end = log.indexOf('\n', start);
        end = end < 0 ? log.size() : end + 1;
        lines.append(log.mid(start, end - start));
        start = end;
    }
    return lines;
}

QString PrepareFakePlayer(const QString &folder, const QList<QPair<QByteArray, QByteArray>> &env) {
    static int serial = 0;
    const QString log = folder + QStringLiteral("/player-%1.log").arg(++serial);
    QFile::remove(log);
    for (const char *name : {"FAKE_PLAYER_SCRIPT", "FAKE_PLAYER_LENGTH", "FAKE_PLAYER_SHOT",
                             "FAKE_PLAYER_EOF_MS", "FAKE_PLAYER_CRASH_MS"})
        qunsetenv(name);
    qputenv("FAKE_PLAYER_LOG", QFile::encodeName(log));
    for (const auto &[name, value] : env)
        qputenv(name.constData(), value);
    return log;
}

void AnswerNextMessageBox(SeenBox *seen, int timeoutMs) {
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [seen, timeoutMs, clock, poll] {
        auto *box = qobject_cast<CMessageBox *>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            seen->Shown = true;
            seen->Geometry = box->geometry();
            for (const QLabel *label : box->findChildren<QLabel *>())
                if (!label->text().isEmpty() && label->wordWrap())
                    seen->Text = label->text();
            for (QPushButton *button : box->findChildren<QPushButton *>())
                if (button->objectName() == QLatin1String("OkButton"))
                    button->click();
            if (box->isVisible())
                box->done(0);
            *poll = nullptr; // breaks the self-reference
            return;
        }
        if (clock->elapsed() < timeoutMs)
            QTimer::singleShot(20, *poll);
        else
            *poll = nullptr;
    };
    QTimer::singleShot(20, *poll);
}

QStringList WindowTexts(DRUI &window) {
    QStringList texts;
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>())
        texts << button->text().trimmed();
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts << label->text().trimmed();
    for (const QMenu *menu : window.findChildren<QMenu *>()) {
        texts << menu->title().trimmed();
        for (const QAction *action : menu->actions())
            texts << action->text().trimmed();
    }
    texts.removeAll(QString());
    return texts;
}
