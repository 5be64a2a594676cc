#include "ui/SettingsDialog.h"

#include "core/FilePaths.h"
#include "engines/agent/AgentPrompt.h"
#include "services/BrowserCookies.h"
#include "services/FirefoxCookies.h"
#include "settings/ApiKeyStore.h"
#include "settings/AppSettings.h"
#include "support/DesktopServices.h"
#include "support/WorkPool.h"
#include "ui/Controls.h"
#include "ui/Fonts.h"
#include "ui/NamedColors.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoroFuture>
#include <QCoroTask>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvane {

namespace {

using Status = BrowserCookies::Status;

const QString consolePage = QStringLiteral("https://aistudio.yandex.ru/");

QLabel *label(const QString &text, const QFont &font, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setFont(font);
    result->setWordWrap(true);
    return result;
}

// A label whose text changes; screen readers read that text, after `context` where it helps.
InfoLabel *statusLabel(const QString &context, const QFont &font, QWidget *parent)
{
    auto *result = new InfoLabel(QString(), font, parent, InfoLabel::Tone::primary);
    result->setWordWrap(true);
    result->setContext(context);
    return result;
}

QLineEdit *field(const QString &placeholder, const QString &value, QWidget *parent)
{
    auto *edit = new QLineEdit(value, parent);
    edit->setPlaceholderText(placeholder);
    edit->setAccessibleName(placeholder);
    return edit;
}

QPushButton *button(const QString &text, QWidget *parent)
{
    auto *result = new QPushButton(text, parent);
    result->setAccessibleName(QString(text).replace(QStringLiteral("&&"), QStringLiteral("&"))); // as shown
    result->setAutoDefault(false); // Return always means Save
    return result;
}

QFrame *divider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QVBoxLayout *block(QVBoxLayout *outer, int spacing)
{
    auto *stack = new QVBoxLayout;
    stack->setSpacing(spacing);
    outer->addLayout(stack);
    return stack;
}

// The folder of the file last read (a Firefox profile, a copied Safari file); before any was
// found, Firefox's profile folder or its nearest parent that exists, so the file manager opens
// somewhere useful.
QUrl cookieFolder(const BrowserCookies &cookies)
{
    const std::optional<QString> read = cookies.lastFile();
    QString folder = read ? QFileInfo(*read).path() : QDir::homePath() + QLatin1String(FirefoxCookies::profileRoots[0]);
    while (!QFileInfo(folder).isDir() && !QDir(folder).isRoot())
        folder = QFileInfo(folder).path();
    return fileURL(QFile::encodeName(folder));
}

// Free coroutines take their state as parameters: the dialog may close while the pool works, so
// the pool work holds the cookies itself.
QCoro::Task<> fetchCookieStatus(QPointer<SettingsDialog> dialog, std::shared_ptr<BrowserCookies> cookies, bool enabled,
    bool reread, std::function<void(const Status &)> show)
{
    const auto read = [cookies, enabled, reread] { return reread ? cookies->reload(enabled) : cookies->load(enabled); };
    const QFuture<Status> reading = runInWorkPool(read);
    const Status status = co_await reading;
    if (dialog)
        show(status);
}

QCoro::Task<> openFolderWhenFound(
    QPointer<SettingsDialog> dialog, std::shared_ptr<BrowserCookies> cookies, DesktopServices *desktop)
{
    const auto find = [cookies] { return cookieFolder(*cookies); };
    const QFuture<QUrl> finding = runInWorkPool(find);
    const QUrl folder = co_await finding;
    if (dialog)
        desktop->openUrl(folder);
}

// The keyring may take a moment (or ask to be unlocked); the dialog stays responsive meanwhile.
QCoro::Task<> storeKeyThenFinish(QPointer<SettingsDialog> dialog, QString key, std::function<void()> finish)
{
    co_await ApiKeyStore::store(std::move(key));
    if (dialog)
        finish();
}

QCoro::Task<> clearKeyThenReset(std::function<void()> reset)
{
    co_await ApiKeyStore::clear();
    reset();
}

} // namespace

SettingsDialog::SettingsDialog(
    DesktopServices &desktop, std::shared_ptr<BrowserCookies> browserCookies, QWidget *parent)
    : QDialog(parent)
    , m_desktop(desktop)
    , m_cookies(std::move(browserCookies))
    , m_resetAction([] {
        clearKeyThenReset([] {
            AppSettings::resetAll();
            AppSettings::relaunchApp();
        });
    })
{
    setWindowTitle(tr("Settings"));
    setFixedWidth(520);
    const QFont base = font();
    const QFont caption = fonts::caption(base);
    const QFont headline = fonts::headline(base);
    const QColor secondary = secondaryTextColor(palette());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(18);
    layout->addWidget(label(tr("Settings"), fonts::title2(base), this));

    QVBoxLayout *yandex = block(layout, 6);
    yandex->addWidget(label(tr("Yandex AI Studio"), headline, this));
    // The path reads as code, as in the service's own documentation.
    QLabel *uses = label(tr("Primary lookup uses a saved prompt via Responses API (<code>/v1/responses</code>)."), caption, this);
    uses->setTextFormat(Qt::RichText);
    uses->setAccessibleName(tr("Primary lookup uses a saved prompt via Responses API (/v1/responses)."));
    setTextColor(uses, secondary);
    yandex->addWidget(uses);
    m_key = field(tr("API key"), AppSettings::yandexAPIKey(), this);
    m_key->setEchoMode(QLineEdit::Password);
    m_folder = field(tr("Folder ID (OpenAI-Project)"), AppSettings::yandexFolderID(), this);
    m_prompt = field(tr("Prompt ID"), AppSettings::yandexPromptID(), this);
    m_endpoint = field(tr("Endpoint URL"), AppSettings::yandexEndpointURL(), this);
    m_endpoint->setToolTip(AppSettings::defaultYandexEndpoint);
    for (QLineEdit *edit : {m_key, m_folder, m_prompt, m_endpoint})
        yandex->addWidget(edit);
    auto *promptLine = new QHBoxLayout;
    promptLine->setSpacing(10);
    QPushButton *copy = button(tr("Copy Agent System Prompt"), this);
    copy->setToolTip(tr("Copy prompt.md (agent system prompt) to the clipboard"));
    connect(copy, &QPushButton::clicked, this, &SettingsDialog::copyPrompt);
    promptLine->addWidget(copy);
    const QUrl console(consolePage, QUrl::StrictMode);
    if (console.isValid()) {
        QLabel *link = label(QStringLiteral("<a href=\"%1\">%2</a>").arg(console.toString(), tr("Open Yandex AI Studio…")),
                             caption, this);
        link->setWordWrap(false);
        link->setAccessibleName(tr("Open Yandex AI Studio…"));
        connect(link, &QLabel::linkActivated, this, [this](const QString &url) { m_desktop.openUrl(QUrl(url)); });
        promptLine->addWidget(link);
    }
    promptLine->addStretch();
    yandex->addLayout(promptLine);
    m_copyStatus = statusLabel(QString(), caption, this);
    m_copyStatus->hide();
    yandex->addWidget(m_copyStatus);

    layout->addWidget(divider(this));

    QVBoxLayout *cookies = block(layout, 8);
    cookies->addWidget(label(tr("Browser cookies"), headline, this));
    m_useCookies = new QCheckBox(tr("Use browser cookies for DuckDuckGo / VK"), this);
    m_useCookies->setAccessibleName(m_useCookies->text());
    m_useCookies->setChecked(AppSettings::useSafariCookies());
    connect(m_useCookies, &QCheckBox::toggled, this, &SettingsDialog::cookieOptionToggled);
    cookies->addWidget(m_useCookies);
    QLabel *reads = label(tr("Reads Firefox's cookies, or a Cookies.binarycookies file, for web engines."), caption, this);
    setTextColor(reads, secondary);
    cookies->addWidget(reads);
    m_cookieStatus = statusLabel(tr("Browser cookies"), caption, this);
    m_cookieStatus->setObjectName(QStringLiteral("cookieStatus"));
    m_cookieStatus->setTextInteractionFlags(Qt::TextSelectableByMouse); // the path may be copied
    cookies->addWidget(m_cookieStatus);
    auto *cookieLine = new QHBoxLayout;
    cookieLine->setSpacing(10);
    m_reload = button(tr("Reload cookies"), this);
    m_reload->setEnabled(m_useCookies->isChecked());
    connect(m_reload, &QPushButton::clicked, this, [this] { refreshCookieStatus(true); });
    QPushButton *folder = button(tr("Open Cookie Folder…"), this);
    connect(folder, &QPushButton::clicked, this, &SettingsDialog::openCookieFolder);
    cookieLine->addWidget(m_reload);
    cookieLine->addWidget(folder);
    cookieLine->addStretch();
    cookies->addLayout(cookieLine);

    layout->addWidget(divider(this));

    m_moveCompanions = new QCheckBox(tr("Rename subtitles and .nfo files with the video"), this);
    m_moveCompanions->setAccessibleName(m_moveCompanions->text());
    m_moveCompanions->setChecked(AppSettings::moveCompanionFiles());
    connect(m_moveCompanions, &QCheckBox::toggled, this, [](bool on) { AppSettings::storeMoveCompanionFiles(on); });
    layout->addWidget(m_moveCompanions);

    layout->addWidget(divider(this));

    // Stored by Save, as the texts are: the window then gives every row its name in the new layout.
    QVBoxLayout *library = block(layout, 6);
    library->addWidget(label(tr("Library layout"), headline, this));
    m_layout = new QComboBox(this);
    m_layout->setAccessibleName(tr("Library layout"));
    m_layout->addItem(tr("Flat — Title[Alt](Year).ext"), int(LibraryLayout::flat));
    m_layout->addItem(tr("Jellyfin"), int(LibraryLayout::jellyfin));
    m_layout->addItem(tr("Plex"), int(LibraryLayout::plex));
    m_layout->addItem(tr("Kodi"), int(LibraryLayout::kodi));
    m_layout->setCurrentIndex(m_layout->findData(int(AppSettings::libraryLayout())));
    library->addWidget(m_layout, 0, Qt::AlignLeft);
    m_filmFolders = new QCheckBox(tr("Put each film in a folder of its own"), this);
    m_filmFolders->setAccessibleName(m_filmFolders->text());
    m_filmFolders->setChecked(AppSettings::filmFolders());
    m_writeNfo = new QCheckBox(tr("Write an .nfo file for media servers"), this);
    m_writeNfo->setAccessibleName(m_writeNfo->text());
    m_writeNfo->setChecked(AppSettings::writeNfo());
    library->addWidget(m_filmFolders);
    library->addWidget(m_writeNfo);
    // Both belong to the servers' layouts; the flat name has neither.
    const auto enableServerOptions = [this] {
        const bool server = m_layout->currentData().toInt() != int(LibraryLayout::flat);
        m_filmFolders->setEnabled(server);
        m_writeNfo->setEnabled(server);
    };
    connect(m_layout, &QComboBox::currentIndexChanged, this, enableServerOptions);
    enableServerOptions();

    layout->addWidget(divider(this));

    // Stored by Save; the translators are installed once, at start.
    auto *languageLine = new QHBoxLayout;
    languageLine->setSpacing(10);
    QLabel *languageLabel = label(tr("Language"), headline, this);
    languageLabel->setWordWrap(false);
    m_language = new QComboBox(this);
    m_language->setAccessibleName(tr("Language"));
    languageLabel->setBuddy(m_language);
    //: The interface language: the one the desktop session uses
    m_language->addItem(tr("System"), AppSettings::languages[0]);
    // Each language by its own name, so that it is found whatever the language shown.
    m_language->addItem(QStringLiteral("English"), AppSettings::languages[1]);
    m_language->addItem(QStringLiteral("Русский"), AppSettings::languages[2]);
    m_language->setCurrentIndex(m_language->findData(AppSettings::language()));
    InfoLabel *applies = captionLabel(tr("Applies at the next start"), this);
    applies->setWordWrap(true);
    languageLine->addWidget(languageLabel);
    languageLine->addWidget(m_language);
    languageLine->addWidget(applies, 1);
    layout->addLayout(languageLine);

    layout->addWidget(divider(this));

    QVBoxLayout *reset = block(layout, 6);
    reset->addWidget(label(tr("Reset"), headline, this));
    QLabel *clears = label(tr("Clears API keys and preferences, then restarts the app."), caption, this);
    setTextColor(clears, secondary);
    reset->addWidget(clears);
    QPushButton *resetButton = button(tr("Reset Settings && Restart…"), this);
    connect(resetButton, &QPushButton::clicked, this, &SettingsDialog::confirmReset);
    reset->addWidget(resetButton, 0, Qt::AlignLeft);

    m_saveError = statusLabel(tr("Not saved"), caption, this);
    m_saveError->setObjectName(QStringLiteral("saveError"));
    setTextColor(m_saveError, namedColor(NamedColor::red, palette()));
    m_saveError->hide();
    layout->addWidget(m_saveError);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setAccessibleName(cancel->text());
    cancel->setAutoDefault(false);
    QPushButton *saveButton = buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole);
    m_save = saveButton;
    saveButton->setAccessibleName(saveButton->text());
    saveButton->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(saveButton, &QPushButton::clicked, this, &SettingsDialog::save);
    layout->addWidget(buttons);

    refreshCookieStatus(false);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::setResetAction(std::function<void()> action) { m_resetAction = std::move(action); }

void SettingsDialog::save()
{
    if (!m_save->isEnabled())
        return; // the key is still on its way to the keyring
    AppSettings::storeText(AppSettings::yandexAIFolderID, m_folder->text());
    AppSettings::storeText(AppSettings::yandexAIPromptID, m_prompt->text());
    AppSettings::storeText(AppSettings::yandexAIEndpointURL, m_endpoint->text());
    AppSettings::storeUseSafariCookies(m_useCookies->isChecked());
    AppSettings::storeMoveCompanionFiles(m_moveCompanions->isChecked());
    AppSettings::storeLibraryLayout(LibraryLayout(m_layout->currentData().toInt()));
    AppSettings::storeFilmFolders(m_filmFolders->isChecked());
    AppSettings::storeWriteNfo(m_writeNfo->isChecked());
    AppSettings::storeLanguage(m_language->currentData().toString());
    m_save->setEnabled(false);
    storeKeyThenFinish(this, m_key->text(), [this] {
        m_save->setEnabled(true);
        finishSave();
    });
}

void SettingsDialog::finishSave()
{
    // Closing on a failed write would tell the user the key was kept when it was not.
    if (const std::optional<QString> failure = AppSettings::flush()) {
        m_saveError->setText(*failure);
        m_saveError->show();
        return;
    }
    const bool enabled = m_useCookies->isChecked();
    runInWorkPool([cookies = m_cookies, enabled] { return cookies->load(enabled); });
    accept();
}

void SettingsDialog::copyPrompt()
{
    const bool copied = copyPromptToClipboard(m_desktop);
    m_copyStatus->setText(copied ? tr("Copied to clipboard — paste into Yandex AI Studio")
                                 : tr("Could not load bundled prompt.md"));
    setTextColor(m_copyStatus, namedColor(copied ? NamedColor::green : NamedColor::red, palette()));
    m_copyStatus->show();
}

void SettingsDialog::confirmReset()
{
    auto *box = new QMessageBox(QMessageBox::Warning, tr("Reset all settings?"), tr("Reset all settings?"),
                                QMessageBox::Cancel, this);
    box->setInformativeText(tr("Yandex AI keys and other preferences will be cleared. The app will restart."));
    QPushButton *confirm = box->addButton(tr("Reset && Restart"), QMessageBox::DestructiveRole);
    confirm->setAccessibleName(confirm->text());
    box->setDefaultButton(QMessageBox::Cancel);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, confirm] {
        if (box->clickedButton() != confirm)
            return;
        // qApp outlives the dialog, which is deleted once it closes.
        QTimer::singleShot(0, qApp, m_resetAction);
        reject();
    });
    box->open();
}

void SettingsDialog::cookieOptionToggled(bool on)
{
    AppSettings::storeUseSafariCookies(on);
    m_reload->setEnabled(on);
    refreshCookieStatus(false);
}

void SettingsDialog::refreshCookieStatus(bool reread)
{
    const quint64 request = ++m_statusRequest;
    fetchCookieStatus(this, m_cookies, m_useCookies->isChecked(), reread, [this, request](const Status &status) {
        if (request == m_statusRequest)
            showCookieStatus(status);
    });
}

void SettingsDialog::showCookieStatus(const Status &status)
{
    m_cookieStatus->setText(status.displayText());
    QColor color;
    switch (status.kind) {
    case Status::Case::loaded: color = namedColor(NamedColor::green, palette()); break;
    case Status::Case::disabled: color = secondaryTextColor(palette()); break;
    case Status::Case::notFound: color = namedColor(NamedColor::orange, palette()); break;
    case Status::Case::parseError:
    case Status::Case::permissionDenied: color = namedColor(NamedColor::red, palette()); break;
    }
    setTextColor(m_cookieStatus, color);
}

void SettingsDialog::openCookieFolder() { openFolderWhenFound(this, m_cookies, &m_desktop); }

} // namespace tolvane
