#include "player/DiscSubtitles.h"

#include <QByteArray>

std::optional<int> DiscSubtitles::Choose(int pid) {
    m_choice = pid;
    m_pending = true;
    return TryApply();
}

std::optional<int> DiscSubtitles::StreamMet(int pid) {
    if (!m_met.contains(pid) && m_met.size() < MaxStreams)
        m_met.append(pid);
    return TryApply();
}

std::optional<int> DiscSubtitles::PlaybackBegun() {
    m_begun = true;
    return TryApply();
}

std::optional<int> DiscSubtitles::TryApply() {
    // Before playback begins MPlayer ignores the command (and may still reorder its start).
    if (!m_pending || !m_begun || !m_choice)
        return std::nullopt;
    if (*m_choice == Off) {
        m_pending = false;
        return Off;
    }
    const qsizetype at = m_met.indexOf(*m_choice);
    if (at < 0)
        return std::nullopt; // waits for its stream's line
    m_pending = false;
    return int(at);
}

std::optional<int> SubtitleIdFromLine(const QByteArray &line) {
    static const QByteArray head("ID_SUBTITLE_ID=");
    if (!line.startsWith(head))
        return std::nullopt;
    QByteArray value = line.mid(head.size());
    while (value.endsWith('\n') || value.endsWith('\r'))
        value.chop(1);
    // Digits only, and a PID has 13 bits.
    if (value.isEmpty() || value.size() > 4)
        return std::nullopt;
    for (const char c : value)
        if (c < '0' || c > '9')
            return std::nullopt;
    const int pid = value.toInt();
    if (pid > 0x1FFF)
        return std::nullopt;
    return pid;
}
