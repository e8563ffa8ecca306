// SPDX-License-Identifier: GPL-3.0-or-later
// metertest-cli's reader on the fake port: each read's outcome as the
// monitors would judge it, fields only from this reading's accepted answers.

#include <QSignalSpy>
#include <QtTest>

#include "cli/meterreader.h"
#include "support/answers.h"
#include "support/fakeserialport.h"

using namespace mt;
using namespace mt::cli;
using namespace mt::test;

namespace {

constexpr int kWindowMs = 60;

// What the panel-mount meter answers to a primary read: Uan 230.5 in the
// first block, the other blocks filled, both switch panels.
QByteArray GoodAnswer(const QByteArray& request) {
    const int function = static_cast<quint8>(request[1]);
    if (function == 1 || function == 2) {
        return SwitchAnswer(function, function == 1 ? 0b0101 : 0b0011);
    }
    if (static_cast<quint8>(request[3]) == 10) {
        return RegisterAnswer(FloatsWith(12, 0, FloatBe(230.5f)));
    }
    return AnswerTo(request);
}

// One reading through `port`; the reading, or nothing when none finished.
std::optional<Reading> ReadOnce(MeterReader& reader) {
    QSignalSpy finished(&reader, &MeterReader::finished);
    if (!reader.start() || !finished.wait(5000)) {
        return std::nullopt;
    }
    return finished.front().front().value<Reading>();
}

QString FieldText(const Reading& reading, const QString& key) {
    for (const FieldReading& field : reading.fields) {
        if (field.key == key) {
            return field.text;
        }
    }
    return QStringLiteral("<no field>");
}

}  // namespace

Q_DECLARE_METATYPE(mt::cli::Reading)

class TestMeterReader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<Reading>(); }

    // What comes for the first read, and what the reading makes of it.
    void firstRead_data() {
        QTest::addColumn<QList<QByteArray>>("chunks");  // empty: silence
        QTest::addColumn<int>("outcome");               // AnswerOutcome
        QTest::addColumn<QString>("uan");
        const QByteArray good = GoodAnswer(Hex("0104000A0018"));
        QTest::newRow("whole") << QList<QByteArray>{good} << int(AnswerOutcome::Accepted)
                               << "230.5";
        QTest::newRow("in three pieces")
            << QList<QByteArray>{good.left(2), good.mid(2, 30), good.mid(32)}
            << int(AnswerOutcome::Accepted) << "230.5";
        QTest::newRow("silence") << QList<QByteArray>{} << int(AnswerOutcome::NoAnswer) << "";
        QTest::newRow("exception")
            << QList<QByteArray>{WithCrc(Hex("018402"))} << int(AnswerOutcome::Exception) << "";
        QByteArray broken = good;
        broken[10] = static_cast<char>(broken[10] ^ 0x40);
        QTest::newRow("CRC") << QList<QByteArray>{broken} << int(AnswerOutcome::BadCrc) << "";
        QTest::newRow("cut short")
            << QList<QByteArray>{good.left(20)} << int(AnswerOutcome::Malformed) << "";
    }
    void firstRead() {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(int, outcome);
        QFETCH(QString, uan);
        FakeSerialPort port;
        QVERIFY(port.open());
        port.responder = [&](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
            if (static_cast<quint8>(request[3]) == 10 && request[1] == 4) {
                if (chunks.isEmpty()) {
                    return std::nullopt;
                }
                return FakeSerialPort::Answer{chunks, 0};
            }
            return FakeSerialPort::Answer{{GoodAnswer(request)}, 0};
        };
        MeterReader reader(port, MeterKind::PanelMount, 1, false, kWindowMs);
        const auto reading = ReadOnce(reader);
        QVERIFY(reading);
        QCOMPARE(reading->requests.size(), 5);
        QCOMPARE(int(reading->requests.front().check.outcome), outcome);
        QCOMPARE(reading->accepted(), outcome == int(AnswerOutcome::Accepted) ? 5 : 4);
        QCOMPARE(FieldText(*reading, "UanT"), uan);
        QCOMPARE(FieldText(*reading, "Out1"), QStringLiteral("闭合"));
        QCOMPARE(FieldText(*reading, "Out2"), QStringLiteral("断开"));
        QCOMPARE(port.writes.size(), 5);  // one request at a time, each once
    }

    // A second reading where a read goes unanswered shows its fields empty,
    // not the first reading's values.
    void neverStale() {
        FakeSerialPort port;
        QVERIFY(port.open());
        bool silent = false;
        port.responder = [&](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
            if (silent && static_cast<quint8>(request[3]) == 10 && request[1] == 4) {
                return std::nullopt;
            }
            return FakeSerialPort::Answer{{GoodAnswer(request)}, 0};
        };
        MeterReader reader(port, MeterKind::PanelMount, 1, false, kWindowMs);
        const auto first = ReadOnce(reader);
        QVERIFY(first && first->complete());
        QCOMPARE(FieldText(*first, "UanT"), QStringLiteral("230.5"));
        silent = true;
        const auto second = ReadOnce(reader);
        QVERIFY(second && !second->complete());
        QCOMPARE(FieldText(*second, "UanT"), QString());
        QVERIFY(!second->texts.contains(QStringLiteral("UanT")));
        QVERIFY(!FieldText(*second, "PaT").isEmpty() || !FieldText(*second, "QaT").isEmpty());
    }

    // The DIN-rail meter: eleven reads, each field named by the screen.
    void dinRailReadsEveryBlock() {
        FakeSerialPort port;
        QVERIFY(port.open());
        port.responder = [](const QByteArray& request) -> std::optional<FakeSerialPort::Answer> {
            return FakeSerialPort::Answer{{AnswerTo(request)}, 0};
        };
        MeterReader reader(port, MeterKind::DinRail, 1, false, kWindowMs);
        const auto reading = ReadOnce(reader);
        QVERIFY(reading && reading->complete());
        QCOMPARE(reading->requests.size(), 11);
        QCOMPARE(reading->fields.size(), EmptyFields(MeterKind::DinRail).size());
        for (const FieldReading& field : reading->fields) {
            QVERIFY2(!field.caption.isEmpty() && !field.caption.contains('\n'),
                     qPrintable(field.key));
        }
    }
};

QTEST_GUILESS_MAIN(TestMeterReader)
#include "tst_meterreader.moc"
