#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Reader and writer for the profile-style files that hold the captions and the language
// choice. The rules follow the Windows profile functions the files were made for:
// - "[name]" opens a section (the name runs to the last "]"); a line starting with "["
//   but without "]" is an ordinary line;
// - "key=value" splits at the first "="; a line without "=" is a key without a value;
// - lines starting with ";" are comments; blanks around names, keys and values are trimmed;
// - lines before the first section belong to no section and are never returned;
// - names and keys compare exactly (case-sensitive); the first of duplicate keys wins;
//   a section written twice reads as one, in file order;
// - text is UTF-8 (with or without BOM) or UTF-16LE with BOM, lines end in LF or CRLF.
// Nothing here fails loudly: a missing, unreadable or garbled file reads as what could be
// made of it, at worst as an empty file.
class IniFile {
public:
    struct Entry {
        QString Key;
        QString Value;
        bool HasValue = false; // false for a line without "="
    };
    struct Section {
        QString Name;
        QList<Entry> Entries;
    };

    // Files larger than this are not read at all: real ones are a few kilobytes, and a
    // wrongly named huge file must not exhaust memory.
    static constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

    static IniFile FromBytes(const QByteArray &bytes);
    static IniFile Load(const QString &path);

    const QList<Section> &Sections() const { return Sections_; }

    // The section names, each once, in file order, as the profile reader hands them over in
    // a buffer of bufferChars UTF-16 units with a terminator after each name and one more
    // at the end: what does not fit is cut, the name that crosses the end shortened.
    QStringList SectionNames(int bufferChars) const;

    // The section's lines ("key=value", or "key" for a line without "="), duplicates
    // included, fitted into a buffer of bufferChars the same way. Empty when absent.
    QStringList SectionLines(const QString &section, int bufferChars) const;

    // The first value of key in section; nullopt when either is absent. A key without "="
    // reads as an empty value.
    std::optional<QString> Value(const QString &section, const QString &key) const;

    // Sets key in section of the file at path: replaces the line that Value() would read,
    // or adds the key to the section, or adds the section at the end. Other lines, the
    // encoding and the line ends are kept; a new file is UTF-8 with LF. The file is
    // replaced in one step, so a failed write leaves the old one. False when the file could
    // not be read or written, or when the section, key or value would not read back as
    // written (a line break, "=" in the key, a key starting with ";" or "[", blanks at
    // either end).
    static bool WriteValue(const QString &path, const QString &section, const QString &key,
                           const QString &value);

private:
    QList<Section> Sections_;
};

// text cut to at most units UTF-16 units, without leaving half of a surrogate pair.
QString CutToUnits(const QString &text, int units);
