#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <optional>

// The size the player shows the picture at, from the line its video output prints when it
// opens ("VO: [x11] 720x576 => 1024x576 Planar YV12 ..."): the stored size corrected to the
// display shape, so an anamorphic picture gives its true shape. Nothing for any other line or
// a size outside 1..MaxPictureSide.
constexpr int MaxPictureSide = 32768;
std::optional<QSize> DisplaySizeFromLine(const QByteArray &line);

// Where a picture of `display`'s shape goes in `area`: as large as fits whole, centred. The
// whole area while the shape is unknown (an invalid size).
QRect FitPicture(const QSize &area, const QSize &display);
