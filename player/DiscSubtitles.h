#pragma once

#include <QList>
#include <optional>

// A Blu-ray title's subtitle choice under MPlayer's own TS demuxer. That demuxer announces a
// presentation-graphics stream only when it reads the stream's first packet
// ("ID_SUBTITLE_ID=<PID>"), possibly long after the start, and numbers the streams for
// "sub_demux" in the order it met them, whatever the playlist's order. So a choice names the
// stream by PID and waits until that stream has been met and playback has begun; only then
// is it turned into MPlayer's number. ("-sid <PID>" is no way round it: with a subtitle packet
// near the title's start MPlayer turns the subtitle off again.)
class DiscSubtitles {
public:
    static constexpr int Off = -1;
    // More streams than this are not remembered: a title has at most 255 subtitle entries.
    static constexpr int MaxStreams = 255;

    // The stream to show, by PID, or Off. Returns the "sub_demux" argument to send now, if
    // the choice can be applied at once.
    std::optional<int> Choose(int pid);
    // "ID_SUBTITLE_ID=<pid>" was read.
    std::optional<int> StreamMet(int pid);
    // "Starting playback..." was read.
    std::optional<int> PlaybackBegun();

    bool Pending() const { return m_pending; }
    // The streams met so far, in MPlayer's numbering order.
    const QList<int> &Met() const { return m_met; }

private:
    std::optional<int> TryApply();

    QList<int> m_met;
    bool m_begun = false;
    std::optional<int> m_choice; // a PID or Off; empty: never chosen
    bool m_pending = false;      // the choice has not been sent yet
};

// The PID of an "ID_SUBTITLE_ID=<PID>" line as MPlayer's TS demuxer prints it; nothing for
// any other line or a number no TS stream can have.
std::optional<int> SubtitleIdFromLine(const QByteArray &line);
