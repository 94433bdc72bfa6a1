#include "app/LogHandler.h"

#include <QFile>
#include <QTextStream>

QString LogLine(const QString &message) {
    return QStringLiteral("Debug: %1").arg(message);
}

void LogMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    Q_UNUSED(context);
    if (type != QtDebugMsg)
        return;
    // Opened and closed per message, so a crash never loses a buffered line and nothing has to
    // be shared between threads. A log that cannot be opened loses the line silently.
    QFile file(QStringLiteral("Log.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    QTextStream out(&file);
    out << LogLine(message) << '\n';
    out.flush();
}
