#include "player/OutputParser.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

LineKind ClassifyLine(const QByteArray &line) {
    if (line.startsWith("ANS_TIME_POSITION"))
        return LineKind::PositionAnswer;
    if (line.startsWith("ANS_LENGTH"))
        return LineKind::LengthAnswer;
    if (line.startsWith("ANS_PERCENT_POSITION"))
        return LineKind::PercentAnswer;
    if (line.contains("Playing "))
        return LineKind::NewItem;
    if (line.contains("(End of file)"))
        return LineKind::EndOfFile;
    if (line.contains("(Quit)"))
        return LineKind::Quit;
    if (line.contains("*** screenshot "))
        return LineKind::Screenshot;
    if (line.contains(", -aid "))
        return LineKind::AudioStream;
    if (line.contains(", -sid "))
        return LineKind::SubtitleStream;
    if (line.contains("VIDEO: "))
        return LineKind::VideoOpened;
    return LineKind::Other;
}

int LengthFromAnswer(const QByteArray &line) {
    constexpr qsizetype kValueOffset = 11; // after "ANS_LENGTH="
    QByteArray text = line.mid(kValueOffset);
    text.replace('\n', QByteArray());
    bool ok = false;
    const double seconds = QString::fromLatin1(text).toDouble(&ok);
    if (!ok || !std::isfinite(seconds))
        return 0;
    // A garbled answer must not overflow the int the slider takes.
    constexpr double top = std::numeric_limits<int>::max();
    constexpr double bottom = std::numeric_limits<int>::min();
    return int(std::clamp(std::trunc(seconds), bottom, top));
}

QByteArray ShotNameFromLine(const QByteArray &line) {
    static const QByteArray marker("*** screenshot ");
    const qsizetype at = line.indexOf(marker);
    if (at < 0)
        return QByteArray();
    qsizetype start = at + marker.size();
    if (start < line.size() && line[start] == '\'')
        ++start;
    QByteArray rest = line.mid(start);
    while (rest.endsWith('\n') || rest.endsWith('\r'))
        rest.chop(1);
    // The player writes "' ***" after the name; a quote inside the name (a folder such as
    // "O'Brien") is part of it, so the name ends at the last closing quote, not the first.
    if (rest.endsWith("' ***"))
        return rest.left(rest.size() - 5);
    const qsizetype quote = rest.lastIndexOf('\'');
    return quote < 0 ? rest : rest.left(quote);
}
