#include "ui/WidgetDesktopServices.h"

namespace tolvane {

WidgetDesktopServices::WidgetDesktopServices(QWidget *window)
    : m_window(window)
{
}

std::optional<QList<QUrl>> WidgetDesktopServices::chooseFilesAndFolders(const QString &, const QString &) { return {}; }
std::optional<QList<QUrl>> WidgetDesktopServices::chooseFolder(const QString &, const QString &) { return {}; }
void WidgetDesktopServices::revealFiles(const QList<QUrl> &) { }
void WidgetDesktopServices::openUrl(const QUrl &) { }
void WidgetDesktopServices::setClipboardText(const QString &) { }

} // namespace tolvane
