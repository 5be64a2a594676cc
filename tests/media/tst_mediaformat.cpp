#include "media/MediaFormat.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QTest>

#include <cmath>
#include <limits>

using namespace tolvane;

using OptionalText = std::optional<QString>;
using OptionalNumber = std::optional<double>;
using OptionalInteger = std::optional<qint64>;
Q_DECLARE_METATYPE(OptionalText)
Q_DECLARE_METATYPE(OptionalNumber)
Q_DECLARE_METATYPE(OptionalInteger)

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// libavcodec's tag order: the first character in the lowest byte.
constexpr quint32 avTag(char a, char b, char c, char d)
{
    return quint32(quint8(a)) | quint32(quint8(b)) << 8 | quint32(quint8(c)) << 16 | quint32(quint8(d)) << 24;
}

void compareNumber(const OptionalNumber &actual, const OptionalNumber &expected)
{
    QCOMPARE(actual.has_value(), expected.has_value());
    if (expected)
        QVERIFY2(std::abs(*actual - *expected) < 1e-9, qPrintable(QString::number(*actual, 'g', 17)));
}

} // namespace

class TestMediaFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void duration_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<OptionalText>("expected");
        QTest::newRow("zero") << 0.0 << OptionalText(u"0:00"_qs);
        QTest::newRow("mediainfo seconds") << 3.023 << OptionalText(u"0:03"_qs);
        QTest::newRow("minutes not padded") << 425.0 << OptionalText(u"7:05"_qs);
        QTest::newRow("59.6 rounds up to a minute") << 59.6 << OptionalText(u"1:00"_qs);
        QTest::newRow("3599.4 stays below the hour") << 3599.4 << OptionalText(u"59:59"_qs);
        QTest::newRow("3599.5 rounds into the hour") << 3599.5 << OptionalText(u"1:00:00"_qs);
        QTest::newRow("one hour") << 3600.0 << OptionalText(u"1:00:00"_qs);
        QTest::newRow("feature film") << 5838.0 << OptionalText(u"1:37:18"_qs);
        QTest::newRow("negative") << -1.0 << OptionalText();
        QTest::newRow("not a number") << notANumber << OptionalText();
        QTest::newRow("infinite") << infinity << OptionalText();
        QTest::newRow("beyond exact seconds") << 1e300 << OptionalText();
    }
    void duration()
    {
        QFETCH(double, seconds);
        QFETCH(OptionalText, expected);
        QCOMPARE(formatDuration(seconds), expected);
    }

    void bitRate_data()
    {
        QTest::addColumn<double>("bitsPerSecond");
        QTest::addColumn<QString>("expected");
        QTest::newRow("999 999 b/s") << 999'999.0 << u"1000 kbps"_qs;
        QTest::newRow("1 000 000 b/s") << 1'000'000.0 << u"1.00 Mbps"_qs;
        QTest::newRow("mkv overall") << 126'634.0 << u"127 kbps"_qs;
        QTest::newRow("4K video") << 62'232'772.0 << u"62.23 Mbps"_qs;
        // Single precision shows in the last digit: in double these read 3.33 and 1234.57.
        QTest::newRow("float rounding up") << 3'335'000.0 << u"3.34 Mbps"_qs;
        QTest::newRow("float rounding down") << 1'234'565'000.0 << u"1234.56 Mbps"_qs;
    }
    void bitRate()
    {
        QFETCH(double, bitsPerSecond);
        QFETCH(QString, expected);
        QCOMPARE(formatBitRate(bitsPerSecond), expected);
    }

    void frameRate_data()
    {
        QTest::addColumn<double>("framesPerSecond");
        QTest::addColumn<QString>("expected");
        QTest::newRow("NTSC film") << 24000.0 / 1001 << u"24 fps"_qs;
        QTest::newRow("23.976") << 23.976 << u"24 fps"_qs;
        QTest::newRow("29.97") << 29.97 << u"30 fps"_qs;
        QTest::newRow("59.94 keeps a decimal") << 59.94 << u"59.9 fps"_qs;
        QTest::newRow("whole") << 25.0 << u"25 fps"_qs;
        QTest::newRow("three digits") << 119.88 << u"120 fps"_qs;
        QTest::newRow("slow") << 0.5 << u"0.5 fps"_qs;
    }
    void frameRate()
    {
        QFETCH(double, framesPerSecond);
        QFETCH(QString, expected);
        QCOMPARE(formatFrameRate(framesPerSecond), expected);
    }

    void otherFormats()
    {
        QCOMPARE(formatSampleRate(48000), u"48000 Hz"_qs);
        QCOMPARE(formatSampleRate(44100.4), u"44100 Hz"_qs);
        QCOMPARE(formatResolution(1920, 1080), u"1920\u00D71080"_qs);
    }

    void fileSize_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        const QLocale c = QLocale::c();
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("1.2 thousand million") << qint64(1'234'567'890) << c << u"1.23 GB"_qs;
        QTest::newRow("English") << qint64(1'234'567'890) << english << u"1.23 GB"_qs;
        QTest::newRow("German takes its comma") << qint64(1'234'567'890) << QLocale(QLocale::German) << u"1,23 GB"_qs;
        QTest::newRow("small clip") << qint64(47'852) << c << u"47.85 kB"_qs;
        QTest::newRow("28 GB") << qint64(28'071'815'971) << c << u"28.07 GB"_qs;
        QTest::newRow("bytes") << qint64(999) << c << u"999 bytes"_qs;
        QTest::newRow("empty") << qint64(0) << c << u"0 bytes"_qs;
        QTest::newRow("just below a megabyte") << qint64(999'994) << c << u"999.99 kB"_qs;
        QTest::newRow("rounds up to a megabyte") << qint64(999'999) << c << u"1.00 MB"_qs;
        QTest::newRow("rounds up to a gigabyte") << qint64(999'999'999) << english << u"1.00 GB"_qs;
    }
    void fileSize()
    {
        QFETCH(qint64, bytes);
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        QCOMPARE(formatFileSize(bytes, locale), expected);
    }

    // Only the file size follows the user's locale; the other numbers keep their decimal point.
    void decimalCommaLocaleLeavesRatesAlone()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString frameRate = formatFrameRate(59.94);
        const QString bitRate = formatBitRate(1'500'000);
        const QString sampleRate = formatSampleRate(48000);
        QLocale::setDefault(saved);
        QCOMPARE(frameRate, u"59.9 fps"_qs);
        QCOMPARE(bitRate, u"1.50 Mbps"_qs);
        QCOMPARE(sampleRate, u"48000 Hz"_qs);
    }

    void parseNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptionalNumber>("expected");
        QTest::newRow("decimal") << u"3.023"_qs << OptionalNumber(3.023);
        QTest::newRow("integer") << u"126634"_qs << OptionalNumber(126634);
        QTest::newRow("plus sign") << u"+25"_qs << OptionalNumber(25);
        QTest::newRow("minus sign") << u"-1.5"_qs << OptionalNumber(-1.5);
        QTest::newRow("exponent") << u"1e3"_qs << OptionalNumber(1000);
        QTest::newRow("empty") << QString() << OptionalNumber();
        QTest::newRow("trailing space") << u"1 "_qs << OptionalNumber();
        QTest::newRow("trailing text") << u"12abc"_qs << OptionalNumber();
        QTest::newRow("doubled sign") << u"+-1"_qs << OptionalNumber();
        QTest::newRow("nan") << u"nan"_qs << OptionalNumber();
        QTest::newRow("inf") << u"inf"_qs << OptionalNumber();
        QTest::newRow("decimal comma") << u"23,976"_qs << OptionalNumber();
        QTest::newRow("sexagesimal") << u"1:23:45.670000"_qs << OptionalNumber();
        QTest::newRow("Arabic-Indic digits") << u"\u0661\u0662"_qs << OptionalNumber();
    }
    void parseNumber()
    {
        QFETCH(QString, text);
        QFETCH(OptionalNumber, expected);
        compareNumber(tolvane::parseNumber(text), expected);
    }

    void parseInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptionalInteger>("expected");
        QTest::newRow("file size") << u"28071815971"_qs << OptionalInteger(28'071'815'971);
        QTest::newRow("plus sign") << u"+7"_qs << OptionalInteger(7);
        QTest::newRow("minus sign") << u"-3"_qs << OptionalInteger(-3);
        QTest::newRow("fraction") << u"1.5"_qs << OptionalInteger();
        QTest::newRow("empty") << QString() << OptionalInteger();
        QTest::newRow("doubled sign") << u"--3"_qs << OptionalInteger();
        QTest::newRow("too large") << u"9223372036854775808"_qs << OptionalInteger();
        QTest::newRow("largest") << u"9223372036854775807"_qs << OptionalInteger(9'223'372'036'854'775'807);
    }
    void parseInteger()
    {
        QFETCH(QString, text);
        QFETCH(OptionalInteger, expected);
        QCOMPARE(tolvane::parseInteger(text), expected);
    }

    void readNumber_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<OptionalNumber>("expected");
        QTest::newRow("double") << QJsonValue(3.5) << OptionalNumber(3.5);
        QTest::newRow("integer") << QJsonValue(qint64(7)) << OptionalNumber(7);
        QTest::newRow("string holding a number") << QJsonValue(u"25.000"_qs) << OptionalNumber(25);
        QTest::newRow("string holding text") << QJsonValue(u"VFR"_qs) << OptionalNumber();
        QTest::newRow("boolean") << QJsonValue(true) << OptionalNumber();
        QTest::newRow("null") << QJsonValue() << OptionalNumber();
        QTest::newRow("object") << QJsonValue(QJsonObject{{u"a"_qs, 1}}) << OptionalNumber();
    }
    void readNumber()
    {
        QFETCH(QJsonValue, value);
        QFETCH(OptionalNumber, expected);
        compareNumber(tolvane::readNumber(value), expected);
    }

    void readInteger_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<OptionalInteger>("expected");
        QTest::newRow("integer") << QJsonValue(640) << OptionalInteger(640);
        QTest::newRow("beyond double precision")
            << QJsonValue(qint64(9'007'199'254'740'993)) << OptionalInteger(9'007'199'254'740'993);
        QTest::newRow("double truncated") << QJsonValue(7.9) << OptionalInteger(7);
        QTest::newRow("negative truncated toward zero") << QJsonValue(-7.9) << OptionalInteger(-7);
        QTest::newRow("double out of range") << QJsonValue(1e300) << OptionalInteger();
        QTest::newRow("string holding an integer") << QJsonValue(u"47852"_qs) << OptionalInteger(47852);
        QTest::newRow("string holding a fraction") << QJsonValue(u"7.5"_qs) << OptionalInteger();
        QTest::newRow("boolean") << QJsonValue(false) << OptionalInteger();
    }
    void readInteger()
    {
        QFETCH(QJsonValue, value);
        QFETCH(OptionalInteger, expected);
        QCOMPARE(tolvane::readInteger(value), expected);
    }

    void readRatio_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptionalNumber>("expected");
        QTest::newRow("NTSC film") << u"24000/1001"_qs << OptionalNumber(24000.0 / 1001);
        QTest::newRow("whole") << u"25/1"_qs << OptionalNumber(25);
        QTest::newRow("plain number") << u"25"_qs << OptionalNumber(25);
        QTest::newRow("zero rate") << u"0/1"_qs << OptionalNumber(0);
        QTest::newRow("0/0") << u"0/0"_qs << OptionalNumber();
        QTest::newRow("empty") << QString() << OptionalNumber();
        QTest::newRow("zero denominator") << u"25/0"_qs << OptionalNumber();
        QTest::newRow("no denominator") << u"25/"_qs << OptionalNumber();
        QTest::newRow("three pieces") << u"1/2/3"_qs << OptionalNumber();
    }
    void readRatio()
    {
        QFETCH(QString, text);
        QFETCH(OptionalNumber, expected);
        compareNumber(tolvane::readRatio(text), expected);
    }

    void fourCharCode_data()
    {
        QTest::addColumn<quint32>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("avc1") << quint32(0x61766331) << u"avc1"_qs;
        QTest::newRow("trailing space trimmed") << quint32(0x61616320) << u"aac"_qs;
        QTest::newRow("inner tab kept") << quint32(0x20610962) << u"a\tb"_qs;
        QTest::newRow("all spaces") << quint32(0x20202020) << u"0x20202020"_qs;
        QTest::newRow("Latin-1 byte") << quint32(0x61E96300) << u"a\u00E9c"_qs + QChar(0);
    }
    void fourCharCode()
    {
        QFETCH(quint32, code);
        QFETCH(QString, expected);
        QCOMPARE(tolvane::fourCharCode(code), expected);
    }

    void codecTagText_data()
    {
        QTest::addColumn<quint32>("tag");
        QTest::addColumn<QString>("codecName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mp4 video") << avTag('a', 'v', 'c', '1') << u"h264"_qs << u"avc1"_qs;
        QTest::newRow("mp4 audio") << avTag('m', 'p', '4', 'a') << u"aac"_qs << u"mp4a"_qs;
        QTest::newRow("trailing space") << avTag('a', 'a', 'c', ' ') << u"aac"_qs << u"aac"_qs;
        QTest::newRow("Matroska stores no tag") << quint32(0) << u"h264"_qs << u"h264"_qs;
        QTest::newRow("WAVE format number") << quint32(0x0001) << u"pcm_s16le"_qs << u"pcm_s16le"_qs;
        QTest::newRow("unprintable byte") << avTag('a', 'v', 'c', '\x7F') << u"h264"_qs << u"h264"_qs;
        QTest::newRow("four spaces") << avTag(' ', ' ', ' ', ' ') << u"rawvideo"_qs << u"rawvideo"_qs;
        QTest::newRow("no tag, no codec") << quint32(0) << u"none"_qs << u"0x00000000"_qs;
        QTest::newRow("unknown codec") << quint32(0x0102) << u"unknown_codec"_qs << u"0x00000102"_qs;
    }
    void codecTagText()
    {
        QFETCH(quint32, tag);
        QFETCH(QString, codecName);
        QFETCH(QString, expected);
        QCOMPARE(tolvane::codecTagText(tag, codecName), expected);
    }
};

QTEST_GUILESS_MAIN(TestMediaFormat)
#include "tst_mediaformat.moc"
