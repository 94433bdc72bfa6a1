#pragma once

#include <QString>

// The toolkit's own texts (the file and folder dialogs, standard buttons) follow the
// program's language; Qt ships them apart from the program, as "qtbase_<locale>.qm".
namespace lang {

// Where Qt's translations are installed (on Debian: /usr/share/qt6/translations).
QString ToolkitTranslationsFolder();

// Makes Qt speak `locale` ("de", "zh_CN"), replacing the translation installed before. English,
// an odd name or a missing file leave Qt's own English texts. Asking again for the locale in
// use does nothing. True when a translation for `locale` is installed afterwards.
bool UseToolkitTranslation(const QString &locale,
                           const QString &folder = ToolkitTranslationsFolder());

} // namespace lang
