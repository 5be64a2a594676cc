#include "MovieItem.h"

#include "core/FilePaths.h"
#include "core/Year.h"
#include "library/NameBuilder.h"
#include "library/SearchStem.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace tolvane {

namespace {

// Assigns and signals only when the value really changes, so views redraw only when needed.
template<typename T, typename Signal> bool assign(MovieItem *item, T &field, const T &value, Signal signal)
{
    if (field == value)
        return false;
    field = value;
    Q_EMIT(item->*signal)();
    return true;
}

} // namespace

NamingOptions NamingOptions::fromSettings()
{
    return {AppSettings::libraryLayout(), AppSettings::filmFolders()};
}

MovieItem::MovieItem(QByteArray nativePath, QObject *parent)
    : QObject(parent)
    , m_id(uniqueID())
    , m_nativePath(std::move(nativePath))
    , m_originalName(readableName(nativeFileName(m_nativePath)))
{
    const QString base = deletingPathExtension(m_originalName);
    // The parts of one film search alike: "cd1" would only mislead the engines.
    const std::optional<PartMarker> part = partMarker(base);
    if (part)
        m_partWord = part->word;
    m_searchStem = deriveSearchStem(QStringView(base).first(part ? part->start : base.size()));
    if (std::optional<QString> edition = detectedEdition(base)) {
        m_detectedEdition = std::move(*edition);
        m_namePostfix = m_detectedEdition;
    }
}

MovieItem::MovieItem(const QUrl &url, QObject *parent)
    : MovieItem(tolvane::nativePath(url), parent)
{
}

QUrl MovieItem::url() const
{
    if (m_url.isEmpty())
        m_url = fileURL(m_nativePath);
    return m_url;
}

QString MovieItem::fileExtension() const
{
    return pathExtension(m_originalName);
}

void MovieItem::setExtraTokens(const QString &value)
{
    assign(this, m_extraTokens, value, &MovieItem::extraTokensChanged);
}

void MovieItem::setStatus(const LookupStatus &value)
{
    if (assign(this, m_status, value, &MovieItem::statusChanged))
        announceListedChange();
}

void MovieItem::setEngineReplies(const QList<EngineReply> &value)
{
    if (assign(this, m_engineReplies, value, &MovieItem::engineRepliesChanged))
        announceListedChange();
}

void MovieItem::setChosenEngine(std::optional<SearchEngine> value)
{
    if (assign(this, m_chosenEngine, value, &MovieItem::chosenEngineChanged))
        announceListedChange();
}

void MovieItem::setProposedName(const std::optional<QString> &value)
{
    if (assign(this, m_proposedName, value, &MovieItem::proposedNameChanged))
        announceListedChange();
}

void MovieItem::setNamePostfix(const QString &value)
{
    assign(this, m_namePostfix, value, &MovieItem::namePostfixChanged);
}

void MovieItem::setNamePostfixOverride(bool value)
{
    assign(this, m_namePostfixOverride, value, &MovieItem::namePostfixOverrideChanged);
}

void MovieItem::setMediaInfo(const QList<MediaInfoRow> &value)
{
    assign(this, m_mediaInfo, value, &MovieItem::mediaInfoChanged);
}

void MovieItem::setIsRenamed(bool value)
{
    if (assign(this, m_isRenamed, value, &MovieItem::isRenamedChanged))
        announceListedChange();
}

RowChoices MovieItem::choices() const
{
    return {m_extraTokens, m_engineReplies, m_chosenEngine, m_namePostfix, m_namePostfixOverride};
}

RowChoices MovieItem::freshChoices(const QList<EngineReply> &replies) const
{
    return {m_extraTokens, replies, std::nullopt, m_detectedEdition, false};
}

void MovieItem::restoreChoices(const RowChoices &choices)
{
    setExtraTokens(choices.extraTokens);
    setEngineReplies(choices.engineReplies);
    setChosenEngine(choices.chosenEngine);
    setNamePostfix(choices.namePostfix);
    setNamePostfixOverride(choices.namePostfixOverride);
    updateProposedName();
}

void MovieItem::announceListedChange()
{
    if (m_rowWatcher)
        m_rowWatcher->rowChanged(this);
    Q_EMIT listedFieldsChanged();
}

QString MovieItem::effectiveQuery() const
{
    const QString tokens = m_extraTokens.trimmed();
    return tokens.isEmpty() ? m_searchStem : m_searchStem + QLatin1Char(' ') + tokens;
}

std::optional<int> MovieItem::yearHint() const
{
    if (auto year = detectedYear(m_originalName))
        return year;
    if (auto year = detectedYear(m_searchStem))
        return year;
    return detectedYear(m_extraTokens);
}

QString MovieItem::aiAgentInput() const
{
    static const QRegularExpression asciiLetter(QStringLiteral("[A-Za-z]"));
    static const QRegularExpression cyrillic(
        QStringLiteral(R"(\p{Cyrillic})"), QRegularExpression::UseUnicodePropertiesOption);

    QStringList lines{QStringLiteral("filename: ") + m_originalName, QStringLiteral("stem: ") + m_searchStem};
    const QString tokens = m_extraTokens.trimmed();
    if (!tokens.isEmpty())
        lines.append(QStringLiteral("extra_tokens: ") + tokens);
    if (const std::optional<int> year = yearHint())
        lines.append(QStringLiteral("year_hint: %1").arg(*year));
    if (m_searchStem.contains(asciiLetter) && !m_searchStem.contains(cyrillic))
        lines.append(QStringLiteral("hint: transliterated Russian movie filename; restore Cyrillic title"));
    return lines.join(QLatin1Char('\n'));
}

const EngineReply *MovieItem::firstReply(SearchEngine engine) const
{
    for (const EngineReply &reply : m_engineReplies) {
        if (reply.engine == engine)
            return &reply;
    }
    return nullptr;
}

std::optional<MovieMatch> MovieItem::bestMatch() const
{
    for (SearchEngine engine : allSearchEngines) {
        const EngineReply *reply = firstReply(engine);
        if (reply && reply->status.isSuccess())
            return *reply->status.match();
    }
    return std::nullopt;
}

std::optional<MovieMatch> MovieItem::chosenMatch() const
{
    if (m_chosenEngine) {
        const EngineReply *reply = firstReply(*m_chosenEngine);
        if (reply && reply->status.isSuccess())
            return *reply->status.match();
    }
    return bestMatch();
}

bool MovieItem::canRename() const
{
    // Compared as bytes: a Latin-1 "Café.mkv" reads as the proposed "Café.mkv", yet renaming it
    // gives the file its UTF-8 name.
    return m_status.kind() == LookupStatus::Kind::ready && m_proposedName && !m_isRenamed
        && (!m_proposedFolder.isEmpty() || m_proposedName->toUtf8() != nativeFileName(m_nativePath));
}

QString MovieItem::statusDisplayText() const
{
    switch (m_status.kind()) {
    case LookupStatus::Kind::idle:
        return QStringLiteral("—");
    case LookupStatus::Kind::searching:
        return QCoreApplication::translate("MovieItem", "Searching…");
    case LookupStatus::Kind::ready:
        return m_proposedName ? proposedPath() : QStringLiteral("—");
    case LookupStatus::Kind::failed:
        return QCoreApplication::translate("MovieItem", "Error: %1").arg(m_status.message());
    }
    return {};
}

void MovieItem::addExtraToken(const QString &token)
{
    static const QRegularExpression whitespace(
        QStringLiteral(R"(\s+)"), QRegularExpression::UseUnicodePropertiesOption);
    const QString word = token.trimmed();
    if (word.isEmpty() || word == QLatin1String("/"))
        return;
    const QStringList pieces = m_extraTokens.split(whitespace, Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        if (piece.compare(word, Qt::CaseInsensitive) == 0)
            return;
    }
    const QString current = m_extraTokens.trimmed();
    setExtraTokens(current.isEmpty() ? word : current + QLatin1Char(' ') + word);
}

void MovieItem::useEngine(SearchEngine engine)
{
    const EngineReply *reply = firstReply(engine);
    if (!reply || !reply->status.isSuccess())
        return;
    const MovieMatch match = *reply->status.match(); // copied: applyMatch rewrites the reply list
    applyMatch(match, engine);
}

void MovieItem::storeSuccess(SearchEngine engine, const MovieMatch &match)
{
    QList<EngineReply> replies = m_engineReplies;
    for (EngineReply &reply : replies) {
        if (reply.engine == engine) {
            reply.status = EngineReplyStatus::success(match);
            break;
        }
    }
    setEngineReplies(replies);
}

void MovieItem::applyMatch(const MovieMatch &match, SearchEngine engine)
{
    storeSuccess(engine, match);
    setChosenEngine(engine);
    updateProposedName(match);
    setStatus(LookupStatus::ready());
    setIsRenamed(false);
}

void MovieItem::setSelectedAltTitle(const std::optional<QString> &alt, SearchEngine engine)
{
    const EngineReply *reply = firstReply(engine);
    if (!reply || !reply->status.isSuccess())
        return;
    MovieMatch match = *reply->status.match();
    const QString trimmed = alt.value_or(QString()).trimmed();
    match.selectedAltTitle = trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);

    storeSuccess(engine, match);
    if (!m_chosenEngine || *m_chosenEngine == engine)
        applyMatch(match, engine);
}

void MovieItem::setNamingOptions(const NamingOptions &options)
{
    if (m_namingOptions == options)
        return;
    m_namingOptions = options;
    updateProposedName();
}

QString MovieItem::proposedPath() const
{
    if (!m_proposedName)
        return {};
    return m_proposedFolder.isEmpty() ? *m_proposedName : m_proposedFolder + QLatin1Char('/') + *m_proposedName;
}

std::optional<ServerNameParts> MovieItem::nameParts() const
{
    const std::optional<MovieMatch> match = chosenMatch();
    return match ? namePartsFor(*match) : std::nullopt;
}

std::optional<ServerNameParts> MovieItem::namePartsFor(const MovieMatch &match) const
{
    std::optional<MovieMatch> duckDuckGo;
    if (const EngineReply *reply = firstReply(SearchEngine::duckDuckGo); reply && reply->status.isSuccess())
        duckDuckGo = *reply->status.match();
    // The postfix is the edition unless it is the whole name; spaces stay spaces in server names.
    const QString edition = m_namePostfixOverride
        ? QString()
        : sanitizedPostfix(m_namePostfix).value_or(QString()).replace(QLatin1Char('_'), QLatin1Char(' '));
    return ServerNameParts{match.title, match.year, tmdbIdFor(match, duckDuckGo), edition, m_partWord};
}

void MovieItem::setProposed(const std::optional<QString> &name, const QString &folder)
{
    if (m_proposedName == name && m_proposedFolder == folder)
        return;
    m_proposedName = name;
    m_proposedFolder = folder;
    Q_EMIT proposedNameChanged();
    announceListedChange();
}

QString MovieItem::flatPostfix() const
{
    // The part keeps the two files of one film apart.
    return m_namePostfixOverride || m_partWord.isEmpty() ? m_namePostfix : m_namePostfix + QLatin1Char(' ') + m_partWord;
}

void MovieItem::updateProposedName(const std::optional<MovieMatch> &match)
{
    const std::optional<MovieMatch> m = match ? match : chosenMatch();
    if (!m) {
        setProposed(std::nullopt, {});
        return;
    }
    const LibraryLayout layout = m_namingOptions.layout;
    if (layout == LibraryLayout::flat) {
        setProposed(proposedFileName(*m, flatPostfix(), m_namePostfixOverride, fileExtension()), {});
        return;
    }
    const ServerNameParts parts = *namePartsFor(*m);
    std::optional<QString> name;
    if (m_namePostfixOverride) {
        name = proposedFileName(*m, m_namePostfix, true, fileExtension());
    } else if (const QString base = serverBaseName(layout, parts); !base.isEmpty()) {
        const QString extension = fileExtension().toLower();
        name = extension.isEmpty() ? base : base + QLatin1Char('.') + extension;
    }
    QString folder = m_namingOptions.filmFolders ? serverFolderName(layout, parts) : QString();
    if (!name || !isPlainFileName(*name) || (!folder.isEmpty() && !isPlainFileName(folder))) {
        setProposed(std::nullopt, {});
        return;
    }
    // Looked up again inside its film's folder, a file stays there.
    if (folder.toUtf8() == nativeFileName(nativeFolder(m_nativePath)))
        folder.clear();
    setProposed(name, folder);
}

void MovieItem::applyIncomingReply(const EngineReply &reply)
{
    QList<EngineReply> replies = m_engineReplies;
    const auto same = std::find_if(
        replies.begin(), replies.end(), [&](const EngineReply &stored) { return stored.engine == reply.engine; });
    if (same != replies.end())
        *same = reply;
    else
        replies.append(reply);
    setEngineReplies(replies);

    if (m_chosenEngine) {
        // A DuckDuckGo reply can bring the TMDB id of the match already chosen.
        if (reply.engine == SearchEngine::duckDuckGo && m_namingOptions.layout != LibraryLayout::flat)
            updateProposedName();
        return;
    }
    if (const std::optional<SearchEngine> engine = preferredSuccessfulEngine(m_engineReplies))
        useEngine(*engine);
}

void MovieItem::applyFinalChoice()
{
    if (const std::optional<SearchEngine> engine = preferredSuccessfulEngine(m_engineReplies)) {
        const EngineReply *reply = firstReply(*engine);
        if (reply && reply->status.isSuccess()) {
            useEngine(*engine);
            return;
        }
    }
    for (const EngineReply &reply : std::as_const(m_engineReplies)) {
        if (reply.status.kind() == EngineReplyStatus::Kind::failed) {
            setStatus(LookupStatus::failed(reply.status.message()));
            return;
        }
    }
    setStatus(LookupStatus::failed(QCoreApplication::translate("MovieItem", "No catalog match")));
}

} // namespace tolvane
