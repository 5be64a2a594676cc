#include "NameBuilder.h"

#include "lookup/TitleParsing.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace tolvane {

namespace {

QString withoutSquareBrackets(QString text)
{
    text.remove(QLatin1Char('['));
    text.remove(QLatin1Char(']'));
    return text.trimmed();
}

// A lone UTF-16 surrogate (possible in JSON from a service) cannot be written as UTF-8: the file
// on disk would get U+FFFD instead and no longer match the name shown.
QString withoutLoneSurrogates(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            result.append(c);
            result.append(text.at(++i));
        } else if (!c.isSurrogate()) {
            result.append(c);
        }
    }
    return result;
}

// Bidirectional controls and zero-width characters (category Cf) would make a name look like
// another one (U+202E reverses what follows, U+200B hides between letters): dropped.
QString withoutFormatCharacters(const QString &text)
{
    const auto isFormat = [](QChar c) { return c.category() == QChar::Other_Format; };
    if (std::none_of(text.cbegin(), text.cend(), isFormat))
        return text;
    QString result = text;
    result.removeIf(isFormat);
    return result;
}

bool inRange(QChar c, char16_t first, char16_t last)
{
    return c.unicode() >= first && c.unicode() <= last;
}

// A title from a service may carry terminal escape sequences ("ESC[31m", "ESC]0;text BEL"):
// dropping only their control characters would leave "31m" or "0;text" in the name, so each
// sequence goes whole. ESC followed by @ to _ is the 7-bit form of the C1 control U+0080 + (c - @).
QString withoutEscapeSequences(const QString &text)
{
    const auto introduces = [](QChar c) { return c == u'\x1b' || inRange(c, 0x80, 0x9f); };
    if (std::none_of(text.cbegin(), text.cend(), introduces))
        return text;
    QString result;
    result.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto skipWhile = [&](char16_t first, char16_t last) {
        while (i < n && inRange(text.at(i), first, last))
            ++i;
    };
    while (i < n) {
        const QChar c = text.at(i++);
        if (!introduces(c)) {
            result.append(c);
            continue;
        }
        char16_t control = c.unicode();
        if (control == 0x1b) {
            if (i < n && inRange(text.at(i), 0x40, 0x5f)) {
                control = text.at(i++).unicode() + 0x40;
            } else { // ESC, intermediates, one final character ("ESC ( B")
                skipWhile(0x20, 0x2f);
                if (i < n && inRange(text.at(i), 0x30, 0x7e))
                    ++i;
                continue;
            }
        }
        if (control == 0x9b) { // CSI: parameters, intermediates, one final character
            skipWhile(0x30, 0x3f);
            skipWhile(0x20, 0x2f);
            if (i < n && inRange(text.at(i), 0x40, 0x7e))
                ++i;
        } else if (control == 0x90 || control == 0x98 || (control >= 0x9d && control <= 0x9f)) {
            // A string (OSC, DCS, SOS, PM, APC) runs to BEL or the string terminator.
            for (; i < n; ++i) {
                if (text.at(i) == u'\a' || text.at(i) == QChar(0x9c))
                    break;
                if (text.at(i) == u'\x1b' && i + 1 < n && text.at(i + 1) == u'\\') {
                    ++i;
                    break;
                }
            }
            ++i;
        }
    }
    return result;
}


// A name starting with a dot is hidden: the file would drop out of every later scan.
QString withoutLeadingDots(QString text)
{
    qsizetype start = 0;
    while (start < text.size() && (text.at(start) == QLatin1Char('.') || text.at(start).isSpace()))
        ++start;
    text.remove(0, start);
    return text;
}

} // namespace

QString outsideText(const QString &text)
{
    return withoutLoneSurrogates(withoutFormatCharacters(withoutEscapeSequences(text)));
}

QString titleForFileName(const QString &title, std::optional<int> year)
{
    return withoutLeadingDots(withoutSquareBrackets(cleanTitleForFileName(outsideText(title), year)));
}

std::optional<QString> sanitizedPostfix(const std::optional<QString> &text)
{
    static const QRegularExpression removed(QStringLiteral(R"([/\\:*?"<>|\[\]()])"));
    static const QRegularExpression whitespace(
        QStringLiteral(R"(\s+)"), QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression control(QStringLiteral(R"(\p{Cc})"));
    if (!text)
        return std::nullopt;
    QString result = outsideText(*text).trimmed();
    if (result.isEmpty())
        return std::nullopt;
    result.remove(removed);
    result.replace(whitespace, QStringLiteral("_"));
    // Whitespace controls became "_" above; any other control character has no place in a file name.
    result.remove(control);
    while (result.startsWith(QLatin1Char('_')) || result.startsWith(QLatin1Char('.')))
        result.remove(0, 1);
    while (result.endsWith(QLatin1Char('_')))
        result.chop(1);
    if (result.isEmpty())
        return std::nullopt;
    return result;
}

QString appendPostfix(const QString &base, const std::optional<QString> &postfix)
{
    const std::optional<QString> p = sanitizedPostfix(postfix);
    if (!p)
        return base;
    if (base.isEmpty())
        return *p;
    return base + QLatin1Char('_') + *p;
}

QString proposedBaseName(const QString &title, std::optional<int> year, const std::optional<QString> &altTitle,
    const std::optional<QString> &postfix, bool override)
{
    if (override)
        return sanitizedPostfix(postfix).value_or(QString());

    QString t = titleForFileName(title, year);
    if (t.isEmpty()) {
        const QString base = year ? QStringLiteral("(%1)").arg(*year) : QString();
        return appendPostfix(base, postfix);
    }
    if (altTitle) {
        const QString trimmed = altTitle->trimmed();
        if (!trimmed.isEmpty()) {
            const QString a = withoutSquareBrackets(
                cleanTitleForFileName(outsideText(trimmed), std::nullopt));
            if (!a.isEmpty() && t.compare(a, Qt::CaseInsensitive) != 0)
                t += QLatin1Char('[') + a + QLatin1Char(']');
        }
    }
    if (year)
        t += QStringLiteral("(%1)").arg(*year);
    return appendPostfix(t, postfix);
}

bool isPlainFileName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return false;
    }
    return withoutLoneSurrogates(name) == name;
}

std::optional<QString> proposedFileName(
    const MovieMatch &match, const QString &postfix, bool override, const QString &extension)
{
    QString base
        = withoutLoneSurrogates(proposedBaseName(match.title, match.year, match.selectedAltTitle, postfix, override));
    base.replace(QLatin1Char(' '), QLatin1Char('_'));
    if (base.isEmpty())
        return std::nullopt;
    const QString dottedExtension = extension.startsWith(QLatin1Char('.')) ? extension : QLatin1Char('.') + extension;
    const QString name = base + dottedExtension.toLower();
    if (!isPlainFileName(name))
        return std::nullopt;
    return name;
}

QString matchBaseName(const MovieMatch &match)
{
    return proposedBaseName(match.title, match.year, match.selectedAltTitle, std::nullopt, false);
}

QString replySummary(const EngineReply &reply)
{
    switch (reply.status.kind()) {
    case EngineReplyStatus::Kind::pending:
        return QStringLiteral("…");
    case EngineReplyStatus::Kind::failed:
        return reply.status.message();
    case EngineReplyStatus::Kind::success:
        break;
    }
    const MovieMatch &match = *reply.status.match();
    const QString prefix = QLatin1Char('[') + rawValue(match.site) + QStringLiteral("] ");
    if (reply.candidates.size() < 2)
        return prefix + matchBaseName(match);
    //: A reply's best title, then how many titles the reply offers.
    return prefix
        + QCoreApplication::translate("NameBuilder", "%1  ·  %n titles", nullptr, int(reply.candidates.size()))
              .arg(match.title);
}

} // namespace tolvane
