// SPDX-License-Identifier: GPL-3.0-or-later
// Fault injection, line timing and the command line of the simulator.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "link/answer.h"
#include "sim/faults.h"
#include "sim/options.h"
#include "simtesthelpers.h"

using namespace mt;
using namespace mt::simtest;

namespace {

// A 21-byte answer (8 registers) with a correct CRC.
std::vector<std::uint8_t> Answer() {
    std::vector<std::uint8_t> a{0x01, 0x04, 0x10};
    for (int k = 0; k < 16; ++k) {
        a.push_back(static_cast<std::uint8_t>(0x30 + k));
    }
    return WithCrc(a);
}

std::vector<std::uint8_t> Joined(const std::vector<TimedChunk>& chunks, bool noise) {
    std::vector<std::uint8_t> all;
    for (const TimedChunk& c : chunks) {
        if (c.noise == noise) {
            all.insert(all.end(), c.bytes.begin(), c.bytes.end());
        }
    }
    return all;
}

OptionsResult Parse(const QStringList& args) {
    std::vector<std::string> owned;
    for (const QString& a : args) {
        owned.push_back(a.toStdString());
    }
    std::vector<std::string_view> views(owned.begin(), owned.end());
    return ParseOptions(views);
}

}  // namespace

class TestSimFaults : public QObject {
    Q_OBJECT
private slots:
    // Several meters on one line: a second --meter starts the next, and the
    // meter options after it are its own; line options stay the line's.
    // Expected: "kind@address/turnaround" per meter, or the start of the error.
    void severalMeters_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("meters");
        QTest::addColumn<QString>("error");
        QTest::newRow("one meter, as always")
            << QStringList{"--address", "5", "--meter", "rail", "--turnaround", "20"} << "rail@5/20"
            << "";
        QTest::newRow("three meters")
            << QStringList{"--baud",  "19200", "--meter",   "panel", "--address",    "1",
                           "--meter", "rail",  "--address", "7",     "--turnaround", "300",
                           "--meter", "rail",  "--address", "9",     "--fault-drop", "1"}
            << "panel@1/0 rail@7/300 rail@9/0"
            << "";
        QTest::newRow("faults are per meter")
            << QStringList{"--meter", "panel", "--fault-crc", "0.5",
                           "--meter", "rail",  "--address",   "2"}
            << "panel@1/0 rail@2/0"
            << "";
        QTest::newRow("two meters at one address")
            << QStringList{"--meter", "panel", "--meter", "rail"} << ""
            << "two meters at address 1";
        QTest::newRow("missing list file") << QStringList{"--meters", "/nonexistent/list"} << ""
                                           << "cannot read the meter list";
    }
    void severalMeters() {
        QFETCH(QStringList, args);
        QFETCH(QString, meters);
        QFETCH(QString, error);
        const OptionsResult result = Parse(args);
        QVERIFY2(QString::fromStdString(result.error).startsWith(error), result.error.c_str());
        if (!error.isEmpty()) {
            return;
        }
        QStringList got;
        for (const SimMeter& m : result.options.meters) {
            got << QStringLiteral("%1@%2/%3")
                       .arg(m.meter == MeterKind::PanelMount ? "panel" : "rail")
                       .arg(m.address)
                       .arg(m.turnaroundMs);
        }
        QCOMPARE(got.join(QLatin1Char(' ')), meters);
        QCOMPARE(result.options.meters.front().faults.crcRate, args.contains("0.5") ? 0.5 : 0.0);
    }

    // A list file: one meter per line, comments and blank lines skipped,
    // and a line option in it is refused with its line number.
    void meterListFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("meters");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "# switchboard A\n--meter panel --address 1\n\n--meter rail --address 7 "
            "--turnaround 300  # slow\n--meter=rail --address=9 --fault-drop=1\n");
        file.close();
        const OptionsResult good = Parse({"--baud", "9600", "--meters", path});
        QVERIFY2(good.ok(), good.error.c_str());
        QCOMPARE(good.options.meters.size(), std::size_t{3});
        QCOMPARE(good.options.meters[1].turnaroundMs, std::int64_t{300});
        QCOMPARE(good.options.meters[2].faults.dropRate, 1.0);

        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("--meter panel --address 1\n--meter rail --baud 19200\n");
        file.close();
        const OptionsResult bad = Parse({"--meters", path});
        QVERIFY(QString::fromStdString(bad.error).endsWith(":2: --baud is not a meter option"));
    }
    void lineTiming_data();
    void lineTiming();
    void ratesPickTheirShare_data();
    void ratesPickTheirShare();
    void decisionsRepeatWithTheSeed();
    void pacedAnswerFollowsTheByteTime_data();
    void pacedAnswerFollowsTheByteTime();
    void unpacedAnswerGoesAtOnce();
    void eachFault_data();
    void eachFault();
    void faultsCombine();
    void exceptionAnswerStaysAnException();
    void turnaroundDelaysTheWholeAnswer_data();
    void turnaroundDelaysTheWholeAnswer();
    void options_data();
    void options();
    void badOptions_data();
    void badOptions();
    void usageNamesEveryOption();
    void networkOptions_data();
    void networkOptions();
};

void TestSimFaults::lineTiming_data() {
    QTest::addColumn<uint>("baud");
    QTest::addColumn<qint64>("characterUs");
    QTest::addColumn<qint64>("silenceUs");
    // 11 bits a character; 3.5 characters of silence, 1.75 ms above 19200 baud.
    QTest::newRow("1200") << 1200U << qint64(9167) << qint64(32083);
    QTest::newRow("9600") << 9600U << qint64(1146) << qint64(4010);
    QTest::newRow("19200") << 19200U << qint64(573) << qint64(2005);
    QTest::newRow("38400") << 38400U << qint64(286) << qint64(1750);
    QTest::newRow("115200") << 115200U << qint64(95) << qint64(1750);
    QTest::newRow("4000000") << 4000000U << qint64(3) << qint64(1750);
}

void TestSimFaults::lineTiming() {
    QFETCH(uint, baud);
    QFETCH(qint64, characterUs);
    QFETCH(qint64, silenceUs);
    const LineTiming timing(baud);
    QCOMPARE(timing.CharacterUs(), characterUs);
    QCOMPARE(timing.SilenceUs(), silenceUs);
}

void TestSimFaults::ratesPickTheirShare_data() {
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("never") << 0.0 << 0 << 0;
    QTest::newRow("always") << 1.0 << 2000 << 2000;
    QTest::newRow("a quarter") << 0.25 << 400 << 600;
    QTest::newRow("rarely") << 0.01 << 5 << 40;
}

void TestSimFaults::ratesPickTheirShare() {
    QFETCH(double, rate);
    QFETCH(int, low);
    QFETCH(int, high);
    FaultOptions o;
    o.crcRate = o.dropRate = o.splitRate = o.lateRate = rate;
    o.exceptionRate = o.garbageRate = o.noiseRate = rate;
    const FaultPlan plan(o, 12345);
    int counts[7] = {};
    int same = 0;
    for (std::uint64_t n = 0; n < 2000; ++n) {
        const FaultDecision d = plan.Decide(n);
        const bool each[7] = {d.drop,      d.corruptCrc, d.split, d.late,
                              d.exception, d.garbage,    d.noise};
        for (int k = 0; k < 7; ++k) {
            counts[k] += each[k] ? 1 : 0;
        }
        same += d.drop == d.noise ? 1 : 0;
    }
    for (const int c : counts) {
        QVERIFY2(c >= low && c <= high, qPrintable(QString::number(c)));
    }
    if (rate > 0 && rate < 1) {
        QVERIFY(same < 2000);  // the kinds are decided independently
    }
}

void TestSimFaults::decisionsRepeatWithTheSeed() {
    FaultOptions o;
    o.dropRate = 0.5;
    const FaultPlan a(o, 1);
    const FaultPlan b(o, 1);
    const FaultPlan c(o, 2);
    int differ = 0;
    for (std::uint64_t n = 0; n < 200; ++n) {
        QCOMPARE(a.Decide(n).drop, b.Decide(n).drop);
        differ += a.Decide(n).drop != c.Decide(n).drop ? 1 : 0;
    }
    QVERIFY(differ > 50);
}

void TestSimFaults::pacedAnswerFollowsTheByteTime_data() {
    QTest::addColumn<int>("pieceBytes");
    QTest::addColumn<QList<int>>("pieces");  // sizes of the pieces in order
    // The 21-byte answer at 9600 baud: 1146 us a byte; a piece is handed over
    // once its last byte is in.
    QTest::newRow("byte by byte") << 1 << QList<int>(21, 1);
    QTest::newRow("FIFO of 16") << 16 << QList<int>{16, 5};
    QTest::newRow("pieces of 7") << 7 << QList<int>{7, 7, 7};
    QTest::newRow("whole answer") << 256 << QList<int>{21};
}

void TestSimFaults::pacedAnswerFollowsTheByteTime() {
    QFETCH(int, pieceBytes);
    QFETCH(QList<int>, pieces);
    const FaultPlan plan({}, 1);
    const auto answer = Answer();
    const auto chunks =
        plan.Transmission(answer, 0, LineTiming(9600), Pacing{true, std::size_t(pieceBytes)});
    QCOMPARE(chunks.size(), std::size_t(pieces.size()));
    std::size_t arrived = 0;
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        QCOMPARE(int(chunks[k].bytes.size()), pieces[k]);
        QVERIFY(std::equal(chunks[k].bytes.begin(), chunks[k].bytes.end(),
                           answer.begin() + std::ptrdiff_t(arrived)));
        arrived += chunks[k].bytes.size();
        QCOMPARE(chunks[k].atUs, std::int64_t(1146 * arrived));
        QVERIFY(!chunks[k].noise);
    }
}

void TestSimFaults::unpacedAnswerGoesAtOnce() {
    const FaultPlan plan({}, 1);
    const auto chunks = plan.Transmission(Answer(), 0, LineTiming(9600), Pacing{false, 16});
    QCOMPARE(chunks.size(), std::size_t{1});
    QCOMPARE(chunks[0].atUs, 0);
    QCOMPARE(chunks[0].bytes, Answer());
}

// Each fault alone, at rate 1, unpaced so the pieces are easy to see.
void TestSimFaults::eachFault_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("crc") << "crc";
    QTest::newRow("drop") << "drop";
    QTest::newRow("split") << "split";
    QTest::newRow("late") << "late";
    QTest::newRow("exception") << "exception";
    QTest::newRow("garbage") << "garbage";
    QTest::newRow("noise") << "noise";
}

void TestSimFaults::eachFault() {
    QFETCH(QString, fault);
    FaultOptions o;
    o.splitGapMs = 150;
    o.lateMs = 700;
    o.exceptionCode = 6;
    o.garbageBytes = 3;
    o.noiseBytes = 9;
    o.noiseGapMs = 25;
    if (fault == "crc")
        o.crcRate = 1;
    if (fault == "drop")
        o.dropRate = 1;
    if (fault == "split")
        o.splitRate = 1;
    if (fault == "late")
        o.lateRate = 1;
    if (fault == "exception")
        o.exceptionRate = 1;
    if (fault == "garbage")
        o.garbageRate = 1;
    if (fault == "noise")
        o.noiseRate = 1;
    const FaultPlan plan(o, 77);
    const auto answer = Answer();

    for (std::uint64_t n = 0; n < 20; ++n) {
        const auto chunks = plan.Transmission(answer, n, LineTiming(9600), Pacing{false, 16});
        const auto sent = Joined(chunks, false);
        if (fault == "drop") {
            QVERIFY(chunks.empty());
            continue;
        }
        if (fault == "crc") {
            QCOMPARE(sent.size(), answer.size());
            QVERIFY(std::equal(answer.begin(), answer.end() - 2, sent.begin()));
            QVERIFY(!AcceptAnswer(sent, 8));
        } else if (fault == "split") {
            QCOMPARE(chunks.size(), std::size_t{2});
            QVERIFY(!chunks[0].bytes.empty() && !chunks[1].bytes.empty());
            QCOMPARE(chunks[0].atUs, 0);
            QCOMPARE(chunks[1].atUs, 150000);
            QCOMPARE(sent, answer);
        } else if (fault == "late") {
            QCOMPARE(chunks.size(), std::size_t{1});
            QCOMPARE(chunks[0].atUs, 700000);
            QCOMPARE(sent, answer);
        } else if (fault == "exception") {
            QCOMPARE(Hex(sent), Hex(Bytes("018406C302")));
        } else if (fault == "garbage") {
            QCOMPARE(sent.size(), answer.size() + 3);
            QCOMPARE(std::vector<std::uint8_t>(sent.begin() + 3, sent.end()), answer);
        } else if (fault == "noise") {
            QCOMPARE(chunks.size(), std::size_t{2});
            QCOMPARE(sent, answer);
            QVERIFY(chunks[1].noise);
            QCOMPARE(chunks[1].bytes.size(), std::size_t{9});
            QCOMPARE(chunks[1].atUs, 25000);
        }
    }
}

void TestSimFaults::faultsCombine() {
    FaultOptions o;
    o.garbageRate = o.crcRate = o.splitRate = o.lateRate = o.noiseRate = 1;
    o.garbageBytes = 2;
    o.lateMs = 300;
    o.splitGapMs = 50;
    o.noiseGapMs = 10;
    o.noiseBytes = 4;
    const FaultPlan plan(o, 5);
    const auto answer = Answer();
    const LineTiming timing(19200);  // 573 us a byte
    const auto chunks = plan.Transmission(answer, 3, timing, Pacing{true, 1});
    const auto sent = Joined(chunks, false);
    QCOMPARE(sent.size(), answer.size() + 2);
    QVERIFY(std::equal(answer.begin(), answer.end() - 1, sent.begin() + 2));
    QVERIFY(sent.back() != answer.back());
    QCOMPARE(chunks.front().atUs, 300000 + 573);  // late, then the first byte's time
    // Paced: one byte a chunk; exactly one gap of 50 ms on top of the byte time
    // inside the answer, and the noise 10 ms after the answer's last byte.
    int gaps = 0;
    for (std::size_t k = 1; k < chunks.size(); ++k) {
        const std::int64_t step = chunks[k].atUs - chunks[k - 1].atUs;
        if (chunks[k].noise && !chunks[k - 1].noise) {
            QCOMPARE(step, 573 + 10000);
        } else if (step != 573) {
            QCOMPARE(step, 573 + 50000);
            ++gaps;
        }
    }
    QCOMPARE(gaps, 1);
    QCOMPARE(Joined(chunks, true).size(), std::size_t{4});
}

void TestSimFaults::exceptionAnswerStaysAnException() {
    FaultOptions o;
    o.exceptionRate = 1;
    o.exceptionCode = 4;
    const FaultPlan plan(o, 1);
    const auto illegal = Bytes("018402C2C1");
    const auto chunks = plan.Transmission(illegal, 0, LineTiming(9600), Pacing{false, 16});
    QCOMPARE(Joined(chunks, false), illegal);
}

// The turnaround shifts everything sent for an answer (pieces, split,
// noise, a late start) by the same time, MS give or take 20 %; 0 leaves the
// schedule exactly as it was.
void TestSimFaults::turnaroundDelaysTheWholeAnswer_data() {
    QTest::addColumn<qint64>("turnaroundMs");
    QTest::addColumn<bool>("paced");
    QTest::addColumn<bool>("faults");
    QTest::newRow("none") << qint64(0) << true << false;
    QTest::newRow("none, with faults") << qint64(0) << true << true;
    QTest::newRow("quick meter") << qint64(5) << true << false;
    QTest::newRow("slow meter") << qint64(100) << true << false;
    QTest::newRow("unpaced") << qint64(40) << false << false;
    QTest::newRow("with every timing fault") << qint64(40) << true << true;
}

void TestSimFaults::turnaroundDelaysTheWholeAnswer() {
    QFETCH(qint64, turnaroundMs);
    QFETCH(bool, paced);
    QFETCH(bool, faults);
    FaultOptions o;
    if (faults) {
        o.splitRate = o.lateRate = o.noiseRate = o.garbageRate = 0.5;
    }
    const FaultPlan plan(o, 31);
    const Pacing plain{paced, 4};
    Pacing thinking = plain;
    thinking.turnaroundMs = turnaroundMs;
    const LineTiming timing(9600);
    const std::int64_t lowUs = turnaroundMs * 800;
    const std::int64_t highUs = turnaroundMs * 1200;
    std::int64_t shortestUs = highUs;
    std::int64_t longestUs = lowUs;
    for (std::uint64_t n = 0; n < 200; ++n) {
        const auto before = plan.Transmission(Answer(), n, timing, plain);
        const auto after = plan.Transmission(Answer(), n, timing, thinking);
        QCOMPARE(after.size(), before.size());
        const std::int64_t shiftUs = plan.TurnaroundUs(n, thinking);
        QVERIFY2(shiftUs >= lowUs && shiftUs <= highUs, qPrintable(QString::number(shiftUs)));
        for (std::size_t k = 0; k < after.size(); ++k) {
            QCOMPARE(after[k].atUs, before[k].atUs + shiftUs);
            QCOMPARE(after[k].bytes, before[k].bytes);
            QCOMPARE(after[k].noise, before[k].noise);
        }
        shortestUs = std::min(shortestUs, shiftUs);
        longestUs = std::max(longestUs, shiftUs);
    }
    // It varies from answer to answer, over most of the range.
    QVERIFY(longestUs - shortestUs >= (highUs - lowUs) * 3 / 4);
    // The same seed and answer give the same turnaround.
    QCOMPARE(FaultPlan(o, 31).TurnaroundUs(7, thinking), plan.TurnaroundUs(7, thinking));
}

void TestSimFaults::options_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");

    QTest::newRow("defaults") << QStringList{} << "summary"
                              << "panel 1 9600 pace nocom";
    QTest::newRow("rail meter") << QStringList{"--meter", "rail"} << "meter"
                                << "rail";
    QTest::newRow("value after =") << QStringList{"--meter=rail"} << "meter"
                                   << "rail";
    QTest::newRow("address 247") << QStringList{"--address", "247"} << "address"
                                 << "247";
    QTest::newRow("baud") << QStringList{"--baud=19200"} << "baud"
                          << "19200";
    QTest::newRow("default pacing") << QStringList{} << "pace"
                                    << "1 16";
    QTest::newRow("no pacing") << QStringList{"--no-pace"} << "pace"
                               << "0 16";
    QTest::newRow("byte by byte") << QStringList{"--piece-bytes", "1"} << "pace"
                                  << "1 1";
    QTest::newRow("line defaults") << QStringList{} << "line"
                                   << "N check";
    QTest::newRow("even parity") << QStringList{"--parity", "E"} << "line"
                                 << "E check";
    QTest::newRow("odd parity, line settings ignored")
        << QStringList{"--parity=o", "--ignore-line-settings"} << "line"
        << "O ignore";
    QTest::newRow("no turnaround") << QStringList{} << "turnaround"
                                   << "0";
    QTest::newRow("turnaround") << QStringList{"--turnaround", "35"} << "turnaround"
                                << "35";
    QTest::newRow("seed") << QStringList{"--seed", "18446744073709551615"} << "seed"
                          << "18446744073709551615";
    QTest::newRow("com") << QStringList{"--com", "2"} << "com"
                         << "2";
    QTest::newRow("replace link") << QStringList{"--replace-link"} << "replace"
                                  << "1";
    QTest::newRow("logs") << QStringList{"--log", "/tmp/a", "--answer-log=/tmp/b"} << "logs"
                          << "/tmp/a /tmp/b";
    QTest::newRow("start time") << QStringList{"--start-time", "2024-02-29 23:59:58"} << "start"
                                << "2024-2-29 23:59:58";
    QTest::newRow("start time with T") << QStringList{"--start-time=2030-12-01T00:00:00"} << "start"
                                       << "2030-12-1 0:0:0";
    QTest::newRow("dump") << QStringList{"--dump-values", "60000"} << "dump"
                          << "60000";
    QTest::newRow("fault rates")
        << QStringList{"--fault-crc",   "0.5", "--fault-drop",      "1", "--fault-split",   "0.25",
                       "--fault-late",  "0.1", "--fault-exception", "0", "--fault-garbage", "1e-1",
                       "--fault-noise", ".3"}
        << "rates"
        << "0.5 1 0.25 0.1 0 0.1 0.3";
    QTest::newRow("fault values")
        << QStringList{"--split-gap",     "7", "--late",        "800", "--exception-code", "0x06",
                       "--garbage-bytes", "5", "--noise-bytes", "32",  "--noise-gap",      "0",
                       "--vanish-after",  "3"}
        << "values"
        << "7 800 6 5 32 0 3";
    QTest::newRow("help") << QStringList{"--help"} << "help"
                          << "1";
    QTest::newRow("source") << QStringList{"--source", "U=230 I=5 PF=0.5L F=60"} << "source"
                            << "U=230 I=5 PF=0.5L F=60 ";
    QTest::newRow("source, keys in any case and order")
        << QStringList{"--source=pf=0.8c,i=1.5"} << "source"
        << "U=230 I=1.5 PF=0.8C F=50 ";
    QTest::newRow("source file") << QStringList{"--source-file", "/tmp/s"} << "source"
                                 << "U=230 I=0 PF=1 F=50 /tmp/s";
    QTest::newRow("meter error") << QStringList{"--source",
                                                "I=5",
                                                "--error",
                                                "U=0.1,I=-0.3:0.002,P=1.5,Q=-2,F=0.01,PF=-0.004",
                                                "--creep",
                                                "12"}
                                 << "error"
                                 << "0.1 -0.3 0.002 1.5 -2 0.01 -0.004 12";
    QTest::newRow("errors are each meter's own")
        << QStringList{"--source", "I=1",     "--meter", "panel",     "--error",
                       "P=2",      "--meter", "rail",    "--address", "2"}
        << "meter errors"
        << "2 0";
    QTest::newRow("last one wins") << QStringList{"--address", "5", "--address", "6"} << "address"
                                   << "6";
}

void TestSimFaults::options() {
    QFETCH(QStringList, args);
    QFETCH(QString, field);
    QFETCH(QString, value);
    const OptionsResult r = Parse(args);
    QVERIFY2(r.ok(), r.error.c_str());
    const SimOptions& o = r.options;
    const FaultOptions& f = o.faults;
    QString got;
    if (field == "summary") {
        got = QString("%1 %2 %3 %4 %5")
                  .arg(o.meter == MeterKind::PanelMount ? "panel" : "rail")
                  .arg(o.address)
                  .arg(o.baud)
                  .arg(o.pacing.paced ? "pace" : "nopace")
                  .arg(o.com ? "com" : "nocom");
        QVERIFY(!o.seed && !o.startTime && !o.dumpValuesMs && !f.vanishAfter && !o.replaceLink);
        QCOMPARE(f.crcRate + f.dropRate + f.splitRate + f.lateRate + f.exceptionRate +
                     f.garbageRate + f.noiseRate,
                 0.0);
    } else if (field == "meter") {
        got = o.meter == MeterKind::PanelMount ? "panel" : "rail";
    } else if (field == "address") {
        got = QString::number(o.address);
    } else if (field == "baud") {
        got = QString::number(o.baud);
    } else if (field == "pace") {
        got = QString("%1 %2").arg(o.pacing.paced).arg(o.pacing.pieceBytes);
    } else if (field == "line") {
        const char letter = o.parity == Parity::Even ? 'E' : o.parity == Parity::Odd ? 'O' : 'N';
        got = QString("%1 %2").arg(letter).arg(o.ignoreLineSettings ? "ignore" : "check");
    } else if (field == "turnaround") {
        got = QString::number(o.pacing.turnaroundMs);
    } else if (field == "seed") {
        got = QString::number(o.seed.value_or(0));
    } else if (field == "com") {
        got = QString::number(o.com.value_or(0));
    } else if (field == "replace") {
        got = QString::number(o.replaceLink);
    } else if (field == "logs") {
        got = QString::fromStdString(o.logFile + " " + o.answerLogFile);
    } else if (field == "start") {
        const CalendarTime t = o.startTime.value_or(CalendarTime{});
        got = QString("%1-%2-%3 %4:%5:%6")
                  .arg(t.year)
                  .arg(t.month)
                  .arg(t.day)
                  .arg(t.hour)
                  .arg(t.minute)
                  .arg(t.second);
    } else if (field == "dump") {
        got = QString::number(o.dumpValuesMs.value_or(-1));
    } else if (field == "rates") {
        got = QString("%1 %2 %3 %4 %5 %6 %7")
                  .arg(f.crcRate)
                  .arg(f.dropRate)
                  .arg(f.splitRate)
                  .arg(f.lateRate)
                  .arg(f.exceptionRate)
                  .arg(f.garbageRate)
                  .arg(f.noiseRate);
    } else if (field == "values") {
        got = QString("%1 %2 %3 %4 %5 %6 %7")
                  .arg(f.splitGapMs)
                  .arg(f.lateMs)
                  .arg(f.exceptionCode)
                  .arg(f.garbageBytes)
                  .arg(f.noiseBytes)
                  .arg(f.noiseGapMs)
                  .arg(f.vanishAfter.value_or(0));
    } else if (field == "help") {
        got = QString::number(o.help);
    } else if (field == "source") {
        got = QString::fromStdString(SourcePointText(o.source.value_or(SourcePoint{}))) + " " +
              QString::fromStdString(o.sourceFile);
    } else if (field == "error") {
        const MeterError& e = o.meters.front().error;
        got = QString("%1 %2 %3 %4 %5 %6 %7 %8")
                  .arg(e.u)
                  .arg(e.i)
                  .arg(e.iOffset)
                  .arg(e.p)
                  .arg(e.q)
                  .arg(e.f)
                  .arg(e.pf)
                  .arg(e.creepWatts);
    } else if (field == "meter errors") {
        got = QString("%1 %2").arg(o.meters.at(0).error.p).arg(o.meters.at(1).error.p);
    }
    QCOMPARE(got, value);
}

// The gateway's options, read into what ServeTcp uses; "error" when refused.
void TestSimFaults::networkOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");  // host:port framing delay drop split close timeout
                                            // (no host: every address)
    QTest::newRow("port only") << QStringList{"--tcp", "1502"} << ":1502 rtu 0 0 0 - 500";
    QTest::newRow("host and any port")
        << QStringList{"--tcp", "127.0.0.1:0"} << "127.0.0.1:0 rtu 0 0 0 - 500";
    QTest::newRow("Modbus TCP with faults") << QStringList{"--tcp",
                                                           "502",
                                                           "--framing",
                                                           "mbap",
                                                           "--net-delay",
                                                           "30",
                                                           "--net-drop",
                                                           "0.25",
                                                           "--net-split",
                                                           "1",
                                                           "--net-close-after",
                                                           "7",
                                                           "--gateway-timeout",
                                                           "120"}
                                            << ":502 mbap 30 0.25 1 7 120";
    QTest::newRow("port 65536") << QStringList{"--tcp", "65536"} << "error";
    QTest::newRow("port text") << QStringList{"--tcp", "gw"} << "error";
    QTest::newRow("empty host is every address")
        << QStringList{"--tcp", ":502"} << ":502 rtu 0 0 0 - 500";
    QTest::newRow("framing") << QStringList{"--tcp", "502", "--framing", "ascii"} << "error";
    QTest::newRow("drop above 1") << QStringList{"--tcp", "502", "--net-drop", "1.5"} << "error";
    QTest::newRow("negative delay") << QStringList{"--tcp", "502", "--net-delay", "-1"} << "error";
}

void TestSimFaults::networkOptions() {
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const OptionsResult parsed = Parse(args);
    if (expected == QLatin1String("error")) {
        QVERIFY(!parsed.ok());
        return;
    }
    QVERIFY2(parsed.ok(), parsed.error.c_str());
    const SimOptions& o = parsed.options;
    QVERIFY(o.tcpPort.has_value());
    const QString shown =
        QStringLiteral("%1:%2 %3 %4 %5 %6 %7 %8")
            .arg(QString::fromStdString(o.tcpHost.value_or("")))
            .arg(*o.tcpPort)
            .arg(o.framing == NetFraming::Mbap ? "mbap" : "rtu")
            .arg(o.net.delayMs)
            .arg(o.net.dropRate)
            .arg(o.net.splitRate)
            .arg(o.net.closeAfter ? QString::number(*o.net.closeAfter) : QStringLiteral("-"))
            .arg(o.net.gatewayTimeoutMs);
    QCOMPARE(shown, expected);
}

void TestSimFaults::badOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown option") << QStringList{"--colour"};
    QTest::newRow("bare word") << QStringList{"panel"};
    QTest::newRow("missing value") << QStringList{"--address"};
    QTest::newRow("empty value") << QStringList{"--address="};
    QTest::newRow("unknown meter") << QStringList{"--meter", "wall"};
    QTest::newRow("address 0 (broadcast)") << QStringList{"--address", "0"};
    QTest::newRow("address 248") << QStringList{"--address", "248"};
    QTest::newRow("address with junk") << QStringList{"--address", "1x"};
    QTest::newRow("negative address") << QStringList{"--address", "-1"};
    QTest::newRow("baud 0") << QStringList{"--baud", "0"};
    QTest::newRow("baud huge") << QStringList{"--baud", "99999999999"};
    QTest::newRow("parity spelt out") << QStringList{"--parity", "even"};
    QTest::newRow("mark parity") << QStringList{"--parity", "M"};
    QTest::newRow("com 0") << QStringList{"--com", "0"};
    QTest::newRow("com 256") << QStringList{"--com", "256"};
    QTest::newRow("seed too big") << QStringList{"--seed", "18446744073709551616"};
    QTest::newRow("rate above 1") << QStringList{"--fault-crc", "1.5"};
    QTest::newRow("negative rate") << QStringList{"--fault-drop", "-0.1"};
    QTest::newRow("rate not a number") << QStringList{"--fault-split", "nan"};
    QTest::newRow("rate infinite") << QStringList{"--fault-late", "inf"};
    QTest::newRow("rate percent") << QStringList{"--fault-noise", "30%"};
    QTest::newRow("late too long") << QStringList{"--late", "600001"};
    QTest::newRow("negative gap") << QStringList{"--split-gap", "-5"};
    QTest::newRow("exception code 0") << QStringList{"--exception-code", "0"};
    QTest::newRow("exception code 256") << QStringList{"--exception-code", "0x100"};
    QTest::newRow("no garbage bytes") << QStringList{"--garbage-bytes", "0"};
    QTest::newRow("pieces of 0 bytes") << QStringList{"--piece-bytes", "0"};
    QTest::newRow("pieces beyond a frame") << QStringList{"--piece-bytes", "257"};
    QTest::newRow("negative turnaround") << QStringList{"--turnaround", "-1"};
    QTest::newRow("turnaround too long") << QStringList{"--turnaround", "600001"};
    QTest::newRow("vanish negative") << QStringList{"--vanish-after", "-1"};
    QTest::newRow("day 30 of February") << QStringList{"--start-time", "2023-02-29 00:00:00"};
    QTest::newRow("hour 24") << QStringList{"--start-time", "2024-01-01 24:00:00"};
    QTest::newRow("year before 2000") << QStringList{"--start-time", "1999-12-31 23:59:59"};
    QTest::newRow("year after 2255") << QStringList{"--start-time", "2256-01-01 00:00:00"};
    QTest::newRow("date only") << QStringList{"--start-time", "2024-01-01"};
    QTest::newRow("dump negative") << QStringList{"--dump-values", "-1"};
    QTest::newRow("dump beyond a year") << QStringList{"--dump-values", "31622400001"};
    QTest::newRow("error without a source") << QStringList{"--error", "P=1"};
    QTest::newRow("creep without a source") << QStringList{"--creep", "5"};
    QTest::newRow("error of no quantity") << QStringList{"--source", "I=1", "--error", "X=1"};
    QTest::newRow("error without value") << QStringList{"--source", "I=1", "--error", "P"};
    QTest::newRow("gain error beyond 50 %") << QStringList{"--source", "I=1", "--error", "P=60"};
    QTest::newRow("offset on the power factor")
        << QStringList{"--source", "I=1", "--error", "PF=0.1:2"};
    QTest::newRow("negative creep") << QStringList{"--source", "I=1", "--creep", "-1"};
    QTest::newRow("negative current") << QStringList{"--source", "U=230 I=-1"};
    QTest::newRow("power factor above 1") << QStringList{"--source", "PF=1.2L"};
    QTest::newRow("power factor with a wrong letter") << QStringList{"--source", "PF=0.5X"};
    QTest::newRow("source key without value") << QStringList{"--source", "U"};
    QTest::newRow("source frequency 0") << QStringList{"--source", "F=0"};
}

void TestSimFaults::badOptions() {
    QFETCH(QStringList, args);
    const OptionsResult r = Parse(args);
    QVERIFY(!r.ok());
    QVERIFY(!r.error.empty());
}

void TestSimFaults::usageNamesEveryOption() {
    const QString usage = QString::fromStdString(UsageText());
    for (const char* option : {"--meter",
                               "--address",
                               "--baud",
                               "--parity",
                               "--ignore-line-settings",
                               "--no-pace",
                               "--piece-bytes",
                               "--turnaround",
                               "--seed",
                               "--start-time",
                               "--com",
                               "--replace-link",
                               "--log",
                               "--answer-log",
                               "--dump-values",
                               "--fault-crc",
                               "--fault-drop",
                               "--fault-split",
                               "--split-gap",
                               "--fault-late",
                               "--late",
                               "--fault-exception",
                               "--exception-code",
                               "--fault-garbage",
                               "--garbage-bytes",
                               "--fault-noise",
                               "--noise-bytes",
                               "--noise-gap",
                               "--vanish-after",
                               "--help"}) {
        QVERIFY2(usage.contains(QLatin1String(option)), option);
        QVERIFY2(Parse({option}).error.find("unknown") == std::string::npos, option);
    }
}

QTEST_APPLESS_MAIN(TestSimFaults)
#include "tst_simfaults.moc"
