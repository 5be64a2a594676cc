#include "settings/ApiKeyStore.h"
#include "settings/AppSettings.h"
#include "settings/Translations.h"
#include "support/DesktopServices.h"
#include "ui/NamedColors.h"
#include "ui/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;

namespace {

struct FakeDesktop : DesktopServices {
    std::optional<QList<QUrl>> chooseFilesAndFolders(const QString &, const QString &) override { return {}; }
    std::optional<QList<QUrl>> chooseFolder(const QString &, const QString &) override { return {}; }
    void revealFiles(const QList<QUrl> &) override { }
    void openUrl(const QUrl &url) override { opened << url; }
    void setClipboardText(const QString &text) override { clipboard = text; }
    QList<QUrl> opened;
    QString clipboard;
};

template<typename Widget> Widget *named(const QWidget *root, const QString &name)
{
    for (Widget *widget : root->findChildren<Widget *>())
        if (widget->accessibleName() == name)
            return widget;
    qFatal("no widget named %s", qPrintable(name));
}

QString storedText(const QString &key)
{
    return QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane")).value(key, QStringLiteral("<absent>")).toString();
}

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    FakeDesktop m_desktop;

    // Opened as the main window opens it: a fresh dialog that deletes itself once closed.
    QPointer<SettingsDialog> openDialog()
    {
        auto *dialog = new SettingsDialog(m_desktop, std::make_shared<BrowserCookies>());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
        return dialog;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
        QStandardPaths::setTestModeEnabled(true);
    }
    void init() { AppSettings::resetAll(); }

    void returnStoresTrimmedTexts_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QString>("storedKey");
        QTest::addColumn<QString>("storedEndpoint");
        QTest::newRow("blank endpoint") << "k" << " \n " << "k" << AppSettings::defaultYandexEndpoint;
        QTest::newRow("empty key") << "" << "https://e.test/v1" << "" << "https://e.test/v1";
        QTest::newRow("padded") << " k2\n" << " https://e.test " << "k2" << "https://e.test";
    }
    void returnStoresTrimmedTexts()
    {
        QFETCH(QString, key);
        QFETCH(QString, endpoint);
        QFETCH(QString, storedKey);
        QFETCH(QString, storedEndpoint);
        const QPointer<SettingsDialog> dialog = openDialog();
        named<QLineEdit>(dialog, QStringLiteral("API key"))->setText(key);
        named<QLineEdit>(dialog, QStringLiteral("Endpoint URL"))->setText(endpoint);
        QSignalSpy finished(dialog.data(), &QDialog::finished);
        QTest::keyClick(named<QLineEdit>(dialog, QStringLiteral("Prompt ID")), Qt::Key_Return);
        QCOMPARE(QList<QVariantList>(finished), QList<QVariantList>{{int(QDialog::Accepted)}});
        QCOMPARE(storedText(AppSettings::yandexAIAPIKey), storedKey);
        QCOMPARE(storedText(AppSettings::yandexAIEndpointURL), storedEndpoint);
        QCOMPARE(AppSettings::hasYandexAPIKey(), !storedKey.isEmpty());
    }

    void escapeStoresNothing()
    {
        const QPointer<SettingsDialog> dialog = openDialog();
        named<QLineEdit>(dialog, QStringLiteral("API key"))->setText(QStringLiteral("unsaved"));
        QSignalSpy finished(dialog.data(), &QDialog::finished);
        QTest::keyClick(named<QLineEdit>(dialog, QStringLiteral("API key")), Qt::Key_Escape);
        QCOMPARE(QList<QVariantList>(finished), QList<QVariantList>{{int(QDialog::Rejected)}});
        QCOMPARE(storedText(AppSettings::yandexAIAPIKey), QStringLiteral("<absent>"));
    }

    void cancelKeepsOnlyTheOptions()
    {
        const QPointer<SettingsDialog> dialog = openDialog();
        named<QLineEdit>(dialog, QStringLiteral("Folder ID (OpenAI-Project)"))->setText(QStringLiteral("unsaved"));
        named<QCheckBox>(dialog, QStringLiteral("Use browser cookies for DuckDuckGo / VK"))->click();
        named<QCheckBox>(dialog, QStringLiteral("Rename subtitles and .nfo files with the video"))->click();
        const QLabel *status = dialog->findChild<QLabel *>(QStringLiteral("cookieStatus"));
        QTRY_COMPARE(status->text(), QStringLiteral("Status: disabled"));
        QCOMPARE(status->palette().color(QPalette::WindowText), secondaryTextColor(dialog->palette()));
        QVERIFY(!named<QPushButton>(dialog, QStringLiteral("Reload cookies"))->isEnabled());
        named<QPushButton>(dialog, QStringLiteral("Cancel"))->click();
        QVERIFY(!AppSettings::useSafariCookies());
        QVERIFY(!AppSettings::moveCompanionFiles());
        QCOMPARE(storedText(AppSettings::yandexAIFolderID), QStringLiteral("<absent>"));
    }

    void layoutOptionsRoundTrip_data()
    {
        QTest::addColumn<int>("layout"); // the row of the combo, in LibraryLayout's order
        QTest::addColumn<bool>("folders");
        QTest::addColumn<bool>("nfo");
        QTest::newRow("flat: no server options") << 0 << true << false;
        QTest::newRow("plex with an .nfo") << 2 << true << true;
        QTest::newRow("kodi, no folders") << 3 << false << false;
    }
    // Saved with the rest and shown by the next dialog; the server options only for a server.
    void layoutOptionsRoundTrip()
    {
        QFETCH(int, layout);
        QFETCH(bool, folders);
        QFETCH(bool, nfo);
        for (const bool first : {true, false}) {
            const QPointer<SettingsDialog> dialog = openDialog();
            auto *combo = named<QComboBox>(dialog, u"Library layout"_qs);
            auto *folderBox = named<QCheckBox>(dialog, u"Put each film in a folder of its own"_qs);
            auto *nfoBox = named<QCheckBox>(dialog, u"Write an .nfo file for media servers"_qs);
            if (first)
                combo->setCurrentIndex(layout), folderBox->setChecked(folders), nfoBox->setChecked(nfo);
            QCOMPARE(std::tuple(combo->currentIndex(), folderBox->isChecked(), nfoBox->isChecked()), std::tuple(layout, folders, nfo));
            QCOMPARE(std::pair(folderBox->isEnabled(), nfoBox->isEnabled()), std::pair(layout > 0, layout > 0));
            named<QPushButton>(dialog, u"Save"_qs)->click();
            QTRY_VERIFY(!dialog);
        }
    }

    void languageFollowsSettingAndSession_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QStringList>("session"); // its preferred languages, first first
        QTest::addColumn<bool>("russian");
        QTest::newRow("system, English session") << u"system"_qs << QStringList{u"en-US"_qs} << false;
        QTest::newRow("system, Russian session") << u"system"_qs << QStringList{u"ru-RU"_qs, u"en-US"_qs} << true;
        QTest::newRow("system, first one with texts") << u"system"_qs << QStringList{u"de-DE"_qs, u"ru"_qs} << true;
        QTest::newRow("system, none with texts") << u"system"_qs << QStringList{u"de-DE"_qs, u"C"_qs} << false;
        QTest::newRow("ru in an English session") << u"ru"_qs << QStringList{u"en-US"_qs} << true;
        QTest::newRow("en in a Russian session") << u"en"_qs << QStringList{u"ru_RU"_qs} << false;
    }
    // Tolvane's texts and Qt's own follow; the choice is shown and saved like the other settings.
    void languageFollowsSettingAndSession()
    {
        QFETCH(QString, setting);
        QFETCH(QStringList, session);
        QFETCH(bool, russian);
        const auto english = qScopeGuard([] {
            AppSettings::resetAll();
            installTranslations({});
        });
        QVERIFY(AppSettings::storeLanguage(setting.toUpper()));
        QCOMPARE(installTranslations(session), russian ? u"ru"_qs : u"en"_qs);
        const QPointer<SettingsDialog> dialog = openDialog();
        QCOMPARE(dialog->windowTitle(), russian ? u"Настройки"_qs : u"Settings"_qs);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), russian ? u"Отмена"_qs : u"Cancel"_qs);
        auto *combo = named<QComboBox>(dialog, russian ? u"Язык"_qs : u"Language"_qs);
        QCOMPARE(combo->currentData().toString(), setting);
        combo->setCurrentIndex((combo->currentIndex() + 1) % combo->count());
        const QString chosen = combo->currentData().toString();
        named<QPushButton>(dialog, russian ? u"Сохранить"_qs : u"Save"_qs)->click();
        QTRY_VERIFY(!dialog);
        QCOMPARE(AppSettings::language(), chosen);
        QVERIFY(!AppSettings::storeLanguage(u"xx"_qs) && AppSettings::language() == chosen);
    }

    void cookieFolderIsTheProfileRead()
    {
        const QString profiles = m_home.filePath(QStringLiteral(".mozilla/firefox"));
        QVERIFY(QDir().mkpath(profiles + QStringLiteral("/p.default")));
        QFile ini(profiles + QStringLiteral("/profiles.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write("[Profile0]\nName=mine\nPath=p.default\n") > 0);
        ini.close();
        QFile database(profiles + QStringLiteral("/p.default/cookies.sqlite"));
        QVERIFY(database.open(QIODevice::WriteOnly)); // empty: no cookie table
        database.close();
        const QPointer<SettingsDialog> dialog = openDialog();
        QTRY_VERIFY(dialog->findChild<QLabel *>(QStringLiteral("cookieStatus"))->text().startsWith(u"Status: parse error"));
        m_desktop.opened.clear();
        named<QPushButton>(dialog, QStringLiteral("Open Cookie Folder…"))->click();
        QTRY_COMPARE(m_desktop.opened, QList<QUrl>{QUrl::fromLocalFile(profiles + QStringLiteral("/p.default"))});
        dialog->close();
        QDir(m_home.filePath(QStringLiteral(".mozilla"))).removeRecursively();
    }

    void resetRunsOnlyWhenConfirmed_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("expectedRuns");
        QTest::newRow("confirmed") << "Reset & Restart" << 1;
        QTest::newRow("cancelled") << "Cancel" << 0;
    }
    void resetRunsOnlyWhenConfirmed()
    {
        QFETCH(QString, answer);
        QFETCH(int, expectedRuns);
        const QPointer<SettingsDialog> dialog = openDialog();
        int runs = 0;
        bool closedFirst = false;
        dialog->setResetAction([&] { ++runs, closedFirst = !dialog || !dialog->isVisible(); });
        named<QPushButton>(dialog, QStringLiteral("Reset Settings & Restart…"))->click();
        QTRY_VERIFY(dialog->findChild<QMessageBox *>());
        auto *box = dialog->findChild<QMessageBox *>();
        QCOMPARE(box->informativeText(),
                 QStringLiteral("Yandex AI keys and other preferences will be cleared. The app will restart."));
        for (QAbstractButton *button : box->buttons())
            if (button->text().replace(QStringLiteral("&&"), QStringLiteral("&")) == answer)
                button->click();
        QTRY_VERIFY(!box->isVisible());
        QTRY_COMPARE(runs, expectedRuns);
        QCOMPARE(closedFirst, runs > 0);
        QCOMPARE(dialog && dialog->isVisible(), runs == 0);
        if (dialog)
            dialog->close();
    }

    void failedSaveKeepsTheDialogOpen()
    {
        const QString file = QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane")).fileName();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file)); // a folder where the file must go
        const QPointer<SettingsDialog> dialog = openDialog();
        named<QLineEdit>(dialog, QStringLiteral("API key"))->setText(QStringLiteral("k"));
        named<QPushButton>(dialog, QStringLiteral("Save"))->click();
        QDir(file).removeRecursively();
        const QLabel *error = dialog->findChild<QLabel *>(QStringLiteral("saveError"));
        QVERIFY2(dialog->isVisible() && error->isVisibleTo(dialog) && error->text().contains(file),
                 qPrintable(error->text()));
        named<QPushButton>(dialog, QStringLiteral("Save"))->click();
        QTRY_VERIFY(!dialog);
        QCOMPARE(storedText(AppSettings::yandexAIAPIKey), QStringLiteral("k"));
    }

    // Save where the desktop keeps the key: a keyring of its own in tst_settingsdialog_keyring
    // (the window died there on Save), the settings file where no session bus answers.
    void saveStoresTheKeyWhereItLives_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("save") << QStringLiteral("AQVN-saved");
        QTest::newRow("replace") << QStringLiteral("AQVN-replaced");
        QTest::newRow("clear") << QString();
    }
    void saveStoresTheKeyWhereItLives()
    {
        QFETCH(QString, key);
        const auto expected = qEnvironmentVariable("TOLVANE_TEST_KEYRING") == QStringLiteral("unlocked")
            ? ApiKeyStore::Location::keyring
            : ApiKeyStore::Location::settingsFile;
        QCOMPARE(QCoro::waitFor(ApiKeyStore::load(std::chrono::seconds(3))), expected);
        const QPointer<SettingsDialog> dialog = openDialog();
        named<QLineEdit>(dialog, QStringLiteral("API key"))->setText(key);
        named<QPushButton>(dialog, QStringLiteral("Save"))->click();
        QTRY_VERIFY(!dialog);
        QCOMPARE(AppSettings::yandexAPIKey(), key);
        ApiKeyStore::forgetForTesting();
        QCOMPARE(QCoro::waitFor(ApiKeyStore::load(std::chrono::seconds(3))), expected);
        QCOMPARE(AppSettings::yandexAPIKey(), key);
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
