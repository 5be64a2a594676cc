#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace tolvane {

/// What the model asks of the desktop: the window implements it, tests fake it, and the model
/// never needs a widget header.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    /// A modal chooser of files and folders (several at once). Absent when the user cancels. Where
    /// the desktop's chooser cannot pick both in one go, it picks files.
    virtual std::optional<QList<QUrl>> chooseFilesAndFolders(const QString &prompt, const QString &message) = 0;
    /// A modal chooser of one folder. Absent when the user cancels.
    virtual std::optional<QList<QUrl>> chooseFolder(const QString &prompt, const QString &message) = 0;
    /// Shows these files selected in the file manager.
    virtual void revealFiles(const QList<QUrl> &files) = 0;
    /// Opens a URL with the user's default application.
    virtual void openUrl(const QUrl &url) = 0;
    /// Replaces the clipboard's contents with `text` as plain text.
    virtual void setClipboardText(const QString &text) = 0;
};

/// A desktop that offers nothing: every chooser is cancelled, opening and revealing do nothing.
/// For tools and benchmarks that show the window without a user at it.
class NoDesktopServices final : public DesktopServices {
public:
    std::optional<QList<QUrl>> chooseFilesAndFolders(const QString &, const QString &) override { return {}; }
    std::optional<QList<QUrl>> chooseFolder(const QString &, const QString &) override { return {}; }
    void revealFiles(const QList<QUrl> &) override { }
    void openUrl(const QUrl &) override { }
    void setClipboardText(const QString &) override { }
};

} // namespace tolvane
