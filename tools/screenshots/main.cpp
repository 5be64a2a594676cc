// Renders the window's states to PNGs for the README and for review:
//   tolvane-screenshots OUTDIR [--language ru]
// A language other than English renders the light window only, to files named *-LANGUAGE.png.
// Run it on a real display server (make screenshots starts Xvfb) so that real fonts are used.

#include "core/Records.h"
#include "library/LibraryModel.h"
#include "lookup/LookupError.h"
#include "media/MediaFormat.h"
#include "services/BrowserCookies.h"
#include "settings/AppSettings.h"
#include "settings/Translations.h"
#include "support/DesktopServices.h"
#include "ui/DetailPanel.h"
#include "ui/TitlePickers.h"
#include "ui/MainWindow.h"
#include "ui/SettingsDialog.h"

#include <QApplication>
#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QPalette>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace tolvane;

namespace {

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
    palette.setColor(QPalette::WindowText, QColor(0xea, 0xea, 0xea));
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    palette.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x29));
    palette.setColor(QPalette::Text, QColor(0xea, 0xea, 0xea));
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    palette.setColor(QPalette::ButtonText, QColor(0xea, 0xea, 0xea));
    palette.setColor(QPalette::Highlight, QColor(0x2f, 0x65, 0xca));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x9c, 0x9c, 0xa2));
    palette.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(0x7a, 0x7a, 0x80));
    return palette;
}

MovieMatch match(const QString &title, int year, SearchEngine engine)
{
    MovieMatch match;
    match.title = title;
    match.year = year;
    match.engine = engine;
    match.site = engine == SearchEngine::yandexAI ? CatalogSite::yandexAI : CatalogSite::tmdb;
    return match;
}

EngineReply reply(SearchEngine engine, EngineReplyStatus status)
{
    return {engine, std::move(status), {}};
}

/// Gives the listed rows every status and badge style the list can show.
void dressRows(LibraryModel &model)
{
    const QList<MovieItemPtr> &items = model.items();
    using E = SearchEngine;
    // Ready: the agent chosen with alternative titles, VK with three candidates, DuckDuckGo agreeing;
    // the edition taken from the file name, the media summary in.
    MovieMatch agent = match("Чужой", 1979, E::yandexAI);
    agent.altTitles = {QStringLiteral("Alien"), QStringLiteral("Alien: Director's Cut")};
    agent.selectedAltTitle = QStringLiteral("Alien");
    agent.notes = QStringLiteral("Ridley Scott's film; the 2003 cut is the one on this disc.");
    EngineReply vk = reply(E::vkvideo, EngineReplyStatus::success(match("Alien (1979)", 1979, E::vkvideo)));
    vk.candidates = {match("Alien (1979)", 1979, E::vkvideo), match("Aliens", 1986, E::vkvideo),
        match("Alien: Covenant", 2017, E::vkvideo)};
    items[0]->setEngineReplies({reply(E::yandexAI, EngineReplyStatus::success(agent)), vk,
        reply(E::duckDuckGo, EngineReplyStatus::success(match("Alien", 1979, E::duckDuckGo)))});
    items[0]->applyFinalChoice();
    // The rows a probe makes, worded and formatted as the app words them in the chosen language.
    const auto info = [](const char *key, const QString &value) {
        MediaInfoRow row;
        row.key = QCoreApplication::translate("MediaInfo", key);
        row.value = value;
        return row;
    };
    const QLocale english(QLocale::English); // sizes read as a probe on this machine would show them
    items[0]->setMediaInfo({info("Container", QStringLiteral("Matroska")),
        info("File size", formatFileSize(8'812'345'678, english)), info("Duration", *formatDuration(6962)),
        info("Resolution", formatResolution(1920, 1080)), info("Frame rate", formatFrameRate(23.976)),
        info("Video codec", QStringLiteral("HEVC")), info("Bit depth", QCoreApplication::translate("MediaInfo", "%1 bit").arg(10)),
        info("Audio tracks", QStringLiteral("2")), info("Audio codec", QStringLiteral("DTS-HD MA 5.1")),
        info("Audio bitrate", formatBitRate(1'509'000)), info("Audio language", QStringLiteral("en"))});
    // Searching: one reply in, two pending.
    items[1]->setStatus(LookupStatus::searching());
    items[1]->setEngineReplies({reply(E::yandexAI, EngineReplyStatus::success(match("Брат", 1997, E::yandexAI))),
        reply(E::vkvideo, EngineReplyStatus::pending()), reply(E::duckDuckGo, EngineReplyStatus::pending())});
    // Failed everywhere.
    items[2]->setEngineReplies({reply(E::yandexAI, EngineReplyStatus::failed(LookupError::missingAPIKey().description())),
        reply(E::vkvideo, EngineReplyStatus::failed(LookupError::noCatalogResult().description())),
        reply(E::duckDuckGo, EngineReplyStatus::failed(LookupError::noCatalogResult().description()))});
    items[2]->applyFinalChoice();
    // Ready from VK alone, the agent having failed.
    items[3]->setEngineReplies({reply(E::yandexAI, EngineReplyStatus::failed(QCoreApplication::translate("TransportError", "The request timed out."))),
        reply(E::vkvideo, EngineReplyStatus::success(match("Solaris", 1972, E::vkvideo))),
        reply(E::duckDuckGo, EngineReplyStatus::pending())});
    items[3]->applyIncomingReply(items[3]->engineReplies()[1]);
    // Renamed.
    items[5]->setEngineReplies({reply(E::yandexAI, EngineReplyStatus::success(match("The Matrix", 1999, E::yandexAI)))});
    items[5]->applyFinalChoice();
    items[5]->setIsRenamed(true);
    // The rest stay idle.
}

bool save(QWidget &widget, const QString &path)
{
    // Twice: a layout that changes a widget's size hint asks its parent's layout in a later event.
    QApplication::processEvents();
    QApplication::processEvents();
    widget.repaint();
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

/// The window with an open popup drawn where it stands: a popup is a window of its own.
bool saveWithPopup(QWidget &window, QWidget *popup, const QString &path)
{
    if (!popup) {
        std::printf("FAILED %s (no popup)\n", qPrintable(path));
        return false;
    }
    QApplication::processEvents();
    QPixmap shot = window.grab();
    QPainter painter(&shot);
    painter.drawPixmap(popup->mapToGlobal(QPoint()) - window.mapToGlobal(QPoint()), popup->grab());
    painter.end();
    popup->close();
    const bool saved = shot.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char **argv)
{
    // Stored settings of the one running this must not show (or be touched).
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const bool languageGiven = arguments.size() == 4 && arguments[2] == QLatin1String("--language");
    if ((arguments.size() != 2 && !languageGiven)
        || (languageGiven && !AppSettings::storeLanguage(arguments[3]))) {
        std::fputs("Usage: tolvane-screenshots OUTDIR [--language en|ru]\n", stderr);
        return 2;
    }
    const QString language = installTranslations({});
    const QString tag = language == QLatin1String("en") ? QString() : QLatin1Char('-') + language;
    const QString out = arguments[1];
    QDir().mkpath(out);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QTemporaryDir folder;
    const QStringList names = {QStringLiteral("Alien.1979.Directors.Cut.1080p.BluRay.x264.mkv"),
        QStringLiteral("Brat.1997.WEB-DL.720p.mkv"), QStringLiteral("home.video.2003.avi"),
        QStringLiteral("The_Matrix(1999).mkv"), QStringLiteral("Stalker.1979.Restored.mp4"),
        QStringLiteral("Solaris.1972.2160p.HDR.mkv")};
    QList<QUrl> urls;
    for (const QString &name : names) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        urls.append(QUrl::fromLocalFile(file.fileName()));
    }

    bool ok = true;
    for (const bool dark : {false, true}) {
        if (dark && !tag.isEmpty())
            break;
        const QPalette palette = dark ? darkPalette() : QApplication::style()->standardPalette();
        QApplication::setPalette(palette);
        const QString suffix = (dark ? QStringLiteral("-dark") : QString()) + tag;
        NoDesktopServices desktop;
        LibraryModel model;
        model.setDesktopServices(&desktop);
        MainWindow window(model, desktop);
        window.resize(1100, 760);
        window.show();
        ok &= save(window, out + QStringLiteral("/empty%1.png").arg(suffix));

        QCoro::waitFor(model.addURLs(urls));
        dressRows(model);
        model.setSelectedIDs({model.items()[0]->id(), model.items()[4]->id()});
        ok &= save(window, out + QStringLiteral("/list%1.png").arg(suffix));

        model.setSelectedIDs({model.items()[0]->id()});
        ok &= save(window, out + QStringLiteral("/panel%1.png").arg(suffix));
        if (!dark) {
            const QList<EngineReplyRow *> rows = window.detailPanel()->replyRows();
            rows[1]->pickButton()->click();
            ok &= saveWithPopup(window, rows[1]->pickPopover(), out + QStringLiteral("/panel-pick%1.png").arg(tag));
            rows[0]->altButton()->click();
            ok &= saveWithPopup(window, rows[0]->altPopover(), out + QStringLiteral("/panel-alt%1.png").arg(tag));
            // The smallest window the user can make: the panel's blocks must stay usable.
            window.resize(window.minimumSize());
            ok &= save(window, out + QStringLiteral("/panel-minimum%1.png").arg(tag));
            window.resize(1100, 760);
        }

        SettingsDialog settings(desktop, std::make_shared<BrowserCookies>(), &window);
        settings.show();
        ok &= save(settings, out + QStringLiteral("/settings%1.png").arg(suffix));
    }
    return ok ? 0 : 1;
}
