#include "player/ShotReport.h"

#include "player/OutputParser.h"

#include <QFileInfo>
#include <QRegularExpression>

QString PlayerShotFile(const QByteArray &reportLine, const QString &dataFolder) {
    if (!reportLine.startsWith("*** screenshot '") || !dataFolder.endsWith(QLatin1Char('/')))
        return QString();
    const QString name = QString::fromLocal8Bit(ShotNameFromLine(reportLine));
    if (!name.startsWith(dataFolder))
        return QString();
    // The player numbers its shots "%04d" from 0001 (five digits after 9999).
    static const QRegularExpression shotName(QStringLiteral("^[0-9]{4,5}\\.png$"));
    if (!shotName.match(QStringView(name).mid(dataFolder.size())).hasMatch())
        return QString();
    const QFileInfo info(name);
    if (info.isSymLink() || !info.isFile())
        return QString();
    return name;
}
