#include "ui/WidgetDesktopServices.h"

#include "core/FilePaths.h"
#include "library/SearchStem.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QSet>

namespace tolvane {

namespace {

QString dialogTitle(const QString &prompt, const QString &message)
{
    // The desktop's dialogs have no message line, so the message joins the title.
    return message.isEmpty() ? prompt : prompt + QStringLiteral(" — ") + message;
}

std::optional<QList<QUrl>> chosen(const QList<QUrl> &urls)
{
    if (urls.isEmpty())
        return std::nullopt;
    return urls;
}

} // namespace

QList<QUrl> foldersToReveal(const QList<QUrl> &files)
{
    QList<QUrl> folders;
    QSet<QByteArray> seen;
    for (const QUrl &file : files) {
        const QByteArray path = nativePath(file);
        if (path.isEmpty())
            continue;
        const QByteArray folder = nativeFolder(path);
        if (!seen.contains(folder)) {
            seen.insert(folder);
            folders.append(fileURL(folder));
        }
    }
    return folders;
}

WidgetDesktopServices::WidgetDesktopServices(QWidget *window)
    : m_window(window)
{
}

std::optional<QList<QUrl>> WidgetDesktopServices::chooseFilesAndFolders(const QString &prompt, const QString &message)
{
    const QString filter = QObject::tr("Video files (%1)")
                               .arg(QStringLiteral("*.") + videoExtensionList().join(QStringLiteral(" *.")));
    const QString all = QObject::tr("All files (*)");
    return chosen(QFileDialog::getOpenFileUrls(m_window, dialogTitle(prompt, message), QUrl(),
        filter + QStringLiteral(";;") + all));
}

std::optional<QList<QUrl>> WidgetDesktopServices::chooseFolder(const QString &prompt, const QString &message)
{
    const QUrl folder = QFileDialog::getExistingDirectoryUrl(m_window, dialogTitle(prompt, message));
    if (folder.isEmpty())
        return std::nullopt;
    return QList<QUrl>{folder};
}

void WidgetDesktopServices::revealFiles(const QList<QUrl> &files)
{
    if (files.isEmpty())
        return;
    // Encoded URIs keep names that are not UTF-8 byte-exact on the way to the file manager.
    QStringList uris;
    for (const QUrl &file : files)
        uris.append(file.toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("ShowItems"));
    call << uris << QString();
    const QList<QUrl> folders = foldersToReveal(files);
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [folders](QDBusPendingCallWatcher *w) {
        if (w->isError()) {
            for (const QUrl &folder : folders)
                QDesktopServices::openUrl(folder);
        }
        w->deleteLater();
    });
}

void WidgetDesktopServices::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

void WidgetDesktopServices::setClipboardText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

} // namespace tolvane
