#pragma once

#include "SourceCaptionKeys.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class DRUI;
class QAction;

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

// Creates the file (and its folder); returns its path.
QString WriteFile(const QString &path, const QByteArray &content = QByteArray("x"));
QByteArray ReadAll(const QString &path);

// The commands a fake player received, one entry per line with its "\n".
QList<QByteArray> LoggedCommands(const QString &logPath);

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

// Presses OK on the next modal message box that appears within timeoutMs and records it.
void AnswerNextMessageBox(SeenBox *seen, int timeoutMs = 5000);

// Every visible text of the window: buttons, labels, menu titles and actions.
QStringList WindowTexts(DRUI &window);
