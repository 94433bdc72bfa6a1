#include "playlist/Probe.h"

#include "platform/ProcessGroup.h"
#include "player/Clock.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>

QStringList ProbeArguments(const QString &path) {
    return {QStringLiteral("-v"),
            QStringLiteral("error"),
            QStringLiteral("-show_entries"),
            QStringLiteral("format=duration"),
            QStringLiteral("-of"),
            QStringLiteral("default=noprint_wrappers=1:nokey=1"),
            QStringLiteral("-i"),
            path};
}

QString ParseProbeDuration(const QByteArray &probeOutput) {
    // The first line is the answer; nothing else is written there for this call.
    static const QRegularExpression answer(
        QStringLiteral("\\A([0-9]{1,12})(?:\\.([0-9]{1,6}))?(?:\\n|\\z)"));
    const QRegularExpressionMatch match = answer.match(QString::fromLatin1(probeOutput));
    if (!match.hasMatch())
        return QString();
    const qint64 micro = match.captured(1).toLongLong() * 1000000 +
                         match.captured(2).leftJustified(6, QLatin1Char('0')).toLongLong();
    // The report shows hundredths rounded from microseconds; the playlist has always shown
    // that clock without its hundredths.
    return QString::fromLatin1(FormatClock((micro + 5000) / 1000000));
}

QString ProbeLength(const QString &program, const QString &path, int timeoutMs,
                    const std::atomic_bool *cancel) {
    if (program.isEmpty())
        return QString();
    QProcess probe;
    probe.setProgram(program);
    probe.setArguments(ProbeArguments(path));
    // The probe never gets input, and its error output is not read: a full pipe must not
    // stall it.
    probe.setStandardInputFile(QProcess::nullDevice());
    probe.setStandardErrorFile(QProcess::nullDevice());
    // Its own group, so that whatever it starts ends with it.
    platform::StartInOwnGroup(probe);

    const QDeadlineTimer deadline(qMax(timeoutMs, 0));
    probe.start();
    if (!probe.waitForStarted(int(qMax<qint64>(deadline.remainingTime(), 1))))
        return QString();
    const qint64 group = probe.processId();

    // Waits in short slices, so a probe that keeps writing cannot hold the window beyond the
    // deadline; only the top of its output is kept (the answer is its first line), the rest is
    // read and dropped so the probe never stalls on a full pipe.
    QByteArray kept;
    const auto drain = [&] {
        const QByteArray chunk = probe.readAllStandardOutput();
        if (kept.size() < ProbeOutputLimit)
            kept += chunk.left(ProbeOutputLimit - kept.size());
    };
    constexpr int kSliceMs = 100;
    const auto cancelled = [cancel] { return cancel && cancel->load(); };
    while (probe.state() != QProcess::NotRunning && !deadline.hasExpired() && !cancelled()) {
        probe.waitForReadyRead(int(qBound<qint64>(1, deadline.remainingTime(), qint64(kSliceMs))));
        drain();
    }
    if (probe.state() != QProcess::NotRunning) {
        // A hung probe must not hold the window for ever, nor a cancelled one the program's
        // end.
        platform::KillGroup(group);
        probe.kill();
        probe.waitForFinished(5000);
    }
    drain();
    // Whatever it left behind in its group goes with it.
    platform::KillGroup(group);
    return ParseProbeDuration(kept);
}
