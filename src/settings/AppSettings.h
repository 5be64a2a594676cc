#pragma once

#include "core/Records.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace tolvane {

/// Named readers over the preferences store (QSettings, organization and application "Tolvane").
/// Nothing is cached: every reader goes to the store, so a saved value applies to the next read.
/// The one exception is the API key once ApiKeyStore has found a keyring: it is then read from
/// memory. Safe to call from any thread.
class AppSettings {
public:
    static inline const QString defaultYandexEndpoint
        = QStringLiteral("https://rest-assistant.api.cloud.yandex.net/v1/responses");

    static inline const QString yandexAIAPIKey = QStringLiteral("yandexAIAPIKey");
    static inline const QString yandexAIFolderID = QStringLiteral("yandexAIFolderID");
    static inline const QString yandexAIPromptID = QStringLiteral("yandexAIPromptID");
    static inline const QString yandexAIEndpointURL = QStringLiteral("yandexAIEndpointURL");
    static inline const QString useSafariCookiesKey = QStringLiteral("useSafariCookies");
    static inline const QString moveCompanionFilesKey = QStringLiteral("moveCompanionFiles");
    static inline const QString libraryLayoutKey = QStringLiteral("libraryLayout");
    static inline const QString filmFoldersKey = QStringLiteral("filmFolders");
    static inline const QString writeNfoKey = QStringLiteral("writeNfo");
    static inline const QString languageKey = QStringLiteral("language");
    /// The values `language` takes: the session's language, English, Russian.
    static inline const QStringList languages
        = {QStringLiteral("system"), QStringLiteral("en"), QStringLiteral("ru")};
    /// The window's own keys, kept apart from the preferences the command line lists and sets.
    static inline const QString windowGeometryKey = QStringLiteral("windowGeometry");
    static inline const QString windowSplitKey = QStringLiteral("windowSplit");

    /// The keys this application stores, in the order the reset walks them.
    static QStringList allKeys();

    /// The key from the keyring when ApiKeyStore keeps it there, else from the settings file.
    static QString yandexAPIKey();
    static QString yandexFolderID();
    static QString yandexPromptID();
    /// The stored endpoint trimmed, or the default when absent or blank.
    static QString yandexEndpointURL();
    static bool hasYandexAPIKey();
    /// True unless the user turned the option off.
    static bool useSafariCookies();
    /// True unless the user turned it off: subtitles and .nfo files move with their video.
    static bool moveCompanionFiles();
    /// How renamed films are laid out; flat unless a media server's layout was chosen (an unknown
    /// stored value reads as flat).
    static LibraryLayout libraryLayout();
    /// True unless turned off: in a server layout each film moves into a folder of its own.
    static bool filmFolders();
    /// False unless turned on: a rename writes an .nfo file beside the video.
    static bool writeNfo();
    /// The language the interface is shown in: one of `languages`, "system" unless another was
    /// stored (an unknown stored value reads as "system").
    static QString language();

    /// Stores a text setting as the settings window's Save does: trimmed; a blank endpoint is
    /// stored as the default. Returns false for a key that is not a text setting. The file is kept
    /// readable by its owner only (it holds the API key); a failed write is told by flush().
    /// The API key goes where ApiKeyStore keeps it (the keyring is written in the background).
    static bool storeText(const QString &key, const QString &value);
    static void storeUseSafariCookies(bool value);
    static void storeMoveCompanionFiles(bool value);
    static void storeLibraryLayout(LibraryLayout layout);
    static void storeFilmFolders(bool value);
    static void storeWriteNfo(bool value);
    /// Stores one of `languages` (trimmed, any case); false, storing nothing, for any other value.
    static bool storeLanguage(const QString &language);

    /// The window's size and place (QWidget::saveGeometry) and the split between its list and
    /// panel (QSplitter::saveState) as last stored; empty when none was.
    static QByteArray windowGeometry();
    static QByteArray windowSplit();
    /// Stores both, unless the settings were reset since `resetsSeen` (resetCount() when the
    /// window read them): a window closing after a reset must not write its old layout back.
    static void storeWindowLayout(const QByteArray &geometry, const QByteArray &split, quint64 resetsSeen);
    /// How many times resetAll() has run in this process.
    static quint64 resetCount();

    /// The settings file, which holds the API key where no keyring answers.
    static QString fileName();
    /// The API key as the settings file holds it, whatever ApiKeyStore keeps.
    static QString fileAPIKey();
    /// Writes the API key to the settings file (an empty key is stored as such) or removes it.
    static void storeFileAPIKey(const QString &key);
    static void removeFileAPIKey();

    /// Writes pending changes now. None when everything written since the last flush is in the
    /// file; else a one-line reason naming the settings file (a folder in its place, a read-only
    /// folder).
    static std::optional<QString> flush();

    /// Clears every key the application has stored, not only allKeys(), and writes through to disk.
    /// The keyring's copy of the API key is forgotten here; ApiKeyStore::clear() removes it.
    static void resetAll();
    /// Starts a new copy of the application with the same arguments, then quits this one. The new
    /// copy finds this process's id in the environment variable `relaunchedVariable`.
    static void relaunchApp();
    static inline const QString relaunchedVariable = QStringLiteral("TOLVANE_RELAUNCHED_BY");
};

} // namespace tolvane
