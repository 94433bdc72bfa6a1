// Any bytes as a caption or config file: reading, lookups and the buffer fitting must
// neither crash nor read out of bounds.
#include "lang/IniFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const IniFile ini =
        IniFile::FromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QStringList names = ini.SectionNames(1024);
    for (const QString &name : names) {
        const QStringList lines = ini.SectionLines(name, 10240);
        for (const QString &line : lines)
            (void)ini.Value(name, line.section(QLatin1Char('='), 0, 0));
    }
    (void)ini.Value(QStringLiteral("MainWnd"), QStringLiteral("ProTitle"));
    return 0;
}
