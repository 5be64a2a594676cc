#pragma once

#include "support/DesktopServices.h"

#include <QPointer>
#include <QWidget>

namespace tolvane {

/// The Linux desktop behind DesktopServices: the desktop's file dialogs (through the portal where
/// Qt offers one), the file manager over org.freedesktop.FileManager1, the default applications
/// and the clipboard. Main thread only; nothing here blocks on the session bus.
class WidgetDesktopServices final : public DesktopServices {
public:
    /// Dialogs are modal to `window` while it exists.
    explicit WidgetDesktopServices(QWidget *window = nullptr);
    /// The window the dialogs are modal to (the window is made after the services it uses).
    void setWindow(QWidget *window) { m_window = window; }

    std::optional<QList<QUrl>> chooseFilesAndFolders(const QString &prompt, const QString &message) override;
    std::optional<QList<QUrl>> chooseFolder(const QString &prompt, const QString &message) override;
    void revealFiles(const QList<QUrl> &files) override;
    void openUrl(const QUrl &url) override;
    void setClipboardText(const QString &text) override;

private:
    QPointer<QWidget> m_window;
};

/// The folders to open when no file manager can show the files selected: each local file's
/// folder once, in the order of the files. Non-file URLs are skipped.
QList<QUrl> foldersToReveal(const QList<QUrl> &files);

} // namespace tolvane
