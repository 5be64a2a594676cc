#include "AppSettings.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSettings>
#include <QTimer>

namespace tolvane {

namespace {

// The organization and application names are fixed here rather than taken from the running
// application, so the CLI and the window share one store.
class Store : public QSettings {
public:
    Store()
        : QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tolvane"), QStringLiteral("Tolvane"))
    {
    }
};

QString readString(const QString &key)
{
    return Store().value(key).toString();
}

} // namespace

QStringList AppSettings::allKeys()
{
    return {yandexAIAPIKey, yandexAIFolderID, yandexAIPromptID, yandexAIEndpointURL, useSafariCookiesKey};
}

QString AppSettings::yandexAPIKey()
{
    return readString(yandexAIAPIKey);
}

QString AppSettings::yandexFolderID()
{
    return readString(yandexAIFolderID);
}

QString AppSettings::yandexPromptID()
{
    return readString(yandexAIPromptID);
}

QString AppSettings::yandexEndpointURL()
{
    const QString stored = readString(yandexAIEndpointURL).trimmed();
    return stored.isEmpty() ? defaultYandexEndpoint : stored;
}

bool AppSettings::hasYandexAPIKey()
{
    return !yandexAPIKey().trimmed().isEmpty();
}

bool AppSettings::useSafariCookies()
{
    const QVariant value = Store().value(useSafariCookiesKey);
    return value.isValid() ? value.toBool() : true;
}

bool AppSettings::storeText(const QString &key, const QString &value)
{
    if (key != yandexAIAPIKey && key != yandexAIFolderID && key != yandexAIPromptID && key != yandexAIEndpointURL)
        return false;
    QString trimmed = value.trimmed();
    if (key == yandexAIEndpointURL && trimmed.isEmpty())
        trimmed = defaultYandexEndpoint;
    Store settings;
    settings.setValue(key, trimmed);
    settings.sync();
    return true;
}

void AppSettings::storeUseSafariCookies(bool value)
{
    Store settings;
    settings.setValue(useSafariCookiesKey, value);
    settings.sync();
}

void AppSettings::resetAll()
{
    Store settings;
    settings.clear();
    settings.sync();
}

void AppSettings::relaunchApp()
{
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    // A failed start is not reported: this copy quits either way, as the user asked for a restart.
    QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

} // namespace tolvane
