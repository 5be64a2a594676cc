#include "app/SingleInstance.h"
#include "core/FilePaths.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tolvane;

namespace {

// The second launch: hands its URIs to the running instance; the exit code names the role.
int secondLaunch(const QStringList &uris)
{
    QList<QUrl> urls;
    for (const QString &uri : uris)
        urls.append(QUrl::fromEncoded(uri.toLatin1(), QUrl::StrictMode));
    SingleInstance instance;
    return int(instance.start(urls));
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

    SingleInstance m_primary;

    int launch(const QList<QUrl> &urls, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        QStringList arguments{QStringLiteral("--second-launch")};
        for (const QUrl &url : urls)
            arguments.append(QString::fromLatin1(url.toEncoded(QUrl::FullyEncoded)));
        QProcess process;
        process.setProcessEnvironment(env);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(QCoreApplication::applicationFilePath(), arguments);
        // The primary must keep serving the bus while the second launch waits for its answer.
        return finished.wait(20000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

private Q_SLOTS:
    void initTestCase() { QCOMPARE(m_primary.start({}), SingleInstance::Role::primary); }

    void handOver_data()
    {
        QTest::addColumn<QList<QUrl>>("sent");
        QTest::addColumn<QList<QByteArray>>("received");
        const QUrl latin1 = fileURL("/tmp/Caf\xe9 du soir.mkv");
        const QUrl plain = fileURL("/tmp/b.mp4");
        QTest::newRow("non-UTF-8 name with a space") << QList<QUrl>{latin1, plain}
                                                     << QList<QByteArray>{"/tmp/Caf\xe9 du soir.mkv", "/tmp/b.mp4"};
        QTest::newRow("web address dropped") << QList<QUrl>{QUrl("https://example.org/a.mkv"), plain}
                                             << QList<QByteArray>{"/tmp/b.mp4"};
        QTest::newRow("empty list") << QList<QUrl>{} << QList<QByteArray>{};
    }
    void handOver()
    {
        QFETCH(QList<QUrl>, sent);
        QFETCH(QList<QByteArray>, received);
        QSignalSpy handed(&m_primary, &SingleInstance::filesHandedOver);
        QCOMPARE(launch(sent), int(SingleInstance::Role::handedOver));
        // The call is answered only after the method ran, so the signal has been emitted by now.
        QCOMPARE(handed.count(), received.isEmpty() ? 0 : 1);
        if (received.isEmpty())
            return;
        QList<QByteArray> paths;
        for (const QUrl &url : handed.first().first().value<QList<QUrl>>())
            paths.append(nativePath(url));
        QCOMPARE(paths, received);
    }

    void noBusRunsAlone()
    {
        QTemporaryDir runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        QCOMPARE(launch({fileURL("/tmp/a.mkv")}, env), int(SingleInstance::Role::alone));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() > 1 && arguments.at(1) == QLatin1String("--second-launch"))
        return secondLaunch(arguments.mid(2));
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
