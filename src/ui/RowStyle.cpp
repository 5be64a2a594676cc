#include "ui/RowStyle.h"

#include "library/MovieItem.h"
#include "library/NameBuilder.h"
#include "ui/NamedColors.h"

#include <QCoreApplication>

namespace tolvane {

QColor toneColor(Tone tone, const QPalette &palette)
{
    switch (tone) {
    case Tone::primary:
        return palette.color(QPalette::Text);
    case Tone::secondary:
        return secondaryTextColor(palette);
    case Tone::gray:
        return namedColor(NamedColor::gray, palette);
    case Tone::orange:
        return namedColor(NamedColor::orange, palette);
    case Tone::green:
        return namedColor(NamedColor::green, palette);
    case Tone::red:
        return namedColor(NamedColor::red, palette);
    case Tone::blue:
        return namedColor(NamedColor::blue, palette);
    }
    return palette.color(QPalette::Text);
}

RowStatusStyle rowStatusStyle(const MovieItem &item)
{
    const QString text = item.statusDisplayText();
    switch (item.status().kind()) {
    case LookupStatus::Kind::idle:
        return {text, Tone::gray, Tone::secondary};
    case LookupStatus::Kind::searching:
        return {text, Tone::orange, Tone::secondary};
    case LookupStatus::Kind::failed:
        return {text, Tone::red, Tone::red};
    case LookupStatus::Kind::ready:
        return item.isRenamed() ? RowStatusStyle{text, Tone::blue, Tone::blue}
                                : RowStatusStyle{text, Tone::green, Tone::primary};
    }
    return {text, Tone::gray, Tone::secondary};
}

BadgeStyle badgeStyle(SearchEngine engine, const QList<EngineReply> &replies, std::optional<SearchEngine> chosen)
{
    static constexpr char letters[] = {'A', 'V', 'D'};
    const QChar letter = QLatin1Char(letters[static_cast<int>(engine)]);
    const QString name = rawValue(engine);
    const auto reply = std::find_if(
        replies.begin(), replies.end(), [engine](const EngineReply &reply) { return reply.engine == engine; });
    if (reply == replies.end())
        return {letter, Tone::secondary, Tone::secondary, 0.08, name};

    switch (reply->status.kind()) {
    case EngineReplyStatus::Kind::pending:
        return {letter, Tone::orange, Tone::orange, 0.15, QCoreApplication::translate("RowStyle", "%1: searching…").arg(name)};
    case EngineReplyStatus::Kind::failed:
        return {letter, Tone::red, Tone::red, 0.12, name + QStringLiteral(": ") + reply->status.message()};
    case EngineReplyStatus::Kind::success: {
        const MovieMatch &match = *reply->status.match();
        const bool isChosen = chosen == engine;
        const QString help = isChosen
            ? QCoreApplication::translate("RowStyle", "%1: %2 (chosen)").arg(name, matchBaseName(match))
            : name + QStringLiteral(": ") + matchBaseName(match);
        return {letter, Tone::primary, Tone::green, isChosen ? 0.28 : 0.12, help};
    }
    }
    return {letter, Tone::secondary, Tone::secondary, 0.08, name};
}

} // namespace tolvane
