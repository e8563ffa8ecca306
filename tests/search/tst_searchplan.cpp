// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>
#include <optional>

#include "search/searchdialog.h"
#include "search/searchplan.h"
#include "support/answers.h"

using namespace mt;
using mt::test::BytesOf;
using mt::test::Hex;
using mt::test::RegisterAnswer;
using mt::test::WithCrc;

Q_DECLARE_METATYPE(mt::ProbeOutcome)
Q_DECLARE_METATYPE(std::optional<mt::MeterKind>)

namespace {

// The answer of the meter at `address` to the common read: Uan = 230.0 V.
QByteArray CommonAnswer(int address) {
    return RegisterAnswer(Hex("08FC"), 4, address);
}

}  // namespace

// The probe's arithmetic: when an answer is whole, what it amounts to, the
// line times and waits, and what a search has left.
class TestSearchPlan : public QObject {
    Q_OBJECT

private slots:
    void answerCompletion_data();
    void answerCompletion();
    void classification_data();
    void classification();
    void familyFromPanelOnlyRead_data();
    void familyFromPanelOnlyRead();
    void lineTiming_data();
    void lineTiming();
    void planOrder();
    void timeLeft_data();
    void timeLeft();
    void durationText_data();
    void durationText();
};

void TestSearchPlan::answerCompletion_data() {
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("length");  // -1: not known yet
    QTest::addColumn<bool>("complete");

    const QByteArray answer = CommonAnswer(17);
    QTest::newRow("nothing") << QByteArray() << -1 << false;
    QTest::newRow("address only") << answer.left(1) << -1 << false;
    QTest::newRow("function, no byte count") << answer.left(2) << -1 << false;
    QTest::newRow("byte count tells seven") << answer.left(3) << 7 << false;
    QTest::newRow("one byte short") << answer.left(6) << 7 << false;
    QTest::newRow("whole register answer") << answer << 7 << true;
    QTest::newRow("whole, noise after") << answer + Hex("FF00") << 7 << true;
    QTest::newRow("two registers") << RegisterAnswer(Hex("43660000"), 4, 17) << 9 << true;
    QTest::newRow("exception known at two bytes") << Hex("1184") << 5 << false;
    QTest::newRow("whole exception") << WithCrc(Hex("118402")) << 5 << true;
    QTest::newRow("coil answer") << WithCrc(Hex("11010105")) << 6 << true;
    QTest::newRow("unknown function: noise") << Hex("1155020000") << -1 << false;
    QTest::newRow("function 0: noise") << Hex("1100020000") << -1 << false;
    QTest::newRow("byte count 255: waits") << Hex("1104FF0000") << 260 << false;
}

void TestSearchPlan::answerCompletion() {
    QFETCH(QByteArray, received);
    QFETCH(int, length);
    QFETCH(bool, complete);

    const auto expected =
        length < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(length));
    QCOMPARE(ProbeAnswerLength(BytesOf(received)), expected);
    QCOMPARE(ProbeAnswerComplete(BytesOf(received)), complete);
}

void TestSearchPlan::classification_data() {
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("count");
    QTest::addColumn<ProbeOutcome>("outcome");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("exceptionCode");

    QByteArray badCrc = CommonAnswer(17);
    badCrc[badCrc.size() - 1] = static_cast<char>(badCrc.back() ^ 0x01);
    QByteArray flippedData = CommonAnswer(17);
    flippedData[4] = static_cast<char>(flippedData[4] ^ 0x40);

    QTest::newRow("silence") << QByteArray() << 1 << ProbeOutcome::NoAnswer << 0 << 0;
    QTest::newRow("data") << CommonAnswer(17) << 1 << ProbeOutcome::Data << 17 << 0;
    QTest::newRow("data with noise after")
        << CommonAnswer(17) + Hex("00") << 1 << ProbeOutcome::Data << 17 << 0;
    QTest::newRow("two registers for two")
        << RegisterAnswer(Hex("43660000"), 4, 17) << 2 << ProbeOutcome::Data << 17 << 0;
    QTest::newRow("exception 02") << WithCrc(Hex("118402")) << 2 << ProbeOutcome::Exception << 17
                                  << 2;
    QTest::newRow("exception 01") << WithCrc(Hex("118401")) << 1 << ProbeOutcome::Exception << 17
                                  << 1;
    QTest::newRow("CRC byte wrong") << badCrc << 1 << ProbeOutcome::BadCrc << 0 << 0;
    QTest::newRow("data bit flipped") << flippedData << 1 << ProbeOutcome::BadCrc << 0 << 0;
    QTest::newRow("exception with bad CRC")
        << Hex("1184020000") << 1 << ProbeOutcome::BadCrc << 0 << 0;
    QTest::newRow("late answer of address 16")
        << CommonAnswer(16) << 1 << ProbeOutcome::WrongAddress << 16 << 0;
    QTest::newRow("cut short") << CommonAnswer(17).left(5) << 1 << ProbeOutcome::Garbled << 0 << 0;
    QTest::newRow("noise") << Hex("FF7F3E") << 1 << ProbeOutcome::Garbled << 0 << 0;
    QTest::newRow("one register for two")
        << CommonAnswer(17) << 2 << ProbeOutcome::Garbled << 0 << 0;
    QTest::newRow("function 3 for 4")
        << RegisterAnswer(Hex("08FC"), 3, 17) << 1 << ProbeOutcome::Garbled << 0 << 0;
    QTest::newRow("exception of another function")
        << WithCrc(Hex("118302")) << 1 << ProbeOutcome::Garbled << 0 << 0;
}

void TestSearchPlan::classification() {
    QFETCH(QByteArray, received);
    QFETCH(int, count);
    QFETCH(ProbeOutcome, outcome);
    QFETCH(int, address);
    QFETCH(int, exceptionCode);

    const ProbeVerdict verdict = ClassifyProbeAnswer(BytesOf(received), 17, kProbeFunction,
                                                     static_cast<std::int16_t>(count));
    QCOMPARE(verdict.outcome, outcome);
    QCOMPARE(int(verdict.address), address);
    QCOMPARE(int(verdict.exceptionCode), exceptionCode);
}

void TestSearchPlan::familyFromPanelOnlyRead_data() {
    QTest::addColumn<ProbeOutcome>("outcome");
    QTest::addColumn<std::optional<MeterKind>>("family");

    QTest::newRow("data") << ProbeOutcome::Data << std::optional(MeterKind::PanelMount);
    QTest::newRow("exception") << ProbeOutcome::Exception << std::optional(MeterKind::DinRail);
    QTest::newRow("silence") << ProbeOutcome::NoAnswer << std::optional(MeterKind::DinRail);
    QTest::newRow("bad CRC") << ProbeOutcome::BadCrc << std::optional<MeterKind>();
    QTest::newRow("garbled") << ProbeOutcome::Garbled << std::optional<MeterKind>();
    QTest::newRow("late answer") << ProbeOutcome::WrongAddress << std::optional<MeterKind>();
}

void TestSearchPlan::familyFromPanelOnlyRead() {
    QFETCH(ProbeOutcome, outcome);
    QFETCH(std::optional<MeterKind>, family);
    QCOMPARE(FamilyFromPanelOnlyRead(ProbeVerdict{outcome}), family);
}

void TestSearchPlan::lineTiming_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<qint64>("requestUs");  // eight characters of 11 bits
    QTest::addColumn<qint64>("silenceUs");  // 3.5 characters, 1750 µs above 19200
    QTest::addColumn<int>("autoTimeoutMs");

    // Nine answer characters rounded up to whole ms, plus 50 ms.
    QTest::newRow("1200") << 1200 << qint64(73334) << qint64(32084) << 133;
    QTest::newRow("4800") << 4800 << qint64(18334) << qint64(8021) << 71;
    QTest::newRow("9600") << 9600 << qint64(9167) << qint64(4011) << 61;
    QTest::newRow("19200") << 19200 << qint64(4584) << qint64(2006) << 56;
    QTest::newRow("38400") << 38400 << qint64(2292) << qint64(1750) << 53;
    QTest::newRow("115200") << 115200 << qint64(764) << qint64(1750) << 51;
}

void TestSearchPlan::lineTiming() {
    QFETCH(int, baud);
    QFETCH(qint64, requestUs);
    QFETCH(qint64, silenceUs);
    QFETCH(int, autoTimeoutMs);

    QCOMPARE(LineTimeUs(kProbeRequestLength, baud), requestUs);
    QCOMPARE(InterFrameSilenceUs(baud), silenceUs);
    QCOMPARE(AutoAnswerTimeoutMs(baud), autoTimeoutMs);
    QCOMPARE(TryLimitUs(baud, 50), requestUs + 50000);

    SearchPlan automatic = SearchPlan::Make({baud}, {'N'}, 1, 247, 0);
    QCOMPARE(automatic.timeoutMsFor(baud), autoTimeoutMs);
    SearchPlan fixed = SearchPlan::Make({baud}, {'N'}, 1, 247, 20);
    QCOMPARE(fixed.timeoutMsFor(baud), 20);
}

void TestSearchPlan::planOrder() {
    // Baud rates ascending, parities N, E, O, repeats dropped.
    const SearchPlan plan = SearchPlan::Make({19200, 4800, 19200}, {'O', 'N', 'O'}, 10, 20, 0);
    const std::vector<SearchLine> lines = {{4800, 'N'}, {4800, 'O'}, {19200, 'N'}, {19200, 'O'}};
    QVERIFY(plan.lines == lines);
    QCOMPARE(plan.totalTries(), 4 * 11);
    QCOMPARE(SearchPlan::Make({9600}, {}, 1, 247, 0).totalTries(), 0);
}

void TestSearchPlan::timeLeft_data() {
    QTest::addColumn<int>("done");
    QTest::addColumn<qint64>("leftMs");

    // Ten addresses at 9600 (9.167 + 50 ms a try), then ten at 19200
    // (4.584 + 50 ms a try).
    QTest::newRow("none done") << 0 << qint64(1138);
    QTest::newRow("half the first line") << 5 << qint64(842);
    QTest::newRow("first line done") << 10 << qint64(546);
    QTest::newRow("last try left") << 19 << qint64(55);
    QTest::newRow("all done") << 20 << qint64(0);
    QTest::newRow("beyond the end") << 25 << qint64(0);
}

void TestSearchPlan::timeLeft() {
    QFETCH(int, done);
    QFETCH(qint64, leftMs);
    const SearchPlan plan = SearchPlan::Make({9600, 19200}, {'N'}, 1, 10, 50);
    QCOMPARE(plan.timeLeftMs(done), leftMs);
    QCOMPARE(plan.lineLimitUs(0), qint64(10 * (9167 + 50000)));
}

void TestSearchPlan::durationText_data() {
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << qint64(0) << QStringLiteral("不到 1 秒");
    QTest::newRow("999 ms") << qint64(999) << QStringLiteral("不到 1 秒");
    QTest::newRow("1001 ms rounds up") << qint64(1001) << QStringLiteral("2 秒");
    QTest::newRow("59 s") << qint64(59000) << QStringLiteral("59 秒");
    QTest::newRow("one sweep at 9600") << qint64(14400) << QStringLiteral("15 秒");
    QTest::newRow("2 min 5 s") << qint64(125000) << QStringLiteral("2 分 05 秒");
    QTest::newRow("1 h 5 min") << qint64(3900000) << QStringLiteral("1 小时 05 分");
}

void TestSearchPlan::durationText() {
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(DurationText(ms), text);
}

QTEST_GUILESS_MAIN(TestSearchPlan)
#include "tst_searchplan.moc"
