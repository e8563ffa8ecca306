// SPDX-License-Identifier: GPL-3.0-or-later
// The soak's verdict: which texts count as served for a field, which only
// as a late DIN-rail answer, and which are wrong.

#include <QBuffer>
#include <QtTest>
#include <cstring>

#include "analysis.h"
#include "link/crc16.h"
#include "support/answers.h"

using namespace mt;
using namespace mt::soak;
using namespace mt::drive;
using mt::test::Be32;
using mt::test::FloatBe;
using mt::test::RegisterAnswer;
using mt::test::WithCrc;

namespace {

QByteArray Read(int function, int start, int count) {
    QByteArray frame;
    for (const int byte : {1, function, start >> 8, start & 0xFF, count >> 8, count & 0xFF}) {
        frame.append(static_cast<char>(byte));
    }
    return WithCrc(frame);
}

// One request at `ms` answered at once with `frame`.
SimExchange Exchange(qint64 ms, const QByteArray& request, const QByteArray& frame) {
    SimExchange exchange;
    exchange.request = {ms, request};
    exchange.answered = true;
    if (!frame.isEmpty()) {
        exchange.sent = SimLogLine{ms + 2, frame};
        exchange.frame = frame;
    }
    return exchange;
}

// The panel-mount primary measurement block: Uan 230, Ubn 231, ... as floats.
QByteArray PrimaryMeasurements(float first) {
    QByteArray data;
    for (int i = 0; i < 12; ++i) {
        data += FloatBe(first + static_cast<float>(i));
    }
    return RegisterAnswer(data);
}

// A DIN-rail energy block: ten registers, the first pair `first` hundredths.
QByteArray EnergyBlock(quint32 first) {
    return RegisterAnswer(Be32(first) + QByteArray(16, '\0'));
}

Verdict JudgeText(const QByteArray& records, const ServedValues& served) {
    QByteArray copy = records;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return Judge(buffer, served);
}

}  // namespace

class TestSoakAnalysis : public QObject {
    Q_OBJECT

private slots:
    // Only answers a monitor can take count as served, and only for the
    // fields their own request fills.
    void panelServedValues_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("served");
        QTest::newRow("Uan of the good answer") << "UanT"
                                                << "230.0" << true;
        QTest::newRow("Ubn of the good answer") << "UbnT"
                                                << "231.0" << true;
        QTest::newRow("Uan's text in Ubn") << "UbnT"
                                           << "230.0" << false;
        QTest::newRow("Uan of the corrupt answer") << "UanT"
                                                   << "300.0" << false;
        QTest::newRow("Uan after garbage") << "UanT"
                                           << "400.0" << true;
        QTest::newRow("secondary Uan, tenths") << "UanT"
                                               << "220.5" << true;
        QTest::newRow("secondary value never sent") << "UanT"
                                                    << "0" << false;
    }
    void panelServedValues() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, served);
        QByteArray corrupt = PrimaryMeasurements(300);
        corrupt[corrupt.size() - 1] = static_cast<char>(corrupt.back() ^ 0xA5);
        SimExchange garbled = Exchange(300, Read(4, 10, 24), PrimaryMeasurements(400));
        garbled.sent->bytes.prepend("\x12\x34\x56\x78");
        garbled.faults.garbage = true;
        QByteArray secondary(46, '\0');
        secondary[0] = 0x08;  // register 70: 2205 tenths of a volt
        secondary[1] = static_cast<char>(0x9D);
        ServedValues values;
        values.addPanel({Exchange(100, Read(4, 10, 24), PrimaryMeasurements(230)),
                         Exchange(200, Read(4, 10, 24), corrupt), garbled,
                         Exchange(400, Read(4, 10, 24), WithCrc(QByteArray::fromHex("018404"))),
                         Exchange(500, Read(4, 70, 23), RegisterAnswer(secondary))});
        QCOMPARE(values.served(MeterKind::PanelMount, field, text), served);
        QVERIFY(!values.served(MeterKind::DinRail, field, text));
    }

    void switchStatesServed() {
        ServedValues values;
        values.addPanel({Exchange(100, Read(1, 0, 4), WithCrc(QByteArray::fromHex("010101F5"))),
                         Exchange(200, Read(2, 0, 4), WithCrc(QByteArray::fromHex("01020103")))});
        QVERIFY(values.servedSwitch(SwitchPanelKind::Outputs, 0x05));  // high bits not shown
        QVERIFY(!values.servedSwitch(SwitchPanelKind::Outputs, 0x03));
        QVERIFY(values.servedSwitch(SwitchPanelKind::Inputs, 0x03));
        QVERIFY(!values.servedSwitch(SwitchPanelKind::Inputs, 0x00));
    }

    // An energy block answered for tag 1 shows in FAET; taken late while a
    // later read of tag 2 or 3 was outstanding, it shows in RAET or SRET.
    void railLateAnswers_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("served");
        QTest::addColumn<bool>("late");
        QTest::newRow("forward active energy") << "FAET"
                                               << "123.45" << true << false;
        QTest::newRow("next read's field") << "RAET"
                                           << "123.45" << false << true;
        QTest::newRow("the read after") << "SRET"
                                        << "123.45" << false << true;
        QTest::newRow("too late to be taken") << "FRET"
                                              << "123.45" << false << false;
        QTest::newRow("an earlier read's field") << "SWT"
                                                 << "123.45" << false << false;
        QTest::newRow("the next read's own value") << "RAET"
                                                   << "6" << true << false;
    }
    void railLateAnswers() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, served);
        QFETCH(bool, late);
        ServedValues values(1000);
        values.addRail({Exchange(0, Read(4, 8192, 10), EnergyBlock(99)),
                        Exchange(200, Read(4, 8448, 10), EnergyBlock(12345)),
                        Exchange(400, Read(4, 8704, 10), EnergyBlock(600)),
                        Exchange(800, Read(4, 8960, 10), EnergyBlock(700)),
                        Exchange(1500, Read(4, 9216, 10), EnergyBlock(800))});
        QCOMPARE(values.served(MeterKind::DinRail, field, text), served);
        QCOMPARE(values.lateRail(field, text), late);
        QVERIFY(!values.served(MeterKind::PanelMount, field, text));
    }

    void railTagsOfFrames() {
        ServedValues values;
        values.addRail({Exchange(0, Read(4, 8448, 10), EnergyBlock(5)),
                        Exchange(200, Read(4, 9472, 10), EnergyBlock(5)),
                        Exchange(400, Read(4, 1024, 3), RegisterAnswer(QByteArray(6, '\1')))});
        QCOMPARE(values.railTagsOf(EnergyBlock(5)), (QSet<int>{1, 5}));
        QCOMPARE(values.railTagsOf(RegisterAnswer(QByteArray(6, '\1'))), QSet<int>{-1});
        QVERIFY(values.railTagsOf(EnergyBlock(6)).isEmpty());
    }

    void judgesTheRecords_data() {
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<int>("wrong");
        QTest::addColumn<int>("lateValues");
        QTest::addColumn<int>("lateAnswers");
        QTest::addColumn<int>("unknown");
        QTest::addColumn<int>("bad");
        const QByteArray served = FieldRecord(MeterKind::DinRail, "FAET", "123.45") +
                                  FieldRecord(MeterKind::PanelMount, "UanT", "230.0");
        QTest::newRow("all served") << served << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("panel value in a rail field")
            << served + FieldRecord(MeterKind::DinRail, "UanT", "230.0") << 1 << 0 << 0 << 0 << 0;
        QTest::newRow("late rail value")
            << FieldRecord(MeterKind::DinRail, "RAET", "123.45") << 0 << 1 << 0 << 0 << 0;
        QTest::newRow("no late excuse on the panel")
            << FieldRecord(MeterKind::PanelMount, "RAET", "123.45") << 1 << 0 << 0 << 0 << 0;
        QTest::newRow("switch never served")
            << SwitchRecord(SwitchPanelKind::Outputs, 9) << 1 << 0 << 0 << 0 << 0;
        QTest::newRow("answer taken for its own tag")
            << RailAnswerRecord(1, 8448, EnergyBlock(12345)) << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("answer taken under a later tag")
            << RailAnswerRecord(2, 8704, EnergyBlock(12345)) << 0 << 0 << 1 << 0 << 0;
        QTest::newRow("tag of no matter for the measurements")
            << RailAnswerRecord(5, 70, RegisterAnswer(QByteArray(46, '\2'))) << 0 << 0 << 0 << 0
            << 0;
        QTest::newRow("answer never served")
            << RailAnswerRecord(1, 8448, EnergyBlock(1)) << 0 << 0 << 0 << 1 << 0;
        QTest::newRow("unreadable")
            << QByteArray("F\tX\tUanT\t1\nnonsense\n") << 0 << 0 << 0 << 0 << 2;
    }
    void judgesTheRecords() {
        QFETCH(QByteArray, records);
        QFETCH(int, wrong);
        QFETCH(int, lateValues);
        QFETCH(int, lateAnswers);
        QFETCH(int, unknown);
        QFETCH(int, bad);
        ServedValues values(1000);
        values.addPanel({Exchange(0, Read(4, 10, 24), PrimaryMeasurements(230))});
        values.addRail({Exchange(0, Read(4, 8448, 10), EnergyBlock(12345)),
                        Exchange(200, Read(4, 8704, 10), EnergyBlock(600)),
                        Exchange(400, Read(4, 70, 23), RegisterAnswer(QByteArray(46, '\2')))});
        const Verdict verdict = JudgeText(records, values);
        QCOMPARE(verdict.wrongFieldValues, qint64{wrong});
        QCOMPARE(verdict.lateFieldValues, qint64{lateValues});
        QCOMPARE(verdict.lateAnswers, qint64{lateAnswers});
        QCOMPARE(verdict.unknownAnswers, qint64{unknown});
        QCOMPARE(verdict.badRecords, qint64{bad});
        QCOMPARE(verdict.examples.size(), qsizetype{wrong + unknown});
    }

    void countsFaults() {
        QList<SimExchange> exchanges{Exchange(0, Read(4, 10, 24), PrimaryMeasurements(1)),
                                     Exchange(1, Read(4, 10, 24), {}),
                                     Exchange(2, Read(4, 10, 24), PrimaryMeasurements(2))};
        exchanges[1].faults.drop = true;
        exchanges[2].faults.split = true;
        exchanges[2].faults.noise = true;
        exchanges << SimExchange{};  // a request the meter did not take
        FaultCounts counts;
        counts.add(exchanges);
        QCOMPARE(counts.requests, qint64{4});
        QCOMPARE(counts.answered, qint64{3});
        QCOMPARE(counts.sent, qint64{2});
        QCOMPARE(counts.dropped, qint64{1});
        QCOMPARE(counts.split, qint64{1});
        QCOMPARE(counts.noise, qint64{1});
        QCOMPARE(counts.corruptCrc + counts.late + counts.exception + counts.garbage, qint64{0});
    }
};

QTEST_GUILESS_MAIN(TestSoakAnalysis)
#include "tst_soakanalysis.moc"
