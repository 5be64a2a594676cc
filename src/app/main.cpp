// tolvane [FILE|FOLDER]...: the desktop application. One window per user session; a second
// launch hands its files to the first and exits.

#include "app/SingleInstance.h"
#include "core/FilePaths.h"
#include "core/Text.h"
#include "library/LibraryModel.h"
#include "media/MediaProbe.h"
#include "services/BrowserCookies.h"
#include "settings/ApiKeyStore.h"
#include "settings/AppSettings.h"
#include "settings/Translations.h"
#include "ui/MainWindow.h"
#include "ui/WidgetDesktopServices.h"

#include <QApplication>
#include <QCoroTask>
#include <QDir>
#include <QIcon>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <signal.h>
#include <thread>
#include <unistd.h>

using namespace tolvane;

namespace {

QString usage()
{
    return QCoreApplication::translate("tolvane",
        "Usage: tolvane [FILE|FOLDER]...\n"
        "Opens the Tolvane window with these video files and folders in its list.\n"
        "\n"
        "  --help     show this help\n"
        "  --version  show the version\n");
}

/// Answers --help and --version before any display is opened; -1 when neither was asked for.
int answerInformationalOption(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            // Enough for the translators, and it opens no display.
            QCoreApplication core(argc, argv);
            installTranslations();
            std::fputs(usage().toUtf8().constData(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tolvane %s\n", TOLVANE_VERSION);
            return 0;
        }
    }
    return -1;
}

/// The files named on the command line (what Qt left of argv), as lossless absolute file URLs;
/// none when an unknown option was given.
std::optional<QList<QUrl>> filesFromArguments(int argc, char **argv)
{
    const QByteArray current = QFile::encodeName(QDir::currentPath());
    QList<QUrl> files;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        QByteArray argument(argv[i]);
        if (options && argument == "--") {
            options = false;
            continue;
        }
        if (options && argument.startsWith('-') && argument.size() > 1) {
            const QString message = QCoreApplication::translate("tolvane", "tolvane: unknown option %1\n")
                                        .arg(terminalSafe(QString::fromLocal8Bit(argument)));
            std::fputs((message + usage()).toUtf8().constData(), stderr);
            return std::nullopt;
        }
        if (argument.isEmpty())
            continue;
        if (!argument.startsWith('/'))
            argument = current + '/' + argument;
        files.append(fileURL(argument));
    }
    return files;
}

/// After a settings reset the previous copy is still leaving when this one starts; wait for it
/// (briefly) so that this copy becomes the session's window instead of handing its files over.
void waitForRelaunchingCopy()
{
    const QByteArray previous = qgetenv(AppSettings::relaunchedVariable.toLatin1().constData());
    qunsetenv(AppSettings::relaunchedVariable.toLatin1().constData());
    const pid_t pid = previous.toInt();
    if (pid <= 1)
        return;
    using namespace std::chrono_literals;
    for (auto waited = 0ms; waited < 5s; waited += 20ms) {
        if (kill(pid, 0) != 0 && errno == ESRCH)
            return;
        std::this_thread::sleep_for(20ms);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (const int answered = answerInformationalOption(argc, argv); answered >= 0)
        return answered;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
    installTranslations();
    // Names the desktop entry, so that Wayland and X11 shells give the window its icon and group.
    QGuiApplication::setDesktopFileName(SingleInstance::serviceName);

    const std::optional<QList<QUrl>> files = filesFromArguments(argc, argv);
    if (!files)
        return 2;

    waitForRelaunchingCopy();
    SingleInstance instance;
    if (instance.start(*files) == SingleInstance::Role::handedOver)
        return 0;

    QApplication::setWindowIcon(QIcon::fromTheme(SingleInstance::serviceName,
        QIcon(QStringLiteral(":/icons/%1.svg").arg(SingleInstance::serviceName))));

    // One cookie reader for the lookups and the settings window; work still on the pool when the
    // window closes holds it too.
    const auto cookies = std::make_shared<BrowserCookies>();
    LibraryModel model;
    WidgetDesktopServices desktop;
    MainWindow window(model, desktop);
    window.setBrowserCookies(cookies);
    desktop.setWindow(&window);
    model.setDesktopServices(&desktop);
    model.setMediaProbe(loadProps);
    model.setLookup(MovieLookup::standard(cookies));
    QObject::connect(&instance, &SingleInstance::filesHandedOver, &window, [&window](const QList<QUrl> &handed) {
        window.openFiles(handed);
        window.raise();
        window.activateWindow();
    });
    window.openFiles(*files);
    window.show();
    // The key may live in the keyring: the header's "no key" label follows once it has been read.
    QCoro::connect(ApiKeyStore::load(), &window, [&window](ApiKeyStore::Location) { window.updateKeyLabel(); });
    return app.exec();
}
