#include "core/Json.h"
#include "media/MediaFormat.h"

#include <QJsonValue>
#include <QTest>

#include <limits>

using namespace tolvane;

namespace {

QString text(const std::optional<QString> &value)
{
    return value.value_or(u"none"_qs);
}
QString text(const std::optional<double> &value)
{
    return value ? QString::number(*value, 'g', 15) : u"none"_qs;
}
QString text(const std::optional<qint64> &value)
{
    return value ? QString::number(*value) : u"none"_qs;
}

} // namespace

class TestMediaFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every value is made here as text ("none" for no value); each row names the case a fault shows in.
    void texts_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &actual, const QString &expected) {
            QTest::newRow(name) << actual << expected;
        };
        // Only the file size follows a locale; the rates keep their decimal point under a decimal comma.
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QLocale c = QLocale::c();
        row("duration negative", text(formatDuration(-1)), u"none"_qs);
        row("duration beyond exact seconds", text(formatDuration(1e300)), u"none"_qs);
        // In single precision 3.335 lies just above itself; in double it would read 3.33.
        row("bit rate single precision", formatBitRate(3'335'000), u"3.34 Mbps"_qs);
        row("frame rate 59.94", formatFrameRate(59.94), u"59.9 fps"_qs);
        row("size just below a megabyte", formatFileSize(999'994, c), u"999.99 kB"_qs);
        row("size rounds up to a megabyte", formatFileSize(999'999, c), u"1.00 MB"_qs);
        row("fourcc trailing space trimmed", fourCharCode(0x61616320), u"aac"_qs);
        row("tag none, codec none", codecTagText(0, u"none"_qs), u"0x00000000"_qs);
        row("tag unknown codec", codecTagText(0x0102, u"unknown_codec"_qs), u"0x00000102"_qs);
        row("number inf", text(parseNumber(u"inf")), u"none"_qs);
        row("number sexagesimal", text(parseNumber(u"1:23:45.670000")), u"none"_qs);
        row("ratio plain number", text(readRatio(u"25")), u"25"_qs);
        row("ratio zero denominator", text(readRatio(u"25/0")), u"none"_qs);
        row("integer json beyond double precision", text(jsonInteger(QJsonValue(qint64(9'007'199'254'740'993)))),
            u"9007199254740993"_qs);
        row("integer json truncated toward zero", text(jsonInteger(QJsonValue(-7.9))), u"-7"_qs);
        QLocale::setDefault(saved);
    }
    void texts()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }
};

QTEST_GUILESS_MAIN(TestMediaFormat)
#include "tst_mediaformat.moc"
