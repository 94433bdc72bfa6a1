#pragma once

#include <QString>
#include <QtGlobal>

// Debug messages become "Debug: <text>" lines appended to "Log.txt" in the working directory;
// every other kind of message is dropped.
void LogMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// The line written for a debug message (without the line feed).
QString LogLine(const QString &message);
