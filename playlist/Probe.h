#pragma once

#include <QByteArray>
#include <QString>

// Up to 8 characters after the first "Duration: " of the probe's error output ("01:02:03"),
// or empty when there is none.
QString ParseProbeDuration(const QByteArray &probeStderr);

// Runs program "-i" path (separate arguments), waits at most timeoutMs, kills a hung probe,
// and returns the parsed duration. A probe that cannot start gives empty text.
QString ProbeLength(const QString &program, const QString &path, int timeoutMs = 15000);
