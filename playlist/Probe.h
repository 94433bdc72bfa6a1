#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>

// The probe is asked for the container's length alone, as a number on its standard output:
// its human-readable report prints tag keys and values verbatim, line breaks included, so a
// tag can imitate any line of it.
QStringList ProbeArguments(const QString &path);

// The length in the probe's answer to ProbeArguments ("20.023000\n", seconds) as "00:00:20",
// rounded as the probe's own report rounds it (to hundredths, then cut to seconds); empty
// for "N/A" and when the first line is anything else.
QString ParseProbeDuration(const QByteArray &probeOutput);

// How much of the probe's answer is kept, and how long a probe may take.
constexpr int ProbeTimeoutMs = 15000;
constexpr qsizetype ProbeOutputLimit = 64 * 1024;

// Runs program with ProbeArguments(path) in a process group of its own, waits at most
// timeoutMs whatever it writes, ends the whole group at the deadline, when cancel becomes
// true and after the probe exits, and returns the duration parsed from the first
// ProbeOutputLimit bytes of its standard output. A probe that cannot start gives empty text.
QString ProbeLength(const QString &program, const QString &path, int timeoutMs = ProbeTimeoutMs,
                    const std::atomic_bool *cancel = nullptr);
