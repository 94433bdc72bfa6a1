#pragma once

#include "SourceCaptionKeys.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariant>
#include <memory>

class DRUI;
class QAction;
class QMenu;

// A user of its own for a test program: fresh home, data, config, documents and runtime
// folders, set in the environment before any window or caption table exists.
class TestUser {
public:
    TestUser();
    bool IsValid() const { return m_dir.isValid(); }
    QString Root() const { return m_dir.path(); }
    QString AppData() const; // ends in "/"
    // A fresh empty folder under the user's home.
    QString NewFolder(const QString &name) const;

private:
    QTemporaryDir m_dir;
};

// A built main window at the size the window tests assume, shown; replaces any earlier one.
DRUI &ShowNewWindow(std::unique_ptr<DRUI> &window);

// Creates the file (and its folder); returns its path.
QString WriteFile(const QString &path, const QByteArray &content = QByteArray("x"));
QByteArray ReadAll(const QString &path);

// The commands a fake player received, one entry per line with its "\n".
QList<QByteArray> LoggedCommands(const QString &logPath);

// Writes a marker to the window's player and waits until it arrived: everything sent before
// it has arrived too. Returns the commands since the previous marker, ticks left out.
QList<QByteArray> SentSinceLastMark(DRUI &window, const QString &logPath);

// Points the next fake players at a fresh log and the given environment; earlier settings
// of the fake are cleared. Returns the log path.
QString PrepareFakePlayer(const QString &folder,
                          const QList<QPair<QByteArray, QByteArray>> &env = {});

// What a message box showed when the test answered it.
struct SeenBox {
    bool Shown = false;
    QString Text;
    QRect Geometry;
};

// Presses OK on the next message box the program runs, and records what it showed.
void AnswerNextMessageBox(SeenBox *seen);

// Triggers the action with this object name among the window's menus the way a user's click
// does: only when it and the submenu entries leading to it are enabled, and through the
// menu it was chosen from. False (nothing done) when it is missing or disabled.
bool TriggerMenuAction(DRUI &window, const QString &objectName);
bool TriggerMenuAction(DRUI &window, QAction *action);

// The entry of a menu that carries this data (first match), or nullptr.
QAction *EntryWithData(const QMenu *menu, const QVariant &data);

// Receives what the program hands to the desktop to open (help pages, the snapshot folder)
// instead of starting a browser; installed for "file" URLs while it lives.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls();
    ~OpenedUrls() override;
    QList<QUrl> Urls;
public slots:
    void Open(const QUrl &url) { Urls.append(url); }
};

// Every visible text of the window: buttons, labels, menu titles and actions.
QStringList WindowTexts(DRUI &window);
