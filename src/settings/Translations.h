#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace tolvane {

/// Picks the interface language, "ru" or "en", and installs its translators into the running
/// QCoreApplication (Tolvane's own texts, embedded under ":/i18n", and Qt's, from Qt's translations
/// folder), replacing those an earlier call installed. The `language` setting decides; for
/// "system" the first of the session's `preferred` languages (LANGUAGE, then LC_ALL, LC_MESSAGES,
/// LANG) that Tolvane has texts for, else English. English, the language the texts are written
/// in, installs none. Returns the language picked.
QString installTranslations(const QStringList &preferred = QLocale::system().uiLanguages());

} // namespace tolvane
