#include "settings/Translations.h"

#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include <utility>
#include <vector>

namespace tolvane {

namespace {

QString interfaceLanguage(const QString &setting, const QStringList &preferred)
{
    const QString english = QStringLiteral("en"), russian = QStringLiteral("ru");
    if (setting == english || setting == russian)
        return setting;
    for (const QString &tag : preferred) {
        // "ru", "ru-RU", "ru_RU"; a language Tolvane has no texts for passes to the next one.
        const QString language = tag.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
        if (language == english || language == russian)
            return language;
    }
    return english;
}

} // namespace

QString installTranslations(const QStringList &preferred)
{
    // Owned by the application, so they go with it; a later call takes the earlier ones out.
    static std::vector<QPointer<QTranslator>> installed;
    for (const QPointer<QTranslator> &translator : installed)
        delete translator.data();
    installed.clear();

    const QString language = interfaceLanguage(AppSettings::language(), preferred);
    if (language != QLatin1String("ru"))
        return language;
    const std::pair<QString, QString> catalogues[] = {
        {QStringLiteral(":/i18n/tolvane_ru.qm"), QString()},
        {QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)},
    };
    for (const auto &[name, folder] : catalogues) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        // A missing catalogue (Qt's translations not installed) leaves those texts in English.
        if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
            installed.emplace_back(translator);
        else
            delete translator;
    }
    return language;
}

} // namespace tolvane
