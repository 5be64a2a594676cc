#include "ServerNames.h"

#include "library/NameBuilder.h"
#include "lookup/TitleParsing.h"

#include <QRegularExpression>
#include <QVarLengthArray>
#include <QXmlStreamWriter>

#include <algorithm>
#include <iterator>
#include <string_view>


namespace tolvane {

namespace {

struct EditionForm {
    std::initializer_list<const char *> words;
    const char *edition;
    bool afterYearOnly = false; ///< a word titles use too ("The Ultimate Gift")
};

// Longer forms first, so that "Extended Cut" is one edition and not "Extended" and a stray "Cut".
const EditionForm editionForms[] = {
    {{"directors", "cut"}, "Director's Cut"},
    {{"director", "cut"}, "Director's Cut"},
    {{"extended", "cut"}, "Extended"},
    {{"extended", "edition"}, "Extended"},
    {{"extended"}, "Extended"},
    {{"unrated"}, "Unrated"},
    {{"theatrical", "cut"}, "Theatrical"},
    {{"theatrical"}, "Theatrical"},
    {{"final", "cut"}, "Final Cut"},
    {{"remastered"}, "Remastered"},
    {{"special", "edition"}, "Special Edition"},
    {{"ultimate", "edition"}, "Ultimate"},
    {{"ultimate", "cut"}, "Ultimate"},
    {{"ultimate"}, "Ultimate", true}, // as server names write it: "Film (2009) - Ultimate"
    {{"imax"}, "IMAX"},
    {{"criterion"}, "Criterion"},
};

bool inRange(QChar c, char16_t first, char16_t last)
{
    return c.unicode() >= first && c.unicode() <= last;
}

bool isYearWord(const QString &word)
{
    static const QRegularExpression year(QStringLiteral("^(19|20)\\d\\d$"));
    return year.match(word).hasMatch();
}

// Brackets and braces would end a server's tag early: "[tmdbid-603]", "{edition-…}".
QString withoutTagBrackets(QString text)
{
    text.removeIf([](QChar c) { return c == u'[' || c == u']' || c == u'{' || c == u'}'; });
    return text.simplified();
}

QString serverTitle(const ServerNameParts &parts)
{
    // Braces go first: "{.x}" would otherwise leave a hidden name once they are gone.
    return titleForFileName(withoutTagBrackets(parts.title), parts.year).simplified();
}

QString serverEdition(const ServerNameParts &parts)
{
    return withoutTagBrackets(sanitizeFileNameComponent(outsideText(parts.edition)));
}

// "The Matrix (1999)": the title with its year, when known.
QString titleAndYear(const QString &title, std::optional<int> year)
{
    return year ? QStringLiteral("%1 (%2)").arg(title).arg(*year) : title;
}

// Every edition form holds one of these: an intake of thousands of rows splits only the names that
// might name one. The name is lowered to ASCII first (anything else becomes a space): a
// case-insensitive QString search per key cost more than the rest of making a row.
bool mayNameEdition(const QString &name)
{
    static constexpr std::string_view keys[]
        = {"cut", "extended", "unrated", "theatrical", "remastered", "edition", "imax", "criterion", "ultimate", "dc"};
    QVarLengthArray<char, 256> lower(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        lower[i] = c < 0x80 ? char(c >= u'A' && c <= u'Z' ? c + 32 : c) : ' ';
    }
    const std::string_view text(lower.data(), size_t(lower.size()));
    return std::any_of(std::begin(keys), std::end(keys),
        [&text](std::string_view key) { return text.find(key) != std::string_view::npos; });
}

} // namespace

std::optional<QString> detectedEdition(const QString &nameWithoutExtension)
{
    if (!mayNameEdition(nameWithoutExtension))
        return std::nullopt;
    static const QRegularExpression separators(QStringLiteral("[\\s._\\-()\\[\\]{}]+"));
    const QStringList raw = nameWithoutExtension.split(separators, Qt::SkipEmptyParts);
    QStringList words;
    for (const QString &word : raw)
        words.append(word.toLower().remove(u'\'').remove(u'’'));
    qsizetype year = -1; // the last year that does not start the name
    for (qsizetype i = words.size() - 1; i > 0 && year < 0; --i)
        if (isYearWord(words[i]))
            year = i;
    const auto formAt = [&](qsizetype i) -> const EditionForm * {
        for (const EditionForm &form : editionForms) {
            if (i + qsizetype(form.words.size()) > words.size())
                continue;
            const auto word = form.words.begin();
            bool same = true;
            for (qsizetype k = 0; same && k < qsizetype(form.words.size()); ++k)
                same = words[i + k] == QLatin1String(word[k]);
            if (same)
                return &form;
        }
        return nullptr;
    };
    const auto inCapitals = [&](qsizetype from, qsizetype count) {
        for (qsizetype k = from; k < from + count; ++k)
            if (raw[k] != raw[k].toUpper())
                return false;
        return true;
    };
    // The title stands first, so the first word is never an edition. Before the year (or in a name
    // without one) only what release names write as a tag counts: capitals ("Suicide Squad
    // EXTENDED (2016)") or "DC" just before the year; so "The Final Cut (2004)" stays a title.
    // After the year every form counts, and "DC" right after it.
    for (qsizetype i = 1; i < words.size(); ++i) {
        if (words[i] == u"dc" && year >= 0 && (i == year + 1 || i == year - 1))
            return QStringLiteral("Director's Cut");
        const EditionForm *form = formAt(i);
        if (!form)
            continue;
        const qsizetype count = qsizetype(form->words.size());
        if ((year >= 0 && i > year) || (!form->afterYearOnly && inCapitals(i, count)))
            return QString::fromUtf8(form->edition);
    }
    return std::nullopt;
}

std::optional<PartMarker> partMarker(const QString &nameWithoutExtension)
{
    static const QRegularExpression marker(QStringLiteral("(?:^|[\\s._\\-]+)(cd|dvd|part|pt|disc|disk)[\\s._\\-]*([1-9])$"),
        QRegularExpression::CaseInsensitiveOption);
    // Most names end in a group, a year or a bracket: only a lone last digit 1-9 may end a marker.
    const qsizetype n = nameWithoutExtension.size();
    if (n < 3 || !inRange(nameWithoutExtension[n - 1], u'1', u'9') || nameWithoutExtension[n - 2].isDigit())
        return std::nullopt;
    const QRegularExpressionMatch match = marker.match(nameWithoutExtension);
    if (!match.hasMatch() || match.capturedStart() == 0)
        return std::nullopt;
    return PartMarker{match.captured(1).toLower() + match.captured(2), match.capturedStart()};
}

std::optional<int> tmdbMovieId(const QUrl &page)
{
    static const QRegularExpression moviePath(QStringLiteral("/movie/(\\d+)(?:-[^/]*)?/?$"));
    const QString host = page.host().toLower();
    if (host != u"themoviedb.org" && !host.endsWith(u".themoviedb.org"))
        return std::nullopt;
    const QRegularExpressionMatch match = moviePath.match(page.path());
    bool ok = false;
    const int id = match.hasMatch() ? match.captured(1).toInt(&ok) : 0;
    return ok && id > 0 ? std::optional(id) : std::nullopt;
}

std::optional<int> tmdbIdFor(const MovieMatch &chosen, const std::optional<MovieMatch> &duckDuckGo)
{
    if (chosen.pageURL && chosen.site == CatalogSite::tmdb)
        if (const std::optional<int> own = tmdbMovieId(*chosen.pageURL))
            return own;
    if (!duckDuckGo || !duckDuckGo->pageURL || duckDuckGo->site != CatalogSite::tmdb || !chosen.year
        || duckDuckGo->year != chosen.year)
        return std::nullopt;
    const QString found = duckDuckGo->title.trimmed();
    const auto same = [&found](const QString &title) { return found.compare(title.trimmed(), Qt::CaseInsensitive) == 0; };
    if (!same(chosen.title) && std::none_of(chosen.altTitles.cbegin(), chosen.altTitles.cend(), same))
        return std::nullopt;
    return tmdbMovieId(*duckDuckGo->pageURL);
}

QString serverFolderName(LibraryLayout layout, const ServerNameParts &parts)
{
    const QString title = serverTitle(parts);
    if (layout == LibraryLayout::flat || title.isEmpty())
        return {};
    QString folder = titleAndYear(title, parts.year);
    if (layout == LibraryLayout::jellyfin && parts.tmdbId)
        folder += QStringLiteral(" [tmdbid-%1]").arg(*parts.tmdbId);
    if (layout == LibraryLayout::plex) {
        if (parts.tmdbId)
            folder += QStringLiteral(" {tmdb-%1}").arg(*parts.tmdbId);
        if (const QString edition = serverEdition(parts); !edition.isEmpty())
            folder += QStringLiteral(" {edition-%1}").arg(edition);
    }
    return folder;
}

QString serverBaseName(LibraryLayout layout, const ServerNameParts &parts)
{
    QString base = serverFolderName(layout, parts);
    if (base.isEmpty())
        return {};
    if (layout != LibraryLayout::plex)
        if (const QString edition = serverEdition(parts); !edition.isEmpty())
            base += QStringLiteral(" - ") + edition;
    if (!parts.part.isEmpty())
        base += QStringLiteral(" - ") + parts.part;
    return base;
}

QByteArray movieNfo(const ServerNameParts &parts)
{
    // XML 1.0 has no place for control characters other than tab and line breaks.
    const auto xmlText = [](const QString &text) {
        QString clean = outsideText(text).simplified();
        clean.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
        return clean;
    };
    QByteArray nfo;
    QXmlStreamWriter xml(&nfo);
    xml.setAutoFormatting(true);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("movie"));
    xml.writeTextElement(QStringLiteral("title"), xmlText(parts.title));
    if (parts.year)
        xml.writeTextElement(QStringLiteral("year"), QString::number(*parts.year));
    if (parts.tmdbId) {
        xml.writeStartElement(QStringLiteral("uniqueid"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("tmdb"));
        xml.writeAttribute(QStringLiteral("default"), QStringLiteral("true"));
        xml.writeCharacters(QString::number(*parts.tmdbId));
        xml.writeEndElement();
    }
    if (const QString edition = xmlText(parts.edition); !edition.isEmpty())
        xml.writeTextElement(QStringLiteral("edition"), edition);
    xml.writeEndElement();
    xml.writeEndDocument();
    return nfo;
}

} // namespace tolvane
