// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's Modbus RTU slave against hand-built requests, and the
// framing of the received byte stream.

#include <QtTest>

#include "link/answer.h"
#include "sim/metermodel.h"
#include "sim/slave.h"
#include "simtesthelpers.h"

using namespace mt;
using namespace mt::simtest;

Q_DECLARE_METATYPE(mt::Verdict)

namespace {

constexpr std::int64_t kMs = 123456;  // any moment will do; the tests compare with the model

const MeterModel& Panel() {
    static const MeterModel model(MeterKind::PanelMount, 7, {2024, 5, 1, 10, 0, 0});
    return model;
}

const MeterModel& Rail() {
    static const MeterModel model(MeterKind::DinRail, 7, {2024, 5, 1, 10, 0, 0});
    return model;
}

const MeterModel& Model(bool rail) {
    return rail ? Rail() : Panel();
}

}  // namespace

class TestSimSlave : public QObject {
    Q_OBJECT
private slots:
    void registerReads_data();
    void registerReads();
    void functionThreeReadsTheSameRegisters();
    void bitReads_data();
    void bitReads();
    void exceptions_data();
    void exceptions();
    void silence_data();
    void silence();
    void answersTheConfiguredAddressOnly();
    void framing_data();
    void framing();
    void overrunIsBoundedAndIgnored();
    void firstByteTime();
};

void TestSimSlave::registerReads_data() {
    QTest::addColumn<bool>("rail");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("length");

    // Every block the two monitors read, and the edges of every range.
    QTest::newRow("panel 10x24 measurements") << false << 10 << 24 << 53;
    QTest::newRow("panel 34x22 powers and energies") << false << 34 << 22 << 49;
    QTest::newRow("panel 56x2 negative reactive energy") << false << 56 << 2 << 9;
    QTest::newRow("panel 70x23 secondary measurements") << false << 70 << 23 << 51;
    QTest::newRow("panel 93x8 secondary energies") << false << 93 << 8 << 21;
    QTest::newRow("panel whole primary range") << false << 10 << 48 << 101;
    QTest::newRow("panel whole secondary range") << false << 70 << 31 << 67;
    QTest::newRow("panel last register") << false << 100 << 1 << 7;
    QTest::newRow("panel half of a float") << false << 57 << 1 << 7;
    QTest::newRow("rail 70x23 measurements") << true << 70 << 23 << 51;
    QTest::newRow("rail 93x6 power factor, frequency, angles") << true << 93 << 6 << 17;
    QTest::newRow("rail whole 70..98") << true << 70 << 29 << 63;
    QTest::newRow("rail 1024x3 clearing time") << true << 1024 << 3 << 11;
    QTest::newRow("rail 1040x4 voltage demand") << true << 1040 << 4 << 13;
    QTest::newRow("rail 1056x4 current demand") << true << 1056 << 4 << 13;
    QTest::newRow("rail 8192x10 total and tariffs") << true << 8192 << 10 << 25;
    QTest::newRow("rail 8448x10 forward active") << true << 8448 << 10 << 25;
    QTest::newRow("rail 8704x10 reverse active") << true << 8704 << 10 << 25;
    QTest::newRow("rail 8960x10 total reactive") << true << 8960 << 10 << 25;
    QTest::newRow("rail 9216x10 forward reactive") << true << 9216 << 10 << 25;
    QTest::newRow("rail 9472x10 reverse reactive") << true << 9472 << 10 << 25;
    QTest::newRow("rail tail of the last block") << true << 9481 << 1 << 7;
}

void TestSimSlave::registerReads() {
    QFETCH(bool, rail);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(int, length);

    const Slave slave(Model(rail), 1);
    const SlaveReply reply = slave.Handle(Request(1, 4, start, count), kMs);
    QCOMPARE(reply.verdict, Verdict::Answered);
    const std::vector<std::uint8_t>& a = reply.answer;
    QCOMPARE(int(a.size()), length);
    QCOMPARE(a[0], 1);
    QCOMPARE(a[1], 4);
    QCOMPARE(int(a[2]), 2 * count);
    QVERIFY(AcceptAnswer(a, static_cast<std::int16_t>(count)));

    const auto registers = Model(rail).ReadRegisters(static_cast<std::uint16_t>(start),
                                                     static_cast<std::uint16_t>(count), kMs);
    QVERIFY(registers.has_value());
    for (int k = 0; k < count; ++k) {
        const int onWire = (a[3 + 2 * k] << 8) | a[4 + 2 * k];
        QCOMPARE(onWire, int((*registers)[k]));
    }
}

void TestSimSlave::functionThreeReadsTheSameRegisters() {
    const Slave slave(Panel(), 1);
    const SlaveReply four = slave.Handle(Request(1, 4, 10, 24), kMs);
    const SlaveReply three = slave.Handle(Request(1, 3, 10, 24), kMs);
    QCOMPARE(three.verdict, Verdict::Answered);
    QCOMPARE(three.answer[1], 3);
    QVERIFY(AcceptAnswer(three.answer, 24));
    QVERIFY(std::equal(four.answer.begin() + 2, four.answer.end() - 2, three.answer.begin() + 2));
}

void TestSimSlave::bitReads_data() {
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");

    QTest::newRow("coils 0..3") << 1 << 0 << 4;
    QTest::newRow("inputs 0..3") << 2 << 0 << 4;
    QTest::newRow("coil 0") << 1 << 0 << 1;
    QTest::newRow("coil 3") << 1 << 3 << 1;
    QTest::newRow("inputs 1..2") << 2 << 1 << 2;
}

void TestSimSlave::bitReads() {
    QFETCH(int, function);
    QFETCH(int, start);
    QFETCH(int, count);

    const Slave slave(Panel(), 1);
    // Across several moments, so that the switches have changed in between.
    for (std::int64_t ms = 0; ms < 600000; ms += 30000) {
        const SlaveReply reply = slave.Handle(Request(1, function, start, count), ms);
        QCOMPARE(reply.verdict, Verdict::Answered);
        const std::vector<std::uint8_t>& a = reply.answer;
        QCOMPARE(a.size(), std::size_t{6});
        QCOMPARE(int(a[1]), function);
        QCOMPARE(a[2], 1);  // ceil(count / 8)
        QVERIFY(CrcGood(a));
        const MeterValues v = Panel().ValuesAt(ms);
        const unsigned states = function == 1 ? v.coils : v.inputs;
        const unsigned expected = (states >> start) & ((1U << count) - 1U);
        QCOMPARE(unsigned{a[3]}, expected);  // unused high bits are zero
    }
}

void TestSimSlave::exceptions_data() {
    QTest::addColumn<bool>("rail");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    auto req = [](int f, int start, int count) {
        const auto r = Request(1, f, start, count);
        return QByteArray(reinterpret_cast<const char*>(r.data()), 8).toHex();
    };
    // Registers or points outside the map: 02.
    QTest::newRow("panel gap 58..59") << false << req(4, 58, 2) << QByteArray("018402C2C1");
    QTest::newRow("panel starts before 10") << false << req(4, 9, 2) << QByteArray("018402C2C1");
    QTest::newRow("panel runs past 57") << false << req(4, 56, 3) << QByteArray("018402C2C1");
    QTest::newRow("panel spans both ranges") << false << req(4, 10, 91) << QByteArray("018402C2C1");
    QTest::newRow("panel runs past 100") << false << req(4, 100, 2) << QByteArray("018402C2C1");
    QTest::newRow("panel register 0") << false << req(4, 0, 1) << QByteArray("018402C2C1");
    QTest::newRow("panel register 65535") << false << req(4, 65535, 1) << QByteArray("018402C2C1");
    QTest::newRow("panel start plus count wraps")
        << false << req(4, 65500, 100) << QByteArray("018402C2C1");
    QTest::newRow("panel holding past the map")
        << false << req(3, 58, 2) << QByteArray("018302C0F1");
    QTest::newRow("panel fifth coil") << false << req(1, 0, 5) << QByteArray("018102C191");
    QTest::newRow("panel coil 4") << false << req(1, 4, 1) << QByteArray("018102C191");
    QTest::newRow("panel inputs 3..4") << false << req(2, 3, 2) << QByteArray("018202C161");
    QTest::newRow("panel 2000 coils") << false << req(1, 0, 2000) << QByteArray("018102C191");
    QTest::newRow("panel 125 registers past the map")
        << false << req(4, 10, 125) << QByteArray("018402C2C1");
    QTest::newRow("rail register 99") << true << req(4, 99, 1) << QByteArray("018402C2C1");
    QTest::newRow("rail 1027") << true << req(4, 1027, 1) << QByteArray("018402C2C1");
    QTest::newRow("rail 1039..1040") << true << req(4, 1039, 2) << QByteArray("018402C2C1");
    QTest::newRow("rail 8192 eleven") << true << req(4, 8192, 11) << QByteArray("018402C2C1");
    QTest::newRow("rail 8191..8192") << true << req(4, 8191, 2) << QByteArray("018402C2C1");
    QTest::newRow("rail 9482") << true << req(4, 9482, 1) << QByteArray("018402C2C1");
    QTest::newRow("rail panel primary range") << true << req(4, 10, 24) << QByteArray("018402C2C1");
    QTest::newRow("rail has no coils") << true << req(1, 0, 4) << QByteArray("018102C191");
    QTest::newRow("rail has no inputs") << true << req(2, 0, 1) << QByteArray("018202C161");
    // Quantities Modbus does not allow: 03.
    QTest::newRow("zero coils") << false << req(1, 0, 0) << QByteArray("0181030051");
    QTest::newRow("2001 coils") << false << req(1, 0, 2001) << QByteArray("0181030051");
    QTest::newRow("zero registers") << false << req(4, 10, 0) << QByteArray("0184030301");
    QTest::newRow("126 registers") << false << req(4, 10, 126) << QByteArray("0184030301");
    QTest::newRow("read with a stray byte, correct CRC")
        << false << QByteArray("0104000A001800039C") << QByteArray("0184030301");
    // Functions the meter does not have: 01.
    QTest::newRow("write single coil") << false << req(5, 0, 1) << QByteArray("0185018350");
    QTest::newRow("write single register") << false << req(6, 0, 1) << QByteArray("01860183A0");
    QTest::newRow("write multiple registers")
        << false << req(0x10, 0, 1) << QByteArray("0190018DC0");
    QTest::newRow("read exception status, short frame")
        << false << QByteArray("010741E2") << QByteArray("0187018230");
    QTest::newRow("function 0") << false << req(0, 0, 1) << QByteArray("0180018000");
    QTest::newRow("function with bit 7 set")
        << false << req(0x84, 10, 2) << QByteArray("01840182C0");
}

void TestSimSlave::exceptions() {
    QFETCH(bool, rail);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);

    const Slave slave(Model(rail), 1);
    const SlaveReply reply = slave.Handle(Bytes(request), kMs);
    QCOMPARE(reply.verdict, Verdict::Exception);
    QCOMPARE(Hex(reply.answer), Hex(Bytes(answer)));
}

void TestSimSlave::silence_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<mt::Verdict>("verdict");

    auto hex = [](const std::vector<std::uint8_t>& b) {
        return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())).toHex();
    };
    std::vector<std::uint8_t> swapped = Request(1, 4, 10, 24);
    std::swap(swapped[6], swapped[7]);
    std::vector<std::uint8_t> flipped = Request(1, 4, 10, 24);
    flipped[3] ^= 0x01;

    QTest::newRow("empty") << QByteArray() << Verdict::TooShort;
    QTest::newRow("one byte") << QByteArray("01") << Verdict::TooShort;
    QTest::newRow("three bytes") << QByteArray("0104D0") << Verdict::TooShort;
    QTest::newRow("CRC bytes swapped") << hex(swapped) << Verdict::BadCrc;
    QTest::newRow("one bit flipped") << hex(flipped) << Verdict::BadCrc;
    QTest::newRow("request cut short") << hex(Request(1, 4, 10, 24)).left(14) << Verdict::BadCrc;
    QTest::newRow("broadcast read") << hex(Request(0, 4, 10, 24)) << Verdict::Broadcast;
    QTest::newRow("broadcast write") << hex(Request(0, 6, 0, 1)) << Verdict::Broadcast;
    QTest::newRow("other meter") << hex(Request(2, 4, 10, 24)) << Verdict::OtherAddress;
    QTest::newRow("other meter, unknown function")
        << hex(Request(2, 5, 0, 1)) << Verdict::OtherAddress;
    QTest::newRow("other meter, outside the map")
        << hex(Request(3, 4, 58, 2)) << Verdict::OtherAddress;
    QTest::newRow("reserved address 248") << hex(Request(248, 4, 10, 24)) << Verdict::OtherAddress;
    QTest::newRow("address 255") << hex(Request(255, 1, 0, 4)) << Verdict::OtherAddress;
    QTest::newRow("longer than any frame") << QByteArray(600, 'A') << Verdict::Overrun;
}

void TestSimSlave::silence() {
    QFETCH(QByteArray, frame);
    QFETCH(mt::Verdict, verdict);

    const Slave slave(Panel(), 1);
    const SlaveReply reply = slave.Handle(Bytes(frame), kMs);
    QCOMPARE(reply.verdict, verdict);
    QVERIFY(reply.answer.empty());
}

void TestSimSlave::answersTheConfiguredAddressOnly() {
    const Slave slave(Rail(), 247);
    QCOMPARE(slave.Handle(Request(1, 4, 70, 23), kMs).verdict, Verdict::OtherAddress);
    const SlaveReply reply = slave.Handle(Request(247, 4, 70, 23), kMs);
    QCOMPARE(reply.verdict, Verdict::Answered);
    QCOMPARE(reply.answer[0], 247);
}

// Framing. Each step is "b:<hex>" (bytes arrive) or "s" (a silence of 3.5
// characters); the expected frames are listed in order.
void TestSimSlave::framing_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("frames");

    const QString r1 = "01 04 00 0A 00 18 D0 02";
    const QString r2 = "01 01 00 00 00 04 3D C9";
    const QString bad = "01 04 00 0A 00 18 02 D0";

    QTest::newRow("request in one piece, no silence needed")
        << QStringList{"b:" + r1} << QStringList{r1};
    QTest::newRow("request in two pieces")
        << QStringList{"b:01 04 00", "b:0A 00 18 D0 02"} << QStringList{r1};
    QTest::newRow("two requests back to back")
        << QStringList{"b:" + r1 + " " + r2} << QStringList{r1, r2};
    QTest::newRow("request, silence, request")
        << QStringList{"b:" + r1, "s", "b:" + r2, "s"} << QStringList{r1, r2};
    QTest::newRow("noise ended by silence, then request")
        << QStringList{"b:FF 00 13", "s", "b:" + r1} << QStringList{"FF 00 13", r1};
    QTest::newRow("noise glued to a request is one bad frame")
        << QStringList{"b:FF 00 " + r1, "s"} << QStringList{"FF 00 " + r1};
    QTest::newRow("bad CRC waits for the silence")
        << QStringList{"b:" + bad, "b:" + r2, "s"} << QStringList{bad + " " + r2};
    QTest::newRow("request then noise: noise waits")
        << QStringList{"b:" + r1 + " AA BB", "s"} << QStringList{r1, "AA BB"};
    QTest::newRow("short frame of an unknown function")
        << QStringList{"b:01 07 41 E2", "s"} << QStringList{"01 07 41 E2"};
    QTest::newRow("nothing pending, silence") << QStringList{"s", "s"} << QStringList{};
    QTest::newRow("incomplete request never ends without silence")
        << QStringList{"b:01 04 00 0A 00"} << QStringList{};
    QTest::newRow("write request of another meter ends by length")
        << QStringList{"b:02 06 00 01 00 03 98 38", "s"} << QStringList{"02 06 00 01 00 03 98 38"};
}

void TestSimSlave::framing() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, frames);

    RequestFramer framer;
    std::vector<ReceivedFrame> out;
    for (const QString& step : steps) {
        if (step == "s") {
            framer.Silence(out);
        } else {
            const auto bytes = Bytes(step.mid(2).toLatin1().replace(" ", ""));
            framer.Feed(bytes, 0, out);
        }
    }
    QStringList got;
    for (const ReceivedFrame& f : out) {
        QVERIFY(!f.overrun);
        got << QString::fromLatin1(Hex(f.bytes));
    }
    QCOMPARE(got, frames);
}

void TestSimSlave::overrunIsBoundedAndIgnored() {
    RequestFramer framer;
    std::vector<ReceivedFrame> out;
    const std::vector<std::uint8_t> noise(1000, 0x55);
    framer.Feed(noise, 0, out);
    QVERIFY(out.empty());
    // A valid request inside an overrun is not taken: the run is one bad frame.
    framer.Feed(Request(1, 4, 10, 24), 1, out);
    QVERIFY(out.empty());
    framer.Silence(out);
    QCOMPARE(out.size(), std::size_t{1});
    QVERIFY(out[0].overrun);
    QCOMPARE(out[0].bytes.size(), kMaxFrameLength);
    QCOMPARE(Slave(Panel(), 1).Handle(out[0], kMs).verdict, Verdict::Overrun);
    // The next request after the silence is served normally.
    framer.Feed(Request(1, 4, 10, 24), 2, out);
    QCOMPARE(out.size(), std::size_t{2});
    QVERIFY(!out[1].overrun);
    QCOMPARE(Slave(Panel(), 1).Handle(out[1], kMs).verdict, Verdict::Answered);
}

void TestSimSlave::firstByteTime() {
    RequestFramer framer;
    std::vector<ReceivedFrame> out;
    const auto r = Request(1, 4, 10, 24);
    framer.Feed(std::span(r).first(3), 100, out);
    framer.Feed(std::span(r).subspan(3), 105, out);
    framer.Feed(std::span(r).first(2), 300, out);
    framer.Silence(out);
    QCOMPARE(out.size(), std::size_t{2});
    QCOMPARE(out[0].firstByteMs, 100);
    QCOMPARE(out[1].firstByteMs, 300);
}

QTEST_APPLESS_MAIN(TestSimSlave)
#include "tst_simslave.moc"
