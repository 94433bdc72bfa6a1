#pragma once

#include "TestConfig.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

// Every "MainWnd/..." or "Messages/..." literal in the program's sources, sorted: the keys the
// program looks up, as the code stands today.
inline QStringList CaptionKeysInSources() {
    static const QRegularExpression literal(
        QStringLiteral("\"((?:MainWnd|Messages)/[A-Za-z0-9_]+)\""));
    QStringList keys;
    for (const char *folder :
         {"app", "dialogs", "ui", "snapshot", "playlist", "sources", "player"}) {
        QDirIterator it(QStringLiteral(TAVRELL_SOURCE_DIR "/") + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            for (const QRegularExpressionMatch &m : literal.globalMatch(text))
                keys << m.captured(1);
        }
    }
    keys.sort();
    keys.removeDuplicates();
    return keys;
}
