// Stands in for mplayer in window tests: speaks enough of the slave protocol for the front end,
// records what it is sent, and can be told to end, crash or say anything.
//
//   FAKE_PLAYER_LOG       every byte read on standard input is appended to this file; the
//                         arguments are written to <log>.args, one per line, and the working
//                         folder to <log>.cwd
//   FAKE_PLAYER_LENGTH    seconds answered to get_time_length (default 60)
//   FAKE_PLAYER_SHOT      the file "screenshot 0" writes (default: like mplayer, the prefix of
//                         "-vf screenshot=<prefix>" followed by 0001.png, 0002.png, ..., skipping
//                         names that exist; "shot" in the working folder without that filter)
//   FAKE_PLAYER_EOF_MS    after that many ms: "Exiting... (End of file)" and exit 0
//   FAKE_PLAYER_CRASH_MS  after that many ms: abort(), without an end line
//   FAKE_PLAYER_QUIT_LINGER_MS  after "q": the end line at once, the exit that many ms later
//                         (input is still read and logged meanwhile)
//   FAKE_PLAYER_SCRIPT    steps run at start in place of the banner, one per line:
//                         "out <text>", "replay <capture>" (relative to the script's folder),
//                         "sleep <ms>", "banner", "eof", "crash", "exit <code>",
//                         "flood <bytes>" (that many "x" without a line end),
//                         "repeat <count> <text>" (the line <text>, count times)
//
// Like mplayer, "pause" toggles, and any command without a "pausing_keep" prefix leaves pause.

#include <QByteArrayList>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// A 4 x 4 red PNG: what the front end converts is a real picture.
const char kShotPng[] = "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52"
                        "\x00\x00\x00\x04\x00\x00\x00\x04\x08\x02\x00\x00\x00\x26\x93\x09"
                        "\x29\x00\x00\x00\x10\x49\x44\x41\x54\x78\xda\x63\x38\x21\x27\x07"
                        "\x47\x0c\xc4\x71\x00\xb1\x63\x10\x41\xd3\x4a\xcc\x0d\x00\x00\x00"
                        "\x00\x49\x45\x4e\x44\xae\x42\x60\x82";

void Out(const QByteArray &text) {
    fwrite(text.constData(), 1, size_t(text.size()), stdout);
    fflush(stdout);
}

void Line(const QByteArray &text) {
    Out(text + '\n');
}

[[noreturn]] void Finish(const QByteArray &endText, int code) {
    Out(endText);
    std::exit(code);
}

[[noreturn]] void Crash() {
    const rlimit noCore{0, 0}; // no core files left in the test folders
    setrlimit(RLIMIT_CORE, &noCore);
    std::abort();
}

QByteArray Env(const char *name, const QByteArray &fallback = QByteArray()) {
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? fallback : value;
}

class FakePlayer {
public:
    FakePlayer(const QByteArrayList &args) : m_args(args) {
        m_clock.start();
        const QByteArray log = Env("FAKE_PLAYER_LOG");
        if (log.isEmpty())
            return;
        QFile argsFile(QFile::decodeName(log + ".args"));
        if (argsFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
            for (const QByteArray &arg : args)
                argsFile.write(arg + '\n');
        QFile cwdFile(QFile::decodeName(log + ".cwd"));
        if (cwdFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
            cwdFile.write(QFile::encodeName(QDir::currentPath()));
        m_log.setFileName(QFile::decodeName(log));
        m_log.open(QIODevice::WriteOnly | QIODevice::Append);
    }

    void Banner() const {
        // What mplayer names: the disc title when there is one, else the file (the last argument).
        QByteArray media = m_args.isEmpty() ? QByteArray() : m_args.last();
        for (const QByteArray &arg : m_args)
            if (arg.startsWith("dvd://") || arg.startsWith("br://"))
                media = arg;
        Line("MPlayer UNKNOWN-12 (C) 2000-2023 MPlayer Team");
        Line("");
        Line("Playing " + media + '.');
        Line("libavformat version 59.27.100 (external)");
        Line("libavformat file format detected.");
        Line("[lavf] stream 0: video (h264), -vid 0");
        Line("[lavf] stream 1: audio (aac), -aid 0, -alang und");
        Line("VIDEO:  [H264]  320x240  24bpp  25.000 fps   56.9 kbps ( 7.0 kbyte/s)");
        Line("Starting playback...");
    }

    // Bytes as read from standard input, in any pieces.
    void Receive(const QByteArray &bytes) {
        if (m_log.isOpen()) {
            m_log.write(bytes);
            m_log.flush();
        }
        m_pending += bytes;
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray command = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            Command(command);
        }
    }

private:
    qint64 PositionMs() const { return m_baseMs + (m_paused ? 0 : m_clock.elapsed()); }

    void SetPosition(qint64 ms) {
        m_baseMs = qMax<qint64>(0, ms);
        m_clock.restart();
    }

    void SetPaused(bool paused) {
        if (paused == m_paused)
            return;
        SetPosition(PositionMs());
        m_paused = paused;
    }

    void Command(QByteArray command) {
        bool keep = false;
        for (const char *prefix : {"pausing_keep_force ", "pausing_keep "}) {
            if (command.startsWith(prefix)) {
                command = command.mid(qstrlen(prefix)).trimmed();
                keep = true;
                break;
            }
        }
        const QByteArrayList words = command.simplified().split(' ');
        const QByteArray verb = words.value(0);
        if (verb == "pause") {
            SetPaused(!m_paused);
            return;
        }
        if (!keep)
            SetPaused(false);
        if (verb == "get_time_length") {
            Line("ANS_LENGTH=" + Env("FAKE_PLAYER_LENGTH", "60") + ".00");
        } else if (verb == "get_time_pos") {
            Line("ANS_TIME_POSITION=" + QByteArray::number(PositionMs() / 1000) + ".0");
        } else if (verb == "seek") {
            const double value = words.value(1).toDouble();
            const int type = words.value(2).toInt();
            if (type == 2)
                SetPosition(qint64(value * 1000));
            else if (type == 1)
                SetPosition(qint64(value * 10 * Env("FAKE_PLAYER_LENGTH", "60").toDouble()));
            else
                SetPosition(PositionMs() + qint64(value * 1000));
        } else if (verb == "screenshot") {
            Screenshot();
        } else if (verb == "q" || verb == "quit") {
            const int linger = qEnvironmentVariableIntValue("FAKE_PLAYER_QUIT_LINGER_MS");
            if (linger <= 0)
                Finish("\nExiting... (Quit)\n", 0);
            Out("\nExiting... (Quit)\n");
            QTimer::singleShot(linger, [] { std::exit(0); });
        }
        // Anything else: mplayer prints nothing for most commands, and so do we.
    }

    void Screenshot() {
        QString name = QFile::decodeName(Env("FAKE_PLAYER_SHOT"));
        if (name.isEmpty()) {
            const QString prefix = ShotPrefix();
            do
                name = prefix + QStringLiteral("%1.png").arg(++m_shots, 4, 10, QLatin1Char('0'));
            while (QFileInfo::exists(name) && m_shots < 99999);
        }
        QFile shot(name);
        if (shot.open(QIODevice::WriteOnly | QIODevice::Truncate))
            shot.write(kShotPng, sizeof kShotPng - 1);
        shot.close();
        Line("sending VFCTRL_SCREENSHOT!");
        Line("*** screenshot '" + QFile::encodeName(name) + "' ***");
    }

    // mplayer's filter option parser reads "\," as a comma.
    QString ShotPrefix() const {
        for (qsizetype i = 0; i + 1 < m_args.size(); ++i) {
            if (m_args[i] != "-vf" || !m_args[i + 1].startsWith("screenshot="))
                continue;
            QByteArray prefix = m_args[i + 1].mid(qstrlen("screenshot="));
            prefix.replace("\\,", ",");
            return QFile::decodeName(prefix);
        }
        return QStringLiteral("shot");
    }

    QByteArrayList m_args;
    QFile m_log;
    QByteArray m_pending;
    QElapsedTimer m_clock;
    qint64 m_baseMs = 0;
    bool m_paused = false;
    int m_shots = 0;
};

// Runs the script's steps in order; "sleep" waits in the event loop, so commands keep being
// read and answered meanwhile.
class Script {
public:
    Script(const QString &path, const FakePlayer &player, QObject *context)
        : m_folder(QFileInfo(path).absoluteDir()), m_player(player), m_context(context) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            m_steps = file.readAll().split('\n');
    }

    void Run() {
        while (m_next < m_steps.size()) {
            QByteArray step = m_steps[m_next++];
            if (step.endsWith('\r'))
                step.chop(1);
            const qsizetype blank = step.indexOf(' ');
            const QByteArray verb = blank < 0 ? step : step.left(blank);
            const QByteArray rest = blank < 0 ? QByteArray() : step.mid(blank + 1);
            if (verb == "out") {
                Line(rest);
            } else if (verb == "replay") {
                Replay(m_folder.absoluteFilePath(QFile::decodeName(rest)));
            } else if (verb == "sleep") {
                QTimer::singleShot(rest.toInt(), m_context, [this] { Run(); });
                return;
            } else if (verb == "banner") {
                m_player.Banner();
            } else if (verb == "eof") {
                Finish("\nExiting... (End of file)\n", 0);
            } else if (verb == "crash") {
                Crash();
            } else if (verb == "exit") {
                Finish(QByteArray(), rest.toInt());
            } else if (verb == "flood") {
                Flood(rest.toLongLong());
            } else if (verb == "repeat") {
                const qsizetype gap = rest.indexOf(' ');
                Repeat(rest.left(gap).toLongLong(), gap < 0 ? QByteArray() : rest.mid(gap + 1));
            }
        }
    }

private:
    static void Flood(qint64 bytes) {
        const QByteArray chunk(64 * 1024, 'x');
        for (qint64 left = bytes; left > 0; left -= chunk.size())
            fwrite(chunk.constData(), 1, size_t(qMin<qint64>(left, chunk.size())), stdout);
        fflush(stdout);
    }

    static void Repeat(qint64 count, const QByteArray &text) {
        const QByteArray line = text + '\n';
        for (qint64 i = 0; i < count; ++i)
            fwrite(line.constData(), 1, size_t(line.size()), stdout);
        fflush(stdout);
    }

    static void Replay(const QString &capture) {
        QFile file(capture);
        if (!file.open(QIODevice::ReadOnly))
            return;
        while (!file.atEnd())
            Out(file.readLine());
    }

    QDir m_folder;
    const FakePlayer &m_player;
    QObject *m_context;
    QByteArrayList m_steps;
    qsizetype m_next = 0;
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QByteArrayList args;
    for (int i = 1; i < argc; ++i)
        args << QByteArray(argv[i]);

    FakePlayer player(args);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&player] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        // Nobody left to talk to: do not linger as an orphan.
        if (got <= 0)
            std::exit(0);
        player.Receive(QByteArray(buffer, got));
    });

    bool ok = false;
    const int eofMs = qEnvironmentVariableIntValue("FAKE_PLAYER_EOF_MS", &ok);
    if (ok)
        QTimer::singleShot(eofMs, &app, [] { Finish("\nExiting... (End of file)\n", 0); });
    const int crashMs = qEnvironmentVariableIntValue("FAKE_PLAYER_CRASH_MS", &ok);
    if (ok)
        QTimer::singleShot(crashMs, &app, [] { Crash(); });

    const QString scriptPath = QFile::decodeName(Env("FAKE_PLAYER_SCRIPT"));
    Script script(scriptPath, player, &app);
    if (scriptPath.isEmpty())
        player.Banner();
    else
        script.Run();

    return app.exec();
}
