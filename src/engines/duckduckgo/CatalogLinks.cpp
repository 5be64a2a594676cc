#include "engines/duckduckgo/CatalogLinks.h"

#include "core/Text.h"
#include "engines/duckduckgo/PageGraphemes.h"
#include "lookup/ServiceHosts.h"
#include "lookup/TitleParsing.h"

#include <QRegularExpression>
#include <QHash>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <functional>
#include <tuple>
#include <vector>

namespace tolvane {

namespace {

/// How far around a link its text is looked for, in user-perceived characters on each side.
constexpr int anchorWindow = 400;

/// Longer "links" are runs of text a pattern ran into, not addresses worth reading; browsers and
/// servers give up on URLs far shorter than this.
constexpr qsizetype maximumLinkLength = 16 * 1024;

QRegularExpression compiled(const QString &pattern, bool caseInsensitive = true)
{
    // ICU meanings: \d, \s and \b must know Unicode, as on the pages these patterns read.
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (caseInsensitive)
        options |= QRegularExpression::CaseInsensitiveOption;
    QRegularExpression expression(pattern, options);
    expression.optimize();
    return expression;
}

/// `pattern` matching only at the offset a match starts from. "\G" rather than an anchoring match
/// option: with the option PCRE leaves its compiled code for the slower interpreter.
QRegularExpression anchoredAtOffset(const QString &pattern)
{
    return compiled(QStringLiteral("\\G(?:") + pattern + u')');
}

QString escaped(const QString &name)
{
    return QRegularExpression::escape(name);
}

/// VK's web name under either of its top-level domains.
QString vkWebPattern()
{
    QStringList domains;
    for (const char *domain : hosts::vkWebTopLevelDomains)
        domains.append(QString::fromLatin1(domain));
    return escaped(hosts::vkWebName) + QStringLiteral(R"(\.(?:)") + domains.join(u'|') + u')';
}

/// Tests at `at` for `literal` as a case-insensitive pattern would: ASCII letters in either case,
/// and any non-ASCII unit where the literal has a letter (caseless matching pairs a few of them, the
/// long s and the Kelvin sign, with ASCII letters). Every other unit must be the literal's own.
bool mayMatch(QStringView page, qsizetype at, QLatin1String literal)
{
    if (at < 0 || at > page.size() - literal.size())
        return false;
    for (qsizetype i = 0; i < literal.size(); ++i) {
        const char16_t c = page[at + i].unicode();
        char l = literal[i].toLatin1();
        if (l >= 'A' && l <= 'Z')
            l = char(l - 'A' + 'a');
        const bool letter = (l >= 'a' && l <= 'z');
        if (c == char16_t(l) || (letter && (c == char16_t(l - 'a' + 'A') || c >= 0x80)))
            continue;
        return false;
    }
    return true;
}


/// The characters every link form has at a fixed place, found with a vector scan; a page has few of
/// them where a link could be. Each list keeps the places that pass a test shared by its forms.
enum Anchor { colon, equalsSign, quote, anchorCount };

bool keepsAnchor(Anchor anchor, QStringView page, qsizetype at)
{
    switch (anchor) {
    case colon: // "http://" or "https://"
        return mayMatch(page, at, QLatin1String("://"))
            && (mayMatch(page, at - 4, QLatin1String("http")) || mayMatch(page, at - 5, QLatin1String("https")));
    case equalsSign: { // "/url?q=", "uddg=", "u="
        const char16_t before = at > 0 ? page[at - 1].unicode() : 0;
        return before >= 0x80 || before == u'q' || before == u'Q' || before == u'g' || before == u'G' || before == u'u'
            || before == u'U';
    }
    case quote: // "\"url\""
        return mayMatch(page, at, QLatin1String("\"url\""));
    case anchorCount:
        break;
    }
    return false;
}

using AnchorLists = std::array<std::vector<qsizetype>, anchorCount>;

AnchorLists findAnchors(QStringView page)
{
    static constexpr char16_t characters[anchorCount] = {u':', u'=', u'"'};
    AnchorLists lists;
    for (int anchor = 0; anchor < anchorCount; ++anchor) {
        const QChar character(characters[anchor]);
        for (qsizetype at = page.indexOf(character); at >= 0; at = page.indexOf(character, at + 1)) {
            if (keepsAnchor(Anchor(anchor), page, at))
                lists[anchor].push_back(at);
        }
    }
    return lists;
}

/// The places where a link form's matches may start, for one of its anchors: up to two, ascending.
using Starts = QVarLengthArray<qsizetype, 2>;

/// A link pattern and where its matches may start. Trying the pattern anchored at only those
/// places, left to right, finds exactly the matches a scan of the whole page finds: each test is
/// implied by the pattern's own text.
struct LinkPattern {
    QRegularExpression expression;
    Anchor anchor;
    std::function<Starts(QStringView page, qsizetype at)> starts;
};

/// Plain links: "http" or "https" before the colon, then "//" and one of `hosts`.
std::function<Starts(QStringView, qsizetype)> plainLinkStarts(const QStringList &hosts)
{
    QList<QByteArray> hostStarts;
    for (const QString &host : hosts)
        hostStarts.append(host.toLatin1());
    return [hostStarts](QStringView page, qsizetype at) {
        Starts starts;
        const bool hostFits = std::any_of(hostStarts.cbegin(), hostStarts.cend(),
            [&](const QByteArray &host) { return mayMatch(page, at + 3, QLatin1String(host)); });
        if (!hostFits)
            return starts;
        if (mayMatch(page, at - 5, QLatin1String("https")))
            starts.append(at - 5);
        if (mayMatch(page, at - 4, QLatin1String("http")))
            starts.append(at - 4);
        return starts;
    };
}

/// Forms whose fixed text `before` ends with the "=" at `at`, optionally after "?" or "&", and is
/// followed by one of `after`.
std::function<Starts(QStringView, qsizetype)> parameterStarts(
    QLatin1String before, QList<QLatin1String> after, bool afterQueryStart)
{
    return [before, after, afterQueryStart](QStringView page, qsizetype at) {
        Starts starts;
        const qsizetype textStart = at + 1 - before.size();
        const qsizetype start = afterQueryStart ? textStart - 1 : textStart;
        const bool fits = mayMatch(page, textStart, before)
            && std::any_of(after.cbegin(), after.cend(), [&](QLatin1String text) { return mayMatch(page, at + 1, text); })
            && (!afterQueryStart || (start >= 0 && (page[start] == u'?' || page[start] == u'&')));
        if (fits)
            starts.append(start);
        return starts;
    };
}

/// The eight link forms, in the order hits are collected: plain links, then redirects (percent-encoded
/// targets), then JSON members with escaped slashes. The redirect and JSON forms capture the target.
const QList<LinkPattern> &linkPatterns()
{
    static const QList<LinkPattern> patterns = [] {
        const QString tmdb = escaped(hosts::tmdbDomain);
        const QString kinopoisk = escaped(hosts::kinopoiskDomain);
        const QString vkVideo = escaped(hosts::vkVideoWebHost);
        const QString vkWeb = vkWebPattern();

        const QString encodedStart = QStringLiteral(R"(https?%3A%2F%2F(?:www\.)?(?:)") + tmdb
            + QStringLiteral("%2Fmovie%2F|") + kinopoisk + QStringLiteral("%2F(?:film|series)%2F|") + vkVideo
            + QStringLiteral("%2Fvideo");
        const QString e3 = encodedStart + u')';
        const QString e4 = encodedStart + u'|' + vkWeb + QStringLiteral("%2Fvideo)");
        const QString json = QStringLiteral(R"(https?:\\?/\\?/(?:www\.)?(?:)") + tmdb + QStringLiteral(R"(\\?/movie|)")
            + kinopoisk + QStringLiteral(R"(\\?/(?:film|series)|)") + vkVideo + QStringLiteral(R"(\\?/video|)") + vkWeb
            + QStringLiteral(R"(\\?/video))");
        const QString r1 = QStringLiteral(R"([^&"']+)");
        // A JSON string may escape its slashes ("\/"); without that escape allowed, only a
        // host-level prefix of such a link would ever match.
        const QString r2 = QStringLiteral(R"((?:[^"\\]|\\/)+)");

        const auto withWWW = [](const QStringList &starts) {
            QStringList hosts = starts;
            for (const QString &start : starts)
                hosts.append(QStringLiteral("www.") + start);
            return hosts;
        };
        QStringList vkWebVideo;
        for (const char *domain : hosts::vkWebTopLevelDomains) {
            const QString video = hosts::vkWebName + u'.' + QString::fromLatin1(domain) + QStringLiteral("/video");
            vkWebVideo << video << QStringLiteral("m.") + video;
        }
        const QList<QLatin1String> encodedURL{QLatin1String("http%3A%2F%2F"), QLatin1String("https%3A%2F%2F")};
        const auto jsonStarts = [](QStringView, qsizetype at) { return Starts{at}; };
        const QList<LinkPattern> texts{
            {QRegularExpression(QStringLiteral(R"(https?://(?:www\.)?)") + tmdb
                 + QStringLiteral(R"(/movie/\d+(?:-[A-Za-z0-9\-]+)?)")),
                colon, plainLinkStarts(withWWW({hosts::tmdbDomain + QStringLiteral("/movie/")}))},
            {QRegularExpression(QStringLiteral(R"(https?://(?:www\.)?)") + kinopoisk
                 + QStringLiteral(R"(/(?:film|series)/\d+/?(?:[A-Za-z0-9\-]+)?)")),
                colon, plainLinkStarts(withWWW({hosts::kinopoiskDomain + QStringLiteral("/film/"),
                    hosts::kinopoiskDomain + QStringLiteral("/series/")}))},
            {QRegularExpression(QStringLiteral(R"(https?://(?:www\.)?)") + vkVideo
                 + QStringLiteral(R"(/video-?\d+_\d+)")),
                colon, plainLinkStarts(withWWW({hosts::vkVideoWebHost + QStringLiteral("/video")}))},
            {QRegularExpression(QStringLiteral(R"(https?://(?:m\.|www\.)?)") + vkWeb + QStringLiteral(R"(/video-?\d+_\d+)")),
                colon, plainLinkStarts(withWWW(vkWebVideo))},
            {QRegularExpression(QStringLiteral(R"(/url\?q=()") + e3 + r1 + u')'), equalsSign,
                parameterStarts(QLatin1String("/url?q="), encodedURL, false)},
            {QRegularExpression(QStringLiteral("uddg=(") + e4 + r1 + u')'), equalsSign,
                parameterStarts(QLatin1String("uddg="), encodedURL, false)},
            {QRegularExpression(QStringLiteral("[?&]u=(") + e4 + r1 + u')'), equalsSign,
                parameterStarts(QLatin1String("u="), encodedURL, true)},
            {QRegularExpression(QStringLiteral(R"("url"\s*:\s*"()") + json + r2 + u')'), quote, jsonStarts},
        };
        QList<LinkPattern> list;
        for (const LinkPattern &text : texts) {
            LinkPattern pattern{anchoredAtOffset(text.expression.pattern()), text.anchor, text.starts};
            if (pattern.expression.isValid()) // a pattern that does not compile is skipped
                list.append(std::move(pattern));
        }
        return list;
    }();
    return patterns;
}

/// The Base64 redirect form, "[?&]u=a1" then the Base64 text.
const LinkPattern &base64RedirectPattern()
{
    static const LinkPattern pattern{anchoredAtOffset(QStringLiteral("[?&]u=a1([A-Za-z0-9+/=]+)")), equalsSign,
        parameterStarts(QLatin1String("u="), {QLatin1String("a1")}, true)};
    return pattern;
}

/// Calls `found` with each match of `pattern` in `page`, left to right and not overlapping, as a
/// global match over the whole page would. The page must be valid UTF-16.
template<typename Found>
void forEachMatch(const QString &page, const AnchorLists &anchors, const LinkPattern &pattern, Found found)
{
    const QStringView view(page);
    qsizetype searchFrom = 0;
    for (const qsizetype at : anchors[pattern.anchor]) {
        for (const qsizetype start : pattern.starts(view, at)) {
            if (start < searchFrom)
                continue;
            // The page was made valid UTF-16 once; PCRE would otherwise check it from here to its
            // end on every call.
            const QRegularExpressionMatch match = pattern.expression.match(
                page, start, QRegularExpression::NormalMatch, QRegularExpression::DontCheckSubjectStringMatchOption);
            if (!match.hasMatch())
                continue;
            searchFrom = match.capturedEnd(0);
            found(match);
            break;
        }
    }
}

const QRegularExpression &linkTextPattern()
{
    static const QRegularExpression expression = compiled(QStringLiteral("<a[^>]+>([^<]{3,120})</a>"));
    return expression;
}

const QRegularExpression &kinopoiskPagePath()
{
    static const QRegularExpression expression = compiled(QStringLiteral(R"(^/(film|series)/\d+)"), false);
    return expression;
}

const QRegularExpression &kinopoiskCanonicalPath()
{
    static const QRegularExpression expression
        = compiled(QStringLiteral(R"(^/(film|series)/\d+(?:/[A-Za-z0-9\-]+)?)"), false);
    return expression;
}

const QRegularExpression &vkVideoPagePath()
{
    static const QRegularExpression expression = compiled(QStringLiteral(R"(^/video-?\d+_\d+)"), false);
    return expression;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/// Standard Base64 with its padding; nothing is skipped or guessed.
std::optional<QByteArray> strictBase64(const QString &text)
{
    const qsizetype size = text.size();
    if (size == 0 || size % 4 != 0)
        return std::nullopt;
    const qsizetype firstPad = text.indexOf(u'=');
    if (firstPad >= 0 && (firstPad < size - 2 || (firstPad == size - 2 && text.back() != u'=')))
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

bool isVKWebHost(QStringView host)
{
    static const QStringList names = [] {
        QStringList list;
        for (const char *domain : hosts::vkWebTopLevelDomains)
            list.append(hosts::vkWebName + u'.' + QString::fromLatin1(domain));
        return list;
    }();
    return std::any_of(names.cbegin(), names.cend(), [host](const QString &name) {
        return host == name || (host.endsWith(name) && host.size() > name.size() && host[host.size() - name.size() - 1] == u'.');
    });
}

/// The catalogs' own host names as plain links write them, in lower case.
const QStringList &catalogHostNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const QString &host : {hosts::tmdbDomain, hosts::kinopoiskDomain, hosts::vkVideoWebHost})
            list << host << QStringLiteral("www.") + host;
        for (const char *domain : hosts::vkWebTopLevelDomains) {
            const QString host = hosts::vkWebName + u'.' + QString::fromLatin1(domain);
            list << host << QStringLiteral("www.") + host << QStringLiteral("m.") + host;
        }
        return list;
    }();
    return names;
}

/// A link's host, in lower case, and its path.
struct LinkParts {
    QStringView host;
    QStringView path;
};

/// The parts of a link written out plainly: "http://" or "https://", a catalog's own host name and
/// a path of ASCII letters, digits, "-", "_" and single slashes. A URL parser makes nothing else of
/// such a link (no escapes, port, query or fragment), so the parse, the costliest step on a page of
/// many distinct links, is skipped. Nothing for any other link.
std::optional<LinkParts> plainLinkParts(QStringView raw)
{
    qsizetype hostStart = 0;
    if (mayMatch(raw, 0, QLatin1String("https://")))
        hostStart = 8;
    else if (mayMatch(raw, 0, QLatin1String("http://")))
        hostStart = 7;
    if (hostStart == 0 || !std::all_of(raw.cbegin(), raw.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return std::nullopt;
    const qsizetype slash = raw.indexOf(u'/', hostStart);
    if (slash < 0)
        return std::nullopt;
    const QStringView host = raw.sliced(hostStart, slash - hostStart);
    const QStringList &names = catalogHostNames();
    const auto name = std::find_if(names.cbegin(), names.cend(),
        [&](const QString &known) { return host.compare(known, Qt::CaseInsensitive) == 0; });
    if (name == names.cend())
        return std::nullopt;
    const QStringView path = raw.sliced(slash);
    const bool plainPath = !path.contains(u"//") && std::all_of(path.cbegin(), path.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_'
            || c == u'/';
    });
    if (!plainPath)
        return std::nullopt;
    return LinkParts{*name, path};
}

/// The canonical page a link's host and path name: its site, the site's web host and the page path.
struct CanonicalPage {
    CatalogSite site;
    QString webHost;
    QString path;
};

std::optional<CanonicalPage> canonicalPage(QStringView host, QStringView path)
{
    if (host.contains(hosts::tmdbDomain) && path.contains(u"/movie/"))
        return CanonicalPage{CatalogSite::tmdb, hosts::tmdbWebHost, path.toString()};
    if (host.contains(hosts::kinopoiskDomain) && kinopoiskPagePath().match(path).hasMatch()) {
        const QRegularExpressionMatch page = kinopoiskCanonicalPath().match(path);
        QString canonicalPath = page.hasMatch() ? page.captured(0) : path.toString();
        if (!canonicalPath.endsWith(u'/'))
            canonicalPath += u'/';
        return CanonicalPage{CatalogSite::kinopoisk, hosts::kinopoiskWebHost, canonicalPath};
    }
    if ((host.contains(hosts::vkVideoWebHost) || isVKWebHost(host)) && vkVideoPagePath().match(path).hasMatch()) {
        const auto cut = std::find_if(path.cbegin(), path.cend(), [](QChar c) { return c == u'?' || c == u'#'; });
        return CanonicalPage{CatalogSite::vkvideo, hosts::vkVideoWebHost, path.first(cut - path.cbegin()).toString()};
    }
    return std::nullopt;
}

/// https://HOST/PATH, from a copy of the host's root: the same address, built without checking the
/// host name again for every link. Absent when no URL can be built.
std::optional<QUrl> pageURL(const CanonicalPage &page)
{
    static const QHash<QString, QUrl> roots = [] {
        QHash<QString, QUrl> urls;
        for (const QString &name : {hosts::tmdbWebHost, hosts::kinopoiskWebHost, hosts::vkVideoWebHost})
            urls.insert(name, hosts::rootURL(name));
        return urls;
    }();
    QUrl url = roots.value(page.webHost);
    url.setPath(page.path, QUrl::DecodedMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

/// Finds link texts around matches: the first link text lying wholly inside the window of 400
/// user-perceived characters on either side of a match.
class AnchorTexts {
public:
    explicit AnchorTexts(const QString &page)
        : m_page(page)
        , m_graphemes(page)
    {
    }

    QString find(qsizetype start, qsizetype length)
    {
        if (start < 0 || length < 0 || start > m_page.size() - length)
            return {};
        const qsizetype from = m_graphemes.back(start, anchorWindow);
        const qsizetype to = m_graphemes.forward(start + length, anchorWindow);
        // A window edge may fall between the halves of a surrogate pair where Qt's segmentation of
        // some scripts puts one; such a window is no text the pattern can read.
        if (splitsPair(from) || splitsPair(to))
            return {};

        const std::optional<qsizetype> first = firstTextFrom(from);
        if (!first) {
            const QRegularExpressionMatch match = linkTextPattern().match(QStringView(m_page).mid(from, to - from));
            return match.hasMatch() ? decodeHTMLEntities(match.captured(1)) : QString();
        }
        if (*first < 0 || m_texts[*first].end > to)
            return {};
        return m_texts[*first].text;
    }

private:
    struct LinkText {
        qsizetype start;
        qsizetype tagEnd; ///< the ">" of its opening tag
        qsizetype end;
        QString text;
    };

    enum class TagStart { none, found, unsure };

    /// Whether "<a" followed by at least one more character of the tag starts in [from, tagEnd).
    /// A non-ASCII character after "<" is left to the pattern to judge.
    TagStart tagStartIn(qsizetype from, qsizetype tagEnd) const
    {
        for (qsizetype at = m_page.indexOf(u'<', from); at >= 0 && at + 2 < tagEnd; at = m_page.indexOf(u'<', at + 1)) {
            const QChar next = m_page[at + 1];
            if (next == u'a' || next == u'A')
                return TagStart::found;
            if (next.unicode() >= 0x80)
                return TagStart::unsure;
        }
        return TagStart::none;
    }

    bool splitsPair(qsizetype at) const
    {
        return at > 0 && at < m_page.size() && m_page[at - 1].isHighSurrogate() && m_page[at].isLowSurrogate();
    }

    // Neighbouring links share most of their windows, so the link texts are found once, left to right,
    // from where the first window starts: all of them starting in [m_scanStart, m_scanEnd) are listed
    // in m_texts, except those starting inside a listed one. Those share its end and its text, as a
    // link text cannot contain the start of another except within its tag.

    /// The index in m_texts of the first link text of the page starting at `from` or later (-1: none),
    /// or nothing when `from` lies inside a listed text.
    std::optional<qsizetype> firstTextFrom(qsizetype from)
    {
        if (m_scanStart < 0 || from < m_scanStart || from > m_scanEnd) {
            m_texts.clear();
            m_scanStart = m_scanEnd = from;
        }
        const auto after = std::upper_bound(
            m_texts.cbegin(), m_texts.cend(), from, [](qsizetype at, const LinkText &text) { return at < text.end; });
        if (after != m_texts.cend()) {
            const qsizetype index = after - m_texts.cbegin();
            if (after->start >= from)
                return index;
            // Inside a listed text: a link text starting here or later within its opening tag is
            // that text again; without one, the next text is the first.
            switch (tagStartIn(from, after->tagEnd)) {
            case TagStart::found:
                return index;
            case TagStart::unsure:
                return std::nullopt;
            case TagStart::none:
                break;
            }
            if (index + 1 < m_texts.size())
                return index + 1;
        }
        if (m_scanEnd == m_page.size())
            return -1;
        const Scan next = nextLinkText(m_scanEnd);
        if (next.outcome == Scan::unsure)
            return std::nullopt;
        if (next.outcome == Scan::none) {
            m_scanEnd = m_page.size();
            return -1;
        }
        m_texts.append(next.text);
        m_scanEnd = next.text.end;
        return m_texts.size() - 1;
    }

    struct Scan {
        enum { found, none, unsure } outcome;
        LinkText text;
    };

    // The link-text pattern, "<a[^>]+>([^<]{3,120})</a>" without case, read directly: its match
    // at a "<a" runs to the first ">" after it, then to the first "<", which must open "</a>", with
    // 3 to 120 characters between. Case folding pairs "a" with "A" only; where a non-ASCII
    // character stands in its place the pattern itself decides (unsure).

    /// The first link text starting at `from` or later.
    Scan nextLinkText(qsizetype from)
    {
        const qsizetype size = m_page.size();
        for (qsizetype at = m_page.indexOf(u'<', from); at >= 0 && at + 1 < size; at = m_page.indexOf(u'<', at + 1)) {
            const QChar a = m_page[at + 1];
            if (a != u'a' && a != u'A') {
                if (a.unicode() >= 0x80)
                    return {Scan::unsure, {}};
                continue;
            }
            const qsizetype tagEnd = nextOf(u'>', at + 2, m_greater);
            if (tagEnd < 0)
                break; // no ">" anywhere further on: no link text either
            if (tagEnd < at + 3)
                continue;
            const qsizetype close = nextOf(u'<', tagEnd + 1, m_less);
            if (close < 0)
                break;
            const qsizetype units = close - tagEnd - 1;
            if (units < 3 || units > 240)
                continue;
            const QStringView text = QStringView(m_page).sliced(tagEnd + 1, units);
            const qsizetype characters
                = units - std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c.isLowSurrogate(); });
            if (characters < 3 || characters > 120)
                continue;
            if (close + 3 >= size || m_page[close + 1] != u'/' || m_page[close + 3] != u'>')
                continue;
            const QChar closingA = m_page[close + 2];
            if (closingA != u'a' && closingA != u'A') {
                if (closingA.unicode() >= 0x80)
                    return {Scan::unsure, {}};
                continue;
            }
            return {Scan::found, {at, tagEnd, close + 4, decodeHTMLEntities(text.toString())}};
        }
        return {Scan::none, {}};
    }

    /// The last search for a character: from where, and what it found.
    struct LastFound {
        qsizetype from = -1;
        qsizetype at = -1;
    };

    /// The first `c` at `from` or later, or -1; searches moving forward reuse the last answer while
    /// it still lies ahead.
    qsizetype nextOf(char16_t c, qsizetype from, LastFound &last)
    {
        if (last.from >= 0 && from >= last.from && (last.at < 0 || from <= last.at))
            return last.at;
        last = {from, m_page.indexOf(QChar(c), from)};
        return last.at;
    }

    const QString &m_page;
    PageGraphemes m_graphemes;
    QList<LinkText> m_texts;
    qsizetype m_scanStart = -1;
    qsizetype m_scanEnd = -1;
    LastFound m_greater;
    LastFound m_less;
};

/// The page with each unpaired surrogate (no character, but possible in a QString) replaced by
/// U+FFFD, so that the patterns may skip their own check of the text, which would refuse the page.
QString withValidUTF16(const QString &page)
{
    QString valid = page;
    for (qsizetype i = indexOfWideUnit(page); i >= 0; i = indexOfWideUnit(page, i + 1)) {
        if (page[i].isHighSurrogate() && i + 1 < page.size() && page[i + 1].isLowSurrogate())
            ++i;
        else if (page[i].isSurrogate())
            valid[i] = QChar::ReplacementCharacter;
    }
    return valid;
}

} // namespace

std::optional<QString> percentDecoded(const QString &text)
{
    if (!text.contains(u'%'))
        return text;
    const QByteArray encoded = text.toUtf8();
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            bytes.append(encoded[i]);
            continue;
        }
        const int high = i + 2 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(encoded[i + 2]) : -1;
        if (low < 0)
            return std::nullopt;
        bytes.append(char(high * 16 + low));
        i += 2;
    }
    return strictUtf8(bytes);
}

std::optional<std::pair<QUrl, CatalogSite>> canonicalCatalogURL(const QString &rawLink)
{
    std::optional<CanonicalPage> page;
    if (const std::optional<LinkParts> parts = plainLinkParts(rawLink)) {
        page = canonicalPage(parts->host, parts->path);
    } else {
        QString raw = rawLink;
        raw.replace(QStringLiteral("\\/"), QStringLiteral("/"));
        raw = percentDecoded(raw).value_or(raw);
        const qsizetype ampersand = raw.indexOf(u'&');
        if (ampersand >= 0)
            raw.truncate(ampersand);

        // Strict: text with spaces or markup that a redirect pattern ran into is no address.
        const QUrl url(raw, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty())
            return std::nullopt;
        page = canonicalPage(url.host().toLower(), url.path(QUrl::FullyDecoded));
    }
    if (!page)
        return std::nullopt;
    const std::optional<QUrl> url = pageURL(*page);
    if (!url)
        return std::nullopt;
    return std::pair{*url, page->site};
}

QList<CatalogHit> extractCatalogHits(const QString &text)
{
    const QString page = withValidUTF16(text);
    const AnchorLists anchorLists = findAnchors(page);
    // Every hit comes from a match at one of the anchors: as many hits at most, within reason.
    qsizetype anchorCount = 0;
    for (const std::vector<qsizetype> &list : anchorLists)
        anchorCount += qsizetype(list.size());
    const qsizetype expectedHits = std::min<qsizetype>(anchorCount, 1 << 16);
    QList<CatalogHit> hits;
    hits.reserve(expectedHits);
    // One page per canonical address. All addresses of a site share scheme and host and have no
    // query or fragment, so their encoded paths tell them apart.
    std::array<QSet<QString>, 4> seenPaths;
    AnchorTexts anchors(page);

    const auto addHit = [&](const QUrl &url, const QString &encodedPath, CatalogSite site,
                            const QRegularExpressionMatch &match) {
        QSet<QString> &seen = seenPaths[size_t(site)];
        if (seen.isEmpty())
            seen.reserve(expectedHits);
        const qsizetype before = seen.size();
        seen.insert(encodedPath);
        if (seen.size() == before)
            return;
        hits.append({url, anchors.find(match.capturedStart(0), match.capturedLength(0)), site});
    };

    QSet<QString> rawLinksSeen;
    const auto collect = [&](QStringView rawLink, const QRegularExpressionMatch &match) {
        if (rawLink.size() > maximumLinkLength)
            return;
        // A plain link needs no parse, and its path is already written as its address prints it.
        if (const std::optional<LinkParts> parts = plainLinkParts(rawLink)) {
            if (const std::optional<CanonicalPage> canonical = canonicalPage(parts->host, parts->path)) {
                if (const std::optional<QUrl> url = pageURL(*canonical))
                    addHit(*url, canonical->path, canonical->site, match);
            }
            return;
        }
        // A link already seen adds nothing, and pages repeat each result's link several times.
        const QString raw = rawLink.toString();
        const qsizetype before = rawLinksSeen.size();
        rawLinksSeen.insert(raw);
        if (rawLinksSeen.size() == before)
            return;
        if (const auto canonical = canonicalCatalogURL(raw))
            addHit(canonical->first, canonical->first.path(QUrl::FullyEncoded), canonical->second, match);
    };

    for (const LinkPattern &pattern : linkPatterns()) {
        const bool hasGroup = pattern.expression.captureCount() > 0;
        forEachMatch(page, anchorLists, pattern, [&](const QRegularExpressionMatch &match) {
            if (hasGroup && match.hasCaptured(1)) {
                const QString group = match.captured(1);
                if (group.size() <= maximumLinkLength)
                    collect(percentDecoded(group).value_or(group), match);
            } else {
                collect(match.capturedView(0), match);
            }
        });
    }

    forEachMatch(page, anchorLists, base64RedirectPattern(), [&](const QRegularExpressionMatch &match) {
        if (match.capturedLength(1) > maximumLinkLength * 2)
            return;
        const std::optional<QByteArray> bytes = strictBase64(match.captured(1));
        const std::optional<QString> link = bytes ? strictUtf8(*bytes) : std::nullopt;
        if (link)
            collect(*link, match);
    });
    return hits;
}

} // namespace tolvane
