#include "platform/CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace platform {

namespace {

const QString kProgram = QStringLiteral("tavrell-dvd-player");
const QByteArray kShow = QByteArrayLiteral("show\n");
const QByteArray kOpen = QByteArrayLiteral("open\n");
const QByteArray kEnd = QByteArrayLiteral("end\n");

CommandLine Failure(const QString &text) {
    CommandLine result;
    result.action = CommandLine::Action::Error;
    result.message = kProgram + QStringLiteral(": ") + text;
    return result;
}

QString HelpText() {
    return QStringLiteral("Usage: %1 [OPTION]... [PATH]...\n"
                          "Plays media files, DVD folders (holding VIDEO_TS) and Blu-ray folders "
                          "(holding BDMV).\n"
                          "PATH is a file or folder, or a file:// URI. Several files go to the "
                          "playlist and the first one plays;\n"
                          "a single folder opens as Open Folder does. When the program already "
                          "runs, its window opens them.\n\n"
                          "  -h, --help     show this text and exit\n"
                          "      --version  show the version and exit\n"
                          "      --         every argument after it is a path")
        .arg(kProgram);
}

// Bytes that would break the line format, and the escape character itself.
QByteArray Escape(const QByteArray &raw) {
    QByteArray out;
    out.reserve(raw.size());
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '%')
            out += '%' + QByteArray::number(byte, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

} // namespace

bool IsFileUri(const QString &text) {
    return text.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive);
}

QString LocalPathOfUri(const QString &uri) {
    const QUrl url(uri);
    const QString host = url.host();
    if (!url.isValid() || !url.isLocalFile() ||
        !(host.isEmpty() || host == QStringLiteral("localhost")))
        return QString();
    return url.toLocalFile();
}

CommandLine ParseCommandLine(const QStringList &args, const QString &workingFolder) {
    CommandLine result;
    bool optionsEnd = false;
    for (const QString &arg : args) {
        if (!optionsEnd && arg == QStringLiteral("--")) {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && arg.size() > 1 && arg.startsWith(QLatin1Char('-'))) {
            if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h"))
                return {CommandLine::Action::Help, {}, HelpText()};
            if (arg == QStringLiteral("--version"))
                return {CommandLine::Action::Version,
                        {},
                        kProgram + QLatin1Char(' ') + QStringLiteral(TAVRELL_PROGRAM_VERSION)};
            return Failure(QStringLiteral("unknown option '%1' (try --help)").arg(arg));
        }
        QString path = arg;
        if (IsFileUri(arg)) {
            path = LocalPathOfUri(arg);
            if (path.isEmpty())
                return Failure(QStringLiteral("not a local file: %1").arg(arg));
        }
        if (path.isEmpty())
            return Failure(QStringLiteral("empty path"));
        path = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(path));
        if (!QFileInfo::exists(path))
            return Failure(QStringLiteral("no such file or folder: %1").arg(arg));
        result.paths << path;
    }
    return result;
}

OpenPlan PlanOpening(const QStringList &paths) {
    OpenPlan plan;
    QStringList folders;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isAbsolute() || !info.exists())
            continue;
        if (info.isDir())
            folders << path;
        else
            plan.files << path;
    }
    // Files win: a folder only opens when no file came with it, the first of several.
    if (plan.files.isEmpty() && !folders.isEmpty())
        plan.folder = folders.first();
    return plan;
}

QByteArray EncodeHandOver(const QStringList &paths) {
    if (paths.isEmpty())
        return kShow;
    QByteArray message = kOpen;
    int count = 0;
    for (const QString &path : paths) {
        const QByteArray raw = QFile::encodeName(path);
        if (raw.size() > kMaxHandOverPathBytes)
            continue;
        const QByteArray line = Escape(raw) + '\n';
        if (count == kMaxHandOverPaths ||
            message.size() + line.size() + kEnd.size() > kMaxHandOverBytes)
            break;
        message += line;
        ++count;
    }
    return count == 0 ? kShow : message + kEnd;
}

HandOver DecodeHandOver(const QByteArray &received) {
    HandOver result;
    if (received.size() > kMaxHandOverBytes)
        return {HandOver::State::Malformed, {}};
    const QByteArray head = received.left(kShow.size());
    if (head == kShow)
        return {received == kShow ? HandOver::State::Complete : HandOver::State::Malformed, {}};
    if (!kShow.startsWith(head) && !kOpen.startsWith(head))
        return {HandOver::State::Malformed, {}};
    // Parsed once the end line is there; until then only the caps above and the reader's
    // deadline apply.
    if (head != kOpen || !received.endsWith('\n' + kEnd))
        return result;
    const QList<QByteArray> lines =
        received.sliced(kOpen.size(), received.size() - kOpen.size() - kEnd.size() - 1).split('\n');
    if (lines.size() > kMaxHandOverPaths)
        return {HandOver::State::Malformed, {}};
    for (const QByteArray &line : lines) {
        const QByteArray raw = QByteArray::fromPercentEncoding(line);
        const QString path = QFile::decodeName(raw);
        if (raw.size() > kMaxHandOverPathBytes || !path.startsWith(QLatin1Char('/')))
            return {HandOver::State::Malformed, {}};
        result.paths << path;
    }
    result.state = HandOver::State::Complete;
    return result;
}

} // namespace platform
