#include "lang/ToolkitTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

#include <memory>

namespace lang {

namespace {

struct Installed {
    std::unique_ptr<QTranslator> translator;
    QString locale;
    QString folder;
};

Installed &Current() {
    static Installed installed;
    return installed;
}

} // namespace

QString ToolkitTranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool UseToolkitTranslation(const QString &locale, const QString &folder) {
    Installed &current = Current();
    if (current.translator && current.locale == locale && current.folder == folder)
        return true;
    if (current.translator) {
        QCoreApplication::removeTranslator(current.translator.get());
        current.translator.reset();
    }
    // The name comes from a language file a user may edit: it names a file, never a path.
    static const QRegularExpression name(QStringLiteral("^[a-z]{2,3}(_[A-Z]{2})?$"));
    if (!name.match(locale).hasMatch() || locale == QLatin1String("en"))
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + locale, folder))
        return false;
    QCoreApplication::installTranslator(translator.get());
    current = {std::move(translator), locale, folder};
    return true;
}

} // namespace lang
