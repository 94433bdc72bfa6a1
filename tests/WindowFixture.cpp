#include "WindowFixture.h"

#include "TestConfig.h"
#include "dialogs/CMessageBox.h"
#include "platform/AppPaths.h"
#include "ui/DRUI.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTest>
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

QList<QByteArray> SentSinceLastMark(DRUI &window, const QString &logPath) {
    static int serial = 0;
    const QByteArray mark = "mark " + QByteArray::number(++serial) + '\n';
    if (!window.PlayerProcess || window.PlayerProcess->state() != QProcess::Running) {
        QTest::qWait(100); // nothing can arrive at a player that is gone
        return {};
    }
    window.PlayerProcess->write(mark);
    if (!QTest::qWaitFor([&] { return LoggedCommands(logPath).contains(mark); }, 5000))
        return {QByteArray("marker lost")};
    const QList<QByteArray> all = LoggedCommands(logPath);
    qsizetype from = 0;
    for (qsizetype i = all.indexOf(mark) - 1; i >= 0; --i)
        if (all[i].startsWith("mark ")) {
            from = i + 1;
            break;
        }
    QList<QByteArray> sent;
    for (qsizetype i = from; i < all.indexOf(mark); ++i)
        if (all[i] != "get_time_pos\n" && all[i] != "get_time_length\n")
            sent << all[i];
    return sent;
}

QString PrepareFakePlayer(const QString &folder, const QList<QPair<QByteArray, QByteArray>> &env) {
    static int serial = 0;
    const QString log = folder + QStringLiteral("/player-%1.log").arg(++serial);
    QFile::remove(log);
    for (const char *name :
         {"FAKE_PLAYER_SCRIPT", "FAKE_PLAYER_LENGTH", "FAKE_PLAYER_SHOT", "FAKE_PLAYER_EOF_MS",
          "FAKE_PLAYER_CRASH_MS", "FAKE_PLAYER_QUIT_LINGER_MS"})
        qunsetenv(name);
    qputenv("FAKE_PLAYER_LOG", QFile::encodeName(log));
    for (const auto &[name, value] : env)
        qputenv(name.constData(), value);
    return log;
}

void AnswerNextMessageBox(SeenBox *seen) {
    CFramelessDialog::AnswerNext([seen](CFramelessDialog *dialog) {
        auto *box = qobject_cast<CMessageBox *>(dialog);
        if (!box)
            return dialog->done(0);
        seen->Shown = box->isVisible() && QApplication::activeModalWidget() == box;
        seen->Geometry = box->geometry();
        for (const QLabel *label : box->findChildren<QLabel *>())
            if (!label->text().isEmpty() && label->wordWrap())
                seen->Text = label->text();
        if (auto *ok = box->findChild<QPushButton *>(QStringLiteral("OkButton")))
            ok->click();
        if (box->isVisible())
            box->done(0);
    });
}

namespace {

// The top menu of the window that an entry belongs to, directly or through submenus, and
// whether every step on the way is enabled.
QMenu *TopMenuOf(DRUI &window, QAction *action, bool *enabled) {
    const QList<QMenu *> tops = {window.FileMenu,  window.ControlsMenu, window.VideoMenu,
                                 window.AudioMenu, window.ToolsMenu,    window.HelpMenu,
                                 window.DiscMenu};
    *enabled = action->isEnabled();
    QMenu *menu = qobject_cast<QMenu *>(action->parent());
    for (int depth = 0; menu && depth < 4; ++depth) {
        if (tops.contains(menu))
            return menu;
        // A submenu: find the entry that opens it.
        QAction *opener = menu->menuAction();
        QMenu *owner = nullptr;
        for (QMenu *top : window.findChildren<QMenu *>())
            if (top->actions().contains(opener))
                owner = top;
        for (QMenu *top : tops)
            if (top && top->actions().contains(opener))
                owner = top;
        if (!owner)
            return nullptr;
        *enabled = *enabled && opener->isEnabled();
        menu = owner;
    }
    return nullptr;
}

} // namespace

bool TriggerMenuAction(DRUI &window, QAction *action) {
    if (!action)
        return false;
    bool enabled = false;
    QMenu *top = TopMenuOf(window, action, &enabled);
    if (!top || !enabled)
        return false;
    QMenu *own = qobject_cast<QMenu *>(action->parent());
    // trigger() toggles a checkable entry and makes its own menu report it, as a click does;
    // a click in a submenu is then reported by the menu it was opened from as well.
    action->trigger();
    if (own && own != top && !top->actions().contains(action))
        emit top->triggered(action);
    return true;
}

bool TriggerMenuAction(DRUI &window, const QString &objectName) {
    return TriggerMenuAction(window, window.findChild<QAction *>(objectName));
}

QAction *EntryWithData(const QMenu *menu, const QVariant &data) {
    if (!menu)
        return nullptr;
    for (QAction *entry : menu->actions())
        if (entry->data() == data)
            return entry;
    return nullptr;
}

OpenedUrls::OpenedUrls() {
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open");
}

OpenedUrls::~OpenedUrls() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
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

DRUI &ShowNewWindow(std::unique_ptr<DRUI> &window) {
    window = std::make_unique<DRUI>();
    window->InitWindow();
    window->setGeometry(100, 50, 1000, 680);
    window->show();
    return *window;
}
