#pragma once

#include <QString>

class QLabel;

namespace ui {

// Starts decoding a large picture on a worker thread, so that the window can be built and
// mapped meanwhile. Later requests for the same picture share the one decode.
void PrefetchPicture(const QString &path);

// Puts the picture on the label as soon as it is decoded: at once when it already is. A
// label deleted meanwhile is skipped.
void ShowDecodedPicture(QLabel *label, const QString &path);

} // namespace ui
