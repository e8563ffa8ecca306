// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>
#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

#include "link/values.h"

using namespace mt;

namespace {

std::vector<std::uint8_t> Bytes(const QByteArray& hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

// A register answer with the given data bytes from byte 3 on, and two bytes
// standing in for the CRC. Decoders read values from k = 3.
std::vector<std::uint8_t> AnswerWithData(const QByteArray& dataHex) {
    auto bytes = Bytes("01 04 00");
    const auto data = Bytes(dataHex);
    bytes[2] = static_cast<std::uint8_t>(data.size());
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.push_back(0xEE);
    bytes.push_back(0xEE);
    return bytes;
}

quint32 Bits(float value) {
    return std::bit_cast<quint32>(value);
}

}  // namespace

class TestValues : public QObject {
    Q_OBJECT

private slots:
    void hexText_data();
    void hexText();
    void hexToSingle_data();
    void hexToSingle();
    void everyByteSurvivesTheTextRoundTrip_data();
    void everyByteSurvivesTheTextRoundTrip();
    void registerSingle_data();
    void registerSingle();
    void registerValue16_data();
    void registerValue16();
    void registerValue32_data();
    void registerValue32();
    void integersAgreeWithTheTextRoute();
    void noReadPastTheEnd_data();
    void noReadPastTheEnd();
};

void TestValues::hexText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");

    QTest::newRow("float pair") << QByteArray("43 5C 00 00") << 0 << 4 << "435C0000";
    QTest::newRow("pads on the left") << QByteArray("0A") << 0 << 1 << "0A";
    QTest::newRow("zero byte") << QByteArray("00") << 0 << 1 << "00";
    QTest::newRow("mixed") << QByteArray("00 0A 10 FF") << 0 << 4 << "000A10FF";
    QTest::newRow("upper case") << QByteArray("ab cd ef") << 0 << 3 << "ABCDEF";
    QTest::newRow("inside an answer")
        << QByteArray("01 04 04 43 5C 33 33 7B 40") << 3 << 4 << "435C3333";
    QTest::newRow("one register") << QByteArray("01 04 04 08 98 33 33 7B 40") << 3 << 2 << "0898";
    QTest::newRow("no bytes") << QByteArray("01 04") << 1 << 0 << "";
    QTest::newRow("no bytes at the end") << QByteArray("01 04") << 2 << 0 << "";
    QTest::newRow("one byte short") << QByteArray("43 5C 00") << 0 << 4 << "";
    QTest::newRow("starts inside, runs past") << QByteArray("43 5C 00 00") << 1 << 4 << "";
    QTest::newRow("starts past the end") << QByteArray("43 5C") << 3 << 0 << "";
    QTest::newRow("empty answer") << QByteArray() << 0 << 2 << "";
}

void TestValues::hexText() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, first);
    QFETCH(int, count);
    QFETCH(QString, text);
    const auto data = Bytes(bytes);
    QCOMPARE(QString::fromStdString(
                 HexText(data, static_cast<std::size_t>(first), static_cast<std::size_t>(count))),
             text);
}

void TestValues::hexToSingle_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<quint32>("bits");

    QTest::newRow("220.0") << QByteArray("435C0000") << quint32(Bits(220.0f));
    QTest::newRow("220.2") << QByteArray("435C3333") << quint32(Bits(220.2f));
    QTest::newRow("1.0") << QByteArray("3F800000") << quint32(Bits(1.0f));
    QTest::newRow("-5.0") << QByteArray("C0A00000") << quint32(Bits(-5.0f));
    QTest::newRow("0") << QByteArray("00000000") << quint32(Bits(0.0f));
    QTest::newRow("0.1") << QByteArray("3DCCCCCD") << quint32(Bits(0.1f));
    QTest::newRow("1000.0") << QByteArray("447A0000") << quint32(Bits(1000.0f));
    QTest::newRow("lower case digits") << QByteArray("435c3333") << quint32(Bits(220.2f));
    QTest::newRow("largest") << QByteArray("7F7FFFFF") << quint32(Bits(FLT_MAX));
    QTest::newRow("infinity") << QByteArray("7F800000") << quint32(0x7F800000U);
    QTest::newRow("quiet NaN") << QByteArray("7FC00001") << quint32(0x7FC00001U);
    QTest::newRow("negative zero") << QByteArray("80000000") << quint32(0x80000000U);
    // Missing pairs count as 0.
    QTest::newRow("four digits") << QByteArray("435C") << quint32(0x435C0000U);
    QTest::newRow("two digits") << QByteArray("43") << quint32(0x43000000U);
    QTest::newRow("odd length") << QByteArray("435C000") << quint32(0x435C0000U);
    QTest::newRow("one digit") << QByteArray("4") << quint32(0U);
    QTest::newRow("empty") << QByteArray("") << quint32(0U);
    // Digits beyond the eighth are not part of the value.
    QTest::newRow("ten digits") << QByteArray("435C0000FF") << quint32(0x435C0000U);
    // A pair that is not hexadecimal counts as 0.
    QTest::newRow("letter G") << QByteArray("4G5C0000") << quint32(0x005C0000U);
    QTest::newRow("blank inside") << QByteArray("43 5C000") << quint32(0x4300C000U);
    QTest::newRow("sign") << QByteArray("-1000000") << quint32(0x00000000U);
}

void TestValues::hexToSingle() {
    QFETCH(QByteArray, text);
    QFETCH(quint32, bits);
    // The text is an exact-size buffer: a read past its end shows up under
    // the address sanitizer.
    const std::vector<char> exact(text.begin(), text.end());
    float value = 12345.0f;
    HexToSingle(std::string_view(exact.data(), exact.size()), value);
    QCOMPARE(Bits(value), bits);
}

void TestValues::everyByteSurvivesTheTextRoundTrip_data() {
    QTest::addColumn<int>("position");
    for (int position = 0; position < 4; ++position) {
        QTest::addRow("byte %d of the pair", position) << position;
    }
}

void TestValues::everyByteSurvivesTheTextRoundTrip() {
    QFETCH(int, position);
    for (int value = 0; value < 256; ++value) {
        std::vector<std::uint8_t> pair = {0x12, 0x34, 0x56, 0x78};
        pair[static_cast<std::size_t>(position)] = static_cast<std::uint8_t>(value);
        const std::string text = HexText(pair, 0, 4);
        QCOMPARE(QString::fromStdString(text.substr(static_cast<std::size_t>(2 * position), 2)),
                 QString::asprintf("%02X", value));
        float single = 0.0f;
        HexToSingle(text, single);
        const quint32 expected =
            (quint32(pair[0]) << 24) | (quint32(pair[1]) << 16) | (quint32(pair[2]) << 8) | pair[3];
        QCOMPARE(Bits(single), expected);
        QCOMPARE(Bits(*RegisterSingle(pair, 0)), expected);
    }
}

void TestValues::registerSingle_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint32>("bits");
    QTest::addColumn<double>("value");  // checked when finite

    QTest::newRow("220.0") << QByteArray("43 5C 00 00") << 0x435C0000U << 220.0;
    QTest::newRow("220.2") << QByteArray("43 5C 33 33") << 0x435C3333U << double(220.2f);
    QTest::newRow("1.0") << QByteArray("3F 80 00 00") << 0x3F800000U << 1.0;
    QTest::newRow("-5.0") << QByteArray("C0 A0 00 00") << 0xC0A00000U << -5.0;
    QTest::newRow("0") << QByteArray("00 00 00 00") << 0x00000000U << 0.0;
    QTest::newRow("0.1") << QByteArray("3D CC CC CD") << 0x3DCCCCCDU << double(0.1f);
    QTest::newRow("1000.0") << QByteArray("44 7A 00 00") << 0x447A0000U << 1000.0;
    QTest::newRow("largest") << QByteArray("7F 7F FF FF") << 0x7F7FFFFFU << double(FLT_MAX);
    QTest::newRow("smallest subnormal") << QByteArray("00 00 00 01") << 0x00000001U
                                        << double(std::numeric_limits<float>::denorm_min());
    QTest::newRow("-infinity") << QByteArray("FF 80 00 00") << 0xFF800000U << -double(INFINITY);
    QTest::newRow("NaN") << QByteArray("7F C0 00 00") << 0x7FC00000U << double(NAN);
}

void TestValues::registerSingle() {
    QFETCH(QByteArray, data);
    QFETCH(quint32, bits);
    QFETCH(double, value);
    const auto answer = AnswerWithData(data);
    const auto single = RegisterSingle(answer, 3);
    QVERIFY(single.has_value());
    QCOMPARE(Bits(*single), bits);
    if (!std::isnan(value)) {
        QCOMPARE(double(*single), value);
    }
    // The text route of the decoders gives the same pattern.
    float viaText = 0.0f;
    HexToSingle(HexText(answer, 3, 4), viaText);
    QCOMPARE(Bits(viaText), bits);
}

void TestValues::registerValue16_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("value");

    QTest::newRow("2200") << QByteArray("08 98") << 2200;
    QTest::newRow("-1") << QByteArray("FF FF") << -1;
    QTest::newRow("most negative") << QByteArray("80 00") << -32768;
    QTest::newRow("largest") << QByteArray("7F FF") << 32767;
    QTest::newRow("0") << QByteArray("00 00") << 0;
    QTest::newRow("low byte only") << QByteArray("00 0A") << 10;
    QTest::newRow("high byte only") << QByteArray("01 00") << 256;
    QTest::newRow("-2") << QByteArray("FF FE") << -2;
}

void TestValues::registerValue16() {
    QFETCH(QByteArray, data);
    QFETCH(int, value);
    const auto answer = AnswerWithData(data);
    QCOMPARE(RegisterValue16(answer, 3), std::optional<std::int16_t>(value));
}

void TestValues::registerValue32_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<qint64>("value");

    QTest::newRow("40000") << QByteArray("00 00 9C 40") << qint64(40000);
    QTest::newRow("65535") << QByteArray("00 00 FF FF") << qint64(65535);
    QTest::newRow("32768") << QByteArray("00 00 80 00") << qint64(32768);
    QTest::newRow("-1") << QByteArray("FF FF FF FF") << qint64(-1);
    QTest::newRow("most negative") << QByteArray("80 00 00 00") << qint64(-2147483648LL);
    QTest::newRow("largest") << QByteArray("7F FF FF FF") << qint64(2147483647);
    QTest::newRow("high word first") << QByteArray("00 01 00 00") << qint64(65536);
    QTest::newRow("-65536") << QByteArray("FF FF 00 00") << qint64(-65536);
    QTest::newRow("byte order") << QByteArray("12 34 56 78") << qint64(0x12345678);
}

void TestValues::registerValue32() {
    QFETCH(QByteArray, data);
    QFETCH(qint64, value);
    const auto answer = AnswerWithData(data);
    const auto result = RegisterValue32(answer, 3);
    QVERIFY(result.has_value());
    QCOMPARE(qint64(*result), value);
}

void TestValues::integersAgreeWithTheTextRoute() {
    // The decoders may read integers directly or through the hexadecimal
    // text read as a two's-complement literal of its width; both must agree
    // for every 16-bit pattern.
    for (int pattern = 0; pattern < 0x10000; ++pattern) {
        const std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(pattern >> 8),
                                                 static_cast<std::uint8_t>(pattern & 0xFF)};
        const QString text = QString::fromStdString(HexText(bytes, 0, 2));
        bool ok = false;
        const auto viaText = static_cast<std::int16_t>(text.toUShort(&ok, 16));
        QVERIFY(ok);
        if (RegisterValue16(bytes, 0) != viaText) {
            QFAIL(qPrintable(QStringLiteral("pattern %1").arg(text)));
        }
    }
    for (const quint32 pattern : {0x00000000U, 0x0000FFFFU, 0x00010000U, 0x7FFFFFFFU, 0x80000000U,
                                  0x80000001U, 0xDEADBEEFU, 0xFFFFFFFFU}) {
        const std::vector<std::uint8_t> bytes = {
            static_cast<std::uint8_t>(pattern >> 24), static_cast<std::uint8_t>(pattern >> 16),
            static_cast<std::uint8_t>(pattern >> 8), static_cast<std::uint8_t>(pattern)};
        bool ok = false;
        const auto viaText =
            static_cast<std::int32_t>(QString::fromStdString(HexText(bytes, 0, 4)).toUInt(&ok, 16));
        QVERIFY(ok);
        QCOMPARE(RegisterValue32(bytes, 0), std::optional<std::int32_t>(viaText));
    }
}

void TestValues::noReadPastTheEnd_data() {
    QTest::addColumn<QString>("accessor");
    QTest::addColumn<int>("size");
    QTest::addColumn<qulonglong>("first");
    QTest::addColumn<bool>("present");

    const struct {
        const char* name;
        int width;
    } accessors[] = {{"RegisterValue16", 2},
                     {"RegisterValue32", 4},
                     {"RegisterSingle", 4},
                     {"HexText2", 2},
                     {"HexText4", 4}};
    const qulonglong beyond = std::numeric_limits<std::size_t>::max();
    for (const auto& a : accessors) {
        for (const int size : {0, 1, 2, 3, 4, 5, 9, 53}) {
            const int lastValid = size - a.width;
            if (lastValid >= 0) {
                QTest::addRow("%s, %d bytes, last valid %d", a.name, size, lastValid)
                    << a.name << size << qulonglong(lastValid) << true;
            }
            const int firstInvalid = std::max(lastValid + 1, 0);
            QTest::addRow("%s, %d bytes, first invalid %d", a.name, size, firstInvalid)
                << a.name << size << qulonglong(firstInvalid) << false;
            QTest::addRow("%s, %d bytes, at the end", a.name, size)
                << a.name << size << qulonglong(size) << false;
            QTest::addRow("%s, %d bytes, far beyond", a.name, size)
                << a.name << size << beyond << false;
        }
    }
}

void TestValues::noReadPastTheEnd() {
    QFETCH(QString, accessor);
    QFETCH(int, size);
    QFETCH(qulonglong, first);
    QFETCH(bool, present);
    // The answer is the front of a longer buffer: an accessor that read past
    // it would find bytes there and answer instead of refusing. The copy of
    // exact size lets the address sanitizer see any such read as well.
    const std::vector<std::uint8_t> longer(static_cast<std::size_t>(size) + 8, 0x5A);
    const std::vector<std::uint8_t> exact(longer.begin(), longer.begin() + size);
    for (const AnswerBytes answer :
         {AnswerBytes(longer).first(static_cast<std::size_t>(size)), AnswerBytes(exact)}) {
        bool got = false;
        if (accessor == "RegisterValue16") {
            const auto v = RegisterValue16(answer, first);
            got = v.has_value();
            if (got) {
                QCOMPARE(*v, std::int16_t(0x5A5A));
            }
        } else if (accessor == "RegisterValue32") {
            const auto v = RegisterValue32(answer, first);
            got = v.has_value();
            if (got) {
                QCOMPARE(*v, std::int32_t(0x5A5A5A5A));
            }
        } else if (accessor == "RegisterSingle") {
            const auto v = RegisterSingle(answer, first);
            got = v.has_value();
            if (got) {
                QCOMPARE(Bits(*v), 0x5A5A5A5AU);
            }
        } else {
            const std::size_t count = accessor == "HexText2" ? 2 : 4;
            const std::string text = HexText(answer, first, count);
            got = !text.empty();
            if (got) {
                QCOMPARE(QString::fromStdString(text),
                         QString(QStringLiteral("5A")).repeated(static_cast<qsizetype>(count)));
            }
        }
        QCOMPARE(got, present);
    }
}

QTEST_APPLESS_MAIN(TestValues)
#include "tst_values.moc"
