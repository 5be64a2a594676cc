#include "engines/duckduckgo/CatalogPageText.h"

#include "lookup/TitleParsing.h"

#include <QRegularExpression>

namespace tolvane {

namespace {

const QList<QRegularExpression> &pageTitlePatterns()
{
    static const QList<QRegularExpression> patterns = [] {
        const QStringList texts{
            QStringLiteral(R"(<meta[^>]+property=["']og:title["'][^>]+content=["']([^"']+)["'])"),
            QStringLiteral(R"(<meta[^>]+content=["']([^"']+)["'][^>]+property=["']og:title["'])"),
            QStringLiteral("<title>([^<]+)</title>"),
        };
        QList<QRegularExpression> list;
        for (const QString &text : texts) {
            QRegularExpression expression(
                text, QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
            expression.optimize();
            list.append(std::move(expression));
        }
        return list;
    }();
    return patterns;
}

const QRegularExpression &pageYearPattern()
{
    static const QRegularExpression expression(
        QStringLiteral(R"(\((\d{4})\))"), QRegularExpression::UseUnicodePropertiesOption);
    return expression;
}

/// The word with its first character in upper case; "ß" may become "SS", as in titles elsewhere.
QString capitalized(const QString &word)
{
    const qsizetype first = word.size() > 1 && word.front().isHighSurrogate() ? 2 : 1;
    return word.left(first).toUpper() + word.mid(first);
}

} // namespace

std::optional<QString> tmdbSlugTitle(const QUrl &pageURL)
{
    const QStringList pieces = pageURL.path(QUrl::FullyDecoded).split(u'/', Qt::SkipEmptyParts);
    const qsizetype movie = pieces.indexOf(QStringLiteral("movie"));
    if (movie < 0 || movie + 1 >= pieces.size())
        return std::nullopt;
    const QString &slug = pieces[movie + 1];
    const qsizetype dash = slug.indexOf(u'-');
    if (dash < 0 || dash + 1 == slug.size())
        return std::nullopt;

    QStringList words = slug.mid(dash + 1).replace(u'-', u' ').split(u' ', Qt::SkipEmptyParts);
    for (QString &word : words)
        word = capitalized(word);
    return words.join(u' ');
}

std::optional<QString> extractPageTitle(const QString &page)
{
    for (const QRegularExpression &pattern : pageTitlePatterns()) {
        const QRegularExpressionMatch match = pattern.match(page);
        if (match.hasMatch() && match.hasCaptured(1))
            return decodeHTMLEntities(match.captured(1));
    }
    return std::nullopt;
}

std::optional<int> extractYearFromPage(const QString &page)
{
    const QRegularExpressionMatch match = pageYearPattern().match(page);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const int year = match.captured(1).toInt(&ok, 10); // digits of other scripts do not convert
    return ok ? std::optional(year) : std::nullopt;
}

} // namespace tolvane
