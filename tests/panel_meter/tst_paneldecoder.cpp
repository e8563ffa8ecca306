// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "panel_meter/paneldecoder.h"
#include "support/answers.h"

using namespace mt;
using namespace mt::test;

namespace {

QString TextOf(const DecodedAnswer& decoded, const QString& field) {
    for (const FieldText& f : decoded.fields) {
        if (QString::fromLatin1(f.field) == field) {
            return QString::fromStdString(f.text);
        }
    }
    return QStringLiteral("<none>");
}

QStringList Names(const DecodedAnswer& decoded) {
    QStringList names;
    for (const FieldText& f : decoded.fields) {
        names << QString::fromLatin1(f.field);
    }
    return names;
}

enum Mode { Primary, Secondary };

DecodedAnswer Decode(Mode mode, const QByteArray& answer) {
    return mode == Primary ? DecodePrimaryAnswer(BytesOf(answer))
                           : DecodeSecondaryAnswer(BytesOf(answer));
}

}  // namespace

class TestPanelDecoder : public QObject {
    Q_OBJECT

private slots:
    // One float pair in a primary block: which field it lands in, and its text.
    void primaryValue_data() {
        QTest::addColumn<int>("pairs");  // 24, 22 or 2 registers / 2
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("Uan 230") << 12 << 0 << Hex("43660000") << "UanT"
                                 << "230.0";
        QTest::newRow("Uan 10") << 12 << 0 << Hex("41200000") << "UanT"
                                << "010.0";
        QTest::newRow("Ubn 0.5") << 12 << 1 << Hex("3F000000") << "UbnT"
                                 << "000.5";
        QTest::newRow("Ucn -1.5") << 12 << 2 << Hex("BFC00000") << "UcnT"
                                  << "-001.5";
        QTest::newRow("Uab zero") << 12 << 3 << Hex("00000000") << "UabT"
                                  << "000.0";
        QTest::newRow("Ubc 1000") << 12 << 4 << Hex("447A0000") << "UbcT"
                                  << "1000.0";
        QTest::newRow("Uca 220.2") << 12 << 5 << Hex("435C3333") << "UcaT"
                                   << "220.2";
        QTest::newRow("Ia 230") << 12 << 6 << Hex("43660000") << "IaT"
                                << "230";
        QTest::newRow("Ib 0.5") << 12 << 7 << Hex("3F000000") << "IbT"
                                << "0.5";
        QTest::newRow("Ic -1.5") << 12 << 8 << Hex("BFC00000") << "IcT"
                                 << "-1.5";
        QTest::newRow("Pa NaN") << 12 << 9 << Hex("7FC00000") << "PaT"
                                << "NaN";
        QTest::newRow("Pb 9999999") << 12 << 10 << FloatBe(9999999.0F) << "PbT"
                                    << "9999999";
        QTest::newRow("Pc 1E7") << 12 << 11 << FloatBe(1.0e7F) << "PcT"
                                << "1E+07";
        QTest::newRow("Ps -1000") << 11 << 0 << FloatBe(-1000.0F) << "PsT"
                                  << "-1000";
        QTest::newRow("Qa") << 11 << 1 << FloatBe(-123.25F) << "QaT"
                            << "-123.25";
        QTest::newRow("Qb") << 11 << 2 << FloatBe(0.001F) << "QbT"
                            << "0.001";
        QTest::newRow("Qc") << 11 << 3 << FloatBe(1.5e-5F) << "QcT"
                            << "1.5E-05";
        QTest::newRow("Qs") << 11 << 4 << FloatBe(4321.0F) << "QsT"
                            << "4321";
        QTest::newRow("Ss") << 11 << 5 << FloatBe(17320.5F) << "SsT"
                            << "17320.5";
        QTest::newRow("Pf 985") << 11 << 6 << Hex("44764000") << "PfsT"
                                << "0.985";
        QTest::newRow("Pf -866") << 11 << 6 << FloatBe(-866.0F) << "PfsT"
                                 << "-0.866";
        QTest::newRow("Pf 1000") << 11 << 6 << FloatBe(1000.0F) << "PfsT"
                                 << "1";
        QTest::newRow("F 50") << 11 << 7 << Hex("42480000") << "FT"
                              << "50";
        QTest::newRow("WPP") << 11 << 8 << FloatBe(123456.7F) << "WPPT"
                             << "123456.7";
        QTest::newRow("WPN 0.1") << 11 << 9 << Hex("3DCCCCCD") << "WPNT"
                                 << "0.1";
        QTest::newRow("WQP -Inf") << 11 << 10 << Hex("FF800000") << "WQPT"
                                  << "-Inf";
        QTest::newRow("WQN") << 1 << 0 << FloatBe(98765.43F) << "WQNT"
                             << "98765.43";
    }
    void primaryValue() {
        QFETCH(int, pairs);
        QFETCH(int, position);
        QFETCH(QByteArray, value);
        QFETCH(QString, field);
        QFETCH(QString, text);
        const QByteArray answer = RegisterAnswer(FloatsWith(pairs, position, value));
        QCOMPARE(TextOf(DecodePrimaryAnswer(BytesOf(answer)), field), text);
        // Function 3 is read exactly like function 4.
        const QByteArray holding = RegisterAnswer(FloatsWith(pairs, position, value), 3);
        QCOMPARE(TextOf(DecodePrimaryAnswer(BytesOf(holding)), field), text);
    }

    // Which fields each block writes, in writing order.
    void blockFields_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("byteCount");
        QTest::addColumn<QStringList>("fields");
        const QStringList measurements{"UanT", "UbnT", "UcnT", "UabT", "UbcT", "UcaT",
                                       "IaT",  "IbT",  "IcT",  "PaT",  "PbT",  "PcT"};
        const QStringList powers{"PsT",  "QaT", "QbT",  "QcT",  "QsT", "SsT",
                                 "PfsT", "FT",  "WPPT", "WPNT", "WQPT"};
        QTest::newRow("primary 48") << int(Primary) << 48 << measurements;
        QTest::newRow("primary 44") << int(Primary) << 44 << powers;
        QTest::newRow("primary 4") << int(Primary) << 4 << QStringList{"WQNT"};
        QTest::newRow("secondary 46")
            << int(Secondary) << 46
            << (measurements + QStringList{"PsT", "QaT", "QbT", "QcT", "QsT", "SsT", "PfsT", "FT"});
        QTest::newRow("secondary 16")
            << int(Secondary) << 16 << QStringList{"WPPT", "WPNT", "WQPT", "WQNT"};
        // The other mode's blocks, and counts nobody asks for, change nothing.
        for (int count : {46, 16, 2, 0, 50}) {
            QTest::addRow("primary ignores %d", count) << int(Primary) << count << QStringList{};
        }
        for (int count : {48, 44, 4, 0}) {
            QTest::addRow("secondary ignores %d", count)
                << int(Secondary) << count << QStringList{};
        }
    }
    void blockFields() {
        QFETCH(int, mode);
        QFETCH(int, byteCount);
        QFETCH(QStringList, fields);
        const DecodedAnswer decoded =
            Decode(Mode(mode), RegisterAnswer(QByteArray(byteCount, '\x11')));
        QCOMPARE(Names(decoded), fields);
        QVERIFY(!decoded.switches);
    }

    // Registers 87 to 89 are read but shown nowhere.
    void unshownRegisters() {
        QByteArray data(46, '\0');
        const DecodedAnswer before = DecodeSecondaryAnswer(BytesOf(RegisterAnswer(data)));
        data.replace(34, 6, Hex("7FFF8000FFFF"));
        QCOMPARE(DecodeSecondaryAnswer(BytesOf(RegisterAnswer(data))).fields, before.fields);
    }

    // Answers that are not register blocks of the mode, in both modes.
    void classification_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("switchPanel");  // -1 none, 0 outputs, 1 inputs
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("fieldCount");  // in the primary, then secondary mode
        QTest::addColumn<int>("secondaryFieldCount");
        QTest::newRow("coils") << SwitchAnswer(1, 0x05) << 0 << 0x05 << 0 << 0;
        QTest::newRow("inputs") << SwitchAnswer(2, 0xF0) << 1 << 0xF0 << 0 << 0;
        QTest::newRow("coils, odd byte count")
            << RegisterAnswer(Hex("0A"), 1, 1, 7) << 0 << 0x0A << 0 << 0;
        QTest::newRow("function 5") << SwitchAnswer(5, 0x01) << -1 << 0 << 0 << 0;
        QTest::newRow("exception") << WithCrc(Hex("018402")) << -1 << 0 << 0 << 0;
        QTest::newRow("empty") << QByteArray() << -1 << 0 << 0 << 0;
        QTest::newRow("two bytes") << Hex("0101") << -1 << 0 << 0 << 0;
        QTest::newRow("coils, no status byte") << Hex("010101") << -1 << 0 << 0 << 0;
        // The byte-count byte must fit the length, or the block is not read.
        QTest::newRow("count 48, 44 data bytes")
            << RegisterAnswer(QByteArray(44, '\0'), 4, 1, 48) << -1 << 0 << 0 << 0;
        QTest::newRow("count 46, 16 data bytes")
            << RegisterAnswer(QByteArray(16, '\0'), 4, 1, 46) << -1 << 0 << 0 << 0;
        QTest::newRow("count 4, 48 data bytes")
            << RegisterAnswer(QByteArray(48, '\0'), 4, 1, 4) << -1 << 0 << 0 << 0;
        QTest::newRow("count 16, no CRC")
            << (Hex("010410") + QByteArray(16, '\0')) << -1 << 0 << 0 << 0;
        QTest::newRow("other address")
            << RegisterAnswer(QByteArray(4, '\0'), 4, 77) << -1 << 0 << 1 << 0;
    }
    void classification() {
        QFETCH(QByteArray, answer);
        QFETCH(int, switchPanel);
        QFETCH(int, status);
        QFETCH(int, fieldCount);
        QFETCH(int, secondaryFieldCount);
        for (Mode mode : {Primary, Secondary}) {
            const DecodedAnswer decoded = Decode(mode, answer);
            QCOMPARE(decoded.fields.size(),
                     std::size_t(mode == Primary ? fieldCount : secondaryFieldCount));
            QCOMPARE(decoded.switches.has_value(), switchPanel >= 0);
            if (decoded.switches) {
                QCOMPARE(int(decoded.switches->panel), switchPanel);
                QCOMPARE(int(decoded.switches->status), status);
            }
        }
    }

    // Any bytes at all: a result, and only known fields with a text. Run under
    // the sanitizers this also shows that nothing past the bytes is read.
    void anyBytes() {
        quint32 seed = 12345;
        const auto next = [&seed] { return (seed = seed * 1103515245U + 12345U) >> 16; };
        for (int round = 0; round < 20000; ++round) {
            const int length = int(next() % 60);
            QByteArray bytes(length, '\0');
            for (char& c : bytes) {
                c = char(next());
            }
            if (length > 2 && round % 2 == 0) {
                bytes[1] = char(1 + next() % 4);  // mostly known function codes
                bytes[2] = char(length - 5);      // and often a fitting byte count
            }
            for (Mode mode : {Primary, Secondary}) {
                for (const FieldText& f : Decode(mode, bytes).fields) {
                    QVERIFY(!std::string(f.field).empty());
                    QVERIFY(!f.text.empty());
                }
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestPanelDecoder)
#include "tst_paneldecoder.moc"
