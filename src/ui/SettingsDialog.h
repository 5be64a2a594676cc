#pragma once

#include <QDialog>

#include <functional>

namespace tolvane {

class DesktopServices;

/// The settings sheet: edits the Yandex AI Studio fields (stored only by Save), the browser-cookie
/// option (stored at once), shows the cookie reader's status and offers the reset. One fresh
/// instance per opening; it reads the stored settings when created.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    /// `desktop` opens pages and folders and fills the clipboard; it outlives the dialog.
    explicit SettingsDialog(DesktopServices &desktop, QWidget *parent = nullptr);
    ~SettingsDialog() override;

    /// What "Reset & Restart" runs on a later turn of the event loop, once the dialog has closed:
    /// AppSettings::resetAll() then AppSettings::relaunchApp() unless replaced.
    void setResetAction(std::function<void()> action);
};

} // namespace tolvane
