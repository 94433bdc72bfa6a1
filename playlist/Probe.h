#pragma once

#include <QByteArray>
#include <QString>

// Up to 8 characters after the first "Duration: " that begins a line of the probe's error
// output (after blanks), as "01:02:03"; empty when there is none.
QString ParseProbeDuration(const QByteArray &probeStderr);

// How much of the probe's error output is kept.
constexpr qsizetype ProbeOutputLimit = 64 * 1024;

// Runs program "-i" path (separate arguments) in a process group of its own, waits at most
// timeoutMs whatever it writes, ends the whole group at the deadline and after the probe
// exits, and returns the duration parsed from the first ProbeOutputLimit bytes of its error
// output. A probe that cannot start gives empty text.
QString ProbeLength(const QString &program, const QString &path, int timeoutMs = 15000);
