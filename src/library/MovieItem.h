#pragma once

#include "core/Records.h"
#include "library/ServerNames.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <memory>
#include <optional>

namespace tolvane {

class MovieItem;

/// What the user chose on a row, as one value: copied to the row a rename makes, put back by an
/// undo, reset for a new lookup. The picked candidate and the selected alternative title live in
/// the replies' matches.
struct RowChoices {
    QString extraTokens;
    QList<EngineReply> engineReplies;
    std::optional<SearchEngine> chosenEngine;
    QString namePostfix;
    bool namePostfixOverride = false;

    bool operator==(const RowChoices &) const = default;
};

/// How a row's new name is laid out: the layout, and whether server layouts put the film in a folder.
struct NamingOptions {
    LibraryLayout layout = LibraryLayout::flat;
    bool filmFolders = true;

    bool operator==(const NamingOptions &) const = default;
    /// The layout and folder settings as stored (AppSettings).
    static NamingOptions fromSettings();
};

/// The list showing a row, told of each listedFieldsChanged() by a plain call (rowChanged). A list of tens of
/// thousands of rows would otherwise make, and at the next intake undo, a connection per row:
/// that cost more than the rest of putting the rows on screen.
class RowWatcher {
public:
    virtual void rowChanged(MovieItem *item) = 0;

protected:
    ~RowWatcher() = default;
};

/// One video file in the list. Shared by the list, the detail views and the row's running
/// lookup (held by `std::shared_ptr`, so a removed row stays valid for work still holding it).
/// Lives on the main thread; every change of a published field is signalled.
class MovieItem : public QObject {
    Q_OBJECT
public:
    /// A row for the file at these exact path bytes (names need not be valid UTF-8).
    explicit MovieItem(QByteArray nativePath, QObject *parent = nullptr);
    /// A row for a file URL as `fileURL()` makes them.
    explicit MovieItem(const QUrl &url, QObject *parent = nullptr);

    const QUuid &id() const { return m_id; }
    /// The one list showing this row, or null; that list clears it when the row leaves it or the
    /// list goes away (a removed row may outlive both while a lookup holds it).
    RowWatcher *rowWatcher() const { return m_rowWatcher; }
    void setRowWatcher(RowWatcher *watcher) { m_rowWatcher = watcher; }
    /// The file as a URL holding its exact path bytes (see core/FilePaths.h).
    QUrl url() const;
    /// The exact path bytes: what every file system call uses.
    const QByteArray &nativePath() const { return m_nativePath; }
    /// The file name as text (a readable decoding when the bytes are not UTF-8).
    const QString &originalName() const { return m_originalName; }
    const QString &searchStem() const { return m_searchStem; }
    /// The file's extension without the dot, as written.
    QString fileExtension() const;

    // Published fields.
    const QString &extraTokens() const { return m_extraTokens; }
    const LookupStatus &status() const { return m_status; }
    const QList<EngineReply> &engineReplies() const { return m_engineReplies; }
    std::optional<SearchEngine> chosenEngine() const { return m_chosenEngine; }
    const std::optional<QString> &proposedName() const { return m_proposedName; }
    const QString &namePostfix() const { return m_namePostfix; }
    bool namePostfixOverride() const { return m_namePostfixOverride; }
    const QList<MediaInfoRow> &mediaInfo() const { return m_mediaInfo; }
    bool isRenamed() const { return m_isRenamed; }

    void setExtraTokens(const QString &value);
    void setStatus(const LookupStatus &value);
    void setEngineReplies(const QList<EngineReply> &value);
    void setChosenEngine(std::optional<SearchEngine> value);
    void setProposedName(const std::optional<QString> &value);
    void setNamePostfix(const QString &value);
    void setNamePostfixOverride(bool value);
    void setMediaInfo(const QList<MediaInfoRow> &value);
    void setIsRenamed(bool value);

    RowChoices choices() const;
    /// The choices a new lookup starts from: the extra tokens kept, `replies` in place of the
    /// replies, nothing chosen, and the edition the file name announces in the postfix.
    RowChoices freshChoices(const QList<EngineReply> &replies = {}) const;
    /// Sets every choice, then rebuilds the proposed name from them.
    void restoreChoices(const RowChoices &choices);

    // Naming.
    /// Sets the layout and rebuilds the proposed name.
    void setNamingOptions(const NamingOptions &options);
    const NamingOptions &namingOptions() const { return m_namingOptions; }
    /// The film folder the rename moves the file into, relative to the file's folder; empty when
    /// the file stays in its folder (flat, filmFolders off, or its folder already has that name).
    const QString &proposedFolder() const { return m_proposedFolder; }
    /// proposedFolder() + "/" + proposedName(), or proposedName() alone; empty without a name.
    QString proposedPath() const;
    /// What the row's server name is made of (title, year, TMDB id, edition, part); none without
    /// a chosen match.
    std::optional<ServerNameParts> nameParts() const;
    /// The part marker of the file name ("cd1"), empty for none.
    const QString &partWord() const { return m_partWord; }
    /// The postfix a flat name is built with: the user's postfix, then the part word unless the
    /// postfix is the whole name.
    QString flatPostfix() const;

    // Derived values.
    /// The stem, followed by the user's extra tokens when there are any.
    QString effectiveQuery() const;
    std::optional<int> yearHint() const;
    /// The lines describing the file to the AI agent: name, stem, extra tokens and year when
    /// present, and a hint when the stem looks like transliterated Russian.
    QString aiAgentInput() const;
    /// The match of the highest-priority successful engine.
    std::optional<MovieMatch> bestMatch() const;
    /// The match of the chosen engine when it succeeded, else `bestMatch()`.
    std::optional<MovieMatch> chosenMatch() const;
    bool canRename() const;
    QString statusDisplayText() const;

    // Operations. Names are built with the row's own extension.
    /// Adds a word to the extra tokens unless it is already there (ignoring case).
    void addExtraToken(const QString &token);
    /// Lets the reply of `engine` drive the name, when it succeeded.
    void useEngine(SearchEngine engine);
    /// Stores `match` as the success of `engine`, chooses that engine and rebuilds the name.
    void applyMatch(const MovieMatch &match, SearchEngine engine);
    /// Sets or clears the alternative title of the match of `engine`.
    void setSelectedAltTitle(const std::optional<QString> &alt, SearchEngine engine);
    /// Rebuilds `proposedName` (and `proposedFolder`) from `match`, or from `chosenMatch()` when
    /// none is given (after the postfix, the override switch or the layout changed).
    void updateProposedName(const std::optional<MovieMatch> &match = std::nullopt);

    // Lookup outcomes.
    /// Stores one engine's reply as it arrives; the first successful engine (by priority) drives
    /// the name unless an engine has been chosen already.
    void applyIncomingReply(const EngineReply &reply);
    /// After a completed lookup: the highest-priority successful engine drives the name, even over
    /// an earlier choice; with none, the row fails with the first failure's message.
    void applyFinalChoice();

Q_SIGNALS:
    void extraTokensChanged();
    void statusChanged();
    void engineRepliesChanged();
    void chosenEngineChanged();
    /// The proposed name or the proposed folder changed.
    void proposedNameChanged();
    void namePostfixChanged();
    void namePostfixOverrideChanged();
    void mediaInfoChanged();
    void isRenamedChanged();
    /// After any change of what a list row shows: status, replies, chosen engine, proposed name or
    /// the renamed mark. The row's watcher, if any, is told first.
    void listedFieldsChanged();

private:
    const EngineReply *firstReply(SearchEngine engine) const;
    /// Makes the first reply of `engine`, if any, a success carrying `match`; candidates stay.
    void storeSuccess(SearchEngine engine, const MovieMatch &match);
    void announceListedChange();
    std::optional<ServerNameParts> namePartsFor(const MovieMatch &match) const;
    void setProposed(const std::optional<QString> &name, const QString &folder);

    QUuid m_id;
    QString m_extraTokens;
    LookupStatus m_status;
    QList<EngineReply> m_engineReplies;
    std::optional<SearchEngine> m_chosenEngine;
    std::optional<QString> m_proposedName;
    QString m_namePostfix;
    bool m_namePostfixOverride = false;
    QList<MediaInfoRow> m_mediaInfo;
    bool m_isRenamed = false;
    QByteArray m_nativePath;
    mutable QUrl m_url; // made when first asked for: an intake of thousands of rows needs none
    QString m_originalName;
    QString m_searchStem;
    QString m_partWord;
    QString m_detectedEdition;
    NamingOptions m_namingOptions;
    QString m_proposedFolder;
    RowWatcher *m_rowWatcher = nullptr;
};

using MovieItemPtr = std::shared_ptr<MovieItem>;

} // namespace tolvane
