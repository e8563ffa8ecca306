// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>
#include <vector>

#include "link/answer.h"

using namespace mt;

namespace {

// An exact-size copy of the answer bytes, so that a read past the end shows up
// under the address sanitizer.
std::vector<std::uint8_t> Bytes(const QByteArray& hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

// A register answer for a read of 24 registers (53 bytes), correct CRC.
QByteArray FullPrimaryAnswer() {
    return "01 04 30"
           " 43 5C 00 00 43 5C 33 33 43 5C 66 66 43 DB 80 00 43 DB 99 9A 43 DB B3 33"
           " 40 A0 00 00 40 A4 CC CD 40 A9 99 9A 3F 80 00 00 3F 7D 70 A4 3F 7A E1 48"
           " 29 93";
}

}  // namespace

class TestAnswer : public QObject {
    Q_OBJECT

private slots:
    void acceptance_data();
    void acceptance();
    void byteCountFitsLength_data();
    void byteCountFitsLength();
    void registerAnswerLength_data();
    void registerAnswerLength();
    void hasBytes_data();
    void hasBytes();
};

void TestAnswer::acceptance_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("registerCount");
    QTest::addColumn<bool>("accepted");

    // Too short for anything.
    QTest::newRow("0 bytes") << QByteArray() << 0 << false;
    QTest::newRow("1 byte") << QByteArray("01") << 0 << false;
    QTest::newRow("2 bytes") << QByteArray("01 04") << 0 << false;
    QTest::newRow("2 bytes, count -1") << QByteArray("01 04") << -1 << false;
    QTest::newRow("2 bytes, count -2") << QByteArray("FF FF") << -2 << false;
    // 2 x -1 + 5 = 3: a negative count has no answer at all.
    QTest::newRow("3 bytes, count -1") << QByteArray("01 04 00") << -1 << false;
    QTest::newRow("5 bytes, most negative count")
        << QByteArray("01 04 00 22 C0") << -32768 << false;

    // Register answers: length 2 x count + 5, function 4 or 3, CRC low then high.
    QTest::newRow("fc 4, count 2") << QByteArray("01 04 04 43 5C 00 00 2E 12") << 2 << true;
    QTest::newRow("fc 3, count 2") << QByteArray("01 03 04 43 5C 33 33 7B 40") << 2 << true;
    QTest::newRow("fc 3 float 1.0") << QByteArray("01 03 04 3F 80 00 00 F7 CF") << 2 << true;
    QTest::newRow("other address") << QByteArray("11 04 04 43 5C 00 00 3F D3") << 2 << true;
    QTest::newRow("count 0, no data") << QByteArray("01 04 00 22 C0") << 0 << true;
    QTest::newRow("53 bytes, count 24") << FullPrimaryAnswer() << 24 << true;
    QTest::newRow("CRC bytes swapped") << QByteArray("01 04 04 43 5C 00 00 12 2E") << 2 << false;
    QTest::newRow("data byte changed") << QByteArray("01 04 04 43 5D 00 00 2E 12") << 2 << false;
    QTest::newRow("address changed") << QByteArray("02 04 04 43 5C 00 00 2E 12") << 2 << false;
    QTest::newRow("count 1 expects 7") << QByteArray("01 04 04 43 5C 00 00 2E 12") << 1 << false;
    QTest::newRow("count 3 expects 11") << QByteArray("01 04 04 43 5C 00 00 2E 12") << 3 << false;
    QTest::newRow("count 24, answer 9") << QByteArray("01 04 04 43 5C 00 00 2E 12") << 24 << false;
    QTest::newRow("largest count") << QByteArray("01 04 04 43 5C 00 00 2E 12") << 32767 << false;
    QTest::newRow("negative count") << QByteArray("01 04 04 43 5C 00 00 2E 12") << -2 << false;
    QTest::newRow("one byte more") << QByteArray("01 04 04 43 5C 00 00 2E 12 00") << 2 << false;
    QTest::newRow("last byte missing") << QByteArray("01 04 04 43 5C 00 00 2E") << 2 << false;
    QTest::newRow("fc 2 with register length")
        << QByteArray("01 02 04 43 5C 00 00 2E 12") << 2 << false;
    // The byte-count byte is not examined by the acceptance test.
    QTest::newRow("byte count wrong, CRC right")
        << QByteArray("01 04 05 43 5C 00 00 13 D2") << 2 << true;

    // Exception answers: function code with bit 7 set.
    QTest::newRow("exception 0x84") << QByteArray("01 84 02 C2 C1") << 2 << false;
    QTest::newRow("exception 0x84, count 0") << QByteArray("01 84 02 C2 C1") << 0 << false;

    // Coil and input answers: exactly 6 bytes, function 1 or 2, any count.
    QTest::newRow("fc 1, count 4") << QByteArray("01 01 01 05 91 8B") << 4 << true;
    QTest::newRow("fc 2, count 4") << QByteArray("01 02 01 0A 21 8F") << 4 << true;
    QTest::newRow("fc 1, count 24") << QByteArray("01 01 01 05 91 8B") << 24 << true;
    QTest::newRow("fc 2, count 0") << QByteArray("01 02 01 0A 21 8F") << 0 << true;
    QTest::newRow("fc 1, negative count") << QByteArray("01 01 01 05 91 8B") << -5 << true;
    QTest::newRow("fc 1, CRC swapped") << QByteArray("01 01 01 05 8B 91") << 4 << false;
    QTest::newRow("fc 1, 7 bytes") << QByteArray("01 01 02 05 00 BA AC") << 4 << false;
    QTest::newRow("fc 1, 7 bytes, count 1") << QByteArray("01 01 02 05 00 BA AC") << 1 << false;
    QTest::newRow("fc 5, 6 bytes") << QByteArray("01 05 01 05 D0 4A") << 4 << false;
    QTest::newRow("fc 3, 6 bytes") << QByteArray("01 03 01 05 30 4B") << 4 << false;
    QTest::newRow("fc 4, 6 bytes") << QByteArray("01 04 01 05 81 8A") << 4 << false;
}

void TestAnswer::acceptance() {
    QFETCH(QByteArray, answer);
    QFETCH(int, registerCount);
    QFETCH(bool, accepted);
    const auto bytes = Bytes(answer);
    QCOMPARE(AcceptAnswer(bytes, static_cast<std::int16_t>(registerCount)), accepted);
}

void TestAnswer::byteCountFitsLength_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("fits");

    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("3 bytes") << QByteArray("01 04 00") << false;
    QTest::newRow("4 bytes, count 0") << QByteArray("01 04 00 22") << false;
    QTest::newRow("5 bytes, count 0") << QByteArray("01 04 00 22 C0") << true;
    QTest::newRow("9 bytes, count 4") << QByteArray("01 04 04 43 5C 00 00 2E 12") << true;
    QTest::newRow("9 bytes, count 5") << QByteArray("01 04 05 43 5C 00 00 13 D2") << false;
    QTest::newRow("9 bytes, count 3") << QByteArray("01 04 03 43 5C 00 00 2E 12") << false;
    QTest::newRow("9 bytes, count 255") << QByteArray("01 04 FF 43 5C 00 00 2E 12") << false;
    QTest::newRow("bit answer") << QByteArray("01 01 01 05 91 8B") << true;
    QTest::newRow("53 bytes, count 48") << FullPrimaryAnswer() << true;
}

void TestAnswer::byteCountFitsLength() {
    QFETCH(QByteArray, answer);
    QFETCH(bool, fits);
    const auto bytes = Bytes(answer);
    QCOMPARE(ByteCountFitsLength(bytes), fits);
}

void TestAnswer::registerAnswerLength_data() {
    QTest::addColumn<int>("registerCount");
    QTest::addColumn<qulonglong>("length");

    QTest::newRow("0") << 0 << 5ULL;
    QTest::newRow("2") << 2 << 9ULL;
    QTest::newRow("24") << 24 << 53ULL;
    QTest::newRow("22") << 22 << 49ULL;
    QTest::newRow("23") << 23 << 51ULL;
    QTest::newRow("8") << 8 << 21ULL;
    QTest::newRow("largest") << 32767 << 65539ULL;
    QTest::newRow("-1") << -1 << 0ULL;
    QTest::newRow("most negative") << -32768 << 0ULL;
}

void TestAnswer::registerAnswerLength() {
    QFETCH(int, registerCount);
    QFETCH(qulonglong, length);
    QCOMPARE(qulonglong(RegisterAnswerLength(static_cast<std::int16_t>(registerCount))), length);
}

void TestAnswer::hasBytes_data() {
    QTest::addColumn<qulonglong>("size");
    QTest::addColumn<qulonglong>("first");
    QTest::addColumn<qulonglong>("count");
    QTest::addColumn<bool>("has");

    const qulonglong huge = std::numeric_limits<std::size_t>::max();
    QTest::newRow("all of it") << 9ULL << 0ULL << 9ULL << true;
    QTest::newRow("last two") << 9ULL << 7ULL << 2ULL << true;
    QTest::newRow("one past") << 9ULL << 8ULL << 2ULL << false;
    QTest::newRow("nothing at the end") << 9ULL << 9ULL << 0ULL << true;
    QTest::newRow("nothing past the end") << 9ULL << 10ULL << 0ULL << false;
    QTest::newRow("empty answer") << 0ULL << 0ULL << 1ULL << false;
    QTest::newRow("huge count") << 9ULL << 1ULL << huge << false;
    QTest::newRow("huge first") << 9ULL << huge << 2ULL << false;
    QTest::newRow("sum wraps around") << 9ULL << 2ULL << huge - 1 << false;
}

void TestAnswer::hasBytes() {
    QFETCH(qulonglong, size);
    QFETCH(qulonglong, first);
    QFETCH(qulonglong, count);
    QFETCH(bool, has);
    const std::vector<std::uint8_t> bytes(size, 0xAA);
    QCOMPARE(HasBytes(bytes, first, count), has);
}

QTEST_APPLESS_MAIN(TestAnswer)
#include "tst_answer.moc"
