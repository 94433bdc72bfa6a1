#include "player/PictureShape.h"

#include <QRegularExpression>

std::optional<QSize> DisplaySizeFromLine(const QByteArray &line) {
    if (!line.startsWith("VO: ["))
        return std::nullopt;
    // Bounded digits: a longer number is no size the player prints.
    static const QRegularExpression pattern(
        QStringLiteral("^VO: \\[[^\\]]{1,32}\\] \\d{1,5}x\\d{1,5} => (\\d{1,5})x(\\d{1,5})\\b"));
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(line.left(200)));
    if (!match.hasMatch())
        return std::nullopt;
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    if (width < 1 || height < 1 || width > MaxPictureSide || height > MaxPictureSide)
        return std::nullopt;
    return QSize(width, height);
}

QRect FitPicture(const QSize &area, const QSize &display) {
    if (!display.isValid() || display.isEmpty() || area.isEmpty())
        return QRect(QPoint(0, 0), area);
    // 64-bit products: a side of up to MaxPictureSide times a screen's side.
    const qint64 aw = area.width(), ah = area.height();
    const qint64 dw = display.width(), dh = display.height();
    QSize fitted;
    if (aw * dh > ah * dw) // the area is wider: bars left and right
        fitted = QSize(int((ah * dw + dh / 2) / dh), int(ah));
    else
        fitted = QSize(int(aw), int((aw * dh + dw / 2) / dw));
    return QRect(QPoint(int(aw - fitted.width()) / 2, int(ah - fitted.height()) / 2), fitted);
}
