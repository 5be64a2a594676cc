#include "FirefoxCookies.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <array>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane::FirefoxCookies {

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(FirefoxCookies)
};

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

ReadResult failed(const QString &cause, bool permissionDenied = false)
{
    ReadResult result;
    result.failure = Texts::tr("Firefox's cookie database could not be read: %1").arg(cause);
    result.permissionDenied = permissionDenied;
    return result;
}

// The cause is an argument so that errno is read before any call the text makes.
ReadResult noCopy(const QString &cause)
{
    return failed(Texts::tr("no private copy could be made: %1").arg(cause));
}

QString systemText(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

QString tookTooLong(const ReadLimits &limits)
{
    return Texts::tr("reading it took longer than %1 s").arg(double(limits.deadline.count()) / 1000);
}

struct FileCloser {
    int fd;
    ~FileCloser() { ::close(fd); }
};

/// Copies `from` to `to`; a missing file that is not `required` (no log yet) is no failure.
/// POSIX calls, so that each failure keeps its errno. Only a regular file is copied, a buffer at a
/// time and never more than a cookie database holds, whatever size it claims (files under /proc
/// claim none).
std::optional<ReadResult> copyFile(
    const QString &from, const QString &to, bool required, const ReadLimits &limits, const QDeadlineTimer &deadline)
{
    const int source = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (source < 0) {
        const int error = errno;
        if (error == ENOENT && !required)
            return std::nullopt;
        return failed(from + QStringLiteral(": ") + systemText(error), error == EACCES || error == EPERM);
    }
    const FileCloser closeSource{source};
    struct stat info { };
    if (::fstat(source, &info) != 0)
        return failed(from + QStringLiteral(": ") + systemText(errno));
    // A FIFO would block the read and a device never end.
    if (!S_ISREG(info.st_mode))
        return failed(Texts::tr("%1 is not a regular file").arg(from));
    const QString tooLarge = Texts::tr("%1 is larger than %2 MB, more than a browser's cookies take")
                                 .arg(from)
                                 .arg(limits.largestFile / (1024 * 1024));
    if (info.st_size > limits.largestFile)
        return failed(tooLarge);

    const int target = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (target < 0)
        return noCopy(systemText(errno));
    const FileCloser closeTarget{target};
    std::array<char, 64 * 1024> buffer;
    qint64 copied = 0;
    for (;;) {
        const ssize_t count = ::read(source, buffer.data(), buffer.size());
        if (count < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            return failed(from + QStringLiteral(": ") + systemText(error));
        }
        if (count == 0)
            return std::nullopt;
        copied += count;
        if (copied > limits.largestFile)
            return failed(tooLarge);
        if (deadline.hasExpired())
            return failed(tookTooLong(limits));
        for (ssize_t written = 0; written < count;) {
            const ssize_t step = ::write(target, buffer.data() + written, size_t(count - written));
            if (step < 0) {
                const int error = errno;
                if (error == EINTR)
                    continue;
                return noCopy(systemText(error));
            }
            written += step;
        }
    }
}

struct Connection {
    sqlite3 *handle = nullptr;
    ~Connection() { sqlite3_close_v2(handle); }
};

struct Statement {
    sqlite3_stmt *handle = nullptr;
    ~Statement() { sqlite3_finalize(handle); }
};

int pastDeadline(void *deadline)
{
    return static_cast<const QDeadlineTimer *>(deadline)->hasExpired() ? 1 : 0;
}

QString columnText(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
}

// The columns the queries read; a table without any of them is not a cookie table.
const QStringList readColumns{QStringLiteral("name"), QStringLiteral("value"), QStringLiteral("host"),
    QStringLiteral("path"), QStringLiteral("expiry"), QStringLiteral("isSecure"), QStringLiteral("isHttpOnly"),
    QStringLiteral("originAttributes")};

/// Runs the queries over the private copy. Whatever the file holds, every statement ends by the
/// deadline, no value is larger than a cookie can be, and only a table with Firefox's columns is read.
class Reader {
public:
    Reader(const ReadLimits &limits, const QDeadlineTimer &deadline)
        : m_limits(limits)
        , m_deadline(deadline)
    {
    }

    ReadResult read(const QString &copy, const QStringList &hosts)
    {
        m_status = sqlite3_open_v2(QFile::encodeName(copy).constData(), &m_database.handle,
            SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE, nullptr);
        if (m_status != SQLITE_OK)
            return sqliteFailure();
        sqlite3 *db = m_database.handle;
        // What the schema holds runs nowhere: no views, no triggers, no functions it names.
        sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
        sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1024 * 1024);
        sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
        sqlite3_progress_handler(db, 10000, pastDeadline, const_cast<QDeadlineTimer *>(&m_deadline));

        ReadResult result;
        Statement version;
        if (!prepare(version, "PRAGMA user_version") || !step(version))
            return sqliteFailure();
        const bool milliseconds = sqlite3_column_int64(version.handle, 0) >= 16;

        if (std::optional<QString> unfit = unfitTable())
            return failed(*unfit);

        Statement count;
        if (!prepare(count,
                "SELECT count(*), total(originAttributes = '' AND name <> '') "
                "FROM (SELECT originAttributes, name FROM moz_cookies LIMIT ?)"))
            return sqliteFailure();
        sqlite3_bind_int64(count.handle, 1, m_limits.rowCap + 1);
        if (!step(count))
            return sqliteFailure();
        if (sqlite3_column_int64(count.handle, 0) > m_limits.rowCap)
            return failed(Texts::tr("it holds more than %1 cookies, more than a browser keeps").arg(m_limits.rowCap));
        result.total = qsizetype(sqlite3_column_double(count.handle, 1));
        if (hosts.isEmpty())
            return result;

        // Only the hosts asked, so that a database of many cookies costs a scan, not their copies.
        QStringList marks(hosts.size(), QStringLiteral("?"));
        Statement rows;
        const QByteArray query = "SELECT name, value, host, path, expiry, isSecure, isHttpOnly FROM moz_cookies "
                                 "WHERE originAttributes = '' AND lower(host) IN ("
            + marks.join(u',').toLatin1() + ") LIMIT ?";
        if (!prepare(rows, query.constData()))
            return sqliteFailure();
        for (int i = 0; i < hosts.size(); ++i) {
            const QByteArray host = hosts[i].toUtf8();
            sqlite3_bind_text(rows.handle, i + 1, host.constData(), int(host.size()), SQLITE_TRANSIENT);
        }
        sqlite3_bind_int64(rows.handle, int(hosts.size()) + 1, m_limits.rowCap);
        while (step(rows)) {
            Cookie cookie;
            cookie.name = columnText(rows.handle, 0);
            if (cookie.name.isEmpty())
                continue;
            cookie.value = columnText(rows.handle, 1);
            cookie.domain = columnText(rows.handle, 2).toLower();
            cookie.path = columnText(rows.handle, 3);
            if (cookie.path.isEmpty())
                cookie.path = QStringLiteral("/");
            cookie.expires = expiryFrom(sqlite3_column_int64(rows.handle, 4), milliseconds);
            cookie.secure = sqlite3_column_int64(rows.handle, 5) != 0;
            cookie.httpOnly = sqlite3_column_int64(rows.handle, 6) != 0;
            result.cookies.append(std::move(cookie));
        }
        if (m_status != SQLITE_DONE)
            return sqliteFailure();
        return result;
    }

private:
    bool prepare(Statement &statement, const char *sql)
    {
        m_status = sqlite3_prepare_v2(m_database.handle, sql, -1, &statement.handle, nullptr);
        return m_status == SQLITE_OK;
    }

    /// True while there is a row; afterwards m_status tells whether the statement ran to its end.
    bool step(const Statement &statement)
    {
        m_status = sqlite3_step(statement.handle);
        return m_status == SQLITE_ROW;
    }

    QString sqliteCause() const
    {
        if (m_status == SQLITE_INTERRUPT)
            return tookTooLong(m_limits);
        return m_database.handle ? QString::fromUtf8(sqlite3_errmsg(m_database.handle))
                                 : QString::fromUtf8(sqlite3_errstr(m_status));
    }

    ReadResult sqliteFailure() const { return failed(sqliteCause()); }

    /// Why moz_cookies is not what Firefox writes, if it is not: a view or a virtual table could
    /// compute rows without end, a generated column anything at all.
    std::optional<QString> unfitTable()
    {
        Statement kind;
        if (!prepare(kind, "SELECT type FROM pragma_table_list WHERE schema = 'main' AND name = 'moz_cookies'"))
            return sqliteCause();
        if (!step(kind))
            return m_status == SQLITE_DONE ? Texts::tr("it has no table moz_cookies") : sqliteCause();
        const QString type = columnText(kind.handle, 0);
        if (type == QLatin1String("view"))
            return Texts::tr("moz_cookies is a view, not a table");
        if (type != QLatin1String("table"))
            return Texts::tr("moz_cookies is a %1 table, not an ordinary one").arg(type);

        Statement columns;
        if (!prepare(columns, "SELECT name FROM pragma_table_xinfo('moz_cookies') WHERE hidden = 0"))
            return sqliteCause();
        QStringList missing = readColumns;
        while (step(columns)) {
            const QString present = columnText(columns.handle, 0);
            missing.removeIf(
                [&present](const QString &name) { return name.compare(present, Qt::CaseInsensitive) == 0; });
        }
        if (m_status != SQLITE_DONE)
            return sqliteCause();
        if (!missing.isEmpty())
            return Texts::tr("moz_cookies lacks the column %1").arg(missing.join(QStringLiteral(", ")));
        return std::nullopt;
    }

    const ReadLimits &m_limits;
    const QDeadlineTimer &m_deadline;
    Connection m_database;
    int m_status = SQLITE_OK;
};

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

QStringList profileFolders(const QString &home)
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config))
        config = home + QStringLiteral("/.config");
    QStringList folders{QDir::cleanPath(config + QStringLiteral("/mozilla/firefox"))};
    for (const char *suffix : profileRoots) {
        const QString folder = QDir::cleanPath(home + QLatin1String(suffix));
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

QStringList cookieHosts(const QString &host)
{
    QStringList hosts;
    for (QStringView rest(host); !rest.isEmpty();) {
        hosts << rest.toString() << u'.' + rest.toString();
        const qsizetype dot = rest.indexOf(u'.');
        if (dot < 0)
            break;
        rest = rest.mid(dot + 1);
    }
    return hosts;
}

ReadResult readCookies(const QString &databasePath, const QStringList &hosts, const ReadLimits &limits)
{
    const QDeadlineTimer deadline(limits.deadline);
    const QTemporaryDir folder;
    if (!folder.isValid())
        return noCopy(folder.errorString());
    const QString copy = folder.filePath(QStringLiteral("cookies.sqlite"));
    if (std::optional<ReadResult> failure = copyFile(databasePath, copy, true, limits, deadline))
        return *failure;
    if (std::optional<ReadResult> failure
        = copyFile(databasePath + QStringLiteral("-wal"), copy + QStringLiteral("-wal"), false, limits, deadline))
        return *failure;

    return Reader(limits, deadline).read(copy, hosts);
}

} // namespace tolvane::FirefoxCookies
