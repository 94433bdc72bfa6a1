#include "lang/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

enum class Encoding { Utf8, Utf8Bom, Utf16Le };

struct DecodedText {
    QString Text;
    Encoding Kind = Encoding::Utf8;
};

const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray kUtf16LeBom = QByteArrayLiteral("\xFF\xFE");

DecodedText Decode(const QByteArray &bytes) {
    DecodedText decoded;
    if (bytes.startsWith(kUtf16LeBom)) {
        // Stateless: an odd last byte becomes a replacement character instead of vanishing.
        QStringDecoder decoder(QStringConverter::Utf16LE,
                               QStringConverter::Flag::Stateless |
                                   QStringConverter::Flag::ConvertInitialBom);
        decoded.Text = decoder(QByteArrayView(bytes).sliced(kUtf16LeBom.size()));
        decoded.Kind = Encoding::Utf16Le;
    } else if (bytes.startsWith(kUtf8Bom)) {
        decoded.Text = QString::fromUtf8(QByteArrayView(bytes).sliced(kUtf8Bom.size()));
        decoded.Kind = Encoding::Utf8Bom;
    } else {
        // Every other 8-bit text is the local encoding, which is UTF-8 here.
        decoded.Text = QString::fromUtf8(bytes);
    }
    return decoded;
}

QByteArray Encode(const QString &text, Encoding kind) {
    switch (kind) {
    case Encoding::Utf16Le: {
        QStringEncoder encoder(QStringConverter::Utf16LE);
        return kUtf16LeBom + QByteArray(encoder(text));
    }
    case Encoding::Utf8Bom:
        return kUtf8Bom + text.toUtf8();
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

enum class LineKind { Blank, Comment, Header, Entry };

struct ParsedLine {
    LineKind Kind = LineKind::Blank;
    QString Name; // Header
    IniFile::Entry Entry;
};

ParsedLine ParseLine(const QString &raw) {
    ParsedLine parsed;
    const QString line = raw.trimmed();
    if (line.isEmpty())
        return parsed;
    if (line.startsWith(QLatin1Char(';'))) {
        parsed.Kind = LineKind::Comment;
        return parsed;
    }
    if (line.startsWith(QLatin1Char('['))) {
        const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
        if (close > 0) {
            parsed.Kind = LineKind::Header;
            parsed.Name = line.mid(1, close - 1).trimmed();
            return parsed;
        }
    }
    parsed.Kind = LineKind::Entry;
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0) {
        parsed.Entry.Key = line;
    } else {
        parsed.Entry.Key = line.left(equals).trimmed();
        parsed.Entry.Value = line.mid(equals + 1).trimmed();
        parsed.Entry.HasValue = true;
    }
    return parsed;
}

// Text split into lines without their LF or CRLF; a final line end adds no empty line.
QStringList SplitLines(const QString &text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// Packs items the way a profile function fills a caller's buffer: each item followed by a
// terminator, one more terminator at the end; the item that crosses the end is shortened.
QStringList FitInBuffer(const QStringList &items, int bufferChars) {
    QStringList fitted;
    qsizetype used = 0;
    for (const QString &item : items) {
        if (used + item.size() + 2 <= bufferChars) {
            fitted.append(item);
            used += item.size() + 1;
            continue;
        }
        const qsizetype room = bufferChars - used - 2;
        if (room > 0)
            fitted.append(CutToUnits(item, int(room)));
        break;
    }
    return fitted;
}

bool HasLineBreak(const QString &text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

QString CutToUnits(const QString &text, int units) {
    if (units <= 0)
        return QString();
    if (text.size() <= units)
        return text;
    qsizetype keep = units;
    if (text.at(keep - 1).isHighSurrogate())
        --keep;
    return text.left(keep);
}

IniFile IniFile::FromBytes(const QByteArray &bytes) {
    IniFile file;
    QHash<QString, qsizetype> indexByName;
    qsizetype current = -1; // lines before the first section belong nowhere
    const QStringList lines = SplitLines(Decode(bytes).Text);
    for (const QString &line : lines) {
        ParsedLine parsed = ParseLine(line);
        if (parsed.Kind == LineKind::Header) {
            const auto found = indexByName.constFind(parsed.Name);
            if (found != indexByName.constEnd()) {
                current = *found;
            } else {
                current = file.Sections_.size();
                indexByName.insert(parsed.Name, current);
                file.Sections_.append(Section{parsed.Name, {}});
            }
        } else if (parsed.Kind == LineKind::Entry && current >= 0) {
            file.Sections_[current].Entries.append(std::move(parsed.Entry));
        }
    }
    return file;
}

IniFile IniFile::Load(const QString &path) {
    // Only regular files: a FIFO or device under the expected name would block or never end.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() > MaxFileBytes)
        return IniFile();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return IniFile();
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        return IniFile();
    return FromBytes(bytes);
}

QStringList IniFile::SectionNames(int bufferChars) const {
    QStringList names;
    for (const Section &section : Sections_) {
        // An empty name would read as the end of the list in a terminated buffer.
        if (!section.Name.isEmpty())
            names.append(section.Name);
    }
    return FitInBuffer(names, bufferChars);
}

QStringList IniFile::SectionLines(const QString &section, int bufferChars) const {
    for (const Section &candidate : Sections_) {
        if (candidate.Name != section)
            continue;
        QStringList lines;
        lines.reserve(candidate.Entries.size());
        for (const Entry &entry : candidate.Entries)
            lines.append(entry.HasValue ? entry.Key + QLatin1Char('=') + entry.Value : entry.Key);
        return FitInBuffer(lines, bufferChars);
    }
    return QStringList();
}

std::optional<QString> IniFile::Value(const QString &section, const QString &key) const {
    for (const Section &candidate : Sections_) {
        if (candidate.Name != section)
            continue;
        for (const Entry &entry : candidate.Entries) {
            if (entry.Key == key)
                return entry.Value;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool IniFile::WriteValue(const QString &path, const QString &section, const QString &key,
                         const QString &value) {
    if (path.isEmpty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
        return false;
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    const QString newLine = key + QLatin1Char('=') + value;
    const ParsedLine headerBack = ParseLine(header);
    const ParsedLine lineBack = ParseLine(newLine);
    if (headerBack.Kind != LineKind::Header || headerBack.Name != section ||
        lineBack.Kind != LineKind::Entry || lineBack.Entry.Key != key ||
        lineBack.Entry.Value != value)
        return false;

    QByteArray bytes;
    const QFileInfo info(path);
    if (info.exists()) {
        // Never replace a file that could not be read whole: its other lines would be lost.
        if (!info.isFile() || info.size() > MaxFileBytes)
            return false;
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly))
            return false;
        bytes = old.read(MaxFileBytes + 1);
        if (bytes.size() > MaxFileBytes)
            return false;
    }
    const DecodedText decoded = Decode(bytes);
    const QString lineEnd = decoded.Text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n")
                                                                         : QStringLiteral("\n");
    QStringList lines = SplitLines(decoded.Text);

    // The line to replace is the one Value() reads: the first of the key in any block of
    // the section. A new key goes after the last entry of the section's first block.
    bool inSection = false;
    bool inFirstBlock = false;
    bool sectionFound = false;
    qsizetype insertAt = -1;
    qsizetype keyLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = ParseLine(lines.at(i));
        if (parsed.Kind == LineKind::Header) {
            inSection = parsed.Name == section;
            inFirstBlock = inSection && !sectionFound;
            if (inFirstBlock) {
                sectionFound = true;
                insertAt = i + 1;
            }
        } else if (parsed.Kind == LineKind::Entry && inSection) {
            if (keyLine < 0 && parsed.Entry.Key == key)
                keyLine = i;
            if (inFirstBlock)
                insertAt = i + 1;
        }
    }
    if (keyLine >= 0) {
        lines[keyLine] = newLine;
    } else if (sectionFound) {
        lines.insert(insertAt, newLine);
    } else {
        if (!lines.isEmpty() && !lines.constLast().trimmed().isEmpty())
            lines.append(QString());
        lines.append(header);
        lines.append(newLine);
    }

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray encoded = Encode(lines.join(lineEnd) + lineEnd, decoded.Kind);
    if (out.write(encoded) != encoded.size())
        return false;
    return out.commit();
}
