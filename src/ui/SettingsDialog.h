#pragma once

#include "services/BrowserCookies.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tolvane {

class InfoLabel;

class DesktopServices;

/// The settings dialog: edits the Yandex AI Studio fields, the library layout and the interface
/// language (stored only by Save; the key goes to the keyring where there is one), the
/// browser-cookie and companion-file options (stored at once), shows the cookie reader's status and offers the reset. One fresh
/// instance per opening; it reads the stored settings when created.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    /// `desktop` opens pages and folders and fills the clipboard; it outlives the dialog.
    /// `browserCookies` is the reader whose status the dialog shows and which it reloads.
    SettingsDialog(
        DesktopServices &desktop, std::shared_ptr<BrowserCookies> browserCookies, QWidget *parent = nullptr);
    ~SettingsDialog() override;

    /// What "Reset & Restart" runs on a later turn of the event loop, once the dialog has closed:
    /// AppSettings::resetAll() then AppSettings::relaunchApp() unless replaced.
    void setResetAction(std::function<void()> action);

private:
    void save();
    void finishSave();
    void copyPrompt();
    void confirmReset();
    void cookieOptionToggled(bool on);
    void refreshCookieStatus(bool reread);
    void showCookieStatus(const BrowserCookies::Status &status);
    void openCookieFolder();

    DesktopServices &m_desktop;
    std::shared_ptr<BrowserCookies> m_cookies;
    std::function<void()> m_resetAction;
    QLineEdit *m_key = nullptr;
    QLineEdit *m_folder = nullptr;
    QLineEdit *m_prompt = nullptr;
    QLineEdit *m_endpoint = nullptr;
    InfoLabel *m_copyStatus = nullptr;
    QCheckBox *m_useCookies = nullptr;
    QCheckBox *m_moveCompanions = nullptr;
    QComboBox *m_layout = nullptr;
    QCheckBox *m_filmFolders = nullptr;
    QCheckBox *m_writeNfo = nullptr;
    QComboBox *m_language = nullptr;
    QPushButton *m_save = nullptr;
    InfoLabel *m_cookieStatus = nullptr;
    QPushButton *m_reload = nullptr;
    InfoLabel *m_saveError = nullptr;
    /// Counts status requests so that only the newest answer is shown.
    quint64 m_statusRequest = 0;
};

} // namespace tolvane
