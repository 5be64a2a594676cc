#include "ApiKeyStore.h"

#include "settings/AppSettings.h"
#include "support/WorkPool.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QCoroSignal>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QMutex>

#include <qt6keychain/keychain.h>

namespace tolvane {

namespace {

struct State {
    QMutex mutex;
    ApiKeyStore::Location location = ApiKeyStore::Location::settingsFile;
    QString key;
    std::chrono::milliseconds timeout = std::chrono::seconds(20);
};

State &state()
{
    static State instance;
    return instance;
}

void keepInMemory(ApiKeyStore::Location location, const QString &key)
{
    State &shared = state();
    QMutexLocker lock(&shared.mutex);
    shared.location = location;
    shared.key = location == ApiKeyStore::Location::keyring ? key : QString();
}

std::chrono::milliseconds jobTimeout()
{
    State &shared = state();
    QMutexLocker lock(&shared.mutex);
    return shared.timeout;
}

// Asking the bus first keeps a machine without any keyring (a server, CI) from waiting on
// QtKeychain's own attempts to start one. Blocking D-Bus calls, so it runs on the work pool.
bool secretServiceOnBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const auto ask = [&bus](const QString &method, const QVariantList &arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
            QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"), method);
        message.setArguments(arguments);
        const QDBusMessage reply = bus.call(message, QDBus::Block, 2000);
        return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() ? reply.arguments().first()
                                                                                          : QVariant();
    };
    const QStringList names{QStringLiteral("org.freedesktop.secrets"), QStringLiteral("org.kde.kwalletd6"),
        QStringLiteral("org.kde.kwalletd5")};
    for (const QString &name : names) {
        if (ask(QStringLiteral("NameHasOwner"), {name}).toBool())
            return true;
    }
    const QStringList activatable = ask(QStringLiteral("ListActivatableNames"), {}).toStringList();
    return std::any_of(names.begin(), names.end(), [&](const QString &name) { return activatable.contains(name); });
}

/// How a keyring job ended; none when it did not end in time (a locked keyring nobody unlocks).
struct JobEnd {
    QKeychain::Error error = QKeychain::OtherError;
    QString text;
};

// The job deletes itself once finished, also after a time-out has given up on it.
template<typename Job> QCoro::Task<std::optional<JobEnd>> run(Job *job)
{
    job->setKey(ApiKeyStore::entryName());
    job->setInsecureFallback(false);
    QCoro::Task<std::optional<QKeychain::Job *>> finished = qCoro(job, &QKeychain::Job::finished, jobTimeout());
    job->start();
    const std::optional<QKeychain::Job *> ended = co_await std::move(finished);
    if (!ended)
        co_return std::nullopt;
    JobEnd end{job->error(), {}};
    if constexpr (std::is_same_v<Job, QKeychain::ReadPasswordJob>)
        end.text = job->textData();
    co_return end;
}

QCoro::Task<bool> writeToKeyring(QString key)
{
    std::optional<JobEnd> end;
    if (key.isEmpty()) {
        end = co_await run(new QKeychain::DeletePasswordJob(ApiKeyStore::serviceName));
        co_return end && (end->error == QKeychain::NoError || end->error == QKeychain::EntryNotFound);
    }
    auto *job = new QKeychain::WritePasswordJob(ApiKeyStore::serviceName);
    job->setTextData(key);
    end = co_await run(job);
    co_return end && end->error == QKeychain::NoError;
}

QCoro::Task<ApiKeyStore::Location> settled(ApiKeyStore::Location location)
{
    co_return location;
}

QCoro::Task<ApiKeyStore::Location> storeInKeyring(QString key)
{
    keepInMemory(ApiKeyStore::Location::keyring, key);
    const bool written = co_await writeToKeyring(key);
    if (written) {
        // An older copy in the file would come back as the key after a move to another desktop.
        if (!AppSettings::fileAPIKey().isEmpty())
            AppSettings::removeFileAPIKey();
        co_return ApiKeyStore::Location::keyring;
    }
    keepInMemory(ApiKeyStore::Location::settingsFile, {});
    AppSettings::storeFileAPIKey(key);
    co_return ApiKeyStore::Location::settingsFile;
}

} // namespace

ApiKeyStore::Location ApiKeyStore::location()
{
    State &shared = state();
    QMutexLocker lock(&shared.mutex);
    return shared.location;
}

QString ApiKeyStore::locationText()
{
    if (location() == Location::keyring)
        //: Where the API key is kept, as "tolvane-cli settings" names it
        return QCoreApplication::translate("ApiKeyStore", "the keyring (Secret Service)");
    //: Where the API key is kept, as "tolvane-cli settings" names it
    return QCoreApplication::translate("ApiKeyStore", "the settings file %1").arg(AppSettings::fileName());
}

std::optional<QString> ApiKeyStore::keyringKey()
{
    State &shared = state();
    QMutexLocker lock(&shared.mutex);
    if (shared.location != Location::keyring)
        return std::nullopt;
    return shared.key;
}

QString ApiKeyStore::entryName()
{
    const QString own = QDir::homePath() + QStringLiteral("/.config/Tolvane/Tolvane.conf");
    const QString file = AppSettings::fileName();
    return file == own ? AppSettings::yandexAIAPIKey : AppSettings::yandexAIAPIKey + u' ' + file;
}

QCoro::Task<ApiKeyStore::Location> ApiKeyStore::load(std::chrono::milliseconds timeout)
{
    {
        State &shared = state();
        QMutexLocker lock(&shared.mutex);
        shared.timeout = timeout;
    }
    const bool onBus = co_await runInWorkPool(secretServiceOnBus);
    if (!onBus) {
        keepInMemory(Location::settingsFile, {});
        co_return Location::settingsFile;
    }
    const std::optional<JobEnd> read = co_await run(new QKeychain::ReadPasswordJob(serviceName));
    if (!read || (read->error != QKeychain::NoError && read->error != QKeychain::EntryNotFound)) {
        keepInMemory(Location::settingsFile, {});
        co_return Location::settingsFile;
    }
    // A key in the file was saved where no keyring answered, so it is the newer one.
    const QString inFile = AppSettings::fileAPIKey().trimmed();
    if (inFile.isEmpty()) {
        keepInMemory(Location::keyring, read->error == QKeychain::NoError ? read->text : QString());
        co_return Location::keyring;
    }
    const bool written = co_await writeToKeyring(inFile);
    if (!written) {
        keepInMemory(Location::settingsFile, {});
        co_return Location::settingsFile;
    }
    keepInMemory(Location::keyring, inFile);
    AppSettings::removeFileAPIKey();
    co_return Location::keyring;
}

QCoro::Task<ApiKeyStore::Location> ApiKeyStore::store(QString key)
{
    key = key.trimmed();
    if (location() == Location::keyring)
        return storeInKeyring(std::move(key));
    AppSettings::storeFileAPIKey(key);
    return settled(Location::settingsFile);
}

QCoro::Task<> ApiKeyStore::clear()
{
    if (location() == Location::keyring) {
        keepInMemory(Location::keyring, {});
        const QString none;
        co_await writeToKeyring(none);
    }
    AppSettings::removeFileAPIKey();
}

void ApiKeyStore::forgetForTesting()
{
    keepInMemory(Location::settingsFile, {});
}

} // namespace tolvane
