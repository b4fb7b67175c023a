#pragma once

class QCoreApplication;
class QLocale;

namespace translations {

// Shows the program in the first of the locale's languages that Penwick is translated into:
// Penwick's own texts and Qt's (standard buttons, context menus, key names) together, so a
// window never mixes two languages. English, the language of the source texts, and a list
// without a translated language leave every text in English. The translators are children of
// `application`.
void install(QCoreApplication *application, const QLocale &locale);

} // namespace translations
