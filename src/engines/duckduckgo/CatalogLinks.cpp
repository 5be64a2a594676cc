#include "engines/duckduckgo/CatalogLinks.h"

#include "lookup/ServiceHosts.h"
#include "lookup/TitleParsing.h"
#include "core/Text.h"

#include <QRegularExpression>
#include <QSet>
#include <QTextBoundaryFinder>

#include <algorithm>

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

/// The eight link forms, in the order hits are collected: plain links, then redirects (percent-encoded
/// targets), then JSON members with escaped slashes. The redirect and JSON forms capture the target.
const QList<QRegularExpression> &linkPatterns()
{
    static const QList<QRegularExpression> patterns = [] {
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

        const QStringList texts{
            QStringLiteral(R"(https?://(?:www\.)?)") + tmdb + QStringLiteral(R"(/movie/\d+(?:-[A-Za-z0-9\-]+)?)"),
            QStringLiteral(R"(https?://(?:www\.)?)") + kinopoisk
                + QStringLiteral(R"(/(?:film|series)/\d+/?(?:[A-Za-z0-9\-]+)?)"),
            QStringLiteral(R"(https?://(?:www\.)?)") + vkVideo + QStringLiteral(R"(/video-?\d+_\d+)"),
            QStringLiteral(R"(https?://(?:m\.|www\.)?)") + vkWeb + QStringLiteral(R"(/video-?\d+_\d+)"),
            QStringLiteral(R"(/url\?q=()") + e3 + r1 + u')',
            QStringLiteral("uddg=(") + e4 + r1 + u')',
            QStringLiteral("[?&]u=(") + e4 + r1 + u')',
            QStringLiteral(R"("url"\s*:\s*"()") + json + r2 + u')',
        };
        QList<QRegularExpression> list;
        for (const QString &text : texts) {
            QRegularExpression expression = compiled(text);
            if (expression.isValid()) // a pattern that does not compile is skipped
                list.append(std::move(expression));
        }
        return list;
    }();
    return patterns;
}

const QRegularExpression &base64RedirectPattern()
{
    static const QRegularExpression expression = compiled(QStringLiteral("[?&]u=a1([A-Za-z0-9+/=]+)"));
    return expression;
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

bool isVKWebHost(const QString &host)
{
    for (const char *domain : hosts::vkWebTopLevelDomains) {
        const QString name = hosts::vkWebName + u'.' + QString::fromLatin1(domain);
        if (host == name || host.endsWith(u'.' + name))
            return true;
    }
    return false;
}

/// Finds link texts around matches; the page's grapheme boundaries are computed once, on first use.
class AnchorTexts {
public:
    explicit AnchorTexts(const QString &page)
        : m_page(page)
    {
    }

    QString find(qsizetype start, qsizetype length)
    {
        if (start < 0 || length < 0 || start > m_page.size() - length)
            return {};

        const qsizetype from = windowStart(start);
        const qsizetype to = windowEnd(start + length);

        const QRegularExpressionMatch match = linkTextPattern().match(QStringView(m_page).mid(from, to - from));
        if (!match.hasMatch())
            return {};
        return decodeHTMLEntities(match.captured(1));
    }

private:
    /// True when every unit in [from, to) is its own user-perceived character: ASCII without CR
    /// (which joins a following LF). Result pages are mostly such text, and the finder is slow.
    bool isSimpleText(qsizetype from, qsizetype to) const
    {
        from = std::max<qsizetype>(from, 0);
        to = std::min(to, m_page.size());
        return std::all_of(
            m_page.cbegin() + from, m_page.cbegin() + to, [](QChar c) { return c.unicode() < 0x80 && c != u'\r'; });
    }

    QTextBoundaryFinder &graphemes()
    {
        if (!m_graphemes)
            m_graphemes.emplace(QTextBoundaryFinder::Grapheme, m_page);
        return *m_graphemes;
    }

    qsizetype windowStart(qsizetype start)
    {
        if (isSimpleText(start - anchorWindow - 1, start))
            return std::max<qsizetype>(start - anchorWindow, 0);
        qsizetype from = start;
        graphemes().setPosition(start);
        for (int i = 0; i < anchorWindow && from > 0; ++i)
            from = std::max<qsizetype>(graphemes().toPreviousBoundary(), 0);
        return from;
    }

    qsizetype windowEnd(qsizetype end)
    {
        if (isSimpleText(end, end + anchorWindow + 1))
            return std::min(end + anchorWindow, m_page.size());
        qsizetype to = end;
        graphemes().setPosition(end);
        for (int i = 0; i < anchorWindow && to < m_page.size(); ++i) {
            const qsizetype next = graphemes().toNextBoundary();
            to = next < 0 ? m_page.size() : next;
        }
        return to;
    }

    const QString &m_page;
    std::optional<QTextBoundaryFinder> m_graphemes;
};

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
    const QString host = url.host().toLower();
    const QString path = url.path(QUrl::FullyDecoded);

    if (host.contains(hosts::tmdbDomain) && path.contains(QStringLiteral("/movie/"))) {
        const QUrl canonical = hosts::httpsURL(hosts::tmdbWebHost, path);
        if (!canonical.isValid())
            return std::nullopt;
        return std::pair{canonical, CatalogSite::tmdb};
    }
    if (host.contains(hosts::kinopoiskDomain) && kinopoiskPagePath().match(path).hasMatch()) {
        const QRegularExpressionMatch page = kinopoiskCanonicalPath().match(path);
        QString canonicalPath = page.hasMatch() ? page.captured(0) : path;
        if (!canonicalPath.endsWith(u'/'))
            canonicalPath += u'/';
        const QUrl canonical = hosts::httpsURL(hosts::kinopoiskWebHost, canonicalPath);
        if (!canonical.isValid())
            return std::nullopt;
        return std::pair{canonical, CatalogSite::kinopoisk};
    }
    if ((host.contains(hosts::vkVideoWebHost) || isVKWebHost(host)) && vkVideoPagePath().match(path).hasMatch()) {
        QString canonicalPath = path;
        const auto cut = std::find_if(
            canonicalPath.cbegin(), canonicalPath.cend(), [](QChar c) { return c == u'?' || c == u'#'; });
        canonicalPath.truncate(cut - canonicalPath.cbegin());
        const QUrl canonical = hosts::httpsURL(hosts::vkVideoWebHost, canonicalPath);
        if (!canonical.isValid())
            return std::nullopt;
        return std::pair{canonical, CatalogSite::vkvideo};
    }
    return std::nullopt;
}

QString findAnchorText(const QString &page, qsizetype start, qsizetype length)
{
    return AnchorTexts(page).find(start, length);
}

QList<CatalogHit> extractCatalogHits(const QString &page)
{
    QList<CatalogHit> hits;
    QSet<QString> seen;
    AnchorTexts anchors(page);

    QSet<QString> rawLinksSeen;
    const auto collect = [&](const QString &rawLink, const QRegularExpressionMatch &match) {
        // A link already seen adds nothing, and pages repeat each result's link several times.
        if (rawLink.size() > maximumLinkLength || rawLinksSeen.contains(rawLink))
            return;
        rawLinksSeen.insert(rawLink);
        const auto canonical = canonicalCatalogURL(rawLink);
        if (!canonical)
            return;
        const QString key = canonical->first.toString(QUrl::FullyEncoded);
        if (seen.contains(key))
            return;
        seen.insert(key);
        hits.append(
            {canonical->first, anchors.find(match.capturedStart(0), match.capturedLength(0)), canonical->second});
    };

    for (const QRegularExpression &pattern : linkPatterns()) {
        const bool hasGroup = pattern.captureCount() > 0;
        for (auto it = pattern.globalMatch(page); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (hasGroup && match.hasCaptured(1)) {
                const QString group = match.captured(1);
                if (group.size() <= maximumLinkLength)
                    collect(percentDecoded(group).value_or(group), match);
            } else {
                collect(match.captured(0), match);
            }
        }
    }

    for (auto it = base64RedirectPattern().globalMatch(page); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength(1) > maximumLinkLength * 2)
            continue;
        const std::optional<QByteArray> bytes = strictBase64(match.captured(1));
        const std::optional<QString> link = bytes ? strictUtf8(*bytes) : std::nullopt;
        if (link)
            collect(*link, match);
    }
    return hits;
}

} // namespace tolvane
