#pragma once

#include "services/BinaryCookies.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

namespace tolvane {

/// Reads the browser's cookies so that web requests carry the user's own: Safari's cookie file
/// where there is one, else the default Firefox profile's database. The app and the command line
/// each make one, held by shared_ptr, and hand it to the lookups, the settings window and the
/// `cookies` command; it keeps the parsed cookies and reads the file again only when it changes.
/// Every member is synchronous, thread-safe and never throws; callers keep them off the GUI thread,
/// and work queued on a pool holds the object by its shared_ptr, so it never outlives it.
class BrowserCookies {
    Q_DECLARE_TR_FUNCTIONS(BrowserCookies)

public:
    /// The outcome of the last load, shown in the settings window.
    struct Status {
        enum class Case { loaded, parseError, disabled, notFound, permissionDenied };

        Case kind = Case::disabled;
        qsizetype count = 0; ///< loaded only
        QString path; ///< loaded only: the file that was read
        QString message; ///< parseError, and permissionDenied from Firefox
        QString firefoxProfile; ///< the Firefox profile read (loaded, parseError, permissionDenied); else empty
        /// The Firefox folder read from, as shown ("~/.config/mozilla/firefox"), when more than one held
        /// a profile and the one used most recently was taken; else empty.
        QString firefoxFolder;

        static Status loaded(qsizetype count, const QString &path) { return {Case::loaded, count, path, {}, {}, {}}; }
        static Status loadedFromFirefox(qsizetype count, const QString &path, const QString &profile)
        {
            return {Case::loaded, count, path, {}, profile, {}};
        }
        static Status parseError(const QString &message) { return {Case::parseError, 0, {}, message, {}, {}}; }
        static Status disabled() { return {Case::disabled, 0, {}, {}, {}, {}}; }
        static Status notFound() { return {Case::notFound, 0, {}, {}, {}, {}}; }
        static Status permissionDenied() { return {Case::permissionDenied, 0, {}, {}, {}, {}}; }

        QString displayText() const;
        /// "loaded", "parseError", "disabled", "notFound" or "permissionDenied".
        QString caseName() const;
        /// What was read: "firefox" or "binarycookies"; "" when no file was found or the option is off.
        QString sourceName() const;

        friend bool operator==(const Status &, const Status &) = default;
    };

    /// Where the cookie file may be, relative to the home directory, in the order they are tried.
    static constexpr const char *fileLocations[] = {
        "/Library/Containers/com.apple.Safari/Data/Library/Cookies/Cookies.binarycookies",
        "/Library/Cookies/Cookies.binarycookies",
    };

    BrowserCookies();
    ~BrowserCookies();
    BrowserCookies(const BrowserCookies &) = delete;
    BrowserCookies &operator=(const BrowserCookies &) = delete;

    /// Refreshes the cookies from the cookie file under QDir::homePath() unless `enabled` (the user's
    /// browser-cookie setting) is off, and reports how that went. Safari's locations come first; when
    /// neither exists, the `cookies.sqlite` of the default Firefox profile is read (of the most recently
    /// used one when several folders hold profiles), only the cookies of the hosts asked so far. A file
    /// whose path, size and modification time (and those of Firefox's write-ahead log) are those of the
    /// last read is not read again, whatever that read gave, unless a host was asked since. Callers
    /// that come while a file is read wait for that read instead of making their own.
    Status load(bool enabled);

    /// As load, but reads the file even when it looks unchanged (the settings window's
    /// "Reload cookies").
    Status reload(bool enabled);

    /// Adds hosts whose cookies requests will ask for, so that the next read of Firefox's database
    /// takes them along; cookieHeader adds its URL's host itself.
    void wantCookiesFor(const QStringList &hosts);

    /// The value of a "Cookie" request header for `url` from the cookies read (refreshed first when
    /// the file changed), or none when the last load was told the setting is off, or no cookie applies.
    /// Looks only at the cookies of the URL's host and its parent domains.
    std::optional<QString> cookieHeader(const QUrl &url);

    /// The matching behind cookieHeader, free of files and clocks: keeps unexpired cookies whose
    /// domain and path cover the URL, lets the most specific domain win per name, and joins them.
    static std::optional<QString> cookieHeaderFor(const QList<Cookie> &cookies, const QUrl &url, const QDateTime &now);

    /// The file the last status is about (read, or failed to read); none when no file was found.
    std::optional<QString> lastFile() const;

    /// How many times this object has read a cookie file.
    int fileReads() const;

private:
    struct State;

    Status load(bool enabled, bool force);
    Status loadEnabled(bool force);

    const std::unique_ptr<State> m_state;
};

} // namespace tolvane
