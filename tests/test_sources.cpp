#include "sources/FolderSource.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Builds a tree from relative names: "x/" is a folder, "a -> b" a symbolic link to b, anything
// else a file holding its own name.
bool MakeTree(const QString &root, const QStringList &items) {
    QDir dir(root);
    for (const QString &item : items) {
        if (!dir.mkpath(QFileInfo(item).path()))
            return false;
        if (item.contains(QLatin1String(" -> "))) {
            const QStringList parts = item.split(QLatin1String(" -> "));
            if (!QFile::link(parts[1], root + QLatin1Char('/') + parts[0]))
                return false;
        } else if (item.endsWith(QLatin1Char('/'))) {
            if (!dir.mkpath(item))
                return false;
        } else {
            QFile file(root + QLatin1Char('/') + item);
            if (!file.open(QIODevice::WriteOnly) || file.write(item.toUtf8()) < 0)
                return false;
        }
    }
    return true;
}

const FolderEntry *Find(const QList<FolderEntry> &entries, const QByteArray &fullPath) {
    for (const FolderEntry &entry : entries) {
        if (entry.FullPath == fullPath)
            return &entry;
    }
    return nullptr;
}

} // namespace

Q_DECLARE_METATYPE(FolderKind)

class TestSources : public QObject {
    Q_OBJECT
private slots:
    void listFolderEntries();
    void listFolderOrderIsTheFileSystems();
    void listFolderSeparator();
    void listFolderFailures();
    void classifyFolder_data();
    void classifyFolder();
    void classifyEmptyPath();
};

// Types, sizes, link following, dot names and names the terminal would mangle.
void TestSources::listFolderEntries() {
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString root = tmp.path();
    QVERIFY(
        MakeTree(root, {QStringLiteral("movie.mp4"), QStringLiteral("with space.mkv"),
                        QStringLiteral("Fête à l'été.avi"), QStringLiteral("sub/"),
                        QStringLiteral("sub/inner.txt"), QStringLiteral(".hidden"),
                        QStringLiteral(".hiddendir/"), QStringLiteral("..twodots"),
                        QStringLiteral("linkdir -> sub"), QStringLiteral("linkfile -> movie.mp4"),
                        QStringLiteral("broken -> nowhere")}));

    QList<FolderEntry> entries;
    QVERIFY(ListFolder(root, entries));

    const QByteArray prefix = root.toLocal8Bit() + '/';
    QList<QByteArray> paths;
    for (const FolderEntry &entry : entries)
        paths.append(entry.FullPath);
    std::sort(paths.begin(), paths.end());
    QList<QByteArray> expected;
    for (const char *name : {"movie.mp4", "with space.mkv", "sub", "linkdir", "linkfile", "broken"})
        expected.append(prefix + name);
    expected.append(prefix + QStringLiteral("Fête à l'été.avi").toLocal8Bit());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(paths, expected);

    const struct {
        const char *name;
        int isDirectory;
        quint64 size;
    } checks[] = {
        {"movie.mp4", 0, 9}, {"with space.mkv", 0, 14}, {"sub", 1, 0},
        {"linkdir", 1, 0},   {"linkfile", 0, 9},        {"broken", 0, 0},
    };
    for (const auto &check : checks) {
        const FolderEntry *entry = Find(entries, prefix + check.name);
        QVERIFY2(entry, check.name);
        QCOMPARE(entry->IsDirectory, check.isDirectory);
        QCOMPARE(entry->Size, check.size);
    }
    const FolderEntry *accented =
        Find(entries, prefix + QStringLiteral("Fête à l'été.avi").toLocal8Bit());
    QVERIFY(accented);
    QCOMPARE(accented->IsDirectory, 0);
    QCOMPARE(accented->Size, quint64(QStringLiteral("Fête à l'été.avi").toUtf8().size()));
}

// Later code numbers Blu-ray titles in listing order, so the lister must not sort.
void TestSources::listFolderOrderIsTheFileSystems() {
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QStringList names;
    for (int i = 0; i < 40; ++i)
        names.append(QStringLiteral("%1.mpls").arg(i, 5, 10, QLatin1Char('0')));
    QVERIFY(MakeTree(tmp.path(), names));

    QList<FolderEntry> entries;
    QVERIFY(ListFolder(tmp.path(), entries));
    QStringList listed;
    for (const FolderEntry &entry : entries)
        listed.append(QString::fromLocal8Bit(entry.FullPath).section(QLatin1Char('/'), -1));
    const QStringList unsorted =
        QDir(tmp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    QCOMPARE(listed, unsorted);

    // A limit keeps the first ones of that order and tells that more were left.
    bool cut = false;
    entries.clear();
    QVERIFY(ListFolder(tmp.path(), entries, 39, &cut));
    QCOMPARE(entries.size(), 39);
    QCOMPARE(QString::fromLocal8Bit(entries.last().FullPath).section(QLatin1Char('/'), -1),
             unsorted[38]);
    QVERIFY(cut);
    QVERIFY(ListFolder(tmp.path(), entries, 40, &cut));
    QVERIFY(!cut);
}

void TestSources::listFolderSeparator() {
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(MakeTree(tmp.path(), {QStringLiteral("a")}));

    QList<FolderEntry> entries;
    QVERIFY(ListFolder(tmp.path() + QLatin1Char('/'), entries));
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].FullPath, tmp.path().toLocal8Bit() + "/a");

    // The file-system root keeps its single "/".
    entries.clear();
    QVERIFY(ListFolder(QStringLiteral("/"), entries));
    QVERIFY(!entries.isEmpty());
    for (const FolderEntry &entry : entries)
        QVERIFY2(!entry.FullPath.startsWith("//"), entry.FullPath.constData());
}

// Failure appends nothing; success appends to what the caller already has.
void TestSources::listFolderFailures() {
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(MakeTree(tmp.path(), {QStringLiteral("file"), QStringLiteral("empty/")}));

    FolderEntry sentinel;
    sentinel.FullPath = "kept";
    QList<FolderEntry> entries{sentinel};
    QVERIFY(!ListFolder(tmp.path() + QStringLiteral("/missing"), entries));
    QVERIFY(!ListFolder(tmp.path() + QStringLiteral("/file"), entries));
    QVERIFY(!ListFolder(QString(), entries));
    QCOMPARE(entries.size(), 1);

    QVERIFY(ListFolder(tmp.path() + QStringLiteral("/empty"), entries));
    QCOMPARE(entries.size(), 1);
    QVERIFY(ListFolder(tmp.path(), entries));
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0].FullPath, QByteArray("kept"));
}

void TestSources::classifyFolder_data() {
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("chosen"); // relative to the tree's root
    QTest::addColumn<FolderKind>("kind");

    const QStringList stream{QStringLiteral("disc/BDMV/STREAM/"),
                             QStringLiteral("disc/BDMV/PLAYLIST/")};
    const QStringList dvd{QStringLiteral("disc/VIDEO_TS/"),
                          QStringLiteral("disc/VIDEO_TS/VIDEO_TS.IFO")};

    QTest::newRow("blu-ray") << stream << QStringLiteral("disc") << FolderKind::Bluray;
    QTest::newRow("dvd") << dvd << QStringLiteral("disc") << FolderKind::Dvd;
    QTest::newRow("both: blu-ray first")
        << (stream + dvd) << QStringLiteral("disc") << FolderKind::Bluray;
    QTest::newRow("BDMV without STREAM does not fall back to a valid DVD")
        << (QStringList{QStringLiteral("disc/BDMV/PLAYLIST/")} + dvd) << QStringLiteral("disc")
        << FolderKind::Refused;
    QTest::newRow("STREAM as a file")
        << QStringList{QStringLiteral("disc/BDMV/"), QStringLiteral("disc/BDMV/STREAM")}
        << QStringLiteral("disc") << FolderKind::Refused;
    QTest::newRow("STREAM marker is case-sensitive")
        << QStringList{QStringLiteral("disc/BDMV/stream/")} << QStringLiteral("disc")
        << FolderKind::Refused;
    QTest::newRow("lower-case video_ts") << QStringList{QStringLiteral("disc/video_ts/")}
                                         << QStringLiteral("disc") << FolderKind::Refused;
    QTest::newRow("dot-named STREAM is not listed")
        << QStringList{QStringLiteral("disc/BDMV/.STREAM/")} << QStringLiteral("disc")
        << FolderKind::Refused;
    QTest::newRow("subfolder whose name holds the marker")
        << QStringList{QStringLiteral("disc/BDMV/MY_STREAMS/")} << QStringLiteral("disc")
        << FolderKind::Bluray;
    QTest::newRow("marker in the chosen folder's own path")
        << QStringList{QStringLiteral("STREAM copy/BDMV/PLAYLIST/")}
        << QStringLiteral("STREAM copy") << FolderKind::Bluray;
    QTest::newRow("marker in the path, but no subfolder at all")
        << QStringList{QStringLiteral("STREAM copy/BDMV/index.bdmv")}
        << QStringLiteral("STREAM copy") << FolderKind::Refused;
    QTest::newRow("STREAM is a link to a folder")
        << QStringList{QStringLiteral("store/"), QStringLiteral("disc/BDMV/"),
                       QStringLiteral("disc/BDMV/STREAM -> ../../store")}
        << QStringLiteral("disc") << FolderKind::Bluray;
    QTest::newRow("BDMV is a link to a folder")
        << QStringList{QStringLiteral("store/STREAM/"), QStringLiteral("disc/"),
                       QStringLiteral("disc/BDMV -> ../store")}
        << QStringLiteral("disc") << FolderKind::Bluray;
    QTest::newRow("a file named BDMV is no Blu-ray folder")
        << (QStringList{QStringLiteral("disc/BDMV")} + dvd) << QStringLiteral("disc")
        << FolderKind::Dvd;
    QTest::newRow("a file named VIDEO_TS") << QStringList{QStringLiteral("disc/VIDEO_TS")}
                                           << QStringLiteral("disc") << FolderKind::Refused;
    QTest::newRow("the BDMV folder itself")
        << stream << QStringLiteral("disc/BDMV") << FolderKind::Refused;
    QTest::newRow("the VIDEO_TS folder itself")
        << dvd << QStringLiteral("disc/VIDEO_TS") << FolderKind::Refused;
    QTest::newRow("trailing separator") << stream << QStringLiteral("disc/") << FolderKind::Bluray;
    QTest::newRow("name with blanks and accents")
        << QStringList{QStringLiteral("Mon disque été/VIDEO_TS/")}
        << QStringLiteral("Mon disque été") << FolderKind::Dvd;
    QTest::newRow("empty folder") << QStringList{QStringLiteral("disc/")} << QStringLiteral("disc")
                                  << FolderKind::Refused;
    QTest::newRow("missing folder")
        << QStringList{} << QStringLiteral("nothing") << FolderKind::Refused;
}

void TestSources::classifyFolder() {
    QFETCH(QStringList, tree);
    QFETCH(QString, chosen);
    QFETCH(FolderKind, kind);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(MakeTree(tmp.path(), tree));
    QCOMPARE(ClassifyFolder(tmp.path() + QLatin1Char('/') + chosen), kind);
}

// An empty path must not be read as the file-system root.
void TestSources::classifyEmptyPath() {
    QCOMPARE(ClassifyFolder(QString()), FolderKind::Refused);
}

QTEST_GUILESS_MAIN(TestSources)
#include "test_sources.moc"
