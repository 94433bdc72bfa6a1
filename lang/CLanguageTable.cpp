#include "lang/CLanguageTable.h"

#include "lang/IniFile.h"
#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

// The buffer sizes the tables have always been read with; data beyond them is cut.
constexpr int kSectionNamesBuffer = 1024; // all section names of a language file
constexpr int kSectionBuffer = 10240;     // one section, terminators included
constexpr int kMaxCaptionLine = 1023;
constexpr int kMaxSectionName = 255;
constexpr int kMaxLanguageLine = 127;
constexpr int kMaxLanguageId = 63;
constexpr int kMaxLookupKey = 63;

QString DefaultLanguageId() {
    return QStringLiteral("/English");
}
QString ChoiceSection() {
    return QStringLiteral("DefaultLanguage");
}
QString ChoiceKey() {
    return QStringLiteral("Default");
}

// "key=text" at the first "="; a line without "=" is both key and text.
QPair<QString, QString> SplitAtFirstEquals(const QString &line) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return {line, line};
    return {line.left(equals), line.mid(equals + 1)};
}

} // namespace

CLanguageTable *CLanguageTable::Instance() {
    static CLanguageTable table(QCoreApplication::applicationDirPath(),
                                platform::AppDataFolder() + QStringLiteral("config.ini"));
    return &table;
}

CLanguageTable::CLanguageTable(const QString &appDir, const QString &userConfigPath)
    : ConfigPath(appDir + QStringLiteral("/config.ini")), UserConfigPath(userConfigPath),
      LanguageFolder(appDir + QStringLiteral("/Languages/")) {
    ReadCurrentLanguage();

    const QStringList lines =
        IniFile::Load(ConfigPath).SectionLines(QStringLiteral("Languages"), kSectionBuffer);
    for (const QString &line : lines)
        LanguageList_.append(SplitAtFirstEquals(CutToUnits(line, kMaxLanguageLine)));

    LoadCaptions();
}

void CLanguageTable::ReadCurrentLanguage() {
    // The folder beside the executable may be read-only, so the user's own choice lives in
    // the user's config.ini; the shipped file only gives the first default.
    std::optional<QString> choice =
        IniFile::Load(UserConfigPath).Value(ChoiceSection(), ChoiceKey());
    if (!choice)
        choice = IniFile::Load(ConfigPath).Value(ChoiceSection(), ChoiceKey());
    CurrentLanguage = CutToUnits(choice.value_or(DefaultLanguageId()), kMaxLanguageId);
}

void CLanguageTable::LoadCaptions() {
    // Plain concatenation: the default "/English" gives ".../Languages//English.ini".
    const IniFile file = IniFile::Load(LanguageFolder + CurrentLanguage + QStringLiteral(".ini"));
    Captions.clear();
    const QStringList names = file.SectionNames(kSectionNamesBuffer);
    for (const QString &fullName : names) {
        const QString name = CutToUnits(fullName, kMaxSectionName);
        const QStringList lines = file.SectionLines(name, kSectionBuffer);
        if (lines.isEmpty())
            continue;
        QMap<QString, QString> &section = Captions[name];
        for (const QString &line : lines) {
            const auto [key, text] = SplitAtFirstEquals(CutToUnits(line, kMaxCaptionLine));
            if (!section.contains(key)) // a later duplicate never replaces the first
                section.insert(key, text);
        }
    }
}

QString CLanguageTable::GetText(const QByteArray &key) const {
    const QString fullKey = QString::fromLocal8Bit(key);
    // An over-long key does not take part: cutting it could answer with another key's text.
    if (fullKey.size() > kMaxLookupKey)
        return QString();
    const qsizetype slash = fullKey.lastIndexOf(QLatin1Char('/'));
    const QString sectionName = slash < 0 ? fullKey : fullKey.left(slash);
    const QString keyName = slash < 0 ? QString() : fullKey.mid(slash + 1);
    const auto section = Captions.constFind(sectionName);
    if (section == Captions.constEnd())
        return QString();
    return section->value(keyName);
}

void CLanguageTable::SetLanguage(const QString &identifier) {
    if (!UserConfigPath.isEmpty()) {
        platform::EnsureFolder(QFileInfo(UserConfigPath).absolutePath());
        // A failed write is not reported: the choice then stays as the files say.
        IniFile::WriteValue(UserConfigPath, ChoiceSection(), ChoiceKey(), identifier);
    }
    ReadCurrentLanguage();
    LoadCaptions();
}
