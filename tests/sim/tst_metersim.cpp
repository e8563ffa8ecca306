// SPDX-License-Identifier: GPL-3.0-or-later
// The metersim program itself: started as a process, reached through its comN
// link with plain POSIX calls, the way metertest reaches it.

#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "link/answer.h"
#include "link/values.h"
#include "simtesthelpers.h"

using namespace mt;
using namespace mt::simtest;

namespace {

// Generous: only a broken simulator takes this long.
constexpr int kPatienceMs = 5000;

// One simulator with its own runtime folder, so the test never meets the
// links of a simulator the user runs.
class Sim {
public:
    Sim() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        process_.setProcessEnvironment(env);
    }
    ~Sim() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(kPatienceMs);
        }
    }

    QString Runtime() const { return runtime_.path(); }
    QString Folder() const { return runtime_.path() + "/metertest/ports"; }
    QString Link(int com) const { return Folder() + "/com" + QString::number(com); }
    QString File(const QString& name) const { return runtime_.filePath(name); }
    QProcess& Process() { return process_; }

    void Launch(const QStringList& args) { process_.start(QStringLiteral(METERSIM_PATH), args); }

    // Starts the simulator on comN and waits until its link is there.
    bool Start(int com, const QStringList& args) {
        Launch(args + QStringList{"--com", QString::number(com)});
        if (!process_.waitForStarted(kPatienceMs)) {
            return false;
        }
        if (!process_.waitForReadyRead(kPatienceMs)) {
            return false;
        }
        device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
        return QFileInfo(Link(com)).symLinkTarget() == device_;
    }
    QString Device() const { return device_; }

    // Ends the simulator with SIGTERM; its exit code, or -1.
    int Terminate() {
        process_.terminate();
        return Finish();
    }
    int Finish() {
        if (!process_.waitForFinished(kPatienceMs) ||
            process_.exitStatus() != QProcess::NormalExit) {
            return -1;
        }
        return process_.exitCode();
    }

private:
    QTemporaryDir runtime_;
    QProcess process_;
    QString device_;
};

// The port, opened through the link, raw. Given a `speed` (a B constant), it
// sets that and `parityFlags` as a program that sets its line does; without
// one it keeps whatever the line is set to.
class Port {
public:
    explicit Port(const QString& path, speed_t speed = 0, tcflag_t parityFlags = 0) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0) {
            termios raw{};
            ::tcgetattr(fd_, &raw);
            ::cfmakeraw(&raw);
            if (speed != 0) {
                ::cfsetspeed(&raw, speed);
                raw.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
                raw.c_cflag |= parityFlags;
            }
            ::tcsetattr(fd_, TCSANOW, &raw);
        }
    }
    ~Port() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool IsOpen() const { return fd_ >= 0; }

    bool Write(const std::vector<std::uint8_t>& bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Reads until `count` bytes are in or `ms` have passed.
    std::vector<std::uint8_t> Read(std::size_t count, int ms = kPatienceMs) {
        std::vector<std::uint8_t> got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            if ((p.revents & POLLIN) == 0) {
                hungUp_ = true;
                break;
            }
            std::uint8_t buffer[512];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) {
                hungUp_ = true;
                break;
            }
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }
    bool HungUp() const { return hungUp_; }

private:
    int fd_ = -1;
    bool hungUp_ = false;
};

QStringList Lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

}  // namespace

class TestMeterSim : public QObject {
    Q_OBJECT
private slots:
    void answersThroughTheComLinkAndLogs();
    void railMeterAnswersItsBlocks();
    void faultOptions_data();
    void faultOptions();
    void answerDelayByTheSimulatorsClock_data();
    void answerDelayByTheSimulatorsClock();
    void lineSettings_data();
    void lineSettings();
    void followsTheLineWhenReopened();
    void deviceVanishes();
    void twoSimulatorsSideBySide();
    void existingLinks_data();
    void existingLinks();
    void commandLine_data();
    void commandLine();
};

void TestMeterSim::answersThroughTheComLinkAndLogs() {
    Sim sim;
    QVERIFY(sim.Start(3, {"--seed", "3", "--baud", "115200", "--log", sim.File("requests.log"),
                          "--answer-log", sim.File("answers.log")}));
    QVERIFY(sim.Device().startsWith("/dev/pts/"));
    Port port(sim.Link(3));
    QVERIFY(port.IsOpen());

    const auto primary = Request(1, 4, 10, 24);
    QVERIFY(port.Write(primary));
    const auto answer = port.Read(53);
    QVERIFY(AcceptAnswer(answer, 24));
    const float uan = RegisterSingle(answer, 3).value_or(0);
    QVERIFY2(uan > 200 && uan < 240, qPrintable(QString::number(uan)));

    const auto coils = Request(1, 1, 0, 4);
    QVERIFY(port.Write(coils));
    const auto coilAnswer = port.Read(6);
    QCOMPARE(coilAnswer.size(), std::size_t{6});
    QVERIFY(AcceptAnswer(coilAnswer, 24));

    // An exception for a register outside the map, silence for another meter.
    QVERIFY(port.Write(Request(1, 4, 60, 2)));
    QCOMPARE(Hex(port.Read(5)), QByteArray("01 84 02 C2 C1"));
    QVERIFY(port.Write(Request(9, 4, 10, 24)));
    QVERIFY(port.Read(1, 300).empty());

    QCOMPARE(sim.Terminate(), 0);
    QVERIFY(!QFileInfo::exists(sim.Link(3)) && !QFileInfo(sim.Link(3)).isSymLink());

    // One line per request: a millisecond time stamp, then the bytes in hex.
    const QStringList requests = Lines(sim.File("requests.log"));
    QCOMPARE(requests.size(), 4);
    const QList<std::vector<std::uint8_t>> sent = {primary, coils, Request(1, 4, 60, 2),
                                                   Request(9, 4, 10, 24)};
    qint64 previous = 0;
    for (int k = 0; k < 4; ++k) {
        const qsizetype space = requests[k].indexOf(' ');
        bool number = false;
        const qint64 ms = requests[k].left(space).toLongLong(&number);
        QVERIFY(number && ms >= previous);
        previous = ms;
        QCOMPARE(requests[k].mid(space + 1).toLatin1(), Hex(sent[k]));
    }
    const QStringList answers = Lines(sim.File("answers.log"));
    QCOMPARE(answers.size(), 3);
    QVERIFY(answers[0].endsWith(QString::fromLatin1(Hex(answer))));
    QVERIFY(answers[1].endsWith(QString::fromLatin1(Hex(coilAnswer))));
}

void TestMeterSim::railMeterAnswersItsBlocks() {
    Sim sim;
    QVERIFY(sim.Start(2, {"--meter", "rail", "--address", "17", "--no-pace"}));
    Port port(sim.Link(2));
    const int blocks[][2] = {{70, 23},   {93, 6},    {1024, 3},  {1040, 4},  {1056, 4}, {8192, 10},
                             {8448, 10}, {8704, 10}, {8960, 10}, {9216, 10}, {9472, 10}};
    for (const auto& [start, count] : blocks) {
        QVERIFY(port.Write(Request(17, 4, start, count)));
        const auto answer = port.Read(std::size_t(2 * count + 5));
        QVERIFY2(AcceptAnswer(answer, static_cast<std::int16_t>(count)),
                 qPrintable(QString::number(start)));
        QCOMPARE(answer[0], 17);
    }
    QVERIFY(port.Write(Request(17, 1, 0, 4)));
    QCOMPARE(Hex(port.Read(5)), Hex(WithCrc({17, 0x81, 0x02})));
    QCOMPARE(sim.Terminate(), 0);
}

// Each fault option at rate 1, seen from the master's side.
void TestMeterSim::faultOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("expectedBytes");  // bytes to wait for
    QTest::addColumn<QString>("check");

    QTest::newRow("no fault") << QStringList{} << 53 << "accepted";
    QTest::newRow("corrupt CRC") << QStringList{"--fault-crc", "1"} << 53 << "bad crc";
    QTest::newRow("no answer") << QStringList{"--fault-drop", "1"} << 0 << "nothing";
    QTest::newRow("split with a gap")
        << QStringList{"--fault-split", "1", "--split-gap", "80"} << 53 << "accepted";
    QTest::newRow("late") << QStringList{"--fault-late", "1", "--late", "250"} << 53 << "accepted";
    QTest::newRow("exception") << QStringList{"--fault-exception", "1", "--exception-code", "6"}
                               << 5 << "exception 6";
    QTest::newRow("garbage before")
        << QStringList{"--fault-garbage", "1", "--garbage-bytes", "3"} << 56 << "garbage 3";
    QTest::newRow("noise after") << QStringList{"--fault-noise", "1", "--noise-bytes", "7"} << 60
                                 << "noise 7";
    QTest::newRow("rate 0 is no fault")
        << QStringList{"--fault-drop", "0", "--fault-crc", "0"} << 53 << "accepted";
}

void TestMeterSim::faultOptions() {
    QFETCH(QStringList, args);
    QFETCH(int, expectedBytes);
    QFETCH(QString, check);

    Sim sim;
    QVERIFY(sim.Start(5, args + QStringList{"--baud", "115200", "--seed", "9"}));
    Port port(sim.Link(5));
    QVERIFY(port.Write(Request(1, 4, 10, 24)));
    const auto got = port.Read(std::size_t(expectedBytes), expectedBytes == 0 ? 400 : kPatienceMs);
    QCOMPARE(int(got.size()), expectedBytes);
    // Nothing more follows.
    QVERIFY(port.Read(1, 150).empty());

    if (check == "accepted") {
        QVERIFY(AcceptAnswer(got, 24));
    } else if (check == "bad crc") {
        QVERIFY(!AcceptAnswer(got, 24));
        QCOMPARE(got[2], 48);
    } else if (check == "exception 6") {
        QCOMPARE(Hex(got), QByteArray("01 84 06 C3 02"));
    } else if (check == "garbage 3") {
        QVERIFY(AcceptAnswer(std::span(got).subspan(3), 24));
    } else if (check == "noise 7") {
        QVERIFY(AcceptAnswer(std::span(got).first(53), 24));
    }
    QCOMPARE(sim.Terminate(), 0);
}

// From the request's first byte to the answer's first piece, by the
// simulator's own logs. Only a lower bound: a busy machine may add to it.
void TestMeterSim::answerDelayByTheSimulatorsClock_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<qint64>("atLeastMs");
    QTest::newRow("late answer") << QStringList{"--fault-late", "1", "--late", "300"}
                                 << qint64(300);
    QTest::newRow("turnaround") << QStringList{"--turnaround", "150"} << qint64(120);
    QTest::newRow("turnaround, unpaced")
        << QStringList{"--turnaround", "150", "--no-pace"} << qint64(120);
    QTest::newRow("turnaround before a late answer")
        << QStringList{"--turnaround", "100", "--fault-late", "1", "--late", "200"} << qint64(280);
}

void TestMeterSim::answerDelayByTheSimulatorsClock() {
    QFETCH(QStringList, args);
    QFETCH(qint64, atLeastMs);
    Sim sim;
    QVERIFY(sim.Start(
        6, args + QStringList{"--log", sim.File("in.log"), "--answer-log", sim.File("out.log")}));
    Port port(sim.Link(6));
    QVERIFY(port.Write(Request(1, 2, 0, 4)));
    QCOMPARE(port.Read(6).size(), std::size_t{6});
    QCOMPARE(sim.Terminate(), 0);
    const QStringList in = Lines(sim.File("in.log"));
    const QStringList out = Lines(sim.File("out.log"));
    QCOMPARE(in.size(), 1);
    QCOMPARE(out.size(), 1);
    const qint64 asked = in[0].section(' ', 0, 0).toLongLong();
    const qint64 answered = out[0].section(' ', 0, 0).toLongLong();
    QVERIFY2(answered - asked >= atLeastMs, qPrintable(QString::number(answered - asked)));
}

// A program whose baud rate or parity differs from the meter's gets no
// answer (at most bytes that fail as one), as from a real meter.
void TestMeterSim::lineSettings_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<uint>("speed");  // B constant; 0 leaves the line as it is
    QTest::addColumn<uint>("parityFlags");
    QTest::addColumn<bool>("answered");

    const uint odd = PARENB | PARODD;
    QTest::newRow("meter's baud") << QStringList{"--baud", "19200"} << uint(B19200) << 0U << true;
    QTest::newRow("line left as the meter set it")
        << QStringList{"--baud", "115200", "--parity", "E"} << 0U << 0U << true;
    QTest::newRow("faster than the meter") << QStringList{} << uint(B19200) << 0U << false;
    QTest::newRow("slower than the meter") << QStringList{} << uint(B4800) << 0U << false;
    QTest::newRow("odd parity, meter without") << QStringList{} << uint(B9600) << odd << false;
    QTest::newRow("odd parity, odd meter")
        << QStringList{"--parity", "O"} << uint(B9600) << odd << true;
    QTest::newRow("even parity, odd meter")
        << QStringList{"--parity", "O"} << uint(B9600) << uint(PARENB) << false;
    QTest::newRow("other baud, line settings ignored")
        << QStringList{"--ignore-line-settings"} << uint(B19200) << odd << true;
}

void TestMeterSim::lineSettings() {
    QFETCH(QStringList, args);
    QFETCH(uint, speed);
    QFETCH(uint, parityFlags);
    QFETCH(bool, answered);
    Sim sim;
    QVERIFY(sim.Start(9, args + QStringList{"--seed", "4"}));
    Port port(sim.Link(9), speed, parityFlags);
    QVERIFY(port.Write(Request(1, 4, 10, 24)));
    const auto got = port.Read(53, answered ? kPatienceMs : 400);
    QCOMPARE(AcceptAnswer(got, 24), answered);
    QCOMPARE(sim.Terminate(), 0);
}

// The line is read again at every request: a program that closes the port
// and opens it at another baud rate is heard accordingly.
void TestMeterSim::followsTheLineWhenReopened() {
    Sim sim;
    QVERIFY(sim.Start(10, {"--baud", "19200"}));
    const speed_t speeds[] = {B19200, B9600, B19200};
    for (const speed_t speed : speeds) {
        Port port(sim.Link(10), speed);
        QVERIFY(port.Write(Request(1, 1, 0, 4)));
        const bool meters = speed == B19200;
        QCOMPARE(AcceptAnswer(port.Read(6, meters ? kPatienceMs : 400), 24), meters);
    }
    QCOMPARE(sim.Terminate(), 0);
    const QString said = QString::fromLocal8Bit(sim.Process().readAllStandardError());
    QVERIFY2(said.contains("the line is set to 9600 baud, parity N or E; the meter listens at "
                           "19200 baud, parity N") &&
                 said.contains("the line is at the meter's settings again"),
             qPrintable(said));
}

void TestMeterSim::deviceVanishes() {
    Sim sim;
    QVERIFY(sim.Start(7, {"--vanish-after", "2", "--no-pace"}));
    Port port(sim.Link(7));
    for (int k = 0; k < 2; ++k) {
        QVERIFY(port.Write(Request(1, 1, 0, 4)));
        QCOMPARE(port.Read(6).size(), std::size_t{6});
    }
    // After the second answer the simulator closes the line and goes.
    QCOMPARE(sim.Finish(), 0);
    QVERIFY(!QFileInfo(sim.Link(7)).isSymLink());
    QVERIFY(port.Read(1, kPatienceMs).empty());
    QVERIFY(port.HungUp());
    QVERIFY(!QFileInfo::exists(sim.Device()));
}

void TestMeterSim::twoSimulatorsSideBySide() {
    // The demo's pair: the panel-mount meter on com1, the DIN-rail meter on com2.
    Sim panel;
    QVERIFY(panel.Start(1, {"--meter", "panel", "--no-pace"}));
    QProcess rail;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", panel.Runtime());
    rail.setProcessEnvironment(env);
    rail.start(METERSIM_PATH, {"--meter", "rail", "--com", "2", "--no-pace"});
    QVERIFY(rail.waitForReadyRead(kPatienceMs));
    QVERIFY(QFileInfo(panel.Link(2)).isSymLink());

    Port one(panel.Link(1));
    Port two(panel.Link(2));
    QVERIFY(one.Write(Request(1, 4, 10, 24)));
    QVERIFY(two.Write(Request(1, 4, 8192, 10)));
    QVERIFY(AcceptAnswer(one.Read(53), 24));
    QVERIFY(AcceptAnswer(two.Read(25), 10));

    // A third simulator cannot take com1 while the first lives.
    QProcess third;
    third.setProcessEnvironment(env);
    third.start(METERSIM_PATH, {"--com", "1"});
    QVERIFY(third.waitForFinished(kPatienceMs));
    QCOMPARE(third.exitCode(), 1);
    QVERIFY(third.readAllStandardError().contains("com1 is taken"));
    QCOMPARE(QFileInfo(panel.Link(1)).symLinkTarget(), panel.Device());

    rail.terminate();
    QVERIFY(rail.waitForFinished(kPatienceMs));
    QCOMPARE(rail.exitCode(), 0);
    QVERIFY(!QFileInfo(panel.Link(2)).isSymLink());
    QVERIFY(QFileInfo(panel.Link(1)).isSymLink());
    QCOMPARE(panel.Terminate(), 0);
}

void TestMeterSim::existingLinks_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("afterwards");  // target of com8 after the simulator ended

    QTest::newRow("stale link is replaced") << "/dev/pts/999999" << QStringList{} << 0 << "";
    QTest::newRow("live device is kept") << "/dev/null" << QStringList{} << 1 << "/dev/null";
    QTest::newRow("live device replaced on request")
        << "/dev/null" << QStringList{"--replace-link"} << 0 << "";
}

void TestMeterSim::existingLinks() {
    QFETCH(QString, target);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, afterwards);

    Sim sim;
    QVERIFY(QDir().mkpath(sim.Folder()));
    QVERIFY(QFile::link(target, sim.Link(8)));
    if (exitCode == 0) {
        QVERIFY(sim.Start(8, args));
        QCOMPARE(sim.Terminate(), 0);
    } else {
        sim.Launch(args + QStringList{"--com", "8"});
        QCOMPARE(sim.Finish(), exitCode);
    }
    QCOMPARE(QFileInfo(sim.Link(8)).isSymLink(), !afterwards.isEmpty());
    if (!afterwards.isEmpty()) {
        QCOMPARE(QFileInfo(sim.Link(8)).symLinkTarget(), afterwards);
    }
}

void TestMeterSim::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");  // expected in standard output or error

    QTest::newRow("help") << QStringList{"--help"} << 0 << "--fault-split";
    QTest::newRow("bad option") << QStringList{"--address", "300"} << 2
                                << "bad value for --address";
    QTest::newRow("unknown option") << QStringList{"--fast"} << 2 << "unknown option";
    QTest::newRow("dump of the panel-mount map")
        << QStringList{"--seed", "1", "--dump-values", "0"} << 0 << "99\tWQN\t";
    QTest::newRow("dump of the DIN-rail map")
        << QStringList{"--meter", "rail", "--seed", "1", "--dump-values", "0"} << 0
        << "1041\tUMaxTime\t";
    QTest::newRow("vanish at once") << QStringList{"--vanish-after", "0"} << 0 << "/dev/pts/";
}

void TestMeterSim::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    Sim sim;
    sim.Launch(args);
    QCOMPARE(sim.Finish(), exitCode);
    const QString all = QString::fromLocal8Bit(sim.Process().readAllStandardOutput() +
                                               sim.Process().readAllStandardError());
    QVERIFY2(all.contains(output), qPrintable(all));
}

QTEST_GUILESS_MAIN(TestMeterSim)
#include "tst_metersim.moc"
