#include "player/PlayerArgs.h"

#include <QFileInfo>

namespace {

// MPlayer reads an argument that starts with "-" as an option (and "-" alone as standard
// input), whatever follows it, so such a relative name is handed over as "./-name".
QString SafeMediaArgument(const QString &path) {
    if (path.startsWith(QLatin1Char('-')))
        return QStringLiteral("./") + path;
    return path;
}

} // namespace

QString ScreenshotPrefix(const QString &appDataFolder) {
    // MPlayer splits the filter list at commas; "\," keeps one inside the prefix.
    QString folder = appDataFolder;
    folder.replace(QLatin1Char(','), QLatin1String("\\,"));
    return QStringLiteral("screenshot=") + folder;
}

std::optional<int> AudioSwitchArgument(MediaKind sourceKind, int choice,
                                       const QList<int> &audioPids) {
    if (choice == 0)
        return -2;
    if (choice < 0)
        return std::nullopt;
    if (sourceKind != MediaKind::Bluray)
        return choice - 1;
    const int pid = audioPids.value(choice - 1, -1);
    if (pid < 0)
        return std::nullopt;
    return pid;
}

QStringList BuildPlayerArguments(const PlayerLaunch &launch) {
    QStringList args;
    if (launch.SourceKind == MediaKind::Bluray) {
        // MPlayer's own TS demuxer, not lavf: on "br://" lavf leaves the picture standing
        // seconds after a forward seek and loses a backward seek sent soon after
        // (bench/bluray_seeks.py). That demuxer knows audio streams by PID and, left alone,
        // does not take the table's first one: the chosen stream is named from the first frame.
        // "Disable" is "-aid -2", the number "switch_audio -2" takes: no sound until the track
        // menu names a stream.
        if (launch.AudioChoice) {
            const std::optional<int> aid =
                AudioSwitchArgument(MediaKind::Bluray, *launch.AudioChoice, launch.AudioPids);
            if (aid)
                args << QStringLiteral("-aid") << QString::number(*aid);
            // Told a stream, the demuxer's probe starts the title after that stream's first
            // packet, a key frame late (1 s on the test disc). A seek before the first frame
            // puts it back at the start. (A short -tsprobe did too, but then MPlayer crashed
            // on any audio command until the stream turned up.)
            if (aid && *aid >= 0)
                args << QStringLiteral("-ss") << QStringLiteral("0.01");
        }
        // The demuxer names a subtitle stream only in its "ID_SUBTITLE_ID=<PID>" line, printed
        // when it first reads the stream; the subtitle choice waits for it.
        args << QStringLiteral("-msglevel") << QStringLiteral("identify=4");
    } else {
        args << QStringLiteral("-demuxer") << QStringLiteral("lavf");
    }
    args << QStringList{
        QStringLiteral("-ni"),
        QStringLiteral("-slave"),
        QStringLiteral("-quiet"),
        QStringLiteral("-wid"),
        QString::number(launch.WindowId),
        // No trailing comma: it would let MPlayer fall through to text-mode drivers. gl_nosw,
        // not gl: without hardware GL (virtual machines, remote desktops) gl renders in
        // software at about three times the CPU of x11. x11 does not scale to the window
        // without -zoom, and keeps the picture's shape (centred, black bars) only with -fs,
        // which inside -wid means "fill the window given", not the screen.
        QStringLiteral("-vo"),
        QStringLiteral("xv,gl_nosw,x11"),
        QStringLiteral("-zoom"),
        QStringLiteral("-fs"),
        QStringLiteral("-lavdopts"),
        QStringLiteral("threads=4"),
        QStringLiteral("-vf"),
        ScreenshotPrefix(launch.AppDataFolder),
        QStringLiteral("-af"),
        QStringLiteral("channels=6,volume=5.1:1"),
    };
    if (launch.SourceKind == MediaKind::Dvd) {
        args << QStringLiteral("dvd://1") << QStringLiteral("-dvd-device");
    } else if (launch.SourceKind == MediaKind::Bluray) {
        if (!launch.UseBlurayTitle)
            args << QStringLiteral("br://0") << QStringLiteral("-bluray-device");
        else if (launch.BlurayTitle)
            args << QStringLiteral("br://%1").arg(*launch.BlurayTitle)
                 << QStringLiteral("-bluray-device");
        // A wanted title that was never found adds nothing: the path stands alone.
    }
    args << SafeMediaArgument(launch.PlayPath);
    return args;
}

QString PlayerWorkingDirectory(const PlayerLaunch &launch) {
    // A relative device path would name another folder once the player runs elsewhere.
    if (launch.SourceKind != MediaKind::Bluray || QFileInfo(launch.PlayPath).isRelative())
        return QString();
    const QString stream = launch.PlayPath + QStringLiteral("/BDMV/STREAM");
    // A missing folder would keep the player from starting at all.
    return QFileInfo(stream).isDir() ? stream : QString();
}
