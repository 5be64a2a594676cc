#pragma once

#include "services/BinaryCookies.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tolvane::FirefoxCookies {

/// The profile whose cookies are read: its name for the status line and its folder.
struct Profile {
    QString name;
    QString directory; ///< absolute
    friend bool operator==(const Profile &, const Profile &) = default;
};

/// Where Firefox keeps its profiles, relative to the home directory: the distribution's package,
/// the snap and the flatpak, in the order they are tried.
inline constexpr const char *profileRoots[] = {
    "/.mozilla/firefox",
    "/snap/firefox/common/.mozilla/firefox",
    "/.var/app/org.mozilla.firefox/.mozilla/firefox",
};

/// The profile Firefox starts with, from the text of `profiles.ini` in `root`: the default of the
/// first install section, else the profile marked Default=1, else the only profile. Relative paths
/// are resolved against `root`. None when the text names no such profile.
std::optional<Profile> defaultProfile(const QString &iniText, const QString &root);

/// What reading a cookie database gave: the cookies, or why there are none.
struct ReadResult {
    QList<Cookie> cookies;
    std::optional<QString> failure; ///< a sentence for the status line
    bool permissionDenied = false;
};

/// Reads the cookies of `databasePath` (a `cookies.sqlite`) from a private copy of it and of its
/// write-ahead log, so that a running Firefox and its lock are never touched. Cookies of
/// containers and private windows are left out. Blocking; thread-safe.
ReadResult readCookies(const QString &databasePath);

} // namespace tolvane::FirefoxCookies
