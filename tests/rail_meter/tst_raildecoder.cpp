// SPDX-License-Identifier: GPL-3.0-or-later
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>
#include <map>

#include "rail_meter/raildecoder.h"
#include "support/answers.h"

using namespace mt;
using mt::test::BytesOf;
using mt::test::DataWith;
using mt::test::RegisterAnswer;

namespace {

QStringList FieldNames(const std::vector<FieldText>& fields) {
    QStringList names;
    for (const FieldText& f : fields) {
        names << QString::fromLatin1(f.field.data(), static_cast<qsizetype>(f.field.size()));
    }
    return names;
}

QString TextOf(const std::vector<FieldText>& fields, const QString& name) {
    for (const FieldText& f : fields) {
        if (QLatin1String(f.field.data(), static_cast<qsizetype>(f.field.size())) == name) {
            return QString::fromStdString(f.text);
        }
    }
    return QStringLiteral("<absent>");
}

}  // namespace

class TestRailDecoder : public QObject {
    Q_OBJECT

private slots:
    void valueText_data();
    void valueText();
    void fieldsOfBlock_data();
    void fieldsOfBlock();
    void unreadBytesHaveNoEffect_data();
    void unreadBytesHaveNoEffect();
    void byteCountMustFitLength_data();
    void byteCountMustFitLength();
    void hexPairTimeText_data();
    void hexPairTimeText();
    void anyInputIsSafe();
};

// One value placed in an otherwise zero answer: the text its field gets.
void TestRailDecoder::valueText_data() {
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("byteCount");
    QTest::addColumn<int>("blockTag");
    QTest::addColumn<int>("at");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");

    auto row = [](const char* name, int function, int byteCount, int tag, int at, const char* hex,
                  const char* field, const char* text) {
        QTest::newRow(name) << function << byteCount << tag << at << QByteArray::fromHex(hex)
                            << QString::fromLatin1(field) << QString::fromLatin1(text);
    };
    // Measurements, byte count 46.
    row("Uan 220", 4, 46, 0, 3, "0898", "UanT", "220");
    row("Uan 220.1", 4, 46, 5, 3, "0899", "UanT", "220.1");
    row("Uan zero", 4, 46, 0, 3, "0000", "UanT", "0");
    row("Uan -1", 4, 46, 0, 3, "FFFF", "UanT", "-0.1");
    row("Uan 0x8000", 4, 46, 0, 3, "8000", "UanT", "-3276.8");
    row("Uan 0x7FFF", 4, 46, 0, 3, "7FFF", "UanT", "3276.7");
    row("Ubn", 4, 46, 0, 5, "0898", "UbnT", "220");
    row("Ucn", 4, 46, 0, 7, "0001", "UcnT", "0.1");
    row("Uab", 4, 46, 0, 9, "0EE6", "UabT", "381.4");
    row("Ubc", 4, 46, 0, 11, "0EE6", "UbcT", "381.4");
    row("Uca", 4, 46, 0, 13, "0EE6", "UcaT", "381.4");
    row("Ia 5", 4, 46, 0, 15, "01F4", "IaT", "5");
    row("Ia 0.05", 4, 46, 0, 15, "0005", "IaT", "0.05");
    row("Ib", 4, 46, 0, 17, "8000", "IbT", "-327.68");
    row("Ic", 4, 46, 0, 19, "7FFF", "IcT", "327.67");
    row("Pa", 4, 46, 0, 21, "FFFF", "PaT", "-0.01");
    row("Pb", 4, 46, 0, 23, "0064", "PbT", "1");
    row("Pc", 4, 46, 0, 25, "0065", "PcT", "1.01");
    row("Ps", 4, 46, 0, 27, "FF9C", "PsT", "-1");
    row("Qa", 4, 46, 0, 29, "000A", "QaT", "0.1");
    row("Qb", 4, 46, 0, 31, "000A", "QbT", "0.1");
    row("Qc", 4, 46, 0, 33, "000A", "QcT", "0.1");
    row("Qs", 4, 46, 0, 35, "000A", "QsT", "0.1");
    row("Sa", 4, 46, 0, 37, "04D2", "SaT", "12.34");
    row("Sb", 4, 46, 0, 39, "04D2", "SbT", "12.34");
    row("Sc", 4, 46, 0, 41, "04D2", "ScT", "12.34");
    row("Ss last shown", 4, 46, 0, 43, "04D2", "SsT", "12.34");
    row("function 3 alike", 3, 46, 0, 3, "0898", "UanT", "220");
    row("any tag", 4, 46, -32768, 3, "0898", "UanT", "220");

    // Power factor, frequency, phase angles, byte count 12.
    row("Pfs 0.98", 4, 12, 0, 5, "03D4", "PfsT", "0.98");
    row("Pfs 0x8000", 4, 12, 0, 5, "8000", "PfsT", "-32.768");
    row("Pfs -1", 4, 12, 0, 5, "FFFF", "PfsT", "-0.001");
    row("F 50", 4, 12, 0, 7, "1388", "FT", "50");
    row("Oa", 4, 12, 0, 9, "2EE0", "OaT", "120");
    row("Ob", 4, 12, 0, 11, "D120", "ObT", "-120");
    row("Oc", 4, 12, 5, 13, "FFFF", "OcT", "-0.01");

    // Last energy-clearing time, byte count 6, any tag.
    row("clear time", 4, 6, 0, 3, "12051F093000", "EPP0TimeT", "12,05,1F,09,30,00");
    row("clear time small bytes", 4, 6, 5, 3, "00010A000000", "EPP0TimeT", "00,01,0A,00,00,00");
    row("clear time FF", 4, 6, 9, 3, "FFFFFFFFFFFF", "EPP0TimeT", "FF,FF,FF,FF,FF,FF");

    // Demands, byte count 8: tag 6 voltage, tag 7 current.
    row("Umax 230", 4, 8, 6, 3, "08FC", "UMaxT", "230");
    row("Umax 0x8000", 4, 8, 6, 3, "8000", "UMaxT", "-3276.8");
    row("Umax time", 4, 8, 6, 5, "0F1FFF000A10", "UMaxTimeT", "0F,1F,FF,00,0A,10");
    row("Imax 230", 4, 8, 7, 3, "08FC", "IMaxT", "230");
    row("Imax 0xFFFF", 4, 8, 7, 3, "FFFF", "IMaxT", "-0.1");
    row("Imax time", 4, 8, 7, 5, "2407150B0509", "IMaxTimeT", "24,07,15,0B,05,09");

    // Energies, byte count 20: tag 0 total and tariffs, tags 1-5 one each.
    row("SW 1234.56", 4, 20, 0, 3, "0001E240", "SWT", "1234.56");
    row("SW -1", 4, 20, 0, 3, "FFFFFFFF", "SWT", "-0.01");
    row("SW min", 4, 20, 0, 3, "80000000", "SWT", "-21474836.48");
    row("SW max", 4, 20, 0, 3, "7FFFFFFF", "SWT", "21474836.47");
    row("SW 32768", 4, 20, 0, 3, "00008000", "SWT", "327.68");
    row("SW 65535", 4, 20, 0, 3, "0000FFFF", "SWT", "655.35");
    row("SW high word", 4, 20, 0, 3, "00010000", "SWT", "655.36");
    row("WJ", 4, 20, 0, 7, "0001E240", "WJT", "1234.56");
    row("WF", 4, 20, 0, 11, "FFFFFFFF", "WFT", "-0.01");
    row("WP", 4, 20, 0, 15, "80000000", "WPT", "-21474836.48");
    row("WG 100", 4, 20, 0, 19, "00002710", "WGT", "100");
    row("FAE tag 1", 4, 20, 1, 3, "0001E240", "FAET", "1234.56");
    row("RAE tag 2", 4, 20, 2, 3, "80000000", "RAET", "-21474836.48");
    row("SRE tag 3", 4, 20, 3, 3, "7FFFFFFF", "SRET", "21474836.47");
    row("FRE tag 4", 4, 20, 4, 3, "0000FFFF", "FRET", "655.35");
    row("RRE tag 5", 4, 20, 5, 3, "0001E240", "RRET", "1234.56");
    row("function 3 energy", 3, 20, 5, 3, "FFFFFFFF", "RRET", "-0.01");
}

void TestRailDecoder::valueText() {
    QFETCH(int, function);
    QFETCH(int, byteCount);
    QFETCH(int, blockTag);
    QFETCH(int, at);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, field);
    QFETCH(QString, text);

    const QByteArray answer = RegisterAnswer(DataWith(byteCount, at, bytes), function);
    const auto fields = DecodeDinRailAnswer(BytesOf(answer), static_cast<std::int16_t>(blockTag));
    QCOMPARE(TextOf(fields, field), text);
}

// Which fields an answer sets, by function code, byte count and tag. Answers
// of no listed shape, and equally long blocks under a foreign tag, set none.
void TestRailDecoder::fieldsOfBlock_data() {
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("byteCount");
    QTest::addColumn<int>("blockTag");
    QTest::addColumn<QStringList>("fields");

    const QStringList measurements{"UanT", "UbnT", "UcnT", "UabT", "UbcT", "UcaT", "IaT",
                                   "IbT",  "IcT",  "PaT",  "PbT",  "PcT",  "PsT",  "QaT",
                                   "QbT",  "QcT",  "QsT",  "SaT",  "SbT",  "ScT",  "SsT"};
    const QStringList phase{"PfsT", "FT", "OaT", "ObT", "OcT"};
    const QStringList tariffs{"SWT", "WJT", "WFT", "WPT", "WGT"};
    const QStringList none;

    QTest::newRow("46 tag 0") << 4 << 46 << 0 << measurements;
    QTest::newRow("46 tag 5") << 4 << 46 << 5 << measurements;
    QTest::newRow("46 tag 7") << 4 << 46 << 7 << measurements;
    QTest::newRow("12 tag 5") << 4 << 12 << 5 << phase;
    QTest::newRow("12 tag -1") << 4 << 12 << -1 << phase;
    QTest::newRow("6 tag 0") << 4 << 6 << 0 << QStringList{"EPP0TimeT"};
    QTest::newRow("6 tag 6") << 4 << 6 << 6 << QStringList{"EPP0TimeT"};
    QTest::newRow("8 tag 6") << 4 << 8 << 6 << QStringList{"UMaxT", "UMaxTimeT"};
    QTest::newRow("8 tag 7") << 4 << 8 << 7 << QStringList{"IMaxT", "IMaxTimeT"};
    QTest::newRow("8 tag 0") << 4 << 8 << 0 << none;
    QTest::newRow("8 tag 5") << 4 << 8 << 5 << none;
    QTest::newRow("8 tag 8") << 4 << 8 << 8 << none;
    QTest::newRow("8 tag -6") << 4 << 8 << -6 << none;
    QTest::newRow("20 tag 0") << 4 << 20 << 0 << tariffs;
    QTest::newRow("20 tag 1") << 4 << 20 << 1 << QStringList{"FAET"};
    QTest::newRow("20 tag 2") << 4 << 20 << 2 << QStringList{"RAET"};
    QTest::newRow("20 tag 3") << 4 << 20 << 3 << QStringList{"SRET"};
    QTest::newRow("20 tag 4") << 4 << 20 << 4 << QStringList{"FRET"};
    QTest::newRow("20 tag 5") << 4 << 20 << 5 << QStringList{"RRET"};
    QTest::newRow("20 tag 6") << 4 << 20 << 6 << none;
    QTest::newRow("20 tag 7") << 4 << 20 << 7 << none;
    QTest::newRow("20 tag -1") << 4 << 20 << -1 << none;
    QTest::newRow("20 tag min") << 4 << 20 << -32768 << none;
    QTest::newRow("20 tag max") << 4 << 20 << 32767 << none;
    QTest::newRow("function 3, 8 tag 7") << 3 << 8 << 7 << QStringList{"IMaxT", "IMaxTimeT"};
    QTest::newRow("function 1") << 1 << 1 << 0 << none;
    QTest::newRow("function 2") << 2 << 1 << 0 << none;
    QTest::newRow("function 1 with 46") << 1 << 46 << 0 << none;
    QTest::newRow("exception") << 0x84 << 46 << 0 << none;
    QTest::newRow("function 0") << 0 << 12 << 0 << none;
    QTest::newRow("count 0") << 4 << 0 << 0 << none;
    QTest::newRow("count 2") << 4 << 2 << 0 << none;
    QTest::newRow("count 4") << 4 << 4 << 6 << none;
    QTest::newRow("count 10") << 4 << 10 << 0 << none;
    QTest::newRow("count 44") << 4 << 44 << 0 << none;
    QTest::newRow("count 48") << 4 << 48 << 0 << none;
    QTest::newRow("count 250") << 4 << 250 << 0 << none;
}

void TestRailDecoder::fieldsOfBlock() {
    QFETCH(int, function);
    QFETCH(int, byteCount);
    QFETCH(int, blockTag);
    QFETCH(QStringList, fields);

    const QByteArray answer = RegisterAnswer(QByteArray(byteCount, '\x11'), function);
    const auto decoded = DecodeDinRailAnswer(BytesOf(answer), static_cast<std::int16_t>(blockTag));
    QCOMPARE(FieldNames(decoded), fields);
    for (const FieldText& f : decoded) {
        QVERIFY2(!f.text.empty(), f.field.data());
    }
}

// Bytes that belong to no shown value do not change what is shown: the
// registers after the first two of the energy blocks of tags 1 to 5, the
// registers 91-92 of the measurement block and register 93 of the phase block.
void TestRailDecoder::unreadBytesHaveNoEffect_data() {
    QTest::addColumn<int>("byteCount");
    QTest::addColumn<int>("blockTag");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");

    for (int tag = 1; tag <= 5; ++tag) {
        QTest::addRow("energy tag %d bytes 7-22", tag) << 20 << tag << 7 << 22;
    }
    QTest::newRow("measurements bytes 45-48") << 46 << 0 << 45 << 48;
    QTest::newRow("phase bytes 3-4") << 12 << 0 << 3 << 4;
}

void TestRailDecoder::unreadBytesHaveNoEffect() {
    QFETCH(int, byteCount);
    QFETCH(int, blockTag);
    QFETCH(int, from);
    QFETCH(int, to);

    QByteArray data(byteCount, '\x21');
    const auto base =
        DecodeDinRailAnswer(BytesOf(RegisterAnswer(data)), static_cast<std::int16_t>(blockTag));
    for (const char fill : {'\x00', '\x80', '\xFF'}) {
        for (int i = from; i <= to; ++i) {
            data[i - 3] = fill;
        }
        const auto changed =
            DecodeDinRailAnswer(BytesOf(RegisterAnswer(data)), static_cast<std::int16_t>(blockTag));
        QVERIFY(changed == base);
    }
}

// An answer whose byte-count byte does not agree with its length is dropped
// whole, even though its CRC is right.
void TestRailDecoder::byteCountMustFitLength_data() {
    QTest::addColumn<int>("byteCountByte");
    QTest::addColumn<int>("dataBytes");
    QTest::addColumn<int>("blockTag");

    QTest::newRow("46 claimed, 12 there") << 46 << 12 << 0;
    QTest::newRow("46 claimed, 47 there") << 46 << 47 << 0;
    QTest::newRow("20 claimed, 8 there") << 20 << 8 << 0;
    QTest::newRow("8 claimed, 6 there") << 8 << 6 << 6;
    QTest::newRow("8 claimed, 20 there") << 8 << 20 << 7;
    QTest::newRow("6 claimed, 0 there") << 6 << 0 << 0;
    QTest::newRow("12 claimed, 46 there") << 12 << 46 << 0;
}

void TestRailDecoder::byteCountMustFitLength() {
    QFETCH(int, byteCountByte);
    QFETCH(int, dataBytes);
    QFETCH(int, blockTag);

    const QByteArray answer = RegisterAnswer(QByteArray(dataBytes, '\x01'), 4, 1, byteCountByte);
    QVERIFY(DecodeDinRailAnswer(BytesOf(answer), static_cast<std::int16_t>(blockTag)).empty());
}

void TestRailDecoder::hexPairTimeText_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("first");
    QTest::addColumn<QString>("text");

    QTest::newRow("example") << QByteArray::fromHex("12051F093000") << 0
                             << QStringLiteral("12,05,1F,09,30,00");
    QTest::newRow("below 0x10") << QByteArray::fromHex("000102030A0F") << 0
                                << QStringLiteral("00,01,02,03,0A,0F");
    QTest::newRow("0xFF and 0x10")
        << QByteArray::fromHex("FF10FFAB10CD") << 0 << QStringLiteral("FF,10,FF,AB,10,CD");
    QTest::newRow("offset") << QByteArray::fromHex("AAAA010203040506") << 2
                            << QStringLiteral("01,02,03,04,05,06");
    QTest::newRow("only the six bytes")
        << QByteArray::fromHex("01020304050607") << 0 << QStringLiteral("01,02,03,04,05,06");
    QTest::newRow("one byte short") << QByteArray::fromHex("0102030405") << 0 << QString();
    QTest::newRow("offset runs past") << QByteArray::fromHex("010203040506") << 1 << QString();
    QTest::newRow("offset beyond") << QByteArray::fromHex("010203040506") << 9 << QString();
    QTest::newRow("empty") << QByteArray() << 0 << QString();
}

void TestRailDecoder::hexPairTimeText() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, first);
    QFETCH(QString, text);
    QCOMPARE(
        QString::fromStdString(HexPairTimeText(BytesOf(bytes), static_cast<std::size_t>(first))),
        text);
}

// Every length, byte count, function code and tag gives a defined result
// without reading past the answer (the sanitizer build checks the reads):
// only known fields, never an empty text.
void TestRailDecoder::anyInputIsSafe() {
    const auto& known = DinRailFieldNames();
    QRandomGenerator random(20240611);
    const std::int16_t tags[] = {-32768, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 32767};
    for (int length = 0; length <= 60; ++length) {
        for (int round = 0; round < 40; ++round) {
            QByteArray bytes(length, '\0');
            for (char& b : bytes) {
                b = static_cast<char>(random.bounded(256));
            }
            // Make the interesting shapes frequent: a register function code and
            // a byte count that fits or nearly fits.
            if (length >= 3 && round % 2 == 0) {
                bytes[1] = static_cast<char>(round % 4 == 0 ? 4 : 3);
                bytes[2] = static_cast<char>(length - 5 + (round % 3) - 1);
            }
            for (const std::int16_t tag : tags) {
                for (const FieldText& f : DecodeDinRailAnswer(BytesOf(bytes), tag)) {
                    QVERIFY(std::find(known.begin(), known.end(), f.field) != known.end());
                    QVERIFY(!f.text.empty());
                }
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestRailDecoder)
#include "tst_raildecoder.moc"
