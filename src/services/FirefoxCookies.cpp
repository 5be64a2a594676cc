#include "FirefoxCookies.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <limits>

namespace tolvane::FirefoxCookies {

namespace {

struct Section {
    QString name;
    QHash<QString, QString> values;
};

QList<Section> iniSections(const QString &text)
{
    QList<Section> sections;
    for (const QString &raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            sections.append({line.mid(1, line.size() - 2).trimmed(), {}});
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && !sections.isEmpty())
            sections.last().values.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return sections;
}

Profile profileAt(const QString &path, bool relative, const QString &name, const QString &root)
{
    const QString directory = QDir::cleanPath(relative ? root + u'/' + path : path);
    return {name.isEmpty() ? QFileInfo(directory).fileName() : name, directory};
}

Profile fromSection(const Section &profile, const QString &root)
{
    return profileAt(profile.values.value(QStringLiteral("Path")),
        profile.values.value(QStringLiteral("IsRelative"), QStringLiteral("1")) != QLatin1String("0"),
        profile.values.value(QStringLiteral("Name")), root);
}

// The newest schemas count in milliseconds. Values past what a date holds are clamped to the end
// of year 9999, as the binary reader does: the browser meant "far in the future".
std::optional<QDateTime> expiryFrom(qint64 stored, bool milliseconds)
{
    if (stored <= 0)
        return std::nullopt;
    static const QDateTime latest(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC);
    const qint64 limit = latest.toMSecsSinceEpoch();
    const qint64 msecs = milliseconds ? stored : (stored > limit / 1000 ? limit : stored * 1000);
    return msecs >= limit ? latest : QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

// Cookie databases stay far below this; anything larger is not one.
constexpr qint64 largestFileSize = 512 * 1024 * 1024;

/// Copies `from` to `to` when it is there; a missing file (no log yet) is no failure.
std::optional<ReadResult> copyIfPresent(const QString &from, const QString &to, bool required)
{
    const QFileInfo info(from);
    if (!info.exists())
        return required ? std::optional(ReadResult{{}, QStringLiteral("Firefox's cookie database is gone"), false})
                        : std::nullopt;
    // A FIFO would block the read and a device never end.
    if (!info.isFile() || info.size() > largestFileSize)
        return ReadResult{{}, QStringLiteral("%1 is not a cookie database").arg(from), false};
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return ReadResult{{}, QStringLiteral("%1 could not be read: %2").arg(from, source.errorString()),
            source.error() == QFileDevice::OpenError && !info.isReadable()};
    QFile target(to);
    if (!target.open(QIODevice::WriteOnly) || target.write(source.readAll()) != source.size() || !target.flush())
        return ReadResult{{}, QStringLiteral("A private copy of the cookie database could not be made: %1")
                                  .arg(target.errorString()), false};
    return std::nullopt;
}

ReadResult query(const QString &connection, const QString &copy)
{
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    database.setDatabaseName(copy);
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    const auto failed = [&database](const QSqlError &error) {
        return ReadResult{{}, QStringLiteral("Firefox's cookie database could not be read: %1").arg(error.text()), false};
    };
    if (!database.open())
        return failed(database.lastError());

    QSqlQuery version(database);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next())
        return failed(version.lastError());
    const bool milliseconds = version.value(0).toLongLong() >= 16;

    QSqlQuery rows(database);
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT name, value, host, path, expiry, isSecure, isHttpOnly, originAttributes "
                                  "FROM moz_cookies ORDER BY id")))
        return failed(rows.lastError());
    ReadResult result;
    while (rows.next()) {
        // Containers, private windows and partitioned storage each are another visitor.
        if (!rows.value(7).toString().isEmpty())
            continue;
        Cookie cookie;
        cookie.name = rows.value(0).toString();
        if (cookie.name.isEmpty())
            continue;
        cookie.value = rows.value(1).toString();
        cookie.domain = rows.value(2).toString().toLower();
        cookie.path = rows.value(3).toString();
        if (cookie.path.isEmpty())
            cookie.path = QStringLiteral("/");
        cookie.expires = expiryFrom(rows.value(4).toLongLong(), milliseconds);
        cookie.secure = rows.value(5).toLongLong() != 0;
        cookie.httpOnly = rows.value(6).toLongLong() != 0;
        result.cookies.append(std::move(cookie));
    }
    if (rows.lastError().isValid())
        return failed(rows.lastError());
    return result;
}

} // namespace

std::optional<Profile> defaultProfile(const QString &iniText, const QString &root)
{
    const QList<Section> sections = iniSections(iniText);
    QList<const Section *> profiles;
    for (const Section &section : sections) {
        if (section.name.startsWith(QLatin1String("Profile"), Qt::CaseInsensitive)
            && !section.values.value(QStringLiteral("Path")).isEmpty())
            profiles.append(&section);
    }
    for (const Section &section : sections) {
        if (!section.name.startsWith(QLatin1String("Install"), Qt::CaseInsensitive))
            continue;
        const QString path = section.values.value(QStringLiteral("Default"));
        if (path.isEmpty())
            continue;
        for (const Section *profile : std::as_const(profiles)) {
            if (profile->values.value(QStringLiteral("Path")) == path)
                return fromSection(*profile, root);
        }
        return profileAt(path, QDir::isRelativePath(path), {}, root);
    }
    for (const Section *profile : std::as_const(profiles)) {
        if (profile->values.value(QStringLiteral("Default")) == QLatin1String("1"))
            return fromSection(*profile, root);
    }
    if (profiles.size() == 1)
        return fromSection(*profiles.constFirst(), root);
    return std::nullopt;
}

ReadResult readCookies(const QString &databasePath)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return {{}, QStringLiteral("Qt's SQLite driver is not installed (package libqt6sql6-sqlite)"), false};
    const QTemporaryDir folder;
    if (!folder.isValid())
        return {{}, QStringLiteral("No private copy of the cookie database could be made: %1").arg(folder.errorString()),
            false};
    const QString copy = folder.filePath(QStringLiteral("cookies.sqlite"));
    if (std::optional<ReadResult> failure = copyIfPresent(databasePath, copy, true))
        return *failure;
    if (std::optional<ReadResult> failure
        = copyIfPresent(databasePath + QStringLiteral("-wal"), copy + QStringLiteral("-wal"), false))
        return *failure;

    // Connections are per thread and per name; every read has its own, gone when it returns.
    static QAtomicInteger<quint64> reads;
    const QString connection = QStringLiteral("tolvane-firefox-cookies-%1").arg(++reads);
    ReadResult result = query(connection, copy);
    QSqlDatabase::removeDatabase(connection);
    return result;
}

} // namespace tolvane::FirefoxCookies
