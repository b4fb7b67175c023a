#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace translations {

namespace {

bool isEnglish(const QString &language)
{
    return language == u"en" || language.startsWith(u"en_");
}

// Loads "<catalogue>_<language>.qm" from `folder`, falling back from "de_AT" to "de".
bool installCatalogue(QCoreApplication *application, const QString &catalogue,
                      const QString &language, const QString &folder)
{
    auto *translator = new QTranslator(application);
    if (!translator->load(catalogue + u'_' + language, folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace

void install(QCoreApplication *application, const QLocale &locale)
{
    for (QString language : locale.uiLanguages()) {
        language.replace(u'-', u'_');
        if (isEnglish(language))
            return;
        if (installCatalogue(application, QStringLiteral("penwick"), language,
                             QStringLiteral(":/i18n"))) {
            // Without Qt's catalogue (qt6-translations-l10n) its texts stay in English.
            installCatalogue(application, QStringLiteral("qtbase"), language,
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath));
            return;
        }
    }
}

} // namespace translations
