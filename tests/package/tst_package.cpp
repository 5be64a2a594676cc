#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class TestPackage : public QObject {
    Q_OBJECT

    QString m_deb;

    static QString dpkgDeb(const QStringList &arguments)
    {
        QProcess process;
        process.start(u"dpkg-deb"_qs, arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            return {};
        return QString::fromUtf8(process.readAllStandardOutput());
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"dpkg-deb"_qs).isEmpty())
            QSKIP("dpkg-deb is not installed");
        const QStringList debs = QDir(QStringLiteral(TOLVANE_PACKAGE_DIR))
                                     .entryList({u"tolvane_" TOLVANE_PACKAGE_VERSION "_*.deb"_qs}, QDir::Files);
        if (debs.isEmpty())
            QSKIP("no package built; run make package");
        m_deb = QStringLiteral(TOLVANE_PACKAGE_DIR "/") + debs.constFirst();
        if (QFileInfo(m_deb).lastModified() < QFileInfo(QStringLiteral(TOLVANE_BUILT_APP)).lastModified())
            QSKIP("the package is older than the build; run make package");
    }

    void holdsTheInstalledFiles()
    {
        const QStringList listing = dpkgDeb({u"--contents"_qs, m_deb}).split(u'\n', Qt::SkipEmptyParts);
        QStringList files;
        for (const QString &line : listing) {
            QVERIFY2(line.startsWith(u"-rw-r--r-- root/root"_qs) || line.startsWith(u"-rwxr-xr-x root/root"_qs)
                    || line.startsWith(u"drwxr-xr-x root/root"_qs),
                qPrintable(line));
            if (!line.startsWith(u'd'))
                files << line.section(u' ', -1);
        }
        files.sort();
        const QStringList expected{u"./usr/bin/tolvane"_qs, u"./usr/bin/tolvane-cli"_qs,
            u"./usr/share/applications/org.tolvane.Tolvane.desktop"_qs, u"./usr/share/doc/tolvane/README.md"_qs,
            u"./usr/share/doc/tolvane/changelog.gz"_qs, u"./usr/share/doc/tolvane/copyright"_qs,
            u"./usr/share/icons/hicolor/scalable/apps/org.tolvane.Tolvane.svg"_qs,
            u"./usr/share/man/man1/tolvane-cli.1.gz"_qs, u"./usr/share/man/man1/tolvane.1.gz"_qs,
            u"./usr/share/metainfo/org.tolvane.Tolvane.metainfo.xml"_qs};
        QCOMPARE(files, expected);
    }

    void controlFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("part");
        QTest::newRow("name") << "Package" << "tolvane";
        QTest::newRow("version") << "Version" << TOLVANE_PACKAGE_VERSION;
        QTest::newRow("keyring, from the linked libraries") << "Depends" << "libqt6keychain1";
        QTest::newRow("widgets, from the linked libraries") << "Depends" << "libqt6widgets6";
        QTest::newRow("SQLite, from the linked libraries") << "Depends" << "libsqlite3-0";
        QTest::newRow("probe tools, Qt's translations") << "Recommends" << "mediainfo, ffmpeg, qt6-translations-l10n";
    }
    void controlFields()
    {
        QFETCH(QString, field);
        QFETCH(QString, part);
        const QString value = dpkgDeb({u"--field"_qs, m_deb, field}).trimmed();
        QVERIFY2(value.contains(part), qPrintable(field + u": "_qs + value));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
