#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// What the command line asks for. Paths come out absolute and existing, in their order.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QStringList paths;
    QString message; // the text to print for Help, Version and Error
};

// Whether the text is a "file:" URI rather than a path.
bool IsFileUri(const QString &text);
// The local path a "file:" URI names; empty when it is invalid or names another host.
QString LocalPathOfUri(const QString &uri);

// args without the program's own name; relative paths are taken from workingFolder.
CommandLine ParseCommandLine(const QStringList &args, const QString &workingFolder);

// What a set of paths opens: one folder on its own (a disc folder, or refused), else the files
// among them. Paths that are not absolute or do not exist are left out.
struct OpenPlan {
    QString folder;
    QStringList files;
};
OpenPlan PlanOpening(const QStringList &paths);

// The hand-over from a later start over the instance socket: "show\n" alone, or "open\n", one
// escaped path a line, "end\n". Nobody else should be able to write to it, but it is read as
// untrusted all the same, hence the caps.
constexpr int kMaxHandOverPaths = 1000;
constexpr int kMaxHandOverPathBytes = 4096;
constexpr qsizetype kMaxHandOverBytes = 1 << 20;

// Paths beyond the caps are left out (PATH_MAX is 4096 anyway). No paths: a plain "show".
QByteArray EncodeHandOver(const QStringList &paths);

struct HandOver {
    enum class State { Incomplete, Malformed, Complete };
    State state = State::Incomplete;
    QStringList paths; // Complete with no paths: only show the window
};
// Looks at everything received so far on one connection.
HandOver DecodeHandOver(const QByteArray &received);

} // namespace platform
