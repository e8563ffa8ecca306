// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLocale>
#include <QtTest>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <limits>

#include "link/numbertext.h"

using namespace mt;

namespace {

// Float bit patterns as the meter sends them.
float FromBits(quint32 bits) {
    return std::bit_cast<float>(bits);
}

}  // namespace

class TestNumberText : public QObject {
    Q_OBJECT

private slots:
    void voltageText_data();
    void voltageText();
    void singleText_data();
    void singleText();
    void generalNumberText_data();
    void generalNumberText();
    void textsIgnoreTheLocale();
};

void TestNumberText::voltageText_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("220.0") << FromBits(0x435C0000) << "220.0";
    QTest::newRow("220.2") << FromBits(0x435C3333) << "220.2";
    QTest::newRow("1.0") << FromBits(0x3F800000) << "001.0";
    QTest::newRow("-5.0") << FromBits(0xC0A00000) << "-005.0";
    QTest::newRow("0") << FromBits(0x00000000) << "000.0";
    QTest::newRow("1000.0") << FromBits(0x447A0000) << "1000.0";
    QTest::newRow("negative zero") << FromBits(0x80000000) << "000.0";
    QTest::newRow("0.1") << 0.1f << "000.1";
    QTest::newRow("12.34") << 12.34f << "012.3";
    QTest::newRow("-230.46") << -230.46f << "-230.5";
    // Exact halves go away from zero; values just below a half stay down.
    QTest::newRow("half 0.25") << 0.25f << "000.3";
    QTest::newRow("half -0.25") << -0.25f << "-000.3";
    QTest::newRow("half 0.75") << 0.75f << "000.8";
    QTest::newRow("0.125") << 0.125f << "000.1";
    QTest::newRow("0.05 is a bit above") << 0.05f << "000.1";
    QTest::newRow("99.95 is a bit below") << 99.95f << "099.9";
    QTest::newRow("9.95 is a bit below") << 9.95f << "009.9";
    // Carries through every digit.
    QTest::newRow("999.95 carries") << 999.95f << "1000.0";
    QTest::newRow("-999.96 carries") << -999.96f << "-1000.0";
    QTest::newRow("9.96 carries") << 9.96f << "010.0";
    QTest::newRow("99.97 carries") << 99.97f << "100.0";
    // Negatives that show as zero carry no sign.
    QTest::newRow("-0.04") << -0.04f << "000.0";
    QTest::newRow("-0.05 is a bit beyond") << -0.05f << "-000.1";
    QTest::newRow("smallest subnormal") << std::numeric_limits<float>::denorm_min() << "000.0";
    QTest::newRow("-smallest subnormal") << -std::numeric_limits<float>::denorm_min() << "000.0";
    QTest::newRow("large") << 12345678.0f << "12345678.0";
    QTest::newRow("largest") << FLT_MAX << "340282346638528859811704183484516925440.0";
    QTest::newRow("-largest") << -FLT_MAX << "-340282346638528859811704183484516925440.0";
    QTest::newRow("infinity") << INFINITY << "Inf";
    QTest::newRow("-infinity") << -INFINITY << "-Inf";
    QTest::newRow("NaN") << FromBits(0x7FC00000) << "NaN";
    QTest::newRow("negative NaN") << FromBits(0xFFC00001) << "NaN";
}

void TestNumberText::voltageText() {
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(VoltageText(value)), text);
}

void TestNumberText::singleText_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("220.0") << FromBits(0x435C0000) << "220";
    QTest::newRow("220.2") << FromBits(0x435C3333) << "220.2";
    QTest::newRow("1.0") << FromBits(0x3F800000) << "1";
    QTest::newRow("-5.0") << FromBits(0xC0A00000) << "-5";
    QTest::newRow("0") << FromBits(0x00000000) << "0";
    QTest::newRow("negative zero") << FromBits(0x80000000) << "0";
    QTest::newRow("0.1") << FromBits(0x3DCCCCCD) << "0.1";
    QTest::newRow("1000") << 1000.0f << "1000";
    QTest::newRow("0.5") << 0.5f << "0.5";
    QTest::newRow("-0.5") << -0.5f << "-0.5";
    QTest::newRow("100.25") << 100.25f << "100.25";
    QTest::newRow("pi") << 3.14159265f << "3.141593";
    QTest::newRow("two thirds") << 2.0f / 3.0f << "0.6666667";
    QTest::newRow("next after 1") << std::nextafter(1.0f, 2.0f) << "1";
    QTest::newRow("999.95") << 999.95f << "999.95";
    // Switch points of the exponent form: seven integer digits and 1E-04 stay plain.
    QTest::newRow("1234567") << 1234567.0f << "1234567";
    QTest::newRow("9999999") << 9999999.0f << "9999999";
    QTest::newRow("10000000") << 10000000.0f << "1E+07";
    QTest::newRow("-10000000") << -10000000.0f << "-1E+07";
    QTest::newRow("12345678") << 12345678.0f << "1.234568E+07";
    QTest::newRow("16777215") << 16777215.0f << "1.677722E+07";
    QTest::newRow("tie to even down") << 10000005.0f << "1E+07";
    QTest::newRow("tie to even up") << 10000015.0f << "1.000002E+07";
    QTest::newRow("0.0001") << 0.0001f << "0.0001";
    QTest::newRow("just below 0.0001") << 9.99999999e-5f << "0.0001";
    QTest::newRow("0.000123456") << 0.000123456f << "0.000123456";
    QTest::newRow("0.00001") << 0.00001f << "1E-05";
    QTest::newRow("1.5E-07") << 1.5e-7f << "1.5E-07";
    QTest::newRow("largest") << FLT_MAX << "3.402823E+38";
    QTest::newRow("smallest normal") << FLT_MIN << "1.175494E-38";
    QTest::newRow("smallest subnormal")
        << std::numeric_limits<float>::denorm_min() << "1.401298E-45";
    QTest::newRow("infinity") << INFINITY << "Inf";
    QTest::newRow("-infinity") << -INFINITY << "-Inf";
    QTest::newRow("NaN") << FromBits(0x7FC00000) << "NaN";
    QTest::newRow("signalling NaN pattern") << FromBits(0x7F800001) << "NaN";
}

void TestNumberText::singleText() {
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(SingleText(value)), text);
}

void TestNumberText::generalNumberText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    // Scaled integers as the decoders divide them.
    QTest::newRow("2200 / 10") << 2200 / 10.0 << "220";
    QTest::newRow("-1 / 10") << -1 / 10.0 << "-0.1";
    QTest::newRow("40000 / 1000") << 40000 / 1000.0 << "40";
    QTest::newRow("65535") << 65535.0 << "65535";
    QTest::newRow("-1 / 100") << -1 / 100.0 << "-0.01";
    QTest::newRow("-32768 / 10") << -32768 / 10.0 << "-3276.8";
    QTest::newRow("12345 / 100") << 12345 / 100.0 << "123.45";
    QTest::newRow("5 / 1000") << 5 / 1000.0 << "0.005";
    QTest::newRow("most negative") << -2147483648.0 << "-2147483648";
    QTest::newRow("largest / 1000") << 2147483647 / 1000.0 << "2147483.647";
    QTest::newRow("most negative / 1000") << -2147483648 / 1000.0 << "-2147483.648";
    QTest::newRow("0") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    // Fifteen significant digits hide the binary residue.
    QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << "0.3";
    QTest::newRow("one third") << 1.0 / 3.0 << "0.333333333333333";
    QTest::newRow("fifteen digits") << 123456789012345.0 << "123456789012345";
    QTest::newRow("just below 1E+15") << 999999999999999.4 << "999999999999999";
    QTest::newRow("rounds up to 1E+15") << 999999999999999.5 << "1E+15";
    QTest::newRow("1E+15") << 1e15 << "1E+15";
    QTest::newRow("0.0001") << 0.0001 << "0.0001";
    QTest::newRow("0.00001") << 0.00001 << "1E-05";
    QTest::newRow("1.5E-07") << 1.5e-7 << "1.5E-07";
    QTest::newRow("largest") << DBL_MAX << "1.79769313486232E+308";
    QTest::newRow("smallest subnormal")
        << std::numeric_limits<double>::denorm_min() << "4.94065645841247E-324";
    QTest::newRow("infinity") << double(INFINITY) << "Inf";
    QTest::newRow("-infinity") << -double(INFINITY) << "-Inf";
    QTest::newRow("NaN") << double(NAN) << "NaN";
}

void TestNumberText::generalNumberText() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(GeneralNumberText(value)), text);
}

void TestNumberText::textsIgnoreTheLocale() {
    // A user whose number settings use a decimal comma still sees a point:
    // both Qt's default locale and the C library's locale are switched.
    const QLocale previousDefault;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    const char* german = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            german = name;
            break;
        }
    }

    const QString voltage = QString::fromStdString(VoltageText(1234.5f));
    const QString single = QString::fromStdString(SingleText(0.25f));
    const QString general = QString::fromStdString(GeneralNumberText(1234567.891));
    const QString exponent = QString::fromStdString(GeneralNumberText(1.5e-7));

    std::setlocale(LC_ALL, previousC.c_str());
    QLocale::setDefault(previousDefault);

    QCOMPARE(voltage, QStringLiteral("1234.5"));
    QCOMPARE(single, QStringLiteral("0.25"));
    QCOMPARE(general, QStringLiteral("1234567.891"));
    QCOMPARE(exponent, QStringLiteral("1.5E-07"));
    if (german == nullptr) {
        QSKIP("no German C locale installed; checked with Qt's default locale only");
    }
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
