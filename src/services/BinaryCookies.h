#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace tolvane {

/// One browser cookie, as Safari's cookie file or Firefox's database holds it.
struct Cookie {
    QString name; ///< never empty
    QString value;
    QString domain; ///< lower-cased; may start with "."
    QString path; ///< "/" when the file gives none
    std::optional<QDateTime> expires; ///< UTC; absent for session cookies
    bool secure = false;
    bool httpOnly = false; ///< known from Firefox only; requests send these cookies all the same

    friend bool operator==(const Cookie &, const Cookie &) = default;
};

/// Why a cookie file could not be read at all; damaged records inside a readable file are skipped instead.
enum class BinaryCookiesError { badMagic, truncated };

/// A sentence for the user, since the error values carry no text of their own.
QString binaryCookiesErrorText(BinaryCookiesError error);

/// Parses the bytes of a `Cookies.binarycookies` file into its cookies, in file order.
/// Throws BinaryCookiesError when the file is not a cookie file or is cut short.
QList<Cookie> parseBinaryCookies(const QByteArray &data);

} // namespace tolvane
