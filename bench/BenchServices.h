#pragma once
// What the benchmarks that run lookups against the fake services share: a private home, and the
// agent's settings and the transport pointed at the fakes.

#include "FakeServices.h"

#include "settings/AppSettings.h"

#include <QFile>
#include <QTemporaryDir>

namespace tolvane::bench {

/// Settings and state go under `home`, never the user's. Call before the application object.
inline void useHome(const QTemporaryDir &home)
{
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath(QStringLiteral(".state"))));
}

/// Gives the agent a key, folder and prompt, turns cookies off and sends every request to
/// `services` (the transport reads where at its first request).
inline void useFakeServices(const FakeServices &services)
{
    AppSettings::storeText(AppSettings::yandexAIAPIKey, QStringLiteral("AQVN-bench"));
    AppSettings::storeText(AppSettings::yandexAIFolderID, QStringLiteral("b1g-bench"));
    AppSettings::storeText(AppSettings::yandexAIPromptID, QStringLiteral("fvt-bench"));
    AppSettings::storeUseSafariCookies(false);
    qputenv("TOLVANE_TEST_SERVICES", services.origin().toUtf8());
}

} // namespace tolvane::bench
