#include "player/OutputParser.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {

// The line without its "\n" or "\r\n".
QByteArray Bare(const QByteArray &line) {
    qsizetype size = line.size();
    while (size > 0 && (line[size - 1] == '\n' || line[size - 1] == '\r'))
        --size;
    return line.left(size);
}

// "[<demuxer>] stream <n>: ...", as the player announces the streams it found.
bool IsStreamLine(const QByteArray &line) {
    if (!line.startsWith('['))
        return false;
    const qsizetype close = line.indexOf(']');
    return close > 1 && close < 32 && line.mid(close, 9) == "] stream ";
}

} // namespace

LineKind ClassifyLine(const QByteArray &line) {
    if (line.startsWith("ANS_TIME_POSITION"))
        return LineKind::PositionAnswer;
    if (line.startsWith("ANS_LENGTH"))
        return LineKind::LengthAnswer;
    if (line.startsWith("ANS_PERCENT_POSITION"))
        return LineKind::PercentAnswer;
    // The player starts these lines itself; a title such as "(End of file)" or a file named
    // "Playing x" appears inside a longer line ("Playing <name>.", " title: <value>").
    if (line.startsWith("Playing "))
        return LineKind::NewItem;
    if (line.startsWith("Exiting... (")) {
        const QByteArray bare = Bare(line);
        if (bare == "Exiting... (End of file)")
            return LineKind::EndOfFile;
        if (bare == "Exiting... (Quit)")
            return LineKind::Quit;
    }
    if (line.startsWith("*** screenshot '"))
        return LineKind::Screenshot;
    // Stream announcements start with the demuxer's tag: "[lavf] stream 1: audio (aac), -aid 0".
    if (IsStreamLine(line)) {
        if (line.contains(", -aid "))
            return LineKind::AudioStream;
        if (line.contains(", -sid "))
            return LineKind::SubtitleStream;
    }
    if (line.startsWith("VIDEO: "))
        return LineKind::VideoOpened;
    if (line.startsWith("ID_SUBTITLE_ID="))
        return LineKind::SubtitleMet;
    if (line.startsWith("Starting playback...") && Bare(line) == "Starting playback...")
        return LineKind::PlaybackBegun;
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

std::optional<double> AnswerSeconds(const QByteArray &line) {
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    bool ok = false;
    const double seconds = QString::fromLatin1(line.mid(equals + 1).trimmed()).toDouble(&ok);
    // Beyond any film: a garbled answer must not overflow the milliseconds made of it.
    constexpr double kMax = 1e9;
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > kMax)
        return std::nullopt;
    return seconds;
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

void LineSplitter::Feed(const QByteArray &bytes, QList<QByteArray> &lines) {
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    while (start < size) {
        const void *found = std::memchr(data + start, '\n', size_t(size - start));
        if (!found) {
            if (!m_skipping) {
                m_tail.append(data + start, size - start);
                if (m_tail.size() > MaxLineBytes) {
                    m_tail = QByteArray(); // gives the memory back
                    m_skipping = true;
                    ++m_dropped;
                }
            }
            return;
        }
        const qsizetype end = static_cast<const char *>(found) - data + 1;
        if (m_skipping) {
            m_skipping = false; // the end of a line already dropped
        } else if (m_tail.size() + (end - start) > MaxLineBytes) {
            m_tail = QByteArray();
            ++m_dropped;
        } else if (m_tail.isEmpty()) {
            lines.append(bytes.mid(start, end - start));
        } else {
            m_tail.append(data + start, end - start);
            lines.append(m_tail);
            m_tail.clear();
        }
        start = end;
    }
}

void LineSplitter::Reset() {
    m_tail = QByteArray();
    m_skipping = false;
}

LineKind PlayerOutputState::Classify(const QByteArray &line) {
    const LineKind kind = ClassifyLine(line);
    switch (kind) {
    case LineKind::NewItem:
        if (m_itemSeen)
            return LineKind::Other;
        m_itemSeen = true;
        break;
    case LineKind::AudioStream:
    case LineKind::SubtitleStream:
        if (!m_itemSeen || m_videoSeen)
            return LineKind::Other;
        break;
    case LineKind::VideoOpened:
        if (!m_itemSeen || m_videoSeen)
            return LineKind::Other;
        m_videoSeen = true;
        break;
    case LineKind::PlaybackBegun:
        if (std::exchange(m_playbackSeen, true))
            return LineKind::Other;
        break;
    default:
        break;
    }
    return kind;
}

bool PlayerOutputState::TakeShotRequest() {
    if (m_shotsRequested <= 0)
        return false;
    --m_shotsRequested;
    return true;
}

void PlayerOutputState::EndLineSeen() {
    if (m_ticksSinceEndLine < 0)
        m_ticksSinceEndLine = 0;
}

bool PlayerOutputState::Tick() {
    if (m_ticksSinceEndLine < 0)
        return false;
    if (++m_ticksSinceEndLine < EndGraceTicks)
        return false;
    m_ticksSinceEndLine = -1;
    return true;
}

bool PlayerOutputState::ReadTitleTag(const QByteArray &line) {
    if (!m_titleTag.isEmpty())
        return false;
    const QByteArray bare = Bare(line);
    if (bare == "Clip info:") {
        m_inClipInfo = true;
        return false;
    }
    static const QByteArray kNameKey("ID_CLIP_INFO_NAME");
    static const QByteArray kValueKey("ID_CLIP_INFO_VALUE");
    if (!m_titleValueKey.isEmpty() && bare.startsWith(m_titleValueKey))
        return TakeTitle(bare.sliced(m_titleValueKey.size()));
    if (bare.startsWith(kNameKey)) {
        const qsizetype equals = bare.indexOf('=');
        const QByteArray number = bare.mid(kNameKey.size(), equals - kNameKey.size());
        bool ok = false;
        number.toUInt(&ok);
        if (equals > 0 && ok && number.size() <= 4)
            m_titleValueKey = bare.sliced(equals + 1).compare("title", Qt::CaseInsensitive) == 0
                                  ? kValueKey + number + '='
                                  : QByteArray();
        return false;
    }
    if (!m_inClipInfo)
        return false;
    if (!bare.startsWith(' ')) {
        m_inClipInfo = false;
        return false;
    }
    static const QByteArray kTitle(" title: ");
    if (bare.size() >= kTitle.size() &&
        bare.first(kTitle.size()).compare(kTitle, Qt::CaseInsensitive) == 0)
        return TakeTitle(bare.sliced(kTitle.size()));
    return false;
}

bool PlayerOutputState::TakeTitle(const QByteArray &value) {
    QByteArray title = value.trimmed();
    if (title.size() > MaxTitleBytes) {
        title.truncate(MaxTitleBytes);
        // Cut before the last character, which may have lost bytes of its UTF-8 sequence.
        while (!title.isEmpty() && (uchar(title.back()) & 0xC0) == 0x80)
            title.chop(1);
        if (!title.isEmpty() && uchar(title.back()) >= 0xC0)
            title.chop(1);
    }
    m_titleTag = title;
    return !m_titleTag.isEmpty();
}

void PlayerOutputState::Reset() {
    m_titleTag.clear();
    m_inClipInfo = false;
    m_titleValueKey.clear();
    Lines.Reset();
    m_shotsRequested = 0;
    m_ticksSinceEndLine = -1;
    m_itemSeen = false;
    m_videoSeen = false;
    m_playbackSeen = false;
}
