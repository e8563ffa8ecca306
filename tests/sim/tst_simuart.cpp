// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated line when the program's settings differ from the meter's:
// one UART hearing another.

#include <QtTest>

#include "sim/metermodel.h"
#include "sim/slave.h"
#include "sim/uart.h"
#include "simtesthelpers.h"

using namespace mt;
using namespace mt::simtest;

namespace {

Parity ParityOf(char letter) {
    switch (letter) {
        case 'E':
            return Parity::Even;
        case 'O':
            return Parity::Odd;
        case 'M':
            return Parity::Mark;
        case 'S':
            return Parity::Space;
        default:
            return Parity::None;
    }
}

// "9600,O,1" -> 9600 baud, odd parity, one stop bit.
CharacterFormat Format(const QString& text) {
    const QStringList parts = text.split(',');
    return {parts[0].toUInt(), ParityOf(parts[1].at(0).toLatin1()), parts[2].toInt()};
}

// "01! 0A": the characters in hex, "!" after one with an error.
QString Text(const std::vector<UartCharacter>& characters) {
    QStringList words;
    for (const UartCharacter& c : characters) {
        words << QString::asprintf("%02X%s", c.byte, c.error ? "!" : "");
    }
    return words.join(' ');
}

}  // namespace

class TestSimUart : public QObject {
    Q_OBJECT
private slots:
    void receiveCharacters_data();
    void receiveCharacters();
    void requestAtAnotherBaudIsNotAnswered_data();
    void requestAtAnotherBaudIsNotAnswered();
};

void TestSimUart::receiveCharacters_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<QString>("received");

    const QByteArray request("01 04 00 0A 00 18 D0 02");
    QTest::newRow("same settings") << request << "9600,N,1"
                                   << "9600,N,2"
                                   << "01 04 00 0A 00 18 D0 02";
    QTest::newRow("same settings, even parity") << request << "19200,E,1"
                                                << "19200,E,1"
                                                << "01 04 00 0A 00 18 D0 02";
    // A UART samples mid-bit, so a few per cent off still reads right.
    QTest::newRow("3 % off") << request << "9600,N,1"
                             << "9900,N,2"
                             << "01 04 00 0A 00 18 D0 02";
    // Twice as fast: each sent bit is read twice and the stop bit is
    // sampled in data bit 3, so only 0A and 18 end without a framing error;
    // a falling edge inside a byte starts a character of its own (80).
    QTest::newRow("receiver twice as fast") << request << "4800,N,1"
                                            << "9600,N,2"
                                            << "06! 60! 00! 98 80 00! 80 60! 7E! 00!";
    // An odd-parity sender to a receiver without parity: the parity bit is
    // taken for the stop bit, a framing error wherever it is 0.
    QTest::newRow("odd parity into none") << request << "9600,O,1"
                                          << "9600,N,2"
                                          << "01! 04! 00 0A 00 18 D0! 02!";
    QTest::newRow("even parity into odd") << QByteArray("01 0A") << "9600,E,1"
                                          << "9600,O,1"
                                          << "01! 0A!";
    // Without parity the sender's stop bit lands where even parity is read:
    // a lone byte passes when its even parity bit happens to be 1.
    QTest::newRow("none into even, parity bit 1") << QByteArray("01") << "9600,N,1"
                                                  << "9600,E,1"
                                                  << "01";
    QTest::newRow("none into even, parity bit 0") << QByteArray("03") << "9600,N,1"
                                                  << "9600,E,1"
                                                  << "03!";
    QTest::newRow("a line at 0 baud carries nothing") << request << "0,N,1"
                                                      << "9600,N,2"
                                                      << "";
    QTest::newRow("nothing sent") << QByteArray() << "9600,N,1"
                                  << "4800,N,2"
                                  << "";
}

void TestSimUart::receiveCharacters() {
    QFETCH(QByteArray, sent);
    QFETCH(QString, sender);
    QFETCH(QString, receiver);
    QFETCH(QString, received);
    const auto bytes = Bytes(sent.replace(' ', ""));
    QCOMPARE(Text(ReceiveCharacters(bytes, Format(sender), Format(receiver))), received);

    // The bytes handed on are the characters without an error.
    QStringList intact;
    for (const QString& word : received.split(' ', Qt::SkipEmptyParts)) {
        if (!word.endsWith('!')) {
            intact << word;
        }
    }
    QCOMPARE(QString::fromLatin1(Hex(ReceiveBytes(bytes, Format(sender), Format(receiver)))),
             intact.join(' '));
}

// The reads the monitors send, at every pair of the usual baud rates: the
// meter's framer and slave never get a request they would answer.
void TestSimUart::requestAtAnotherBaudIsNotAnswered_data() {
    QTest::addColumn<uint>("programBaud");
    QTest::addColumn<uint>("meterBaud");
    const uint rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    for (const uint program : rates) {
        for (const uint meter : rates) {
            if (program != meter) {
                QTest::addRow("%u to %u", program, meter) << program << meter;
            }
        }
    }
}

void TestSimUart::requestAtAnotherBaudIsNotAnswered() {
    QFETCH(uint, programBaud);
    QFETCH(uint, meterBaud);
    const MeterModel model(MeterKind::PanelMount, 3, {2024, 1, 1, 0, 0, 0});
    const Slave slave(model, 1);
    const int reads[][3] = {{4, 10, 24}, {4, 70, 31}, {1, 0, 4}, {2, 0, 4}, {3, 10, 24}};
    for (const auto& [function, start, count] : reads) {
        // Two requests back to back, the way a stuck program might repeat one.
        auto bytes = Request(1, function, start, count);
        const auto again = bytes;
        bytes.insert(bytes.end(), again.begin(), again.end());
        const auto heard = ReceiveBytes(bytes, MeterFormat(programBaud, Parity::None),
                                        MeterFormat(meterBaud, Parity::None));
        RequestFramer framer;
        std::vector<ReceivedFrame> frames;
        framer.Feed(heard, 0, frames);
        framer.Silence(frames);
        for (const ReceivedFrame& frame : frames) {
            QVERIFY2(!slave.Handle(frame, 0).HasAnswer(), Hex(frame.bytes).constData());
        }
    }
}

QTEST_APPLESS_MAIN(TestSimUart)
#include "tst_simuart.moc"
