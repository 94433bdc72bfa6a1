#include "playlist/Probe.h"

#include "platform/Programs.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>

QString ParseProbeDuration(const QByteArray &probeStderr) {
    static const QLatin1String key("Duration: ");
    const QString text = QString::fromLocal8Bit(probeStderr);
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return QString();
    // Only a real clock counts: ffprobe writes "Duration: N/A" for streams without a length,
    // and the playlist would otherwise show (and parse) whatever text follows.
    static const QRegularExpression clock(QStringLiteral("^[0-9]+:[0-9]+:[0-9]+"));
    const QRegularExpressionMatch match = clock.match(text.mid(at + key.size(), 8));
    return match.hasMatch() ? match.captured(0) : QString();
}

QString ProbeLength(const QString &program, const QString &path, int timeoutMs) {
    if (program.isEmpty())
        return QString();
    QProcess probe;
    probe.setProgram(program);
    probe.setArguments({QStringLiteral("-i"), path});
    // The probe never gets input, and its standard output is not read: a full pipe must not
    // stall it.
    probe.setStandardInputFile(QProcess::nullDevice());
    probe.setStandardOutputFile(QProcess::nullDevice());
    platform::TieChildToParent(probe);

    const QDeadlineTimer deadline(qMax(timeoutMs, 0));
    probe.start();
    const bool started = probe.waitForStarted(int(qMax<qint64>(deadline.remainingTime(), 1)));
    if (!started || !probe.waitForFinished(int(qMax<qint64>(deadline.remainingTime(), 1)))) {
        // A hung probe must not hold the window for ever.
        if (probe.state() != QProcess::NotRunning) {
            probe.kill();
            probe.waitForFinished(5000);
        }
        if (!started)
            return QString();
    }
    return ParseProbeDuration(probe.readAllStandardError());
}
