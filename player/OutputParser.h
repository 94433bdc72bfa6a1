#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

// The kinds of player output lines the front end acts on, tested in this order.
// Everything the player prints is untrusted: tag values, file and folder names reach its
// output verbatim, line breaks included. Kinds that metadata text could imitate are therefore
// recognised only in the exact form the player itself writes them.
enum class LineKind {
    PositionAnswer, // starts with "ANS_TIME_POSITION"
    LengthAnswer,   // starts with "ANS_LENGTH"
    PercentAnswer,  // starts with "ANS_PERCENT_POSITION" (ignored)
    NewItem,        // starts with "Playing "
    EndOfFile,      // the line "Exiting... (End of file)"
    Quit,           // the line "Exiting... (Quit)"
    Screenshot,     // starts with "*** screenshot '"
    AudioStream,    // "[<demuxer>] stream <n>: ..." containing ", -aid "
    SubtitleStream, // "[<demuxer>] stream <n>: ..." containing ", -sid "
    VideoOpened,    // starts with "VIDEO: "
    SubtitleMet,    // "ID_SUBTITLE_ID=<PID>": a Blu-ray title's subtitle stream first read
    PlaybackBegun,  // the line "Starting playback..."
    Other
};

LineKind ClassifyLine(const QByteArray &line);

// The most streams of one kind the player can announce; more announcements are not counted,
// so the track menus are always built in bounded time.
constexpr int MaxTrackCount = 255;

// Whole seconds of an "ANS_LENGTH=5400.00" line; 0 when the text does not convert.
int LengthFromAnswer(const QByteArray &line);

// The seconds of an "ANS_...=12.5" answer, 0 to 1e9; nullopt
// when the value is not a number in that range.
std::optional<double> AnswerSeconds(const QByteArray &line);

// The file named in "*** screenshot '<name>' ***" (to the end of the line without a closing
// quote). Any length: the name is never cut short.
QByteArray ShotNameFromLine(const QByteArray &line);

// Cuts the player's output into lines. Reading is linear: only new bytes are searched for a
// line end. A line longer than MaxLineBytes (a broken stream, or a player writing without
// line ends) is dropped whole, up to its line end, so memory stays bounded and the tail of
// such a line is never taken for a line of its own.
class LineSplitter {
public:
    static constexpr qsizetype MaxLineBytes = 64 * 1024;

    // Appends the complete lines in bytes (each with its "\n") to lines; a partial last line
    // is kept until its end arrives.
    void Feed(const QByteArray &bytes, QList<QByteArray> &lines);
    void Reset();

    qsizetype Pending() const { return m_tail.size(); }
    qint64 DroppedLines() const { return m_dropped; }

private:
    QByteArray m_tail;
    bool m_skipping = false; // inside a line that is being dropped
    qint64 m_dropped = 0;
};

// What the window keeps about one player's output between reads.
class PlayerOutputState {
public:
    LineSplitter Lines;

    // ClassifyLine with the order of the item's own lines applied: the player prints one
    // "Playing " line, then the streams it found, then one "VIDEO: " line, and only after
    // that the file's tags, line breaks included. So only the first "Playing " and "VIDEO: "
    // lines count, and stream lines only between them; the same lines later are Other.
    // (A stream's own title and language are printed inside its announcement, before
    // "VIDEO: "; lines they hold cannot be told from the player's there.)
    LineKind Classify(const QByteArray &line);

    // "screenshot 0" commands sent and not yet answered: only then is a report acted on.
    void ShotRequested() { ++m_shotsRequested; }
    // True (and one request used up) when a report is expected.
    bool TakeShotRequest();

    // A multi-line tag can print "Exiting... (End of file)" as a line of its own, so an end
    // line counts only when the player then ends. A player that answers a query after it
    // was not ending; one that neither ends nor answers for EndGraceTicks refresh ticks is
    // taken at its word.
    static constexpr int EndGraceTicks = 20;
    void EndLineSeen();
    void AnswerSeen() { m_ticksSinceEndLine = -1; }
    // One refresh tick; true when a claimed end is now to be acted on.
    bool Tick();
    bool EndClaimed() const { return m_ticksSinceEndLine >= 0; }

    // The item's own title tag, from the list the player prints after "Clip info:"
    // (" title: <value>"; with -identify also "ID_CLIP_INFO_NAME<n>=title" followed by
    // "ID_CLIP_INFO_VALUE<n>=<value>"), name compared without case. True for the line that
    // completes the first non-empty one, which TitleTag() then holds, at most MaxTitleBytes.
    // A multi-line tag can imitate these lines: what it can set is a title, never more.
    static constexpr qsizetype MaxTitleBytes = 1024;
    bool ReadTitleTag(const QByteArray &line);
    const QByteArray &TitleTag() const { return m_titleTag; }

    void Reset();

private:
    bool TakeTitle(const QByteArray &value);

    QByteArray m_titleTag;
    bool m_inClipInfo = false;  // after "Clip info:", while lines start with a blank
    QByteArray m_titleValueKey; // "ID_CLIP_INFO_VALUE<n>=" after a title's name line

    int m_shotsRequested = 0;
    int m_ticksSinceEndLine = -1;
    bool m_itemSeen = false;
    bool m_videoSeen = false;
    bool m_playbackSeen = false;
};
