#pragma once

#include <QCoroTask>
#include <QString>

#include <chrono>
#include <optional>

namespace tolvane {

/// Keeps the Yandex AI API key in the desktop's Secret Service (GNOME Keyring, KWallet) through
/// QtKeychain, and in the settings file (readable by its owner only) where none answers. The key
/// in the keyring is held in memory once loaded, so AppSettings::yandexAPIKey() stays a quick
/// synchronous read; every keyring call is awaited, never waited for.
class ApiKeyStore {
public:
    enum class Location { settingsFile, keyring };

    /// settingsFile until load() has found a Secret Service that answers.
    static Location location();
    /// Where the key is kept, for the user: "the keyring (Secret Service)" or "the settings file PATH".
    static QString locationText();

    /// Looks for a Secret Service on the session bus; when one answers within `timeout`, reads the
    /// key from it and moves a key found in the settings file into it (the file's copy is removed
    /// only once the keyring holds it). Call once at start, on a thread with an event loop.
    static QCoro::Task<Location> load(std::chrono::milliseconds timeout = std::chrono::seconds(20));

    /// Stores `key`, trimmed, where the key is kept; an empty key removes it. Readers see the new
    /// key at once. A keyring that fails the write leaves the key in the settings file instead.
    static QCoro::Task<Location> store(QString key);

    /// Removes the key from the keyring and from the settings file.
    static QCoro::Task<> clear();

    /// The key as the keyring holds it; none while the settings file is where it lives.
    static std::optional<QString> keyringKey();

    /// The keyring entry: service "Tolvane", key "yandexAIAPIKey", or, for a settings file other
    /// than the user's own (tests, a custom XDG_CONFIG_HOME), a key naming that file, so that such
    /// runs never touch the user's key.
    static QString entryName();
    static inline const QString serviceName = QStringLiteral("Tolvane");

    /// Back to the settings file, as at process start.
    static void forgetForTesting();
};

} // namespace tolvane
