// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>
#include <span>
#include <string>
#include <vector>

#include "link/crc16.h"
#include "link/request.h"

using namespace mt;

namespace {

std::vector<std::uint8_t> Bytes(const QByteArray& hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

QByteArray Hex(std::span<const std::uint8_t> bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex(' ')
        .toUpper();
}

const std::string kFourHundredZeros(400, '0');

}  // namespace

class TestRequest : public QObject {
    Q_OBJECT

private slots:
    void crcOfKnownFrames_data();
    void crcOfKnownFrames();
    void crcCountIsCutToTheBytesGiven_data();
    void crcCountIsCutToTheBytesGiven();
    void requestFrames_data();
    void requestFrames();
    void addressTexts_data();
    void addressTexts();
    void buildChangesOnlyTheFrame();
    void refusedAddressZeroesTheFrame_data();
    void refusedAddressZeroesTheFrame();
};

void TestRequest::crcOfKnownFrames_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("crc");  // low byte = the one sent first

    QTest::newRow("nothing") << QByteArray() << 0xFFFF;
    QTest::newRow("check string 123456789") << QByteArray("313233343536373839") << 0x4B37;
    QTest::newRow("read holding 1..10") << QByteArray("01030000000A") << 0xCDC5;
    QTest::newRow("read holding slave 17") << QByteArray("1103006B0003") << 0x8776;
    QTest::newRow("write single register") << QByteArray("010600010003") << 0x0B98;
    QTest::newRow("primary step 1") << QByteArray("0104000A0018") << 0x02D0;
    QTest::newRow("exception answer") << QByteArray("018402") << 0xC1C2;
    QTest::newRow("float answer") << QByteArray("010404435C0000") << 0x122E;
    QTest::newRow("single zero byte") << QByteArray("00") << 0x40BF;
    QTest::newRow("single FF byte") << QByteArray("FF") << 0x00FF;
}

void TestRequest::crcOfKnownFrames() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, crc);
    const auto data = Bytes(bytes);
    QCOMPARE(Crc16(data), crc);
    std::uint8_t low = 0x55;
    std::uint8_t high = 0x55;
    Crc16Modbus(data, static_cast<std::int16_t>(data.size()), low, high);
    QCOMPARE(low, crc & 0xFF);
    QCOMPARE(high, crc >> 8);
}

void TestRequest::crcCountIsCutToTheBytesGiven_data() {
    QTest::addColumn<int>("given");  // bytes of "0104000A0018" handed over
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("crc");

    QTest::newRow("count 6 of 6") << 6 << 6 << 0x02D0;
    QTest::newRow("count 6 of 8") << 8 << 6 << 0x02D0;
    QTest::newRow("count 0") << 6 << 0 << 0xFFFF;
    QTest::newRow("negative count") << 6 << -1 << 0xFFFF;
    QTest::newRow("most negative count") << 6 << -32768 << 0xFFFF;
    QTest::newRow("count beyond the bytes") << 6 << 7 << 0x02D0;
    QTest::newRow("largest count") << 6 << 32767 << 0x02D0;
    QTest::newRow("count beyond, fewer bytes") << 3 << 6 << 0xC022;
    QTest::newRow("no bytes, count 6") << 0 << 6 << 0xFFFF;
}

void TestRequest::crcCountIsCutToTheBytesGiven() {
    QFETCH(int, given);
    QFETCH(int, count);
    QFETCH(int, crc);
    // An exact-size copy, so that a read past the end shows up under the
    // address sanitizer; the bytes behind it in `full` would change the CRC.
    const auto full = Bytes("0104000A0018D002");
    const std::vector<std::uint8_t> data(full.begin(), full.begin() + given);
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    Crc16Modbus(data, static_cast<std::int16_t>(count), low, high);
    QCOMPARE(low | (high << 8), crc);
}

void TestRequest::requestFrames_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("frame");  // empty: refused

    QTest::newRow("primary step 1")
        << "1" << 4 << 10 << 24 << QByteArray("01 04 00 0A 00 18 D0 02");
    QTest::newRow("coils") << "1" << 1 << 0 << 4 << QByteArray("01 01 00 00 00 04 3D C9");
    QTest::newRow("inputs") << "1" << 2 << 0 << 4 << QByteArray("01 02 00 00 00 04 79 C9");
    QTest::newRow("secondary step 1")
        << "1" << 4 << 70 << 23 << QByteArray("01 04 00 46 00 17 51 D1");
    QTest::newRow("holding") << "1" << 3 << 0 << 10 << QByteArray("01 03 00 00 00 0A C5 CD");
    QTest::newRow("address 5") << "5" << 4 << 10 << 24 << QByteArray("05 04 00 0A 00 18 D1 86");
    QTest::newRow("address 17") << "17" << 3 << 107 << 3 << QByteArray("11 03 00 6B 00 03 76 87");
    QTest::newRow("non-number is broadcast")
        << "abc" << 4 << 10 << 24 << QByteArray("00 04 00 0A 00 18 D1 D3");
    QTest::newRow("address 255") << "255" << 4 << 10 << 24 << QByteArray("FF 04 00 0A 00 18 C5 DC");
    QTest::newRow("high registers")
        << "1" << 4 << -1 << -1 << QByteArray("01 04 FF FF FF FF F1 9E");
    QTest::newRow("register extremes")
        << "1" << 4 << -32768 << 32767 << QByteArray("01 04 80 00 7F FF B9 BA");
    QTest::newRow("address 256") << "256" << 4 << 10 << 24 << QByteArray();
    QTest::newRow("address -1") << "-1" << 4 << 10 << 24 << QByteArray();
    QTest::newRow("function 256") << "1" << 256 << 10 << 24 << QByteArray();
    QTest::newRow("function -1") << "1" << -1 << 10 << 24 << QByteArray();
}

void TestRequest::requestFrames() {
    QFETCH(QString, address);
    QFETCH(int, function);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(QByteArray, frame);
    const RequestResult result =
        MakeReadRequest(address.toStdString(), static_cast<std::int16_t>(function),
                        static_cast<std::int16_t>(start), static_cast<std::int16_t>(count));
    if (frame.isEmpty()) {
        QVERIFY(!result.ok());
        QCOMPARE(Hex(result.frame), QByteArray("00 00 00 00 00 00 00 00"));
    } else {
        QVERIFY(result.ok());
        QCOMPARE(Hex(result.frame), frame);
    }
}

void TestRequest::addressTexts_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("byte");  // -1: no request may be built

    QTest::newRow("12") << QByteArray("12") << 12;
    QTest::newRow("leading blank") << QByteArray(" 5") << 5;
    QTest::newRow("leading tab") << QByteArray("\t7") << 7;
    QTest::newRow("blanks and tabs") << QByteArray(" \t \t9") << 9;
    QTest::newRow("trailing letters") << QByteArray("7abc") << 7;
    QTest::newRow("trailing blank") << QByteArray("8 ") << 8;
    QTest::newRow("blank inside stops") << QByteArray("12 34") << 12;
    QTest::newRow("comma stops") << QByteArray("1,5") << 1;
    QTest::newRow("letters") << QByteArray("abc") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("only blanks") << QByteArray("   ") << 0;
    QTest::newRow("sign alone") << QByteArray("-") << 0;
    QTest::newRow("point alone") << QByteArray(".") << 0;
    QTest::newRow("hex prefix") << QByteArray("0x10") << 0;
    QTest::newRow("inf word") << QByteArray("inf") << 0;
    QTest::newRow("nan word") << QByteArray("nan") << 0;
    QTest::newRow("full-width digits") << QByteArray("１２") << 0;
    QTest::newRow("plus sign") << QByteArray("+7") << 7;
    QTest::newRow("1.5 to even") << QByteArray("1.5") << 2;
    QTest::newRow("2.5 to even") << QByteArray("2.5") << 2;
    QTest::newRow("3.5 to even") << QByteArray("3.5") << 4;
    QTest::newRow("0.5 to even") << QByteArray("0.5") << 0;
    QTest::newRow("254.5 to even") << QByteArray("254.5") << 254;
    QTest::newRow("2.6 up") << QByteArray("2.6") << 3;
    QTest::newRow("leading point") << QByteArray(".7") << 1;
    QTest::newRow("trailing point") << QByteArray("5.") << 5;
    QTest::newRow("247") << QByteArray("247") << 247;
    QTest::newRow("255") << QByteArray("255") << 255;
    QTest::newRow("255.4") << QByteArray("255.4") << 255;
    QTest::newRow("255.5 rounds to 256") << QByteArray("255.5") << -1;
    QTest::newRow("256") << QByteArray("256") << -1;
    QTest::newRow("-1") << QByteArray("-1") << -1;
    QTest::newRow("-0.4 rounds to 0") << QByteArray("-0.4") << 0;
    QTest::newRow("-0.5 rounds to 0") << QByteArray("-0.5") << 0;
    QTest::newRow("-0.6 rounds to -1") << QByteArray("-0.6") << -1;
    QTest::newRow("negative zero") << QByteArray("-0") << 0;
    QTest::newRow("1e2") << QByteArray("1e2") << 100;
    QTest::newRow("1E2") << QByteArray("1E2") << 100;
    QTest::newRow("2.55e2") << QByteArray("2.55e2") << 255;
    QTest::newRow("25e-1") << QByteArray("25e-1") << 2;
    QTest::newRow("exponent without digits") << QByteArray("1e") << 1;
    QTest::newRow("exponent sign without digits") << QByteArray("3e+") << 3;
    QTest::newRow("second exponent stops") << QByteArray("1e1e1") << 10;
    QTest::newRow("1e400") << QByteArray("1e400") << -1;
    QTest::newRow("-1e400") << QByteArray("-1e400") << -1;
    QTest::newRow("1e-400") << QByteArray("1e-400") << 0;
    QTest::newRow("huge exponent") << QByteArray("1e99999999999999999999") << -1;
    QTest::newRow("huge negative exponent") << QByteArray("1e-99999999999999999999") << 0;
    QTest::newRow("zero with huge exponent") << QByteArray("0e99999") << 0;
    QTest::newRow("400 digits") << QByteArray(("1" + kFourHundredZeros).c_str()) << -1;
    QTest::newRow("400 leading zeros") << QByteArray((kFourHundredZeros + "5").c_str()) << 5;
    QTest::newRow("400 zeros after the point")
        << QByteArray(("0." + kFourHundredZeros + "1").c_str()) << 0;
    QTest::newRow("negative, 400 zeros after the point")
        << QByteArray(("-0." + kFourHundredZeros + "1").c_str()) << 0;
    QTest::newRow("tiny mantissa, large exponent")
        << QByteArray(("0." + kFourHundredZeros + "1e450").c_str()) << -1;
    QTest::newRow("huge mantissa, small exponent")
        << QByteArray(("1" + kFourHundredZeros + "e-450").c_str()) << 0;
}

void TestRequest::addressTexts() {
    QFETCH(QByteArray, text);
    QFETCH(int, byte);
    const auto address = MeterAddressByte(std::string_view(text.constData(), text.size()));
    if (byte < 0) {
        QVERIFY(!address.has_value());
    } else {
        QVERIFY(address.has_value());
        QCOMPARE(int(*address), byte);
    }
}

void TestRequest::buildChangesOnlyTheFrame() {
    RequestParameters params;
    params.MeterAddress = " 5";
    params.StartRegister = 10;
    params.RegisterCount = 24;
    QVERIFY(!params.FrameBuilt);

    QCOMPARE(BuildReadRequest(params, kReadInputRegisters), RequestStatus::Built);
    QVERIFY(params.FrameBuilt);
    QCOMPARE(Hex(params.RequestFrame), QByteArray("05 04 00 0A 00 18 D1 86"));
    QCOMPARE(params.MeterAddress, std::string(" 5"));
    QCOMPARE(params.StartRegister, std::int16_t(10));
    QCOMPARE(params.RegisterCount, std::int16_t(24));

    // The frame is rebuilt whole from the parameters of the moment.
    params.MeterAddress = "1";
    params.StartRegister = 0;
    params.RegisterCount = 4;
    QCOMPARE(BuildReadRequest(params, kReadCoils), RequestStatus::Built);
    QCOMPARE(Hex(params.RequestFrame), QByteArray("01 01 00 00 00 04 3D C9"));
    QCOMPARE(params.StartRegister, std::int16_t(0));
    QCOMPARE(params.RegisterCount, std::int16_t(4));
}

void TestRequest::refusedAddressZeroesTheFrame_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("status");

    QTest::newRow("address 256") << "256" << 4 << int(RequestStatus::AddressOutOfRange);
    QTest::newRow("address -3") << "-3" << 4 << int(RequestStatus::AddressOutOfRange);
    QTest::newRow("address 1e400") << "1e400" << 4 << int(RequestStatus::AddressOutOfRange);
    QTest::newRow("function 300") << "1" << 300 << int(RequestStatus::BadFunctionCode);
}

void TestRequest::refusedAddressZeroesTheFrame() {
    QFETCH(QString, address);
    QFETCH(int, function);
    QFETCH(int, status);
    RequestParameters params;
    params.MeterAddress = "1";
    params.StartRegister = 10;
    params.RegisterCount = 24;
    QCOMPARE(BuildReadRequest(params, kReadInputRegisters), RequestStatus::Built);

    // A refused request must not leave the previous frame ready for sending.
    params.MeterAddress = address.toStdString();
    QCOMPARE(int(BuildReadRequest(params, static_cast<std::int16_t>(function))), status);
    QVERIFY(!params.FrameBuilt);
    QCOMPARE(Hex(params.RequestFrame), QByteArray("00 00 00 00 00 00 00 00"));
    QCOMPARE(params.MeterAddress, address.toStdString());
    QCOMPARE(params.StartRegister, std::int16_t(10));
    QCOMPARE(params.RegisterCount, std::int16_t(24));
}

QTEST_APPLESS_MAIN(TestRequest)
#include "tst_request.moc"
