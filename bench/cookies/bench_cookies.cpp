// Parses a large generated cookie file and times the Cookie header of a cached store, the call
// every web request makes. Prints medians; see bench/README.md for the targets.
#include "../../tests/services/CookieFileBuilder.h"

#include "services/BrowserCookies.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace tolvane;

namespace {

template <typename Work> double medianMicroseconds(int runs, int callsPerRun, Work work)
{
    QList<double> samples;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        for (int call = 0; call < callsPerRun; ++call)
            work();
        samples.append(double(clock.nsecsElapsed()) / 1000.0 / callsPerRun);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    AppSettings::storeUseSafariCookies(true);

    // A heavy browser profile: 5 000 cookies on 1 000 sites, 100 cookies to a page.
    constexpr int cookieCount = 5000;
    QList<QByteArray> pages;
    QList<QByteArray> records;
    for (int i = 0; i < cookieCount; ++i) {
        cookiefile::Fields fields;
        fields.domain = ".site" + QByteArray::number(i % 1000) + ".example";
        fields.name = "cookie" + QByteArray::number(i);
        fields.value = QByteArray(40, 'v');
        records.append(cookiefile::record(fields));
        if (records.size() == 100) {
            pages.append(cookiefile::page(records));
            records.clear();
        }
    }
    const QByteArray bytes = cookiefile::file(pages);
    const QString path = home.path() + QLatin1String(BrowserCookies::fileLocations[1]);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 1;
    file.close();

    const double parse = medianMicroseconds(15, 1, [&] { parseBinaryCookies(bytes); });
    BrowserCookies cookies;
    cookies.load(true);
    const QUrl url(QStringLiteral("https://www.site7.example/film/1"));
    const double header = medianMicroseconds(15, 200, [&] { cookies.cookieHeader(url); });
    std::printf("cookies: %d in %lld bytes\n", cookieCount, static_cast<long long>(bytes.size()));
    std::printf("parseBinaryCookies: %.0f us (median of 15)\n", parse);
    std::printf("cookieHeader, cached: %.1f us per call (median of 15 x 200)\n", header);
    std::printf("file reads: %d\n", cookies.fileReads());
    return 0;
}
