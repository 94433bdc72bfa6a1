#include "SourceCaptionKeys.h"
#include "TestConfig.h"
#include "lang/CLanguageTable.h"
#include "lang/IniFile.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

QByteArray Utf16Le(const QString &text) {
    QStringEncoder encoder(QStringConverter::Utf16LE);
    return QByteArrayLiteral("\xFF\xFE") + QByteArray(encoder(text));
}

bool WriteFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray kConfig = "[DefaultLanguage]\nDefault=/English\n[Languages]\n"
                           "/English=English\n/German=Deutsch\n";

// An application folder in dir: config.ini and Languages/<name>.ini.
void MakeApp(const QString &dir, const QByteArray &config, const QByteArray &english,
             const QByteArray &german = "[MainWnd]\nOpenFile=Datei öffnen\n") {
    QVERIFY(WriteFile(dir + QStringLiteral("/config.ini"), config));
    QVERIFY(WriteFile(dir + QStringLiteral("/Languages/English.ini"), english));
    QVERIFY(WriteFile(dir + QStringLiteral("/Languages/German.ini"), german));
}

} // namespace

class TestLang : public QObject {
    Q_OBJECT

    QTemporaryDir Home;
    QString UserConfig() const { return Home.path() + QStringLiteral("/user/config.ini"); }

private slots:
    void initTestCase() {
        QVERIFY(Home.isValid());
        qputenv("XDG_DATA_HOME", Home.path().toLocal8Bit() + "/xdg");
        qputenv("HOME", Home.path().toLocal8Bit());
    }
    void cleanup() { QFile::remove(UserConfig()); }

    void lookup_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray open = "MainWnd/OpenFile";
        QTest::newRow("split at first =")
            << QByteArray("[MainWnd]\nOpenFile=a=b==c\n") << open << QStringLiteral("a=b==c");
        QTest::newRow("blanks trimmed") << QByteArray("  [ MainWnd ] \n\t OpenFile  =  Open it \n")
                                        << open << QStringLiteral("Open it");
        QTest::newRow("no = : key is text")
            << QByteArray("[MainWnd]\nLonely\n") << QByteArray("MainWnd/Lonely")
            << QStringLiteral("Lonely");
        QTest::newRow("first duplicate wins")
            << QByteArray("[MainWnd]\nOpenFile=first\nOpenFile=second\n") << open
            << QStringLiteral("first");
        QTest::newRow("repeated section: first key stays")
            << QByteArray("[MainWnd]\nOpenFile=1\n[Messages]\n[MainWnd]\nOpenFile=2\nB=3\n") << open
            << QStringLiteral("1");
        QTest::newRow("repeated section: new key joins")
            << QByteArray("[MainWnd]\nOpenFile=1\n[Messages]\n[MainWnd]\nB=3\n")
            << QByteArray("MainWnd/B") << QStringLiteral("3");
        QTest::newRow("key case-sensitive")
            << QByteArray("[MainWnd]\nopenfile=x\n") << open << QString();
        QTest::newRow("section case-sensitive")
            << QByteArray("[mainwnd]\nOpenFile=x\n") << open << QString();
        QTest::newRow("no slash, no empty key")
            << QByteArray("[MainWnd]\nOpenFile=x\n") << QByteArray("MainWnd") << QString();
        QTest::newRow("no slash, empty key")
            << QByteArray("[MainWnd]\n=bare\n") << QByteArray("MainWnd") << QStringLiteral("bare");
        QTest::newRow("last slash splits") << QByteArray("[Main/Wnd]\nKey=deep\n")
                                           << QByteArray("Main/Wnd/Key") << QStringLiteral("deep");
        QTest::newRow("missing section")
            << QByteArray("[MainWnd]\nOpenFile=x\n") << QByteArray("Messages/MSG0102") << QString();
        QTest::newRow("comment") << QByteArray("[MainWnd]\n;OpenFile=hidden\nOpenFile=shown\n")
                                 << open << QStringLiteral("shown");
        QTest::newRow("before any section")
            << QByteArray("OpenFile=orphan\n[MainWnd]\n") << open << QString();
        QTest::newRow("unclosed header is a line")
            << QByteArray("[MainWnd]\n[Broken=x\n") << QByteArray("MainWnd/[Broken")
            << QStringLiteral("x");
        QTest::newRow("CRLF") << QByteArray("[MainWnd]\r\nOpenFile=crlf\r\n") << open
                              << QStringLiteral("crlf");
        QTest::newRow("no final line end")
            << QByteArray("[MainWnd]\nOpenFile=end") << open << QStringLiteral("end");
        QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF[MainWnd]\nOpenFile=Öffnen\n") << open
                                   << QStringLiteral("Öffnen");
        QTest::newRow("UTF-16LE BOM, CRLF")
            << Utf16Le(QStringLiteral("[MainWnd]\r\nOpenFile=打开文件\r\n")) << open
            << QStringLiteral("打开文件");
        QTest::newRow("UTF-8 key of the lookup")
            << QByteArray("[MainWnd]\nÖffnen=ja\n") << QByteArray("MainWnd/Öffnen")
            << QStringLiteral("ja");
    }
    void lookup() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, key);
        QFETCH(QString, expected);
        QTemporaryDir app;
        MakeApp(app.path(), kConfig, file);
        const CLanguageTable table(app.path(), UserConfig());
        QCOMPARE(table.GetText(key), expected);
    }

    void limits() {
        QTemporaryDir app;
        QByteArray file = "[MainWnd]\nLong=" + QByteArray(2000, 'x') + "\n";
        // 63 units in all answer; one more does not take part even though the file has it.
        const QByteArray key55(55, 'k');
        file += key55 + "=fits\n" + key55 + "q=too long\n";
        // "Big": 102 lines of 99 units fill 10200 of 10240; the next is cut to 38 units.
        file += "[Big]\n";
        for (int i = 1; i <= 104; ++i)
            file += "K" + QByteArray::number(i).rightJustified(3, '0') + "=" + QByteArray(94, 'v') +
                    "\n";
        // After "MainWnd" and "Big" (12 units), 101 names of 9 units fill 1022 of the 1024 for
        // all names; the rest are left out.
        for (int i = 0; i < 110; ++i)
            file += "[S" + QByteArray::number(i).rightJustified(8, '0') +
                    "]\nK=" + QByteArray::number(i) + "\n";
        const QByteArray longName(200, 'n');
        const QByteArray longId = "/" + QByteArray(70, 'L');
        MakeApp(app.path(),
                "[DefaultLanguage]\nDefault=" + longId + "\n[Languages]\n/Long=" + longName + "\n",
                "");
        QVERIFY(WriteFile(app.path() + u"/Languages/"_s + QString::fromLatin1(longId.left(63)) +
                              u".ini"_s,
                          file));
        const CLanguageTable table(app.path(), UserConfig());

        QCOMPARE(table.GetCurrentLanguage(), QString::fromLatin1(longId.left(63)));
        QCOMPARE(table.GetLanguages().value(0).second, QString::fromLatin1(longName.left(127 - 6)));
        QCOMPARE(table.GetText("MainWnd/Long"), QString(1023 - 5, QLatin1Char('x')));
        QCOMPARE(table.GetText("MainWnd/" + key55), QStringLiteral("fits"));
        QCOMPARE(table.GetText("MainWnd/" + key55 + "q"), QString());
        QCOMPARE(table.GetText("Big/K102").size(), 94);
        QCOMPARE(table.GetText("Big/K103"), QString(33, QLatin1Char('v')));
        QCOMPARE(table.GetText("Big/K104"), QString());
        QCOMPARE(table.GetText("S00000100/K"), QStringLiteral("100"));
        QCOMPARE(table.GetText("S00000101/K"), QString());
    }

    void missingAndOddFiles() {
        QTemporaryDir app;
        {
            const CLanguageTable table(app.path(), UserConfig()); // nothing at all
            QCOMPARE(table.GetCurrentLanguage(), QStringLiteral("/English"));
            QVERIFY(table.GetLanguages().isEmpty());
            QCOMPARE(table.GetText("MainWnd/OpenFile"), QString());
        }
        // A folder where the language file should be; an identifier without "/".
        QVERIFY(QDir().mkpath(app.path() + u"/Languages/English.ini"_s));
        QVERIFY(WriteFile(app.path() + u"/Languages/German.ini"_s, "[MainWnd]\nOpenFile=Öffnen\n"));
        QVERIFY(WriteFile(app.path() + u"/config.ini"_s,
                          "[Languages]\n/English = English\nSolo\n/x=a=b\n"));
        CLanguageTable table(app.path(), UserConfig());
        QCOMPARE(table.GetText("MainWnd/OpenFile"), QString());
        const CLanguageTable::LanguageList expected{
            {QStringLiteral("/English"), QStringLiteral("English")},
            {QStringLiteral("Solo"), QStringLiteral("Solo")},
            {QStringLiteral("/x"), QStringLiteral("a=b")}};
        QCOMPARE(table.GetLanguages(), expected);
        table.SetLanguage(QStringLiteral("German"));
        QCOMPARE(table.GetText("MainWnd/OpenFile"), QStringLiteral("Öffnen"));
    }

    void garbageNeverCrashes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QRandomGenerator random(20190417);
        for (int size : {1, 2, 3, 17, 4096, 200000}) {
            QByteArray bytes(size, Qt::Uninitialized);
            for (char &b : bytes)
                b = char(random.bounded(256));
            QTest::addRow("random %d", size) << bytes;
            QTest::addRow("random %d after UTF-16 BOM", size) << QByteArray("\xFF\xFE" + bytes);
        }
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("BOM only") << QByteArray("\xFF\xFE");
        QTest::newRow("odd UTF-16") << QByteArray("\xFF\xFE[\0M\0]\0\n\0=", 11);
        QTest::newRow("NULs") << QByteArray("[MainWnd]\0\nOpen\0File=\0x\n", 24);
        QTest::newRow("bad UTF-8") << QByteArray("[MainWnd]\nOpenFile=\xC3\x28\xF0\x28\x8C\xBC\n");
        QTest::newRow("brackets") << QByteArray(100000, '[');
        QTest::newRow("one huge line")
            << QByteArray("[MainWnd]\nOpenFile=") + QByteArray(1 << 20, '=');
    }
    void garbageNeverCrashes() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir app;
        MakeApp(app.path(), bytes, bytes, bytes);
        QVERIFY(WriteFile(UserConfig(), bytes));
        CLanguageTable table(app.path(), UserConfig());
        table.GetText("MainWnd/OpenFile");
        table.GetText("MainWnd");
        table.GetText("");
        table.SetLanguage(QStringLiteral("/German"));
        QCOMPARE(table.GetCurrentLanguage(), QStringLiteral("/German"));
    }

    void oversizedFileIsNotRead() {
        QTemporaryDir app;
        QByteArray file = "[MainWnd]\nOpenFile=x\n";
        file += QByteArray(IniFile::MaxFileBytes, ';');
        MakeApp(app.path(), kConfig, file);
        QCOMPARE(CLanguageTable(app.path(), UserConfig()).GetText("MainWnd/OpenFile"), QString());
        QVERIFY(!IniFile::WriteValue(app.path() + u"/Languages/English.ini"_s, u"MainWnd"_s, u"A"_s,
                                     u"b"_s));
        QCOMPARE(QFileInfo(app.path() + u"/Languages/English.ini"_s).size(), file.size());
    }

    void setLanguagePersistsPerUser() {
        QTemporaryDir app;
        MakeApp(app.path(), kConfig, "[MainWnd]\nOpenFile=Open File\n");
        CLanguageTable table(app.path(), UserConfig());
        QCOMPARE(table.GetText("MainWnd/OpenFile"), QStringLiteral("Open File"));

        // The list is read once: a later change of the shipped file does not show.
        QVERIFY(WriteFile(app.path() + u"/config.ini"_s, "[Languages]\n/Other=Other\n"));
        table.SetLanguage(QStringLiteral("/German")); // creates the user's folder and file
        QCOMPARE(table.GetCurrentLanguage(), QStringLiteral("/German"));
        QCOMPARE(table.GetText("MainWnd/OpenFile"), QStringLiteral("Datei öffnen"));
        QCOMPARE(table.GetLanguages().size(), 2);
        QCOMPARE(ReadFile(app.path() + u"/config.ini"_s),
                 QByteArray("[Languages]\n/Other=Other\n"));
        QCOMPARE(ReadFile(UserConfig()), QByteArray("[DefaultLanguage]\nDefault=/German\n"));
        QCOMPARE(CLanguageTable(app.path(), UserConfig()).GetCurrentLanguage(),
                 QStringLiteral("/German"));

        // A user file without the choice leaves it to the shipped file.
        QVERIFY(WriteFile(UserConfig(), "[DefaultLanguage]\nOther=1\n"));
        QVERIFY(WriteFile(app.path() + u"/config.ini"_s, kConfig));
        QCOMPARE(CLanguageTable(app.path(), UserConfig()).GetCurrentLanguage(),
                 QStringLiteral("/English"));

        // A write that cannot happen: the choice stays as the files say.
        QFile::remove(UserConfig());
        CLanguageTable blocked(app.path(), app.path() + u"/config.ini/user.ini"_s);
        blocked.SetLanguage(QStringLiteral("/German"));
        QCOMPARE(blocked.GetCurrentLanguage(), QStringLiteral("/English"));
        blocked.SetLanguage(QStringLiteral("/German\n[Evil]"));
        QCOMPARE(blocked.GetText("MainWnd/OpenFile"), QStringLiteral("Open File"));
    }

    void writerKeepsTheRest_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray set = "Default=/German";
        QTest::newRow("new file") << QByteArray() << "[DefaultLanguage]\n" + set + "\n";
        QTest::newRow("replace") << QByteArray(
                                        "; note\n[DefaultLanguage]\n Default = /English \nX=1\n")
                                 << "; note\n[DefaultLanguage]\n" + set + "\nX=1\n";
        QTest::newRow("first duplicate")
            << QByteArray("[DefaultLanguage]\nDefault=/A\nDefault=/B\n")
            << "[DefaultLanguage]\n" + set + "\nDefault=/B\n";
        QTest::newRow("in repeated section")
            << QByteArray("[DefaultLanguage]\nX=1\n[Y]\n[DefaultLanguage]\nDefault=/A\n")
            << "[DefaultLanguage]\nX=1\n[Y]\n[DefaultLanguage]\n" + set + "\n";
        QTest::newRow("add key") << QByteArray("[DefaultLanguage]\nX=1\n\n[Y]\nDefault=y\n")
                                 << "[DefaultLanguage]\nX=1\n" + set + "\n\n[Y]\nDefault=y\n";
        QTest::newRow("add section")
            << QByteArray("[Y]\ny=2") << "[Y]\ny=2\n\n[DefaultLanguage]\n" + set + "\n";
        QTest::newRow("CRLF") << QByteArray("[DefaultLanguage]\r\nDefault=/A\r\n")
                              << "[DefaultLanguage]\r\n" + set + "\r\n";
        QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF[DefaultLanguage]\nDefault=/A\n")
                                   << "\xEF\xBB\xBF[DefaultLanguage]\n" + set + "\n";
        QTest::newRow("UTF-16LE") << Utf16Le(QStringLiteral("[Ü]\r\nx=ü\r\n"))
                                  << Utf16Le(
                                         QStringLiteral("[Ü]\r\nx=ü\r\n\r\n[DefaultLanguage]\r\n") +
                                         QLatin1String(set) + QStringLiteral("\r\n"));
    }
    void writerKeepsTheRest() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.path() + u"/config.ini"_s;
        if (!before.isEmpty())
            QVERIFY(WriteFile(path, before));
        QVERIFY(IniFile::WriteValue(path, u"DefaultLanguage"_s, u"Default"_s, u"/German"_s));
        QCOMPARE(ReadFile(path), after);
        QCOMPARE(IniFile::Load(path).Value(u"DefaultLanguage"_s, u"Default"_s),
                 std::optional<QString>(u"/German"_s));
    }

    void writerRefusesWhatWouldNotReadBack() {
        QTemporaryDir dir;
        const QString path = dir.path() + u"/config.ini"_s;
        const std::tuple<const char *, const char *, const char *> refused[] = {
            {"S", "K", "a\nb"}, {"S", "a=b", "v"}, {"S", ";k", "v"}, {"S", "K", " v"},
            {"S\r", "K", "v"},  {" S", "K", "v"},  {"S", "[k", "]"}};
        for (const auto &[section, key, value] : refused) {
            QVERIFY2(!IniFile::WriteValue(path, QString::fromLatin1(section),
                                          QString::fromLatin1(key), QString::fromLatin1(value)),
                     key);
        }
        QVERIFY(!QFile::exists(path));
    }

    void shippedLanguagesHaveEveryKey() {
        const QString appDir = QCoreApplication::applicationDirPath();
        const QStringList used = CaptionKeysInSources();
        QVERIFY2(used.size() >= 40, qPrintable(QString::number(used.size())));
        const IniFile english = IniFile::Load(appDir + u"/Languages/English.ini"_s);
        QStringList all = used;
        for (const IniFile::Section &section : english.Sections()) {
            for (const IniFile::Entry &entry : section.Entries)
                all.append(section.Name + QLatin1Char('/') + entry.Key);
        }
        CLanguageTable table(appDir, UserConfig());
        const CLanguageTable::LanguageList expected{{u"/English"_s, u"English"_s},
                                                    {u"/German"_s, u"Deutsch"_s},
                                                    {u"/French"_s, u"Français"_s},
                                                    {u"/Spanish"_s, u"Español"_s},
                                                    {u"/Chinese"_s, u"简体中文"_s}};
        QCOMPARE(table.GetLanguages(), expected);
        for (const auto &[identifier, name] : expected) {
            table.SetLanguage(identifier);
            for (const QString &key : std::as_const(all)) {
                QVERIFY2(!table.GetText(key.toUtf8()).isEmpty(),
                         qPrintable(identifier + QLatin1Char(' ') + key));
            }
            QCOMPARE(table.GetText("MainWnd/ProTitle"), QStringLiteral("Tavrell DVD Player"));
            // No key written twice (the second would be silently ignored) and none empty.
            const IniFile file = IniFile::Load(appDir + u"/Languages"_s + identifier + u".ini"_s);
            for (const IniFile::Section &section : file.Sections()) {
                QSet<QString> seen;
                for (const IniFile::Entry &entry : section.Entries) {
                    QVERIFY2(entry.HasValue && !entry.Value.isEmpty(), qPrintable(entry.Key));
                    QVERIFY2(!seen.contains(entry.Key), qPrintable(identifier + entry.Key));
                    seen.insert(entry.Key);
                }
            }
        }
    }

    void instanceReadsBesideTheExecutable() {
        CLanguageTable *table = CLanguageTable::Instance();
        QCOMPARE(CLanguageTable::Instance(), table);
        QCOMPARE(table->GetCurrentLanguage(), QStringLiteral("/English"));
        QCOMPARE(table->GetLanguages().size(), 5);
        QCOMPARE(table->GetText("MainWnd/OpenFile"), QStringLiteral("Open File"));
        table->SetLanguage(QStringLiteral("/Spanish"));
        QVERIFY(QFile::exists(Home.path() + u"/xdg/Tavrell DVD Player/config.ini"_s));
        QCOMPARE(table->GetText("MainWnd/OpenFile"), QStringLiteral("Abrir archivo"));
    }
};

QTEST_GUILESS_MAIN(TestLang)
#include "test_lang.moc"
