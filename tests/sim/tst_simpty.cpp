// SPDX-License-Identifier: GPL-3.0-or-later
// What the simulator's pseudo-terminal carries of the settings a program
// makes on its side with QSerialPort, as metertest opens it (everything set
// before open). Guards the kernel's and Qt's behaviour the line check
// relies on.

#include <QtTest>

#include <QSerialPort>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "sim/pty.h"

using namespace mt;

namespace {

// The speed code of a rate without a B constant (BOTHER of the kernel's
// headers, which <termios.h> does not name).
constexpr speed_t kOtherSpeed = 0010000;

QSerialPort::Parity QtParity(char letter) {
    switch (letter) {
        case 'E':
            return QSerialPort::EvenParity;
        case 'O':
            return QSerialPort::OddParity;
        case 'M':
            return QSerialPort::MarkParity;
        case 'S':
            return QSerialPort::SpaceParity;
        default:
            return QSerialPort::NoParity;
    }
}

}  // namespace

class TestSimPty : public QObject {
    Q_OBJECT
private slots:
    void whatTheLineCarries_data();
    void whatTheLineCarries();
    void presetLineIsWhatAnOpenerFinds_data();
    void presetLineIsWhatAnOpenerFinds();
};

void TestSimPty::whatTheLineCarries_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<char>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<bool>("twoStopBits");
    QTest::addColumn<bool>("oddFlag");
    QTest::addColumn<bool>("stickFlag");

    // The baud rate arrives exactly, stop bits too; parity only as its odd
    // and stick flags, so no parity and even parity look alike.
    QTest::newRow("9600,N,8,1") << 9600 << 'N' << 8 << false << false << false;
    QTest::newRow("19200,E,8,1") << 19200 << 'E' << 8 << false << false << false;
    QTest::newRow("4800,O,8,1") << 4800 << 'O' << 8 << false << true << false;
    QTest::newRow("1200,M,8,1") << 1200 << 'M' << 8 << false << true << true;
    QTest::newRow("115200,S,8,1") << 115200 << 'S' << 8 << false << false << true;
    QTest::newRow("2400,N,7,2") << 2400 << 'N' << 7 << true << false << false;
    QTest::newRow("12345 baud") << 12345 << 'N' << 8 << false << false << false;
}

void TestSimPty::whatTheLineCarries() {
    QFETCH(int, baud);
    QFETCH(char, parity);
    QFETCH(int, dataBits);
    QFETCH(bool, twoStopBits);
    QFETCH(bool, oddFlag);
    QFETCH(bool, stickFlag);

    Pty pty;
    std::string error;
    QVERIFY2(pty.Open(error), error.c_str());
    QVERIFY(pty.PresetLine(MeterFormat(9600, Parity::None)));
    QSerialPort port(QString::fromStdString(pty.path));
    port.setBaudRate(baud);
    port.setParity(QtParity(parity));
    port.setDataBits(static_cast<QSerialPort::DataBits>(dataBits));
    port.setStopBits(twoStopBits ? QSerialPort::TwoStop : QSerialPort::OneStop);
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));

    const std::optional<LineSeen> seen = pty.ReadLine();
    QVERIFY(seen);
    QCOMPARE(seen->baud, std::uint32_t(baud));
    QCOMPARE(seen->oddFlag, oddFlag);
    QCOMPARE(seen->stickFlag, stickFlag);
    QCOMPARE(seen->twoStopBits, twoStopBits);
    // The program itself reads back 8 data bits and no parity enable bit.
    termios kept{};
    QCOMPARE(::tcgetattr(static_cast<int>(port.handle()), &kept), 0);
    QCOMPARE(kept.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(kept.c_cflag & PARENB, tcflag_t(0));
    port.close();
    pty.Close();
}

// A program that opens the line and sets nothing finds the meter's settings,
// and QSerialPort puts them back when it closes. It puts them back with the
// classic termios calls, which cannot name a rate without a B constant: such
// a rate stays at the program's until the next program sets its own.
void TestSimPty::presetLineIsWhatAnOpenerFinds_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<char>("parity");
    QTest::addColumn<bool>("restored");
    QTest::newRow("9600,N") << 9600 << 'N' << true;
    QTest::newRow("19200,E") << 19200 << 'E' << true;
    QTest::newRow("115200,O") << 115200 << 'O' << true;
    QTest::newRow("12345,N, no B constant") << 12345 << 'N' << false;
}

void TestSimPty::presetLineIsWhatAnOpenerFinds() {
    QFETCH(int, baud);
    QFETCH(char, parity);
    QFETCH(bool, restored);
    const Parity meter = parity == 'E' ? Parity::Even : parity == 'O' ? Parity::Odd : Parity::None;
    Pty pty;
    std::string error;
    QVERIFY2(pty.Open(error), error.c_str());
    QVERIFY(pty.PresetLine(MeterFormat(std::uint32_t(baud), meter)));
    const LineSeen preset{std::uint32_t(baud), parity == 'O', false, false};
    QCOMPARE(pty.ReadLine(), preset);

    const int fd = ::open(pty.path.c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    termios settings{};
    QCOMPARE(::tcgetattr(fd, &settings), 0);
    // A usual rate comes as its B constant, for programs that know only those.
    const speed_t expected = baud == 9600     ? B9600
                             : baud == 19200  ? B19200
                             : baud == 115200 ? B115200
                                              : kOtherSpeed;
    QCOMPARE(::cfgetospeed(&settings), expected);
    ::close(fd);

    {
        QSerialPort port(QString::fromStdString(pty.path));
        port.setBaudRate(4800);
        port.setParity(QSerialPort::EvenParity);
        QVERIFY(port.open(QIODevice::ReadWrite));
        QCOMPARE(pty.ReadLine()->baud, 4800U);
    }
    if (restored) {
        QCOMPARE(pty.ReadLine(), preset);
    } else {
        QCOMPARE(pty.ReadLine()->baud, 4800U);
    }
    pty.Close();
}

QTEST_GUILESS_MAIN(TestSimPty)
#include "tst_simpty.moc"
