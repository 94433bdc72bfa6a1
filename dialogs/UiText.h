#pragma once

#include "lang/CLanguageTable.h"

#include <QFont>
#include <QString>

// The two things every builder of the window and its dialogs needs: a caption by its key, and
// the one font family in its size and weight.
namespace ui {

inline QString Caption(const char *key) {
    return CLanguageTable::Instance()->GetText(key);
}

// "Calibri" at `points`; weight 75 and more is bold (the old QFont scale), anything else normal.
inline QFont CalibriFont(int points, int weight = 50) {
    QFont font(QStringLiteral("Calibri"));
    font.setPointSize(points);
    font.setWeight(weight >= 75 ? QFont::Bold : QFont::Normal);
    return font;
}

} // namespace ui
