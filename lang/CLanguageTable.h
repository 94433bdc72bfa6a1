#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

// Process-wide caption store: every visible text is looked up by "Section/Key".
class CLanguageTable {
public:
    using LanguageList = QList<QPair<QString, QString>>; // (identifier, display name)

    // The process-wide table: shipped files beside the executable, the user's choice in
    // the application-data folder. Built and loaded on first use.
    static CLanguageTable *Instance();

    // appDir holds the shipped "config.ini" and "Languages/"; userConfigPath is the per-user
    // config.ini that stores the language choice (it may not exist).
    CLanguageTable(const QString &appDir, const QString &userConfigPath);

    // Key such as "MainWnd/OpenFile"; empty when the section or the key is absent.
    QString GetText(const QByteArray &key) const;
    QString GetText(const char *key) const { return GetText(QByteArray(key)); }
    const LanguageList &GetLanguages() const { return LanguageList_; }
    QString GetCurrentLanguage() const { return CurrentLanguage; }
    void SetLanguage(const QString &identifier);

private:
    void ReadCurrentLanguage();
    void LoadCaptions();

    QString ConfigPath;
    QString UserConfigPath;
    QString LanguageFolder;
    QString CurrentLanguage;
    LanguageList LanguageList_;
    QMap<QString, QMap<QString, QString>> Captions;
};
