#pragma once

#include <QByteArray>

// The kinds of player output lines the front end acts on, tested in this order.
enum class LineKind {
    PositionAnswer, // starts with "ANS_TIME_POSITION"
    LengthAnswer,   // starts with "ANS_LENGTH"
    PercentAnswer,  // starts with "ANS_PERCENT_POSITION" (ignored)
    NewItem,        // contains "Playing "
    EndOfFile,      // contains "(End of file)"
    Quit,           // contains "(Quit)"
    Screenshot,     // contains "*** screenshot "
    AudioStream,    // contains ", -aid "
    SubtitleStream, // contains ", -sid "
    VideoOpened,    // contains "VIDEO: "
    Other
};

LineKind ClassifyLine(const QByteArray &line);

// Whole seconds of an "ANS_LENGTH=5400.00" line; 0 when the text does not convert.
int LengthFromAnswer(const QByteArray &line);

// The file named in "*** screenshot '<name>' ***" (to the end of the line without a closing
// quote). Any length: the name is never cut short.
QByteArray ShotNameFromLine(const QByteArray &line);
