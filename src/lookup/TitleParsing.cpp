#include "lookup/TitleParsing.h"

#include <QRegularExpression>
#include <QStringView>
#include <QTextBoundaryFinder>

namespace tolvane {

namespace {

// Site-name tails that catalog pages and search results append to a film title (\u2014 is the em
// dash, \u00B7 the middle dot). The order matters: the separator-led forms must go before the bare
// names they contain.
constexpr QStringView titleSuffixes[] = {
    u"\u2014 The Movie Database (TMDB)",
    u"- The Movie Database (TMDB)",
    u"\u00B7 The Movie Database (TMDB)",
    u"| The Movie Database (TMDB)",
    u"The Movie Database (TMDB)",
    u"\u2014 TMDB",
    u"- TMDB",
    u"| TMDB",
    u"\u2014 VK Video",
    u"- VK Video",
    u"| VK Video",
    u"\u2014 VK",
    u"- VK",
    u"| VK",
    u"VK Video",
    u"ВКонтакте",
    u"\u2014 Кинопоиск",
    u"- Кинопоиск",
    u"| Кинопоиск",
    u"Кинопоиск",
    u"\u2014 Kinopoisk",
    u"- Kinopoisk",
    u"| Kinopoisk",
    u"Kinopoisk",
};

struct NamedEntity {
    QStringView name;
    QChar replacement;
};

constexpr NamedEntity htmlEntities[] = {
    {u"&amp;", u'&'},
    {u"&quot;", u'"'},
    {u"&#39;", u'\''},
    {u"&apos;", u'\''},
    {u"&lt;", u'<'},
    {u"&gt;", u'>'},
    {u"&nbsp;", u' '},
};

// `(*ANY)` makes `.` and `$` treat every Unicode line break as one, as ICU does; together with
// Unicode properties `\s` and `\d` get their Unicode meanings.
QRegularExpression unicodePattern(const QString &pattern)
{
    return QRegularExpression(QStringLiteral("(*ANY)") + pattern, QRegularExpression::UseUnicodePropertiesOption);
}

// The title before a trailing year: the shortest prefix, as a lazy "(.+?)" would take, but written
// so that it ends in a non-space character (or is one lone space that is not a line break). A
// plain "(.+?)\s*" is quadratic in a long run of spaces: a 100 000-space title took 16 s.
QString titleThenYear(const char *yearPart)
{
    return QStringLiteral(R"(^(.*?\S|[^\S\n\x0B\f\r\x{85}\x{2028}\x{2029}]))") + QString::fromLatin1(yearPart);
}

/// A title followed by a four-digit year in parentheses.
const QRegularExpression &yearInParentheses()
{
    static const QRegularExpression re = unicodePattern(titleThenYear(R"(\s*\((\d{4})\)\s*$)"));
    return re;
}

/// A title followed by white space and a four-digit number.
const QRegularExpression &trailingNumber()
{
    static const QRegularExpression re = unicodePattern(titleThenYear(R"(\s+(\d{4})\s*$)"));
    return re;
}

/// As `trailingNumber`, but only numbers that look like years of films.
const QRegularExpression &trailingYear()
{
    static const QRegularExpression re = unicodePattern(titleThenYear(R"(\s+((?:19|20)\d{2})\s*$)"));
    return re;
}

const QRegularExpression &whitespaceRun()
{
    static const QRegularExpression re = unicodePattern(QStringLiteral(R"(\s+)"));
    return re;
}

/// Digits outside ASCII can match `\d` but are not taken as a year.
std::optional<int> yearFromDigits(QStringView digits)
{
    bool ok = false;
    const int value = digits.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

QString trimmedSpacesOnly(QStringView text)
{
    const auto isPlainSpace = [](QChar c) { return c.isSpace() && !isLineBreak(c); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isPlainSpace(text[begin]))
        ++begin;
    while (end > begin && isPlainSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin).toString();
}

/// Counts user-perceived characters, so that one accented letter built from two code points
/// still counts as one.
bool hasAtLeastTwoCharacters(const QString &text)
{
    if (text.size() < 2)
        return false;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    const qsizetype firstBoundary = finder.toNextBoundary();
    return firstBoundary > 0 && firstBoundary < text.size();
}

struct NumericReference {
    char32_t codePoint;
    qsizetype length;
};

/// Reads "&#NNN;" or "&#xHHH;" at the start of `text`. Values that are no character (NUL,
/// surrogates, beyond U+10FFFF) are refused so that the reference stays as written.
std::optional<NumericReference> readNumericReference(QStringView text)
{
    if (text.size() < 4 || text[0] != u'&' || text[1] != u'#')
        return std::nullopt;
    qsizetype pos = 2;
    const bool hex = text[pos] == u'x' || text[pos] == u'X';
    if (hex)
        ++pos;
    const qsizetype digitsStart = pos;
    char32_t value = 0;
    for (; pos < text.size(); ++pos) {
        const char16_t c = text[pos].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            break;
        value = value * (hex ? 16 : 10) + char32_t(digit);
        if (value > 0x10FFFF)
            return std::nullopt;
    }
    if (pos == digitsStart || pos >= text.size() || text[pos] != u';')
        return std::nullopt;
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return NumericReference{value, pos + 1};
}

} // namespace

QString decodeHTMLEntities(const QString &text)
{
    qsizetype pos = text.indexOf(u'&');
    if (pos < 0)
        return text;

    // One pass from left to right: what a reference decodes to is never read again, so "&amp;lt;"
    // stays "&lt;" whatever order the entities are listed in.
    const QStringView source(text);
    QString result;
    result.reserve(text.size());
    result.append(source.first(pos));
    while (pos < source.size()) {
        const qsizetype amp = source.indexOf(u'&', pos);
        if (amp < 0) {
            result.append(source.sliced(pos));
            break;
        }
        result.append(source.sliced(pos, amp - pos));
        const QStringView rest = source.sliced(amp);

        qsizetype consumed = 0;
        for (const NamedEntity &entity : htmlEntities) {
            if (rest.startsWith(entity.name)) {
                result.append(entity.replacement);
                consumed = entity.name.size();
                break;
            }
        }
        if (consumed == 0) {
            if (const auto reference = readNumericReference(rest)) {
                result.append(QChar::fromUcs4(reference->codePoint));
                consumed = reference->length;
            }
        }
        if (consumed == 0) {
            result.append(u'&');
            consumed = 1;
        }
        pos = amp + consumed;
    }
    return result;
}

std::optional<TitleYear> parseTitleYear(const QString &text)
{
    QString s = decodeHTMLEntities(text).trimmed();
    if (s.isEmpty())
        return std::nullopt;

    // Not anchored at the end: page titles often carry more text after the site name.
    for (const QStringView suffix : titleSuffixes) {
        const qsizetype at = s.indexOf(suffix, 0, Qt::CaseInsensitive);
        if (at >= 0)
            s = s.first(at).trimmed();
    }

    if (const auto match = yearInParentheses().match(s); match.hasMatch()) {
        const QString title = match.captured(1).trimmed();
        if (!title.isEmpty())
            return TitleYear{title, yearFromDigits(match.capturedView(2))};
    }

    if (const auto match = trailingNumber().match(s); match.hasMatch()) {
        QString title = match.captured(1).trimmed();
        // "Original / Translated 1997": prefer the part after the slash unless it is too short to
        // be a title of its own.
        const qsizetype slash = title.indexOf(QStringLiteral(" / "));
        if (slash >= 0) {
            const QString after = trimmedSpacesOnly(QStringView(title).sliced(slash + 3));
            if (hasAtLeastTwoCharacters(after))
                title = after;
        }
        if (!title.isEmpty())
            return TitleYear{title, yearFromDigits(match.capturedView(2))};
    }

    if (hasAtLeastTwoCharacters(s))
        return TitleYear{s, std::nullopt};
    return std::nullopt;
}

QString sanitizeFileNameComponent(const QString &text)
{
    const QString trimmed = text.trimmed();
    QString kept;
    kept.reserve(trimmed.size());
    for (const QChar c : trimmed) {
        switch (c.unicode()) {
        case u'/':
        case u'\\':
        case u':':
        case u'*':
        case u'?':
        case u'"':
        case u'<':
        case u'>':
        case u'|':
            continue;
        default:
            break;
        }
        // Control characters have no place in a file name; the white-space ones (tab, line
        // breaks) become a plain space below instead.
        if (c.category() == QChar::Other_Control && !c.isSpace())
            continue;
        kept.append(c);
    }
    kept.replace(whitespaceRun(), QStringLiteral(" "));
    return kept;
}

QString cleanTitleForFileName(const QString &title, std::optional<int> year)
{
    QString t = sanitizeFileNameComponent(title);
    while (t.endsWith(u'.')) {
        t.chop(1);
        t = t.trimmed();
    }

    std::optional<int> y = year;
    if (const auto match = yearInParentheses().match(t); match.hasMatch()) {
        t = match.captured(1).trimmed();
        if (!y)
            y = yearFromDigits(match.capturedView(2));
    }

    // A trailing number that is not the known year is part of the title ("Blade Runner 2049").
    if (const auto match = trailingYear().match(t); match.hasMatch()) {
        const std::optional<int> g = yearFromDigits(match.capturedView(2));
        if (!(y && (!g || *g != *y))) {
            t = match.captured(1).trimmed();
            if (!y)
                y = g;
        }
    }

    if (y) {
        const QString tail = u'(' + QString::number(*y) + u')';
        if (t.endsWith(tail)) {
            t.chop(tail.size());
            t = t.trimmed();
        }
    }
    return t;
}

} // namespace tolvane
