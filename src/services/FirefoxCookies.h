#pragma once

#include "services/BinaryCookies.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace tolvane::FirefoxCookies {

/// The profile whose cookies are read: its name for the status line and its folder.
struct Profile {
    QString name;
    QString directory; ///< absolute
    friend bool operator==(const Profile &, const Profile &) = default;
};

/// Where older Firefox releases keep their profiles, relative to the home directory: the
/// distribution's package, the snap and the flatpak, each under its own configuration folder too.
inline constexpr const char *profileRoots[] = {
    "/.mozilla/firefox",
    "/snap/firefox/common/.config/mozilla/firefox",
    "/snap/firefox/common/.mozilla/firefox",
    "/.var/app/org.mozilla.firefox/config/mozilla/firefox",
    "/.var/app/org.mozilla.firefox/.mozilla/firefox",
};

/// Every folder that may hold a `profiles.ini`: `$XDG_CONFIG_HOME/mozilla/firefox` first (where
/// current releases start out; `~/.config` when the variable is unset or relative), then
/// `profileRoots` under `home`.
QStringList profileFolders(const QString &home);

/// The profile Firefox starts with, from the text of `profiles.ini` in `root`: the default of the
/// first install section, else the profile marked Default=1, else the only profile. Relative paths
/// are resolved against `root`. None when the text names no such profile.
std::optional<Profile> defaultProfile(const QString &iniText, const QString &root);

/// The values of the `host` column that may hold cookies for a request to `host`: the host itself
/// and each parent domain, with and without the leading dot of a domain cookie.
QStringList cookieHosts(const QString &host);

/// What reading a cookie database gave: the cookies, or why there are none.
struct ReadResult {
    QList<Cookie> cookies; ///< of the hosts asked only
    qsizetype total = 0; ///< every cookie the database holds for an ordinary window
    std::optional<QString> failure; ///< a sentence for the status line
    bool permissionDenied = false;
};

/// Bounds on a read, so that no database, however made, holds a lookup up or fills the memory.
struct ReadLimits {
    std::chrono::milliseconds deadline{3000};
    qint64 rowCap = 100'000; ///< browsers keep a few thousand cookies
    qint64 largestFile = 128 * 1024 * 1024;
};

/// Reads the cookies whose `host` is one of `hosts` (lower case, as cookieHosts gives them) from
/// `databasePath` (a `cookies.sqlite`),
/// from a private copy of it and of its write-ahead log, so that a running Firefox and its lock
/// are never touched. Only a table `moz_cookies` with the columns Firefox writes is read.
/// Cookies of containers and private windows are left out. Blocking; thread-safe.
ReadResult readCookies(const QString &databasePath, const QStringList &hosts, const ReadLimits &limits = {});

} // namespace tolvane::FirefoxCookies
