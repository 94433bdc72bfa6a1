#pragma once

#include <QByteArray>
#include <QtGlobal>

// Seconds as "HH:MM:SS" ("00:MM:SS" below an hour, "00:00:SS" below a minute); hours are
// not limited to two digits; a negative value shows as "00:00:-3".
QByteArray FormatClock(qint64 seconds);

// "H:M:S" text back to seconds; missing parts count as 0, like atoi.
qint64 ParseClock(const QByteArray &text);
