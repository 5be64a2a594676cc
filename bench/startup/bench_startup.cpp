// Cold start to the first painted frame of the Tolvane window, against a bare QWidget window
// started the same way. Each run is a fresh process; the child prints when its window has
// painted once, and the parent times from the spawn to that line.
//   bench_startup [RUNS]          (default 10; use the platform the desktop uses, or offscreen)

#include "library/LibraryModel.h"
#include "support/DesktopServices.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QWidget>

#include <algorithm>
#include <cstdio>

using namespace tolvane;

namespace {

/// Says "painted" and quits after the watched window's first paint.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::puts("painted");
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool m_done = false;
};

int child(int argc, char **argv, bool bare)
{
    QApplication app(argc, argv);
    FirstPaint watcher;
    NoDesktopServices desktop;
    LibraryModel model;
    std::unique_ptr<QWidget> window;
    if (bare)
        window = std::make_unique<QWidget>();
    else
        window = std::make_unique<MainWindow>(model, desktop);
    window->resize(960, 560);
    window->installEventFilter(&watcher);
    window->show();
    return app.exec();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timeChild(const QString &self, const QString &mode)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(self, {mode});
    while (process.state() != QProcess::NotRunning || process.bytesAvailable()) {
        process.waitForReadyRead(5000);
        if (process.readAll().contains("painted"))
            break;
    }
    const double elapsed = timer.nsecsElapsed() / 1e6;
    process.waitForFinished(5000);
    return elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && (qstrcmp(argv[1], "--bare") == 0 || qstrcmp(argv[1], "--tolvane") == 0))
        return child(argc, argv, qstrcmp(argv[1], "--bare") == 0);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10;
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    QList<double> bare, tolvane;
    for (int i = 0; i < runs; ++i) {
        bare.append(timeChild(self, QStringLiteral("--bare")));
        tolvane.append(timeChild(self, QStringLiteral("--tolvane")));
    }
    std::printf("first frame (median of %d): bare QWidget %.1f ms, Tolvane window %.1f ms (%.2fx)\n", runs,
        median(bare), median(tolvane), median(tolvane) / median(bare));
    return 0;
}
