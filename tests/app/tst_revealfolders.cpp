#include "core/FilePaths.h"
#include "ui/WidgetDesktopServices.h"

#include <QtTest>

using namespace tolvane;

class TestRevealFolders : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void folders_data()
    {
        QTest::addColumn<QList<QUrl>>("files");
        QTest::addColumn<QList<QByteArray>>("folders");
        QTest::newRow("each folder once, in order")
            << QList<QUrl>{fileURL("/m/b/1.mkv"), fileURL("/m/a/2.mkv"), fileURL("/m/b/3.mkv")}
            << QList<QByteArray>{"/m/b", "/m/a"};
        QTest::newRow("non-UTF-8 folder kept byte-exact")
            << QList<QUrl>{fileURL("/m/Caf\xe9 x/1.mkv")} << QList<QByteArray>{"/m/Caf\xe9 x"};
        QTest::newRow("file at the root") << QList<QUrl>{fileURL("/1.mkv")} << QList<QByteArray>{"/"};
        QTest::newRow("web address skipped")
            << QList<QUrl>{QUrl("https://example.org/a.mkv"), fileURL("/m/1.mkv")} << QList<QByteArray>{"/m"};
    }
    void folders()
    {
        QFETCH(QList<QUrl>, files);
        QFETCH(QList<QByteArray>, folders);
        QList<QByteArray> paths;
        for (const QUrl &url : foldersToReveal(files))
            paths.append(nativePath(url));
        QCOMPARE(paths, folders);
    }
};

QTEST_GUILESS_MAIN(TestRevealFolders)
#include "tst_revealfolders.moc"
