// The Blu-ray readers against real discs (and libbluray's reading of them), against
// playlists written byte by byte, and the title numbers MPlayer is given.
#include "BdTree.h"
#include "BdWriter.h"
#include "TestConfig.h"
#include "sources/FolderSource.h"
#include "sources/bluray/BlurayLibrary.h"
#include "sources/bluray/DiscMetadata.h"
#include "sources/bluray/MoviePlaylist.h"
#include "sources/bluray/TitleDiscovery.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

using namespace bdfixture;

namespace {

const QString RealDiscs = QStringLiteral(TAVRELL_TESTDATA_DIR "/bluray");

// What libbluray-report.txt says of one playlist file.
struct ReportStream {
    quint8 Coding = 0;
    QByteArray Language;
    int Pid = -1; // of a stream of type 1 (in the item's own clip)
};
struct ReportPlaylist {
    struct Item {
        QByteArray Clip;
        quint32 In = 0, Out = 0; // 45 kHz
    };
    QList<Item> Items;
    struct Mark {
        int Type = 0, Item = 0;
        qint64 PlaylistMs = 0;
    };
    QList<Mark> Marks;
    QList<ReportStream> LastAudio, LastSubtitles; // of the last play item
};
struct Report {
    QMap<QString, ReportPlaylist> Files;
    QSet<QString> Relevant; // playlists of bd_get_titles(TITLES_RELEVANT)
};

Report ReadReport(const QString &path) {
    Report report;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return report;
    static const QRegularExpression fileLine(QStringLiteral("^FILE (\\S+):"));
    static const QRegularExpression itemLine(
        QStringLiteral("^  PI\\[\\d+\\] clip=(\\S+) in=(\\d+)\\(.*out=(\\d+)\\("));
    static const QRegularExpression streamLine(
        QStringLiteral("^      (A|PG)\\[\\d+\\] stream_type=(\\d+) pid=0x([0-9a-f]+) "
                       "coding=0x([0-9a-f]+)\\(.*lang='([^']*)'"));
    static const QRegularExpression markLine(
        QStringLiteral("^  MARK\\[\\d+\\] type=(\\d+).* item=(\\d+) "
                       ".*playlist_rel=(\\d+):(\\d+):(\\d+)\\.(\\d+)"));
    static const QRegularExpression relLine(QStringLiteral("^  REL\\[\\d+\\] .*playlist=(\\S+)"));
    ReportPlaylist *current = nullptr;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(1);
        QRegularExpressionMatch m;
        if ((m = relLine.match(line)).hasMatch()) {
            report.Relevant.insert(m.captured(1));
        } else if ((m = fileLine.match(line)).hasMatch()) {
            current = &report.Files[m.captured(1)];
        } else if (current && (m = itemLine.match(line)).hasMatch()) {
            current->Items.append(
                {m.captured(1).toLatin1(), m.captured(2).toUInt(), m.captured(3).toUInt()});
            current->LastAudio.clear();
            current->LastSubtitles.clear();
        } else if (current && (m = streamLine.match(line)).hasMatch()) {
            const ReportStream stream{
                quint8(m.captured(4).toUInt(nullptr, 16)), m.captured(5).toLatin1(),
                m.captured(2) == QLatin1String("1") ? int(m.captured(3).toUInt(nullptr, 16)) : -1};
            (m.captured(1) == QLatin1String("A") ? current->LastAudio : current->LastSubtitles)
                .append(stream);
        } else if (current && (m = markLine.match(line)).hasMatch()) {
            const qint64 ms = ((m.captured(3).toLongLong() * 60 + m.captured(4).toLongLong()) * 60 +
                               m.captured(5).toLongLong()) *
                                  1000 +
                              m.captured(6).toLongLong();
            current->Marks.append({m.captured(1).toInt(), m.captured(2).toInt(), ms});
        }
    }
    return report;
}

QByteArray ReadAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList RealPlaylistFiles() {
    QStringList files;
    for (const QString &disc : QDir(RealDiscs).entryList({QStringLiteral("disc*")}, QDir::Dirs)) {
        const QDir dir(RealDiscs + QLatin1Char('/') + disc + QLatin1String("/BDMV/PLAYLIST"));
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            files.append(dir.filePath(name));
    }
    return files;
}

// A device that delivers its bytes and then fails, as a disc read error would.
class FailDevice : public QIODevice {
public:
    FailDevice(const QByteArray &data, qint64 failAfter) : Data(data), FailAfter(failAfter) {
        open(QIODevice::ReadOnly);
    }
    qint64 size() const override { return Data.size(); }

protected:
    qint64 readData(char *out, qint64 max) override {
        if (Position >= FailAfter)
            return -1;
        const qint64 n = qMin(max, FailAfter - Position);
        memcpy(out, Data.constData() + Position, size_t(n));
        Position += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray Data;
    qint64 FailAfter;
    qint64 Position = 0;
};

MoviePlaylist Parse(const QByteArray &bytes, int *code = nullptr) {
    MoviePlaylist playlist;
    const int result = MoviePlaylistParser::ParseBytes(bytes, playlist);
    if (code)
        *code = result;
    return playlist;
}

QByteArrayList Names(const QList<StreamInfo> &streams) {
    QByteArrayList names;
    for (const StreamInfo &stream : streams)
        names.append(stream.DisplayName);
    return names;
}

QList<int> Pids(const QList<StreamInfo> &streams) {
    QList<int> pids;
    for (const StreamInfo &stream : streams)
        pids.append(stream.Pid);
    return pids;
}

// One item of `ms` milliseconds on clip `clip`, with an English AC-3 track.
PlayItemSpec Item(const QByteArray &clip, quint64 ms, quint64 inMs = 600000) {
    return PlayItemSpec::Of(clip, inMs, inMs + ms).WithAudio("eng");
}

QByteArray Playlist(const QList<PlayItemSpec> &items) {
    return WriteMoviePlaylist(PlaylistSpec::Sequential(items));
}

// Names in the order ListFolder returns them for this folder.
QStringList ListingOrder(const QString &folder) {
    QList<FolderEntry> entries;
    ListFolder(folder, entries);
    QStringList names;
    for (const FolderEntry &entry : entries)
        names.append(QFileInfo(QString::fromLocal8Bit(entry.FullPath)).fileName());
    return names;
}

// Creates the playlist files empty first so the tests can read the file system's order and
// give the roles by it; then writes the bytes.
QStringList PrepareNames(const QString &disc, const QStringList &names) {
    const QString folder = disc + QLatin1String("/BDMV/PLAYLIST");
    QDir().mkpath(folder);
    for (const QString &name : names)
        WriteBytes(folder + QLatin1Char('/') + name, QByteArray());
    return ListingOrder(folder);
}

const BlurayTitle *TitleNamed(const BlurayDiscovery &discovery, const QString &name) {
    for (const BlurayTitle &title : discovery.Titles) {
        if (QFileInfo(title.Key).fileName() == name)
            return &title;
    }
    return nullptr;
}

} // namespace

class TestBluray : public QObject {
    Q_OBJECT
private slots:
    void realPlaylistsMatchLibbluray_data();
    void realPlaylistsMatchLibbluray();
    void realDiscsRelevantTitles();
    void truncatedAndFlippedPlaylists();

    void streamNames_data();
    void streamNames();
    void streamsOfTheLastItem();
    void streamPids();
    void graphicsHideTextSubtitles();
    void multiAngleStreamTable();
    void tooManyVideoStreams();
    void chapterMarks();
    void secondAndThirdItemOnOneClip();
    void brokenCountsAndOffsets_data();
    void brokenCountsAndOffsets();
    void headerCodes();
    void readCap();

    void digest();

    void discMetadata_data();
    void discMetadata();
    void discMetadataFile();

    void numberingExample();
    void lengthsAndOrder();
    void nonMplsExtension();
    void libblurayIndexOnDriftingDisc();
    void mplayerPlaysTheChosenPlaylist();
    void bdinfoOutput();
    void hostileDiscs_data();
    void hostileDiscs();
    void bdinfoArguments();
};

// Every playlist of the four real discs: items, chapters and the last item's streams as
// libbluray reads them.
void TestBluray::realPlaylistsMatchLibbluray_data() {
    QTest::addColumn<QString>("file");
    for (const QString &file : RealPlaylistFiles())
        QTest::newRow(qPrintable(file.section(QLatin1Char('/'), -4, -4) + QLatin1Char('/') +
                                 QFileInfo(file).fileName()))
            << file;
}

void TestBluray::realPlaylistsMatchLibbluray() {
    QFETCH(QString, file);
    const Report report =
        ReadReport(file.section(QLatin1Char('/'), 0, -4) + QLatin1String("/libbluray-report.txt"));
    const QString name = QFileInfo(file).fileName();
    QVERIFY2(report.Files.contains(name), "playlist missing from the report");
    const ReportPlaylist &expected = report.Files[name];

    MoviePlaylistParser parser;
    MoviePlaylist playlist;
    QCOMPARE(parser.ParseMoviePlaylist(file, playlist), 0);

    const bool rejected =
        expected.Items.size() > 2 && expected.Items[1].Clip == expected.Items[2].Clip;
    if (rejected) {
        QVERIFY(playlist.PlayItems.isEmpty());
    } else {
        QCOMPARE(playlist.PlayItems.size(), expected.Items.size());
        quint32 offset = 0;
        for (int i = 0; i < expected.Items.size(); ++i) {
            const PlayItem &item = playlist.PlayItems[i];
            QCOMPARE(item.ClipName, expected.Items[i].Clip);
            QCOMPARE(item.InMs, expected.Items[i].In / 45);
            QCOMPARE(item.DurationMs,
                     qint32(expected.Items[i].Out / 45 - expected.Items[i].In / 45));
            QCOMPARE(item.OffsetMs, offset);
            offset += quint32(item.DurationMs);
        }
        QByteArrayList audio, subtitles;
        QList<int> audioPids, subtitlePids;
        for (const ReportStream &s : expected.LastAudio) {
            audio.append(AudioStreamName(s.Coding, s.Language));
            audioPids.append(s.Pid);
        }
        QList<ReportStream> graphics, text;
        for (const ReportStream &s : expected.LastSubtitles)
            (s.Coding == 0x92 ? text : graphics).append(s);
        for (const ReportStream &s : graphics.isEmpty() ? text : graphics) {
            subtitles.append(SubtitleStreamName(s.Language));
            subtitlePids.append(s.Pid);
        }
        QCOMPARE(Names(playlist.AudioStreams), audio);
        QCOMPARE(Names(playlist.SubtitleStreams), subtitles);
        QCOMPARE(Pids(playlist.AudioStreams), audioPids);
        QCOMPARE(Pids(playlist.SubtitleStreams), subtitlePids);
    }

    // Chapter starts sum whole milliseconds per item: up to 1 ms off per earlier item.
    QList<ReportPlaylist::Mark> chapters;
    for (const ReportPlaylist::Mark &mark : expected.Marks) {
        if (mark.Type == 1 && mark.Item < expected.Items.size())
            chapters.append(mark);
    }
    QCOMPARE(playlist.Chapters.size(), chapters.size());
    for (int i = 0; i < chapters.size(); ++i) {
        const qint64 difference = qAbs(playlist.Chapters[i] - chapters[i].PlaylistMs);
        QVERIFY2(difference <= chapters[i].Item + 1,
                 qPrintable(QStringLiteral("chapter %1: %2 against %3")
                                .arg(i)
                                .arg(playlist.Chapters[i])
                                .arg(chapters[i].PlaylistMs)));
    }
}

// libbluray's list of the same folders: every listed playlist gets an index, each index once.
void TestBluray::realDiscsRelevantTitles() {
    for (const QString &disc : QDir(RealDiscs).entryList({QStringLiteral("disc*")}, QDir::Dirs)) {
        const QString path = RealDiscs + QLatin1Char('/') + disc;
        const Report report = ReadReport(path + QLatin1String("/libbluray-report.txt"));
        const QMap<QString, int> indexes = RelevantTitleIndexByPlaylist(path);
        QCOMPARE(QSet<QString>(indexes.keyBegin(), indexes.keyEnd()), report.Relevant);
        QList<int> numbers = indexes.values();
        std::sort(numbers.begin(), numbers.end());
        for (int i = 0; i < numbers.size(); ++i)
            QCOMPARE(numbers[i], i + 1);

        // Titles we offer and libbluray lists carry libbluray's index.
        const BlurayDiscovery discovery = DiscoverTitles(path);
        QVERIFY(!discovery.MainKey.isEmpty());
        for (const BlurayTitle &title : discovery.Titles) {
            const QString name = QFileInfo(title.Key).fileName();
            if (indexes.contains(name))
                QCOMPARE(title.Number, indexes[name]);
        }
    }
    QVERIFY(RelevantTitleIndexByPlaylist(QStringLiteral("/nonexistent/disc")).isEmpty());
}

// Every cut of every real playlist, and bit flips: an error value or no items, or (a cut
// behind everything read) the full result. Run under AddressSanitizer to see stray reads.
void TestBluray::truncatedAndFlippedPlaylists() {
    for (const QString &file : RealPlaylistFiles()) {
        const QByteArray bytes = ReadAll(file);
        const MoviePlaylist full = Parse(bytes);
        const qint64 marks = GetU32(bytes, 12);
        // The last byte read: the time stamp of the last mark.
        const qint64 markEnd = marks + 6 + 14 * (qint64(GetU16(bytes, marks + 4)) - 1) + 8;
        for (qsizetype length = 0; length < bytes.size(); ++length) {
            int code = 0;
            const MoviePlaylist cut = Parse(bytes.left(length), &code);
            if (length < markEnd) {
                QVERIFY2(code != 0, qPrintable(file + QStringLiteral(" cut at %1").arg(length)));
                QVERIFY(cut.PlayItems.isEmpty() && cut.Chapters.isEmpty());
            } else {
                QCOMPARE(cut.PlayItems.size(), full.PlayItems.size());
                QCOMPARE(cut.Chapters, full.Chapters);
            }
        }
        // Every bit of the first 2 KiB, one at a time.
        const qsizetype flipped = qMin<qsizetype>(bytes.size(), 2048);
        for (qsizetype i = 0; i < flipped * 8; ++i) {
            QByteArray copy = bytes;
            copy[i / 8] = char(copy[i / 8] ^ (1 << (i % 8)));
            const MoviePlaylist result = Parse(copy);
            for (const PlayItem &item : result.PlayItems)
                QCOMPARE(item.ClipName.size(), 10);
        }
    }
}

// Language names, upper-cased unknown codes, codec suffixes, and where each coding type
// keeps its language bytes.
void TestBluray::streamNames_data() {
    QTest::addColumn<int>("coding");
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("GER TRUEHD") << 0x83 << QByteArray("ger") << QByteArray("GER TRUEHD");
    QTest::newRow("English 0xA2") << 0xA2 << QByteArray("eng") << QByteArray("English");
    QTest::newRow("DEU AC3") << 0x81 << QByteArray("deu") << QByteArray("DEU AC3");
    QTest::newRow("LPCM") << 0x80 << QByteArray("jpn") << QByteArray("Japanese LPCM");
    QTest::newRow("DTS") << 0x82 << QByteArray("fra") << QByteArray("French DTS");
    QTest::newRow("EAC3") << 0x84 << QByteArray("por") << QByteArray("Portugal EAC3");
    QTest::newRow("EAC3 secondary") << 0xA1 << QByteArray("spa") << QByteArray("Spanish EAC3");
    QTest::newRow("DTS HD") << 0x85 << QByteArray("zho") << QByteArray("Chinese DTS HD");
    QTest::newRow("DTS HD XLL") << 0x86 << QByteArray("kor") << QByteArray("Korean DTS HD XLL");
    QTest::newRow("case-sensitive") << 0x81 << QByteArray("ENG") << QByteArray("ENG AC3");
    QTest::newRow("graphics") << 0x90 << QByteArray("tha") << QByteArray("Thai");
    QTest::newRow("interactive") << 0x91 << QByteArray("msa") << QByteArray("Malay");
    QTest::newRow("text") << 0x92 << QByteArray("hin") << QByteArray("Hindi");
    QTest::newRow("graphics unknown") << 0x90 << QByteArray("swe") << QByteArray("SWE");
}

void TestBluray::streamNames() {
    QFETCH(int, coding);
    QFETCH(QByteArray, language);
    QFETCH(QByteArray, name);
    PlayItemSpec item = PlayItemSpec::Of("00001", 0, 1000);
    StreamEntry entry = StreamEntry::Audio(language, quint8(coding));
    if (coding == 0x90 || coding == 0x91)
        entry = StreamEntry::Graphics(language);
    if (coding == 0x91)
        entry.Coding = 0x91;
    if (coding == 0x92)
        entry = StreamEntry::TextSub(language);
    const bool subtitle = coding >= 0x90 && coding <= 0x92;
    (subtitle ? item.Subtitles : item.Audio).append(entry);
    const MoviePlaylist playlist = Parse(Playlist({item}));
    const QList<StreamInfo> &streams = subtitle ? playlist.SubtitleStreams : playlist.AudioStreams;
    QCOMPARE(Names(streams), QByteArrayList{name});
}

void TestBluray::streamsOfTheLastItem() {
    PlayItemSpec first = Item("00001", 1000);
    first.WithGraphics("jpn");
    PlayItemSpec second = PlayItemSpec::Of("00002", 0, 1000).WithAudio("fra", CodingDts);
    second.WithAudio("deu", CodingAc3);
    const MoviePlaylist playlist = Parse(Playlist({first, second}));
    QCOMPARE(playlist.PlayItems.size(), 2);
    QCOMPARE(Names(playlist.AudioStreams), (QByteArrayList{"French DTS", "DEU AC3"}));
    QCOMPARE(Pids(playlist.AudioStreams), (QList<int>{0x1100, 0x1101}));
    QVERIFY(playlist.SubtitleStreams.isEmpty());
}

// The player's TS demuxer knows a stream by its PID; only a stream of the item's own clip has
// one there: a sub-path's stream lives in another file.
void TestBluray::streamPids() {
    PlayItemSpec item = Item("00001", 1000);
    item.Audio[0].Pid = 0x1104;
    item.Audio.append(StreamEntry::Audio("fra", CodingDts, 0xFFFF));
    for (quint8 type : {2, 3, 4}) {
        item.Audio.append(StreamEntry::Audio("deu", CodingAc3, 0x1A00));
        item.Audio.last().StreamType = type;
    }
    item.WithGraphics("jpn");
    item.Subtitles.last().StreamType = 2;
    item.WithGraphics("kor");
    const MoviePlaylist playlist = Parse(Playlist({item}));
    QCOMPARE(Names(playlist.AudioStreams),
             (QByteArrayList{"English AC3", "French DTS", "DEU AC3", "DEU AC3", "DEU AC3"}));
    QCOMPARE(Pids(playlist.AudioStreams), (QList<int>{0x1104, 0xFFFF, -1, -1, -1}));
    QCOMPARE(Names(playlist.SubtitleStreams), (QByteArrayList{"Japanese", "Korean"}));
    QCOMPARE(Pids(playlist.SubtitleStreams), (QList<int>{-1, 0x1201}));
}

void TestBluray::graphicsHideTextSubtitles() {
    PlayItemSpec mixed = Item("00001", 1000);
    mixed.WithText("eng").WithGraphics("jpn").WithText("fra").WithGraphics("kor");
    QCOMPARE(Names(Parse(Playlist({mixed})).SubtitleStreams),
             (QByteArrayList{"Japanese", "Korean"}));
    QCOMPARE(Pids(Parse(Playlist({mixed})).SubtitleStreams), (QList<int>{0x1200, 0x1201}));
    PlayItemSpec textOnly = Item("00001", 1000);
    textOnly.WithText("eng").WithText("fra");
    QCOMPARE(Names(Parse(Playlist({textOnly})).SubtitleStreams),
             (QByteArrayList{"English", "French"}));
    QCOMPARE(Pids(Parse(Playlist({textOnly})).SubtitleStreams), (QList<int>{0x1800, 0x1801}));
}

// The stream table moves behind the angle list; an angle count of 0 still leaves two bytes.
void TestBluray::multiAngleStreamTable() {
    for (int angles : {0, 1, 3}) {
        PlayItemSpec item = Item("00001", 1000);
        item.MultiAngle = true;
        for (int i = 1; i < qMax(angles, 1); ++i)
            item.AngleClips.append(QByteArray("0000") + char('1' + i));
        item.AngleCount = angles;
        const MoviePlaylist playlist = Parse(Playlist({item}));
        QCOMPARE(Names(playlist.AudioStreams), QByteArrayList{"English AC3"});
    }
}

// More than 3 primary video streams: code 3 when the last item has them, else no effect.
void TestBluray::tooManyVideoStreams() {
    PlayItemSpec many = Item("00001", 1000);
    many.Video = {StreamEntry::Video(), StreamEntry::Video(), StreamEntry::Video(),
                  StreamEntry::Video()};
    int code = 0;
    QVERIFY(Parse(Playlist({Item("00002", 1000), many}), &code).PlayItems.isEmpty());
    QCOMPARE(code, int(MplsTooManyVideo));
    const MoviePlaylist ok = Parse(Playlist({many, Item("00002", 1000)}), &code);
    QCOMPARE(code, 0);
    QCOMPARE(ok.PlayItems.size(), 2);
    many.Video.removeLast();
    QCOMPARE(Parse(Playlist({many}), &code).PlayItems.size(), 1);
}

// Chapter starts: the item's place in the title plus the mark's time within the item; marks
// of other types or naming an item past the end are left out.
void TestBluray::chapterMarks() {
    PlaylistSpec spec;
    spec.Items = {Item("00001", 1600, 1000), Item("00002", 2500, 90000)};
    spec.Marks = {MarkSpec::Chapter(0, 1000), MarkSpec::Chapter(1, 91000),
                  MarkSpec::Chapter(2, 1000), MarkSpec::Chapter(0, 2000),
                  MarkSpec::Chapter(1, 80000)}; // before its item's start: the title's start
    spec.Marks[3].Type = 2;
    const MoviePlaylist playlist = Parse(WriteMoviePlaylist(spec));
    QCOMPARE(playlist.Chapters, (QList<int>{0, 2600, 0}));
    QCOMPARE(playlist.PlayItems[1].OffsetMs, 1600u);
    QCOMPARE(playlist.PlayItems[1].InMs, 90000u);
}

// Second and third item on the same clip: no title, but the parse itself succeeds.
void TestBluray::secondAndThirdItemOnOneClip() {
    int code = -1;
    const MoviePlaylist same = Parse(
        Playlist({Item("00001", 1000), Item("00010", 1000), Item("00010", 2000, 1000)}), &code);
    QCOMPARE(code, 0);
    QVERIFY(same.PlayItems.isEmpty() && same.AudioStreams.isEmpty());
    QCOMPARE(same.Chapters.size(), 3);
    // Only the second and the third are compared.
    QCOMPARE(Parse(Playlist({Item("00010", 1000), Item("00010", 1000, 5000), Item("00011", 1000)}))
                 .PlayItems.size(),
             3);
    QCOMPARE(Parse(Playlist({Item("00001", 1000), Item("00010", 1000)})).PlayItems.size(), 2);
}

// Counts and offsets that lead outside the bytes: a failed parse, never a read past them.
void TestBluray::brokenCountsAndOffsets_data() {
    QTest::addColumn<QByteArray>("bytes");
    PlaylistLayout layout;
    const PlaylistSpec good = PlaylistSpec::Sequential({Item("00001", 1000), Item("00002", 1000)});
    const QByteArray bytes = WriteMoviePlaylist(good, &layout);
    auto patched = [&](qsizetype offset, int size, quint32 value) {
        QByteArray copy = bytes;
        if (size == 1)
            PutU8(copy, offset, quint8(value));
        else if (size == 2)
            PutU16(copy, offset, quint16(value));
        else
            PutU32(copy, offset, value);
        return copy;
    };
    QTest::newRow("playlist start past the end") << patched(8, 4, quint32(bytes.size()) - 5);
    QTest::newRow("playlist start huge") << patched(8, 4, 0xFFFFFFF0u);
    QTest::newRow("mark start past the end") << patched(12, 4, quint32(bytes.size()) - 3);
    QTest::newRow("too many items") << patched(layout.PlayList + 6, 2, 3);
    QTest::newRow("too many marks") << patched(layout.PlayListMark + 4, 2, 3);
    QTest::newRow("item length past the end")
        << patched(layout.PlayItems[0], 2, quint32(bytes.size()));
    QTest::newRow("item length backwards out") << patched(layout.PlayItems[0], 2, 0x8000);
    QTest::newRow("item length that does not move on") << patched(layout.PlayItems[0], 2, 0xFFFE);
    QTest::newRow("item length inside its own fields") << patched(layout.PlayItems[0], 2, 19);
    QTest::newRow("audio count too big") << patched(layout.StnTables[1] + 5, 1, 100);
    QTest::newRow("angle count past the end") << [&] {
        QByteArray copy = patched(layout.PlayItems[1] + 12, 1, 0x10);
        PutU8(copy, layout.PlayItems[1] + 34, 255);
        return copy;
    }();
    QTest::newRow("cut inside the marks") << bytes.left(bytes.size() - 7);
}

void TestBluray::brokenCountsAndOffsets() {
    QFETCH(QByteArray, bytes);
    int code = 0;
    const MoviePlaylist playlist = Parse(bytes, &code);
    QCOMPARE(code, int(MplsTruncated));
    QVERIFY(playlist.PlayItems.isEmpty() && playlist.Chapters.isEmpty());
}

void TestBluray::headerCodes() {
    const QByteArray good = Playlist({Item("00001", 1000)});
    int code = 0;
    Parse(good.left(19), &code);
    QCOMPARE(code, int(MplsBadLength));
    QByteArray other = good;
    other[3] = 'X';
    Parse(other, &code);
    QCOMPARE(code, int(MplsNotMpls));
    // No items: accepted, but nothing to offer.
    const MoviePlaylist empty = Parse(Playlist({}), &code);
    QCOMPARE(code, 0);
    QVERIFY(empty.PlayItems.isEmpty());

    MoviePlaylistParser parser;
    MoviePlaylist playlist = Parse(good);
    QVERIFY(parser.ParseMoviePlaylist(QStringLiteral("/nonexistent/00001.mpls"), playlist) != 0);
    QVERIFY(playlist.PlayItems.isEmpty());
}

// Files are read up to 10 MiB: a longer one is no playlist, whatever lies beyond. One parser
// reads no more than its budget over all its files.
void TestBluray::readCap() {
    QTemporaryDir tmp;
    const QByteArray good = Playlist({Item("00001", 1000)});
    const QString padded = tmp.filePath(QStringLiteral("padded"));
    QVERIFY(WriteBytes(padded, good + QByteArray(11 * 1024 * 1024, 'x')));
    QByteArray far = good;
    PutU32(far, 12, 10 * 1024 * 1024 - 2);
    far.resize(11 * 1024 * 1024);
    const QString farMarks = tmp.filePath(QStringLiteral("far"));
    QVERIFY(WriteBytes(farMarks, far));

    MoviePlaylistParser parser;
    MoviePlaylist playlist;
    QCOMPARE(parser.ParseMoviePlaylist(padded, playlist), int(MplsBadLength));
    QCOMPARE(playlist.PlayItems.size(), 0);
    QCOMPARE(parser.ParseMoviePlaylist(farMarks, playlist), int(MplsBadLength));
    QVERIFY(WriteBytes(padded, good + QByteArray(MaxPlaylistBytes - good.size(), 'x')));
    QCOMPARE(parser.ParseMoviePlaylist(padded, playlist), 0);
    QCOMPARE(playlist.PlayItems.size(), 1);
    QCOMPARE(parser.ParseMoviePlaylist(tmp.path(), playlist), EINVAL);

    const QString one = tmp.filePath(QStringLiteral("one"));
    QVERIFY(WriteBytes(one, good));
    MoviePlaylistParser small({2 * good.size(), 100, 100});
    for (const int code : {0, 0, int(MplsOverBudget)})
        QCOMPARE(small.ParseMoviePlaylist(one, playlist), code);
}

void TestBluray::digest() {
    QTemporaryDir tmp;
    const QString abc = tmp.filePath(QStringLiteral("abc"));
    QVERIFY(WriteBytes(abc, "abc"));
    // FIPS 180-4's example.
    QCOMPARE(PlaylistDigest(abc),
             QStringLiteral("DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
                            "2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F"));
    const QString empty = tmp.filePath(QStringLiteral("empty"));
    QVERIFY(WriteBytes(empty, QByteArray()));
    QCOMPARE(PlaylistDigest(empty), QString());
    QCOMPARE(PlaylistDigest(tmp.filePath(QStringLiteral("missing"))), QString());

    // A file larger than one read piece hashes like the whole.
    QByteArray big(300000, Qt::Uninitialized);
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    const QString bigFile = tmp.filePath(QStringLiteral("big"));
    QVERIFY(WriteBytes(bigFile, big));
    QCOMPARE(PlaylistDigest(bigFile),
             QString::fromLatin1(
                 QCryptographicHash::hash(big, QCryptographicHash::Sha512).toHex().toUpper()));

    // A read that fails part-way gives the all-zero digest; one that fails at once too.
    for (qint64 failAfter : {0, 1, 65536, 299999}) {
        FailDevice device(big, failAfter);
        QCOMPARE(PlaylistDigest(device), QString(128, QLatin1Char('0')));
    }

    // The parser's digest of what it read: the file's own, or none when it did not see it all.
    MoviePlaylistParser parser;
    MoviePlaylist playlist;
    const QString real = RealPlaylistFiles().first();
    parser.ParseMoviePlaylist(real, playlist);
    QCOMPARE(parser.LastDigest(), PlaylistDigest(real));
    FailDevice failing(big, 70000);
    parser.ParseMoviePlaylist(failing, playlist);
    QVERIFY(parser.LastDigest().isNull());
    const QString huge = tmp.filePath(QStringLiteral("huge"));
    QVERIFY(WriteBytes(huge, QByteArray(10 * 1024 * 1024, 'M')));
    parser.ParseMoviePlaylist(huge, playlist);
    QVERIFY(parser.LastDigest().isNull());
    parser.ParseMoviePlaylist(empty, playlist);
    QVERIFY(parser.LastDigest().isNull());
}

void TestBluray::discMetadata_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("thumbnail");
    QTest::newRow("closed name") << QByteArray("  <di:name>My Movie</di:name>\n")
                                 << QByteArray("My Movie") << QByteArray();
    QTest::newRow("open name keeps the line end")
        << QByteArray("<di:name>Title\n<x/>\n") << QByteArray("Title\n") << QByteArray();
    QTest::newRow("open name at the end of the file")
        << QByteArray("<di:name>Title") << QByteArray("Title") << QByteArray();
    QTest::newRow("thumbnail") << QByteArray("<di:thumbnail href=\"cover.jpg\" />\n")
                               << QByteArray() << QByteArray("cover.jpg");
    QTest::newRow("thumbnail with a size")
        << QByteArray("<di:thumbnail href=\"cover.jpg\" size=\"416x240\" />\n") << QByteArray()
        << QByteArray("cover.jpg\" size=\"416x240");
    QTest::newRow("thumbnail without an end") << QByteArray("<di:thumbnail href=\"cover.jpg\n")
                                              << QByteArray() << QByteArray("cover.jpg\n");
    QTest::newRow("thumbnail without a quote")
        << QByteArray("<di:thumbnail href=cover.jpg />\n") << QByteArray() << QByteArray();
    QTest::newRow("two thumbnails, the last wins")
        << QByteArray("<di:thumbnail href=\"a.jpg\" />\n<di:thumbnail href=\"b.png\" />\n")
        << QByteArray() << QByteArray("b.png");
    QTest::newRow("both markers: a name line")
        << QByteArray("<di:name>N</di:name><di:thumbnail href=\"t.jpg\" />\n") << QByteArray("N")
        << QByteArray();
    QTest::newRow("255 bytes kept")
        << QByteArray("<di:name>" + QByteArray(255, 'a') + "</di:name>\n") << QByteArray(255, 'a')
        << QByteArray();
    QTest::newRow("256 bytes ignored, the earlier value stays")
        << QByteArray("<di:name>A</di:name>\n<di:name>" + QByteArray(256, 'a') + "</di:name>\n")
        << QByteArray("A") << QByteArray();
    QTest::newRow("a long line arrives in pieces")
        << QByteArray(QByteArray(2100, ' ') + "<di:name>Far</di:name>\n") << QByteArray("Far")
        << QByteArray();
    QTest::newRow("a marker across a piece boundary is not seen")
        << QByteArray(QByteArray(2043, ' ') + "<di:name>Cut</di:name>\n") << QByteArray()
        << QByteArray();
    QTest::newRow("a zero byte ends the line")
        << QByteArray("<di:name>A\0B</di:name>\n", 23) << QByteArray("A") << QByteArray();
    QTest::newRow("CRLF stays as it is")
        << QByteArray("<di:name>T\r\n") << QByteArray("T\r\n") << QByteArray();
}

void TestBluray::discMetadata() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, thumbnail);
    QBuffer buffer(&text);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const DiscMetadata metadata = ReadDiscMetadata(buffer);
    QCOMPARE(metadata.Name, name);
    QCOMPARE(metadata.Thumbnail, thumbnail);
}

void TestBluray::discMetadataFile() {
    const DiscMetadata real =
        ReadDiscMetadata(RealDiscs + QLatin1String("/disc6/BDMV/META/DL/bdmt_eng.xml"));
    QCOMPARE(real.Name, QByteArray("TEST DISC 6"));
    QCOMPARE(real.Thumbnail, QByteArray());
    QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("bdmt_eng.xml"));
    QVERIFY(WriteBytes(file, WriteDiscMetadataXml("Tavrell", "cover.jpg", "416x240")));
    const DiscMetadata written = ReadDiscMetadata(file);
    QCOMPARE(written.Name, QByteArray("Tavrell"));
    QCOMPARE(written.Thumbnail, QByteArray("cover.jpg\" size=\"416x240"));
    QCOMPARE(ReadDiscMetadata(tmp.filePath(QStringLiteral("missing.xml"))).Name, QByteArray());
}

// Four playlists in listing order: 1:50:00, a byte copy of it, one that does not parse,
// 0:02:00. Two titles, numbered 1 and 3, the long one first.
void TestBluray::numberingExample() {
    QTemporaryDir tmp;
    const QStringList order =
        PrepareNames(tmp.path(), {QStringLiteral("00000.mpls"), QStringLiteral("00001.mpls"),
                                  QStringLiteral("00002.mpls"), QStringLiteral("00003.mpls")});
    QCOMPARE(order.size(), 4);
    const QString folder = tmp.path() + QLatin1String("/BDMV/PLAYLIST/");
    const QByteArray longOne = Playlist({Item("00001", 110 * 60 * 1000)});
    QVERIFY(WriteBytes(folder + order[0], longOne));
    QVERIFY(WriteBytes(folder + order[1], longOne));
    QVERIFY(WriteBytes(folder + order[2], "not a playlist at all"));
    QVERIFY(WriteBytes(folder + order[3], Playlist({Item("00002", 2 * 60 * 1000)})));

    const BlurayDiscovery discovery = DiscoverTitles(tmp.path(), false);
    QCOMPARE(discovery.Titles.size(), 2);
    QCOMPARE(QFileInfo(discovery.Titles[0].Key).fileName(), order[0]);
    QCOMPARE(discovery.Titles[0].Number, 1);
    QCOMPARE(QFileInfo(discovery.Titles[1].Key).fileName(), order[3]);
    QCOMPARE(discovery.Titles[1].Number, 3);
    QCOMPARE(discovery.Titles[0].Key, folder + order[0]);
    QCOMPARE(discovery.TitleList.size(), 2);
    QCOMPARE(discovery.TitleList[0].Path, discovery.Titles[0].Key);
    QCOMPARE(discovery.TitleList[0].Length, QStringLiteral("01:50:00"));
    QCOMPARE(discovery.TitleList[1].Length, QStringLiteral("00:02:00"));
    QCOMPARE(discovery.MainKey, discovery.Titles[0].Key);

    // A rejected playlist (second and third item on one clip) uses up no number.
    QVERIFY(WriteBytes(folder + order[1], Playlist({Item("00001", 1000), Item("00010", 1000),
                                                    Item("00010", 1000, 9000)})));
    const BlurayDiscovery again = DiscoverTitles(tmp.path(), false);
    QCOMPARE(again.Titles.size(), 2);
    QCOMPARE(again.Titles[1].Number, 2);

    QVERIFY(DiscoverTitles(tmp.filePath(QStringLiteral("none"))).MainKey.isEmpty());
}

// Lengths are sums of whole seconds per item and sort as text, longest text first.
void TestBluray::lengthsAndOrder() {
    QTemporaryDir tmp;
    const QStringList order =
        PrepareNames(tmp.path(), {QStringLiteral("00001.mpls"), QStringLiteral("00002.mpls"),
                                  QStringLiteral("00003.mpls"), QStringLiteral("00004.mpls")});
    const QString folder = tmp.path() + QLatin1String("/BDMV/PLAYLIST/");
    constexpr quint64 hour = 3600 * 1000;
    QVERIFY(WriteBytes(folder + order[0], Playlist({Item("00001", 1600), Item("00002", 1600)})));
    QList<PlayItemSpec> hundred;
    for (int i = 0; i < 4; ++i)
        hundred.append(Item("0001" + QByteArray::number(i), 25 * hour, 0));
    QVERIFY(WriteBytes(folder + order[1], Playlist(hundred)));
    QList<PlayItemSpec> ninetyNine;
    for (int i = 0; i < 4; ++i)
        ninetyNine.append(Item("0002" + QByteArray::number(i), i < 3 ? 25 * hour : 24 * hour, 0));
    QVERIFY(WriteBytes(folder + order[2], Playlist(ninetyNine)));
    // Same length text as the first one: stays behind it (stable order).
    QVERIFY(WriteBytes(folder + order[3], Playlist({Item("00003", 2000)})));

    const BlurayDiscovery discovery = DiscoverTitles(tmp.path(), false);
    QStringList lengths, names;
    for (const PLAY_LIST_INFO &info : discovery.TitleList) {
        lengths.append(info.Length);
        names.append(QFileInfo(info.Path).fileName());
    }
    QCOMPARE(lengths, (QStringList{QStringLiteral("99:00:00"), QStringLiteral("100:00:00"),
                                   QStringLiteral("00:00:02"), QStringLiteral("00:00:02")}));
    QCOMPARE(names, (QStringList{order[2], order[1], order[0], order[3]}));
    QCOMPARE(QFileInfo(discovery.MainKey).fileName(), order[2]);
}

// Any file in PLAYLIST is read whatever its name; libbluray cannot address one not named
// like "00007.mpls", so it keeps the counter.
void TestBluray::nonMplsExtension() {
    QTemporaryDir tmp;
    SyntheticDisc disc;
    disc.Clips = {{"00001", 60000}, {"00002", 60000}};
    disc.Playlists = {{QStringLiteral("00007.txt"), Playlist({Item("00001", 5000, 0)})},
                      {QStringLiteral("00001.mpls"), Playlist({Item("00002", 9000, 0)})}};
    QVERIFY(WriteSyntheticDisc(tmp.path(), disc));
    const QStringList order = ListingOrder(tmp.path() + QLatin1String("/BDMV/PLAYLIST"));
    const BlurayDiscovery discovery = DiscoverTitles(tmp.path());
    QCOMPARE(discovery.Titles.size(), 2);
    const BlurayTitle *text = TitleNamed(discovery, QStringLiteral("00007.txt"));
    QVERIFY(text);
    QCOMPARE(text->Length, QStringLiteral("00:00:05"));
    QCOMPARE(text->Number, int(order.indexOf(QStringLiteral("00007.txt"))) + 1);
}

// A byte copy and a playlist with items X,Y,X,X: libbluray leaves both out of its list, so
// the counter drifts from MPlayer's numbers; titles carry libbluray's index.
void TestBluray::libblurayIndexOnDriftingDisc() {
    QTemporaryDir tmp;
    SyntheticDisc disc;
    disc.Clips = {{"00001", 60000}, {"00002", 60000}, {"00003", 60000}};
    const QByteArray a = Playlist({Item("00001", 30000, 0)});
    disc.Playlists = {
        {QStringLiteral("00001.mpls"), a},
        {QStringLiteral("00002.mpls"), a},
        {QStringLiteral("00003.mpls"), Playlist({Item("00002", 20000, 0)})},
        {QStringLiteral("00004.mpls"), Playlist({Item("00001", 5000, 0), Item("00002", 5000, 0),
                                                 Item("00001", 5000, 0), Item("00001", 5000, 0)})},
        {QStringLiteral("00005.mpls"), Playlist({Item("00003", 10000, 0)})},
        {QStringLiteral("00006.mpls"), Playlist({Item("00003", 10000, 20000)})},
        {QStringLiteral("00007.mpls"), Playlist({Item("00002", 10000, 30000)})},
    };
    QVERIFY(WriteSyntheticDisc(tmp.path(), disc));
    const QStringList order = ListingOrder(tmp.path() + QLatin1String("/BDMV/PLAYLIST"));

    // libbluray's list: the listing without the later of the two copies and without X,Y,X,X.
    const QString laterCopy =
        order.indexOf(QStringLiteral("00001.mpls")) < order.indexOf(QStringLiteral("00002.mpls"))
            ? QStringLiteral("00002.mpls")
            : QStringLiteral("00001.mpls");
    QStringList listed = order;
    listed.removeAll(laterCopy);
    listed.removeAll(QStringLiteral("00004.mpls"));

    const BlurayDiscovery counted = DiscoverTitles(tmp.path(), false);
    const BlurayDiscovery discovery = DiscoverTitles(tmp.path());
    QCOMPARE(discovery.Titles.size(), 6);
    bool drifted = false;
    for (const BlurayTitle &title : discovery.Titles) {
        const QString name = QFileInfo(title.Key).fileName();
        QCOMPARE(title.Addressable, name != QLatin1String("00004.mpls"));
        if (name == QLatin1String("00004.mpls")) {
            QCOMPARE(title.Number, TitleNamed(counted, name)->Number); // no entry: the counter
            continue;
        }
        QCOMPARE(title.Number, int(listed.indexOf(name)) + 1);
        drifted = drifted || TitleNamed(counted, name)->Number != title.Number;
    }
    if (!drifted)
        qInfo("this listing order does not make the counter drift");
    // The report shows it without a number: "br://<counter>" would play another playlist.
    QProcess info;
    info.start(QStringLiteral(TAVRELL_BDINFO_PATH), {tmp.path()});
    QVERIFY(info.waitForFinished(30000));
    const QByteArray report = info.readAllStandardOutput();
    QVERIFY2(report.contains(" 00004.mpls br://-\n"), report.constData());
    QCOMPARE(report.count("br://-"), 1);
}

// The real player, given the number of a title, plays that title's playlist.
void TestBluray::mplayerPlaysTheChosenPlaylist() {
    const QString mplayer = QStandardPaths::findExecutable(QStringLiteral("mplayer"));
    if (mplayer.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        QSKIP("needs mplayer and ffmpeg");
    QTemporaryDir tmp;
    PlayableDisc disc;
    PlayableOptions options;
    options.ClipSeconds = 3;
    QString error;
    QVERIFY2(BuildPlayableDisc(tmp.path(), &disc, options, &error), qPrintable(error));

    const QMap<QString, int> indexes = RelevantTitleIndexByPlaylist(tmp.path());
    const BlurayDiscovery discovery = DiscoverTitles(tmp.path());
    QVERIFY(discovery.Titles.size() >= 3);
    int checked = 0;
    for (const BlurayTitle &title : discovery.Titles) {
        const QString name = QFileInfo(title.Key).fileName();
        if (!indexes.contains(name))
            continue; // libbluray does not list it: MPlayer cannot reach it by number
        QProcess player;
        player.setStandardInputFile(QProcess::nullDevice());
        player.setStandardErrorFile(QProcess::nullDevice());
        player.start(mplayer,
                     {QStringLiteral("-identify"), QStringLiteral("-vo"), QStringLiteral("null"),
                      QStringLiteral("-ao"), QStringLiteral("null"), QStringLiteral("-frames"),
                      QStringLiteral("1"), QStringLiteral("br://%1").arg(title.Number),
                      QStringLiteral("-bluray-device"), tmp.path()});
        QVERIFY(player.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(player.readAllStandardOutput());
        const QRegularExpressionMatch current =
            QRegularExpression(QStringLiteral("ID_BLURAY_CURRENT_TITLE=(\\d+)")).match(output);
        QVERIFY2(current.hasMatch(), qPrintable(output));
        const QRegularExpressionMatch playlist =
            QRegularExpression(
                QStringLiteral("ID_BLURAY_TITLE_%1_PLAYLIST=(\\d+)").arg(current.captured(1)))
                .match(output);
        QVERIFY(playlist.hasMatch());
        QCOMPARE(playlist.captured(1) + QLatin1String(".mpls"), name);
        ++checked;
    }
    QVERIFY(checked >= 3);
}

// The command-line report: the titles longest first with their numbers, then the main
// title's chapters and streams; no title: exit 1 with one line on the error output.
void TestBluray::bdinfoOutput() {
    QProcess info;
    info.start(QStringLiteral(TAVRELL_BDINFO_PATH), {RealDiscs + QLatin1String("/disc5")});
    QVERIFY(info.waitForFinished(30000));
    QCOMPARE(info.exitCode(), 0);
    const QList<QByteArray> lines = info.readAllStandardOutput().split('\n');
    QCOMPARE(lines.first(), QByteArray("title 1. 02:05:04 00001.mpls br://") +
                                QByteArray::number(RelevantTitleIndexByPlaylist(
                                                       RealDiscs + QLatin1String("/disc5"))
                                                       .value(QStringLiteral("00001.mpls"))));
    QVERIFY(lines.contains("chapter 1. 00:00:00"));
    QVERIFY(lines.contains("chapter 29. 02:04:51"));
    QVERIFY(lines.contains("audio 1. Japanese TRUEHD"));
    QVERIFY(lines.contains("audio 3. Japanese AC3"));
    QVERIFY(lines.contains("subtitle 2. English"));
    const auto count = [&](const char *part) {
        return std::count_if(lines.cbegin(), lines.cend(),
                             [&](const QByteArray &line) { return line.startsWith(part); });
    };
    QCOMPARE(count("title "), 15);
    QCOMPARE(count("Disable"), 0);

    QTemporaryDir empty;
    info.start(QStringLiteral(TAVRELL_BDINFO_PATH), {empty.path()});
    QVERIFY(info.waitForFinished(30000));
    QCOMPARE(info.exitCode(), 1);
    QVERIFY(info.readAllStandardOutput().isEmpty());
    const QByteArray error = info.readAllStandardError();
    QCOMPARE(error.count('\n'), 1);
    QVERIFY(error.endsWith('\n'));
}

// A disc with two titles and one hostile file. Every reader returns soon and small; the file
// costs its own title, name or picture and nothing more; nothing reaches the error output.
void TestBluray::hostileDiscs_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<qint64>("size");
    const auto row = [](const char *name, const char *file, const char *kind, qint64 size = 0) {
        QTest::newRow(name) << QString::fromLatin1(file) << QByteArray(kind) << size;
    };
    const qint64 gib = qint64(1) << 30;
    const char *playlist = "BDMV/PLAYLIST/00002.mpls";
    const char *xml = "BDMV/META/DL/bdmt_eng.xml";
    row("playlist FIFO", playlist, "fifo");
    row("playlist /dev/zero", playlist, "zero");
    row("playlist of 20 GiB, sparse", playlist, "sparse", 20 * gib);
    row("item bomb", playlist, "bomb");
    for (const char *file :
         {"BDMV/index.bdmv", "BDMV/MovieObject.bdmv", "BDMV/CLIPINF/00001.clpi", xml}) {
        QTest::addRow("%s FIFO", file) << QString::fromLatin1(file) << QByteArray("fifo") << 0ll;
        QTest::addRow("%s of 1 GiB", file)
            << QString::fromLatin1(file) << QByteArray("sparse") << gib;
    }
    row("metadata /dev/zero", xml, "zero");
    row("thumbnail FIFO", "BDMV/META/DL/cover.png", "fifo");
    row("thumbnail outside the disc", "", "outside");
}

void TestBluray::hostileDiscs() {
    QFETCH(QString, file);
    QFETCH(QByteArray, kind);
    QFETCH(qint64, size);
    QTemporaryDir tmp;
    const QString disc = tmp.filePath(QStringLiteral("disc"));
    SyntheticDisc spec{{{"00001", 60000}, {"00002", 60000}},
                       {{QStringLiteral("00001.mpls"), Playlist({Item("00001", 5000, 0)})},
                        {QStringLiteral("00002.mpls"), Playlist({Item("00002", 9000, 0)})}},
                       true,
                       "Hostile",
                       kind == "outside" ? "../../../../out.png" : "cover.png"};
    QVERIFY(WriteSyntheticDisc(disc, spec));
    QVERIFY(file.isEmpty() || MakeHostile(disc + QLatin1Char('/') + file, kind, size));

    QElapsedTimer clock;
    clock.start();
    QProcess info;
    info.start(QStringLiteral(TAVRELL_BDINFO_PATH), {disc});
    QVERIFY(info.waitForFinished(60000));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    QVERIFY2(usage.ru_maxrss < 200 * 1024, qPrintable(QString::number(usage.ru_maxrss)));
    const bool xml = file.endsWith(QLatin1String(".xml"));
    QCOMPARE(info.readAllStandardOutput().count("title "), file.contains(u"PLAYLIST") ? 1 : 2);
    QCOMPARE(info.readAllStandardError(), QByteArray());
    const DiscMetadata metadata =
        ReadDiscMetadata(disc + QStringLiteral("/BDMV/META/DL/bdmt_eng.xml"));
    QCOMPARE(metadata.Name, xml ? QByteArray() : QByteArray("Hostile"));
    QCOMPARE(ReadDiscThumbnail(disc, metadata.Thumbnail).isEmpty(),
             xml || kind == "outside" || file.endsWith(QLatin1String(".png")));
}

// Options are never taken for a folder: --help and --version answer, and after "--" a name is
// a folder whatever it is; a wrong option exits 2 with one line on the error output.
void TestBluray::bdinfoArguments() {
    const QString disc = RealDiscs + QLatin1String("/disc5");
    const QList<QStringList> runs = {{QStringLiteral("--help")},
                                     {QStringLiteral("--version")},
                                     {QStringLiteral("--"), disc},
                                     {QStringLiteral("-x\ny")}}; // the first three answer
    for (qsizetype i = 0; i < runs.size(); ++i) {
        QProcess info;
        info.start(QStringLiteral(TAVRELL_BDINFO_PATH), runs[i]);
        QVERIFY(info.waitForFinished(30000));
        QCOMPARE(info.exitCode(), i < 3 ? 0 : 2);
        QCOMPARE(info.readAllStandardError().count('\n'), i < 3 ? 0 : 1);
        QCOMPARE(info.readAllStandardOutput().isEmpty(), i >= 3);
    }
}

QTEST_GUILESS_MAIN(TestBluray)
#include "test_bluray.moc"
