#include "player/Resume.h"

#include "lang/IniFile.h"
#include "platform/RegularFile.h"
#include "player/PlaybackSession.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QUrl>
#include <algorithm>

namespace {

const QByteArray kHeader = QByteArrayLiteral("tavrell-resume 1");

// A field of the store: a small decimal integer, -1 or more.
std::optional<int> Field(const QByteArray &text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < -1)
        return std::nullopt;
    return value;
}

} // namespace

void ResumeStore::Load() {
    m_entries.clear();
    QFile file;
    if (m_path.isEmpty() || !platform::OpenRegularFile(file, m_path))
        return;
    QByteArray bytes = file.read(MaxReadBytes + 1);
    if (bytes.size() > MaxReadBytes) {
        // Reading stops at the limit; the line it cut is not whole.
        bytes.truncate(MaxReadBytes);
        bytes.truncate(qMax<qsizetype>(0, bytes.lastIndexOf('\n')));
    }
    if (!bytes.startsWith(kHeader + '\n'))
        return;
    // The newest points are at the end: read back from there, a key's last line winning,
    // until the store is full. A large file costs no more than the entries kept.
    QSet<QString> seen;
    QList<Entry> newestFirst;
    qsizetype end = bytes.size();
    while (end > kHeader.size() && newestFirst.size() < MaxEntries) {
        const qsizetype newline = bytes.lastIndexOf('\n', end - 1);
        const QList<QByteArray> fields = bytes.mid(newline + 1, end - newline - 1).split('\t');
        end = newline;
        if (fields.size() != 4 || fields[0].isEmpty())
            continue;
        const std::optional<int> seconds = Field(fields[1]);
        const std::optional<int> audio = Field(fields[2]);
        const std::optional<int> subtitle = Field(fields[3]);
        if (!seconds || *seconds < 0 || !audio || !subtitle)
            continue;
        const QString key = QString::fromUtf8(QByteArray::fromPercentEncoding(fields[0]));
        if (seen.contains(key))
            continue;
        seen.insert(key);
        newestFirst.append({key, {*seconds, *audio, *subtitle}});
    }
    for (auto entry = newestFirst.crbegin(); entry != newestFirst.crend(); ++entry)
        m_entries.append(*entry);
}

bool ResumeStore::Save() const {
    if (m_path.isEmpty())
        return false;
    QByteArray bytes = kHeader + '\n';
    for (const Entry &entry : m_entries) {
        // Percent-encoded: a path may hold tabs and line breaks.
        bytes += entry.Key.toUtf8().toPercentEncoding("/:|") + '\t' +
                 QByteArray::number(entry.Point.Seconds) + '\t' +
                 QByteArray::number(entry.Point.AudioEntry) + '\t' +
                 QByteArray::number(entry.Point.SubtitleEntry) + '\n';
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

std::optional<ResumePoint> ResumeStore::Find(const QString &key) const {
    for (const Entry &entry : m_entries) {
        if (entry.Key == key)
            return entry.Point;
    }
    return std::nullopt;
}

bool ResumeStore::Note(const QString &key, const ResumePoint &point, qint64 lengthSeconds) {
    if (key.isEmpty())
        return false;
    const bool worth = lengthSeconds >= MinLengthSeconds && point.Seconds >= EdgeSeconds &&
                       point.Seconds <= lengthSeconds - EdgeSeconds;
    if (!worth)
        return Forget(key);
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&key](const Entry &entry) { return entry.Key == key; });
    if (found != m_entries.end()) {
        if (found->Point.Seconds == point.Seconds && found->Point.AudioEntry == point.AudioEntry &&
            found->Point.SubtitleEntry == point.SubtitleEntry && found + 1 == m_entries.end())
            return false;
        m_entries.erase(found);
    }
    m_entries.append({key, point});
    if (m_entries.size() > MaxEntries)
        m_entries.removeFirst();
    return true;
}

bool ResumeStore::Forget(const QString &key) {
    return m_entries.removeIf([&key](const Entry &entry) { return entry.Key == key; }) > 0;
}

QString FileResumeKey(const QString &path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return QString();
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        return QString();
    return QStringLiteral("file:%1|%2|%3")
        .arg(canonical)
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch());
}

QString DiscIdentity(const QString &folder) {
    // Bounds for a planted disc: so many files, so many bytes each and in all.
    constexpr int kMaxFiles = 2000;
    constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
    constexpr qint64 kMaxTotalBytes = 64 * 1024 * 1024;
    const QDir root(folder);
    QString tag;
    QDir dir;
    QStringList patterns;
    if (root.exists(QStringLiteral("BDMV/PLAYLIST"))) {
        tag = QStringLiteral("bd");
        dir = QDir(root.filePath(QStringLiteral("BDMV/PLAYLIST")));
        patterns = {QStringLiteral("*.mpls"), QStringLiteral("*.MPLS")};
    } else {
        const bool inside =
            root.dirName().compare(QLatin1String("VIDEO_TS"), Qt::CaseInsensitive) == 0;
        dir = inside ? root : QDir(root.filePath(QStringLiteral("VIDEO_TS")));
        tag = QStringLiteral("dvd");
        patterns = {QStringLiteral("*.IFO"), QStringLiteral("*.ifo")};
    }
    if (!dir.exists())
        return QString();
    QStringList names = dir.entryList(patterns, QDir::Files, QDir::Name);
    names.removeDuplicates();
    if (names.isEmpty() || names.size() > kMaxFiles)
        return QString();
    QCryptographicHash digest(QCryptographicHash::Sha1);
    qint64 total = 0;
    for (const QString &name : std::as_const(names)) {
        QByteArray bytes;
        if (!platform::ReadRegularFile(dir.filePath(name), kMaxFileBytes, bytes))
            continue;
        total += bytes.size();
        if (total > kMaxTotalBytes)
            return QString();
        digest.addData(name.toUpper().toUtf8() + '\0');
        digest.addData(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1));
    }
    return tag + QLatin1Char(':') + QString::fromLatin1(digest.result().toHex());
}

namespace {
const QString kSettingSection = QStringLiteral("Playback");
const QString kSettingKey = QStringLiteral("ResumePlayback");
QString SettingFile(const QString &appDataFolder) {
    return appDataFolder + QStringLiteral("config.ini");
}
} // namespace

bool ReadResumeSetting(const QString &appDataFolder) {
    const std::optional<QString> value =
        IniFile::Load(SettingFile(appDataFolder)).Value(kSettingSection, kSettingKey);
    return !value || value->trimmed() != QLatin1String("0");
}

bool WriteResumeSetting(const QString &appDataFolder, bool on) {
    QDir().mkpath(appDataFolder);
    return IniFile::WriteValue(SettingFile(appDataFolder), kSettingSection, kSettingKey,
                               on ? QStringLiteral("1") : QStringLiteral("0"));
}

ResumeKeeper::ResumeKeeper(PlaybackSession *session, const QString &storePath, int saveIntervalMs,
                           QObject *parent)
    : QObject(parent), m_session(session), m_store(storePath), m_intervalMs(saveIntervalMs) {
    m_store.Load();
    connect(session, &PlaybackSession::Started, this, [this] {
        const PlayRequest &request = m_session->Request();
        m_key = m_enabled ? request.ResumeKey : QString();
        m_current = {request.StartSeconds, request.AudioEntry, request.SubtitleEntry};
        m_alive = false;
        m_sinceSave.start();
    });
    // Only a player that has answered has played: one that never started keeps the old point.
    const auto alive = [this] { m_alive = true; };
    connect(session, &PlaybackSession::PositionAnswered, this, alive);
    connect(session, &PlaybackSession::LengthAnswered, this, alive);
    connect(session, &PlaybackSession::ClockMoved, this, [this] {
        if (!m_key.isEmpty() && m_sinceSave.isValid() && m_sinceSave.elapsed() >= m_intervalMs)
            Record();
    });
    connect(session, &PlaybackSession::ReachedEnd, this, [this] {
        if (m_key.isEmpty())
            return;
        if (m_store.Forget(std::exchange(m_key, QString())))
            m_store.Save();
    });
    // Stopped, closed or replaced: the point is settled.
    connect(session, &PlaybackSession::StateChanged, this, [this](PlaybackState state) {
        if (state == PlaybackState::Stopping || state == PlaybackState::Idle)
            Flush();
    });
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &ResumeKeeper::Flush);
}

std::optional<ResumePoint> ResumeKeeper::PointFor(const QString &key) const {
    if (!m_enabled || key.isEmpty())
        return std::nullopt;
    return m_store.Find(key);
}

void ResumeKeeper::Flush() {
    if (m_key.isEmpty() || !m_session)
        return;
    Record();
    m_key.clear();
}

void ResumeKeeper::Record() {
    m_sinceSave.start();
    if (!m_alive || !m_enabled)
        return;
    m_current.Seconds =
        int(qBound<qint64>(0, m_session->PlayerPositionMs() / 1000, qint64(INT_MAX)));
    if (m_store.Note(m_key, m_current, m_session->LengthSeconds()))
        m_store.Save();
}
