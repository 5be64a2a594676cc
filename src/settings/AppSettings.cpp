#include "AppSettings.h"

#include "settings/ApiKeyStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QSettings>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <utility>

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

/// The text after "key=" on the key's line in the file's general section, as typed; none when
/// the file holds no such line.
std::optional<QString> rawValue(const QString &fileName, const QString &key)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool general = true;
    const QByteArray name = key.toUtf8();
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            general = line == "[General]";
            continue;
        }
        if (!general || !line.startsWith(name))
            continue;
        const QByteArray rest = line.mid(name.size()).trimmed();
        if (!rest.startsWith('='))
            continue;
        QByteArray value = rest.mid(1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return QString::fromUtf8(value);
    }
    return std::nullopt;
}

QString readString(const QString &key)
{
    const Store store;
    const QVariant value = store.value(key);
    // The INI reader splits a value with an unquoted comma into a list ("AQVN, x" typed by hand);
    // the setting is the whole text as typed.
    if (value.typeId() == QMetaType::QStringList)
        return rawValue(store.fileName(), key).value_or(value.toStringList().join(QStringLiteral(", ")));
    return value.toString();
}

/// The settings file holds the API key: only its owner may read it. Made before the first write,
/// because the store replaces the file by a new one that takes over the old one's mode.
void keepPrivate(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat status { };
    if (::lstat(path.constData(), &status) == 0) {
        if (S_ISREG(status.st_mode) && (status.st_mode & 0077) != 0)
            ::chmod(path.constData(), status.st_mode & 0700);
        return;
    }
    QDir().mkpath(QFileInfo(fileName).path());
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

QString saveFailure(const QString &fileName, const QString &cause)
{
    return QCoreApplication::translate("AppSettings", "The settings could not be saved to %1: %2").arg(fileName, cause);
}

QString notWritable()
{
    return QCoreApplication::translate("AppSettings", "the file cannot be written");
}

/// Why the keys just written are not in the file; none when they are.
std::optional<QString> writeFailure(const QSettings &settings, const QStringList &keys)
{
    if (settings.status() != QSettings::NoError)
        return saveFailure(settings.fileName(), notWritable());
    const QFileInfo info(settings.fileName());
    if (info.exists() && !info.isFile())
        return saveFailure(settings.fileName(),
            QCoreApplication::translate("AppSettings", "something that is not a file is in its place"));
    for (const QString &key : keys) {
        if (!rawValue(settings.fileName(), key))
            return saveFailure(settings.fileName(),
                QCoreApplication::translate("AppSettings", "the file does not hold what was written"));
    }
    return std::nullopt;
}

/// The first failure of a write since the last flush.
struct WriteLog {
    QMutex mutex;
    std::optional<QString> failure;
};

WriteLog &writeLog()
{
    static WriteLog log;
    return log;
}

template<typename Change> void write(const QStringList &keys, Change change)
{
    Store settings;
    keepPrivate(settings.fileName());
    change(settings);
    settings.sync();
    keepPrivate(settings.fileName());
    if (std::optional<QString> failure = writeFailure(settings, keys)) {
        WriteLog &log = writeLog();
        QMutexLocker lock(&log.mutex);
        if (!log.failure)
            log.failure = std::move(failure);
    }
}

std::atomic<quint64> resets{0};

} // namespace

QStringList AppSettings::allKeys()
{
    return {yandexAIAPIKey, yandexAIFolderID, yandexAIPromptID, yandexAIEndpointURL, useSafariCookiesKey,
        moveCompanionFilesKey, libraryLayoutKey, filmFoldersKey, writeNfoKey, languageKey};
}

QString AppSettings::yandexAPIKey()
{
    if (std::optional<QString> inKeyring = ApiKeyStore::keyringKey())
        return *inKeyring;
    return readString(yandexAIAPIKey);
}

QString AppSettings::fileAPIKey()
{
    return readString(yandexAIAPIKey);
}

QString AppSettings::fileName()
{
    return Store().fileName();
}

void AppSettings::storeFileAPIKey(const QString &key)
{
    write({yandexAIAPIKey}, [&](QSettings &settings) { settings.setValue(yandexAIAPIKey, key.trimmed()); });
}

void AppSettings::removeFileAPIKey()
{
    write({}, [](QSettings &settings) { settings.remove(yandexAIAPIKey); });
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

bool AppSettings::moveCompanionFiles()
{
    const QVariant value = Store().value(moveCompanionFilesKey);
    return value.isValid() ? value.toBool() : true;
}

LibraryLayout AppSettings::libraryLayout()
{
    return layoutFromKey(readString(libraryLayoutKey).trimmed()).value_or(LibraryLayout::flat);
}

bool AppSettings::filmFolders()
{
    const QVariant value = Store().value(filmFoldersKey);
    return value.isValid() ? value.toBool() : true;
}

bool AppSettings::writeNfo()
{
    return Store().value(writeNfoKey).toBool();
}

QString AppSettings::language()
{
    const QString stored = readString(languageKey).trimmed().toLower();
    return languages.contains(stored) ? stored : languages.first();
}

bool AppSettings::storeText(const QString &key, const QString &value)
{
    if (key != yandexAIAPIKey && key != yandexAIFolderID && key != yandexAIPromptID && key != yandexAIEndpointURL)
        return false;
    QString trimmed = value.trimmed();
    if (key == yandexAIEndpointURL && trimmed.isEmpty())
        trimmed = defaultYandexEndpoint;
    if (key == yandexAIAPIKey) {
        // Writes the file at once where no keyring answers; the keyring's write runs on.
        ApiKeyStore::store(trimmed);
        return true;
    }
    write({key}, [&](QSettings &settings) { settings.setValue(key, trimmed); });
    return true;
}

void AppSettings::storeUseSafariCookies(bool value)
{
    write({useSafariCookiesKey}, [&](QSettings &settings) { settings.setValue(useSafariCookiesKey, value); });
}

void AppSettings::storeMoveCompanionFiles(bool value)
{
    write({moveCompanionFilesKey}, [&](QSettings &settings) { settings.setValue(moveCompanionFilesKey, value); });
}

void AppSettings::storeLibraryLayout(LibraryLayout layout)
{
    write({libraryLayoutKey}, [&](QSettings &settings) { settings.setValue(libraryLayoutKey, layoutKey(layout)); });
}

void AppSettings::storeFilmFolders(bool value)
{
    write({filmFoldersKey}, [&](QSettings &settings) { settings.setValue(filmFoldersKey, value); });
}

void AppSettings::storeWriteNfo(bool value)
{
    write({writeNfoKey}, [&](QSettings &settings) { settings.setValue(writeNfoKey, value); });
}

bool AppSettings::storeLanguage(const QString &language)
{
    const QString value = language.trimmed().toLower();
    if (!languages.contains(value))
        return false;
    write({languageKey}, [&](QSettings &settings) { settings.setValue(languageKey, value); });
    return true;
}

QByteArray AppSettings::windowGeometry()
{
    return Store().value(windowGeometryKey).toByteArray();
}

QByteArray AppSettings::windowSplit()
{
    return Store().value(windowSplitKey).toByteArray();
}

void AppSettings::storeWindowLayout(const QByteArray &geometry, const QByteArray &split, quint64 resetsSeen)
{
    if (resetsSeen != resets)
        return;
    write({windowGeometryKey, windowSplitKey}, [&](QSettings &settings) {
        settings.setValue(windowGeometryKey, geometry);
        settings.setValue(windowSplitKey, split);
    });
}

quint64 AppSettings::resetCount()
{
    return resets;
}

std::optional<QString> AppSettings::flush()
{
    Store settings;
    settings.sync();
    WriteLog &log = writeLog();
    QMutexLocker lock(&log.mutex);
    std::optional<QString> failure = std::exchange(log.failure, std::nullopt);
    if (!failure && settings.status() != QSettings::NoError)
        failure = saveFailure(settings.fileName(), notWritable());
    return failure;
}

void AppSettings::resetAll()
{
    if (ApiKeyStore::location() == ApiKeyStore::Location::keyring)
        ApiKeyStore::clear();
    ++resets;
    write({}, [](QSettings &settings) { settings.clear(); });
}

void AppSettings::relaunchApp()
{
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    // The new copy is told it is one, so that it waits for this one to leave instead of handing
    // its files to it. A failed start is not reported: this copy quits either way, as the user
    // asked for a restart.
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(relaunchedVariable, QString::number(QCoreApplication::applicationPid()));
    process.setProcessEnvironment(environment);
    process.startDetached();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

} // namespace tolvane
