#include "BrowserCookies.h"

#include "services/FirefoxCookies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {

using Status = BrowserCookies::Status;

namespace {

// Real cookie files stay far below this; anything larger is not one, and reading it whole
// would only exhaust memory.
constexpr qint64 largestFileSize = 256 * 1024 * 1024;

// What tells one version of the file from another without reading it. The size is kept as well
// because a rewrite within the file system's timestamp granularity leaves the time unchanged.
struct FileStamp {
    qint64 seconds = 0;
    qint64 nanoseconds = 0;
    qint64 size = 0;

    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

struct Probe {
    bool exists = false;
    std::optional<FileStamp> stamp;
};

Probe probe(const QString &path)
{
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        const timespec &modified = info.st_mtim;
        return {true, FileStamp{modified.tv_sec, modified.tv_nsec, qint64(info.st_size)}};
    }
    // The system may refuse even to look at the file (macOS does so without Full Disk Access).
    // It counts as present then, so that the read reports the refusal instead of "not found".
    if (errno == EACCES || errno == EPERM)
        return {true, std::nullopt};
    return {};
}

struct FileContents {
    QByteArray bytes;
    std::optional<Status> failure;
};

QString systemErrorText(int error)
{
    return BrowserCookies::tr("The file could not be read: %1")
        .arg(QString::fromStdString(std::generic_category().message(error)));
}

Status readFailure(int error)
{
    return error == EACCES || error == EPERM ? Status::permissionDenied() : Status::parseError(systemErrorText(error));
}

// POSIX calls rather than QFile, so that a refused read keeps its errno and can be told apart
// from other failures. Only regular files are read: a FIFO would block and a device never end.
FileContents readWholeFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {{}, readFailure(errno)};
    const auto fail = [fd](const Status &status) {
        ::close(fd);
        return FileContents{{}, status};
    };

    struct stat info { };
    if (::fstat(fd, &info) != 0)
        return fail(readFailure(errno));
    if (!S_ISREG(info.st_mode))
        return fail(Status::parseError(BrowserCookies::tr("The cookie file is not a regular file")));
    const auto tooLarge = Status::parseError(BrowserCookies::tr("The file is too large to be a cookie file"));
    if (info.st_size > largestFileSize)
        return fail(tooLarge);

    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return fail(readFailure(errno));
        if (count == 0)
            break;
        if (bytes.size() + count > largestFileSize)
            return fail(tooLarge);
        bytes.append(buffer, qsizetype(count));
    }
    ::close(fd);
    return {bytes, std::nullopt};
}

/// The cookies of one load, with an index from domain (leading dot dropped) to their positions, so
/// that a request looks only at the cookies of its host's domains, not at every cookie in the file.
struct CookieIndex {
    QList<Cookie> cookies;
    QHash<QString, QList<qsizetype>> byDomain;

    explicit CookieIndex(QList<Cookie> list)
        : cookies(std::move(list))
    {
        for (qsizetype i = 0; i < cookies.size(); ++i) {
            const QString &domain = cookies[i].domain;
            byDomain[domain.startsWith(u'.') ? domain.mid(1) : domain].append(i);
        }
    }
};

// Lookups ask a handful of hosts; a bound keeps a stream of odd ones from growing every query.
constexpr qsizetype mostWantedHosts = 1024;

} // namespace

struct BrowserCookies::State {
    QMutex mutex;
    /// Held while a file is read (taken before `mutex`, never while it is held), so that callers
    /// who find the file changed wait for that one read instead of each making their own.
    QMutex readMutex;
    std::shared_ptr<const CookieIndex> index = std::make_shared<CookieIndex>(QList<Cookie>());
    Status status = Status::disabled();
    /// The file the status is about, as it was when read; a load with both unchanged reads nothing,
    /// whatever the status, so a damaged or empty file is not read again on every request.
    std::optional<QString> path;
    std::optional<FileStamp> stamp;
    std::optional<FileStamp> logStamp; ///< Firefox's write-ahead log, which holds the newest cookies
    bool known = false;
    /// The browser-cookie setting as the last load was told it; off until a load says otherwise.
    bool enabled = false;
    /// The values of Firefox's host column that requests may need (FirefoxCookies::cookieHosts),
    /// and those whose cookies the cache holds.
    QSet<QString> wanted;
    QSet<QString> readHosts;
    std::atomic<int> fileReads{0};

    void store(QList<Cookie> cookies, const Status &loaded)
    {
        index = std::make_shared<CookieIndex>(std::move(cookies));
        status = loaded;
    }
};

namespace {

/// The file to read: Safari's where there is one, else the default Firefox profile's database.
struct Source {
    QString path;
    Probe found;
    std::optional<FileStamp> logStamp;
    std::optional<QString> firefoxProfile;
    QString firefoxFolder; ///< as Status::firefoxFolder
};

/// When a database was last written: a running Firefox writes its log, not the database itself.
qint64 lastChange(const Source &source)
{
    qint64 newest = -1;
    for (const std::optional<FileStamp> &stamp : {source.found.stamp, source.logStamp}) {
        if (stamp)
            newest = std::max(newest, stamp->seconds * 1'000'000'000 + stamp->nanoseconds);
    }
    return newest;
}

QString shownPath(const QString &path, const QString &home)
{
    return path.startsWith(home + u'/') ? u'~' + path.mid(home.size()) : path;
}

std::optional<Source> findSource(const QString &home)
{
    for (const char *suffix : BrowserCookies::fileLocations) {
        const QString path = home + QLatin1String(suffix);
        if (const Probe found = probe(path); found.exists)
            return Source{path, found, std::nullopt, std::nullopt, {}};
    }
    // A profile folder left by an older release may sit beside the one in use: the database
    // written last tells them apart.
    std::optional<Source> newest;
    int candidates = 0;
    for (const QString &root : FirefoxCookies::profileFolders(home)) {
        QFile ini(root + QStringLiteral("/profiles.ini"));
        // profiles.ini is a few lines; a larger one is not Firefox's and is passed over.
        if (!QFileInfo(ini).isFile() || ini.size() > 1024 * 1024 || !ini.open(QIODevice::ReadOnly))
            continue;
        const std::optional<FirefoxCookies::Profile> profile
            = FirefoxCookies::defaultProfile(QString::fromUtf8(ini.readAll()), root);
        if (!profile)
            continue;
        const QString path = profile->directory + QStringLiteral("/cookies.sqlite");
        const Probe found = probe(path);
        if (!found.exists)
            continue;
        ++candidates;
        Source source{path, found, probe(path + QStringLiteral("-wal")).stamp, profile->name, shownPath(root, home)};
        if (!newest || lastChange(source) > lastChange(*newest))
            newest = std::move(source);
    }
    if (newest && candidates < 2)
        newest->firefoxFolder.clear();
    return newest;
}

Status readSource(const Source &source, const QStringList &hosts, QList<Cookie> &cookies)
{
    if (source.firefoxProfile) {
        FirefoxCookies::ReadResult read = FirefoxCookies::readCookies(source.path, hosts);
        Status status = read.failure ? Status::parseError(*read.failure)
                                     : Status::loadedFromFirefox(read.total, source.path, *source.firefoxProfile);
        if (read.permissionDenied)
            status.kind = Status::Case::permissionDenied;
        status.firefoxProfile = *source.firefoxProfile;
        status.firefoxFolder = source.firefoxFolder;
        cookies = std::move(read.cookies);
        return status;
    }
    FileContents contents = readWholeFile(source.path);
    if (contents.failure)
        return *contents.failure;
    try {
        cookies = parseBinaryCookies(contents.bytes);
        return Status::loaded(cookies.size(), source.path);
    } catch (BinaryCookiesError error) {
        return Status::parseError(binaryCookiesErrorText(error));
    }
}

} // namespace

// The lock is taken only to look at or replace the cache, never around file work, so one slow
// disk does not stall every request.
Status BrowserCookies::loadEnabled(bool force)
{
    State &shared = *m_state;
    const std::optional<Source> source = findSource(QDir::homePath());
    if (!source) {
        QMutexLocker lock(&shared.mutex);
        shared.store({}, Status::notFound());
        shared.known = false;
        return shared.status;
    }

    QMutexLocker reading(&shared.readMutex);
    QSet<QString> hosts;
    {
        QMutexLocker lock(&shared.mutex);
        hosts = shared.wanted;
        const bool hostsRead = !source->firefoxProfile || shared.readHosts.contains(hosts);
        if (!force && shared.known && shared.path == source->path && shared.stamp == source->found.stamp
            && shared.logStamp == source->logStamp && hostsRead)
            return shared.status;
    }

    ++shared.fileReads;
    QList<Cookie> cookies;
    const Status status = readSource(*source, hosts.values(), cookies);

    QMutexLocker lock(&shared.mutex);
    shared.store(std::move(cookies), status);
    shared.readHosts = std::move(hosts);
    shared.path = source->path;
    shared.stamp = source->found.stamp;
    shared.logStamp = source->logStamp;
    shared.known = true;
    return status;
}

namespace {

bool domainMatches(const QString &host, const QString &domain)
{
    if (domain.startsWith(u'.')) {
        // "." alone would otherwise match every fully qualified host name ending in a dot.
        return domain.size() > 1 && (host == QStringView(domain).mid(1) || host.endsWith(domain));
    }
    return !domain.isEmpty()
        && (host == domain
            || (host.endsWith(domain) && host.size() > domain.size() && host[host.size() - domain.size() - 1] == u'.'));
}

// A name or value with control characters would break the header line (CR and LF could even
// smuggle in further headers), and ";" or "=" in the wrong place would forge extra cookie pairs.
bool fitsInHeader(const Cookie &cookie)
{
    const auto clean = [](const QString &text) {
        return std::none_of(
            text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f || c == u';'; });
    };
    return clean(cookie.name) && clean(cookie.value) && !cookie.name.contains(u'=');
}

/// The header from the cookies that may apply, in file order.
std::optional<QString> headerFor(const QList<const Cookie *> &candidates, const QUrl &url, const QDateTime &now);

} // namespace

QString BrowserCookies::Status::displayText() const
{
    switch (kind) {
    case Case::loaded:
        if (!firefoxFolder.isEmpty())
            return BrowserCookies::tr(
                "Loaded %n cookies from Firefox (%1 in %2, the one used most recently)", nullptr, int(count))
                .arg(firefoxProfile, firefoxFolder);
        if (!firefoxProfile.isEmpty())
            return BrowserCookies::tr("Loaded %n cookies from Firefox (%1)", nullptr, int(count)).arg(firefoxProfile);
        return BrowserCookies::tr("Status: loaded %n cookies\n%1", nullptr, int(count)).arg(path);
    case Case::parseError:
        return BrowserCookies::tr("Status: parse error — %1").arg(message);
    case Case::disabled:
        return BrowserCookies::tr("Status: disabled");
    case Case::notFound:
        return BrowserCookies::tr("No browser cookies found (Firefox profile or Cookies.binarycookies)");
    case Case::permissionDenied:
        // Only macOS asks for Full Disk Access; elsewhere the refused file is named.
        if (!message.isEmpty())
            return BrowserCookies::tr("Status: permission denied — %1").arg(message);
        return BrowserCookies::tr("Status: permission denied (need Full Disk Access)");
    }
    return {};
}

QString BrowserCookies::Status::caseName() const
{
    switch (kind) {
    case Case::loaded:
        return QStringLiteral("loaded");
    case Case::parseError:
        return QStringLiteral("parseError");
    case Case::disabled:
        return QStringLiteral("disabled");
    case Case::notFound:
        return QStringLiteral("notFound");
    case Case::permissionDenied:
        return QStringLiteral("permissionDenied");
    }
    return {};
}

QString BrowserCookies::Status::sourceName() const
{
    if (!firefoxProfile.isEmpty())
        return QStringLiteral("firefox");
    const bool fileFound = kind == Case::loaded || kind == Case::parseError || kind == Case::permissionDenied;
    return fileFound ? QStringLiteral("binarycookies") : QString();
}

BrowserCookies::BrowserCookies()
    : m_state(std::make_unique<State>())
{
}

BrowserCookies::~BrowserCookies() = default;

Status BrowserCookies::load(bool enabled, bool force)
{
    State &shared = *m_state;
    {
        QMutexLocker lock(&shared.mutex);
        shared.enabled = enabled;
        if (!enabled) {
            shared.store({}, Status::disabled());
            shared.known = false;
            return shared.status;
        }
    }
    return loadEnabled(force);
}

Status BrowserCookies::load(bool enabled)
{
    return load(enabled, false);
}

Status BrowserCookies::reload(bool enabled)
{
    return load(enabled, true);
}

void BrowserCookies::wantCookiesFor(const QStringList &hosts)
{
    State &shared = *m_state;
    QMutexLocker lock(&shared.mutex);
    for (const QString &host : hosts) {
        for (const QString &value : FirefoxCookies::cookieHosts(host.toLower())) {
            if (shared.wanted.size() < mostWantedHosts)
                shared.wanted.insert(value);
        }
    }
}

std::optional<QString> BrowserCookies::cookieHeader(const QUrl &url)
{
    // Cookie files hold host names in their ASCII (punycode) form.
    const QString host = url.host(QUrl::FullyEncoded).toLower();
    State &shared = *m_state;
    {
        QMutexLocker lock(&shared.mutex);
        if (!shared.enabled)
            return std::nullopt;
    }
    wantCookiesFor({host});
    loadEnabled(false);
    std::shared_ptr<const CookieIndex> index;
    {
        QMutexLocker lock(&shared.mutex);
        index = shared.index;
    }
    QList<qsizetype> positions;
    for (qsizetype dot = -1; !host.isEmpty();) {
        const auto found = index->byDomain.constFind(host.mid(dot + 1));
        if (found != index->byDomain.cend())
            positions.append(*found);
        dot = host.indexOf(u'.', dot + 1);
        if (dot < 0)
            break;
    }
    // In file order again, which decides between cookies of equal domains.
    std::sort(positions.begin(), positions.end());
    QList<const Cookie *> candidates;
    candidates.reserve(positions.size());
    for (const qsizetype position : std::as_const(positions))
        candidates.append(&index->cookies[position]);
    return headerFor(candidates, url, QDateTime::currentDateTimeUtc());
}

std::optional<QString> BrowserCookies::cookieHeaderFor(
    const QList<Cookie> &cookies, const QUrl &url, const QDateTime &now)
{
    QList<const Cookie *> candidates;
    candidates.reserve(cookies.size());
    for (const Cookie &cookie : cookies)
        candidates.append(&cookie);
    return headerFor(candidates, url, now);
}

namespace {

std::optional<QString> headerFor(const QList<const Cookie *> &candidates, const QUrl &url, const QDateTime &now)
{
    const QString host = url.host(QUrl::FullyEncoded).toLower();
    if (host.isEmpty())
        return std::nullopt;
    const QString path = url.path().isEmpty() ? QStringLiteral("/") : url.path();

    QList<const Cookie *> matches;
    for (const Cookie *cookie : candidates) {
        if (cookie->expires && *cookie->expires < now)
            continue;
        if (domainMatches(host, cookie->domain) && path.startsWith(cookie->path) && fitsInHeader(*cookie))
            matches.append(cookie);
    }

    // Shortest domain first, so that for each name the most specific domain is written last and wins.
    std::stable_sort(matches.begin(), matches.end(),
        [](const Cookie *a, const Cookie *b) { return a->domain.size() < b->domain.size(); });
    QStringList names;
    QHash<QString, QString> values;
    for (const Cookie *cookie : matches) {
        if (!values.contains(cookie->name))
            names.append(cookie->name);
        values.insert(cookie->name, cookie->value);
    }
    if (names.isEmpty())
        return std::nullopt;

    QStringList pairs;
    for (const QString &name : names)
        pairs.append(name + u'=' + values.value(name));
    return pairs.join(QStringLiteral("; "));
}

} // namespace

std::optional<QString> BrowserCookies::lastFile() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->known ? m_state->path : std::nullopt;
}

int BrowserCookies::fileReads() const
{
    return m_state->fileReads;
}

} // namespace tolvane
