#include "playlist/Probe.h"

#include "platform/ProcessGroup.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>

QString ParseProbeDuration(const QByteArray &probeStderr) {
    static const QLatin1String key("Duration: ");
    const QString text = QString::fromLocal8Bit(probeStderr);
    // The probe's own line starts with blanks and "Duration: "; the same words inside a tag
    // value ("    title : Duration: 99:00:00") come after other text on their line.
    qsizetype at = -1;
    for (qsizetype from = 0; (at = text.indexOf(key, from)) >= 0; from = at + 1) {
        qsizetype before = at;
        while (before > 0 && text[before - 1] == QLatin1Char(' '))
            --before;
        if (before == 0 || text[before - 1] == QLatin1Char('\n'))
            break;
    }
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
    probe.setReadChannel(QProcess::StandardError);
    // Its own group, so that whatever it starts ends with it.
    platform::StartInOwnGroup(probe);

    const QDeadlineTimer deadline(qMax(timeoutMs, 0));
    probe.start();
    if (!probe.waitForStarted(int(qMax<qint64>(deadline.remainingTime(), 1))))
        return QString();
    const qint64 group = probe.processId();

    // Waits in short slices, so a probe that keeps writing cannot hold the window beyond the
    // deadline; only the top of its error output is kept ("Duration: " is near the top), the
    // rest is read and dropped so the probe never stalls on a full pipe.
    QByteArray kept;
    const auto drain = [&] {
        const QByteArray chunk = probe.readAllStandardError();
        if (kept.size() < ProbeOutputLimit)
            kept += chunk.left(ProbeOutputLimit - kept.size());
    };
    constexpr int kSliceMs = 100;
    while (probe.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        probe.waitForReadyRead(int(qBound<qint64>(1, deadline.remainingTime(), qint64(kSliceMs))));
        drain();
    }
    if (probe.state() != QProcess::NotRunning) {
        // A hung probe must not hold the window for ever.
        platform::KillGroup(group);
        probe.kill();
        probe.waitForFinished(5000);
    }
    drain();
    // Whatever it left behind in its group goes with it.
    platform::KillGroup(group);
    return ParseProbeDuration(kept);
}
