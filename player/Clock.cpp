#include "player/Clock.h"

#include <limits>

namespace {

// At least two digits, like "%02d"; a minus sign counts as one of them.
QByteArray TwoDigits(qint64 value) {
    return QByteArray::number(value).rightJustified(2, '0');
}

// atoi's reading of a number: leading blanks, an optional sign, then digits up to the first
// other byte. Saturates at the int range instead of overflowing on absurd input.
qint64 LeadingNumber(const QByteArray &text, qsizetype from) {
    qsizetype i = from;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr qint64 limit = std::numeric_limits<int>::max();
    qint64 value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = qMin(limit + 1, value * 10 + (text[i] - '0'));
    if (negative)
        return -value;
    return qMin(limit, value);
}

} // namespace

QByteArray FormatClock(qint64 seconds) {
    if (seconds < 0)
        return "00:00:" + TwoDigits(qint32(seconds));
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds - hours * 3600) / 60;
    return TwoDigits(hours) + ':' + TwoDigits(minutes) + ':' + TwoDigits(seconds % 60);
}

qint64 ParseClock(const QByteArray &text) {
    qint64 total = LeadingNumber(text, 0) * 3600;
    const qsizetype first = text.indexOf(':');
    if (first < 0)
        return total;
    total += LeadingNumber(text, first + 1) * 60;
    const qsizetype second = text.indexOf(':', first + 1);
    if (second < 0)
        return total;
    return total + LeadingNumber(text, second + 1);
}
