// SPDX-License-Identifier: GPL-3.0-or-later
// Modbus TCP framing: an RTU request as an ADU, an ADU back as the RTU
// answer, and the stream cut into ADUs however its segments fall.
#include <QtTest>
#include <vector>

#include "link/crc16.h"
#include "link/mbap.h"

using namespace mt;

namespace {

std::vector<std::uint8_t> Bytes(const QByteArray& hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

QByteArray Hex(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex();
}

// The stream as its segments, ';' between them.
QList<std::vector<std::uint8_t>> Segments(const QByteArray& hex) {
    QList<std::vector<std::uint8_t>> segments;
    for (const QByteArray& part : hex.split(';')) {
        segments << Bytes(part);
    }
    return segments;
}

}  // namespace

class TestMbap : public QObject {
    Q_OBJECT

private slots:
    void request_data() {
        QTest::addColumn<QByteArray>("rtu");
        QTest::addColumn<int>("transaction");
        QTest::addColumn<QByteArray>("adu");  // empty: none
        QTest::newRow("read of 24 registers at 10") << QByteArray("01 04 00 0A 00 18 D0 02") << 1
                                                    << QByteArray("000100000006 01 04000A0018");
        QTest::newRow("coils of meter 7, transaction 0x1234")
            << QByteArray("07 01 00 00 00 04 3D AF") << 0x1234
            << QByteArray("123400000006 07 0100000004");
        QTest::newRow("too short") << QByteArray("01 04 00") << 1 << QByteArray();
        QTest::newRow("too long") << QByteArray(QByteArray("01 10 ") + QByteArray(600, '0')) << 1
                                  << QByteArray();
    }
    void request() {
        QFETCH(QByteArray, rtu);
        QFETCH(int, transaction);
        QFETCH(QByteArray, adu);
        const auto made = RtuToMbap(Bytes(rtu), static_cast<std::uint16_t>(transaction));
        QCOMPARE(made.has_value(), !adu.isEmpty());
        if (made) {
            QCOMPARE(Hex(*made), QByteArray::fromHex(adu).toHex());
        }
    }

    // The answer gets the unit id as its address and a CRC of its own.
    void answerToRtu() {
        MbapAdu adu{7, 0x01, Bytes("04 02 43 5C")};
        const std::vector<std::uint8_t> rtu = MbapToRtu(adu);
        QCOMPARE(rtu.size(), std::size_t(7));
        QCOMPARE(Hex({rtu.begin(), rtu.end() - 2}), QByteArray("0104 02435c").replace(' ', ""));
        QCOMPARE(Crc16({rtu.data(), rtu.size() - 2}),
                 static_cast<std::uint16_t>(rtu[5] | (rtu[6] << 8)));
        // An exception answer of a gateway.
        const auto exception = MbapToRtu({9, 0x05, Bytes("84 0B")});
        QCOMPARE(Hex({exception.begin(), exception.end() - 2}), QByteArray("05840b"));
    }

    // The stream, cut anywhere, gives the same ADUs; a header that cannot be
    // Modbus TCP drops what is buffered.
    void reassembly_data() {
        QTest::addColumn<QByteArray>("stream");   // hex, ';' between segments
        QTest::addColumn<QStringList>("events");  // "tid/unit/pdu" or "bad"
        QTest::addColumn<int>("pending");
        const QStringList one{"0001/01/0404435c0000"};
        QTest::newRow("whole") << QByteArray("000100000007 01 0404435C0000") << one << 0;
        QTest::newRow("header split after 3")
            << QByteArray("000100;000007 01 0404435C0000") << one << 0;
        QTest::newRow("header split before the unit id")
            << QByteArray("000100000007;01 0404435C0000") << one << 0;
        QTest::newRow("byte by byte")
            << QByteArray("00;01;00;00;00;07;01;04;04;43;5C;00;00") << one << 0;
        QTest::newRow("two in one segment")
            << QByteArray("000100000007 01 0404435C0000 000200000003 07 8402")
            << QStringList{"0001/01/0404435c0000", "0002/07/8402"} << 0;
        QTest::newRow("one and a half")
            << QByteArray("000100000007 01 0404435C0000 0002000000") << one << 5;
        QTest::newRow("wrong protocol id")
            << QByteArray("000100010007 01 0404435C0000") << QStringList{"bad"} << 0;
        QTest::newRow("length under 2") << QByteArray("000100000001 01") << QStringList{"bad"} << 0;
        QTest::newRow("length over 254")
            << QByteArray("0001000000FF 01 04") << QStringList{"bad"} << 0;
        QTest::newRow("framing found again after a bad header")
            << QByteArray("0001000A0003 01 8402;000300000003 01 8402")
            << QStringList{"bad", "0003/01/8402"} << 0;
        QTest::newRow("nothing whole") << QByteArray("000100") << QStringList{} << 3;
    }
    void reassembly() {
        QFETCH(QByteArray, stream);
        QFETCH(QStringList, events);
        QFETCH(int, pending);
        MbapReader reader;
        QStringList got;
        for (const std::vector<std::uint8_t>& segment : Segments(stream)) {
            reader.feed(segment);
            MbapAdu adu;
            for (auto e = reader.next(adu); e != MbapReader::Event::None; e = reader.next(adu)) {
                if (e == MbapReader::Event::BadHeader) {
                    got << "bad";
                } else {
                    got << QStringLiteral("%1/%2/%3")
                               .arg(adu.transaction, 4, 16, QLatin1Char('0'))
                               .arg(adu.unit, 2, 16, QLatin1Char('0'))
                               .arg(QString::fromLatin1(Hex(adu.pdu)));
                }
            }
        }
        QCOMPARE(got, events);
        QCOMPARE(int(reader.pending()), pending);
        QCOMPARE(reader.droppedHeaders(), std::uint64_t(events.count("bad")));
    }
};

QTEST_APPLESS_MAIN(TestMbap)
#include "tst_mbap.moc"
