// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "platform/portmap.h"
#include "platform/qtserialport.h"
#include "platform/services.h"

using mt::CommEvent;
using mt::PortError;
using Kind = mt::PortError::Kind;
using Setting = mt::PortError::Setting;

Q_DECLARE_METATYPE(mt::CommEvent)

namespace {

// A pseudo-terminal: the port opens the slave through a comN link, the test
// plays the other end on the master.
class Pty {
public:
    Pty() {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
            ::close(slave);
            slavePath_ = QString::fromLocal8Bit(name);
        }
    }
    ~Pty() { closeMaster(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool valid() const { return master_ >= 0 && !slavePath_.isEmpty(); }
    const QString& slavePath() const { return slavePath_; }
    int master() const { return master_; }

    void closeMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }
    bool send(const QByteArray& bytes) {
        return ::write(master_, bytes.constData(), bytes.size()) == bytes.size();
    }
    // Reads until `count` bytes came or nothing more arrives within the bound.
    QByteArray receive(int count, int boundMs = 5000) {
        QByteArray got;
        while (got.size() < count) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, boundMs) <= 0) {
                break;
            }
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            got.append(buffer, n);
        }
        return got;
    }
    // Whether bytes wait on the master right now, without processing events.
    bool hasPending() {
        pollfd p{master_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
    }

private:
    int master_ = -1;
    QString slavePath_;
};

bool LinkPort(int number, const QString& target) {
    QDir().mkpath(mt::PortLinkFolder());
    const QString path = mt::PortLinkFolder() + QStringLiteral("/com%1").arg(number);
    QFile::remove(path);
    return QFile::link(target, path);
}

// Counts socket-notifier activations of the whole program: a port that keeps
// reporting a dead device shows up here as thousands of them.
class SocketActivity : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::SockAct) {
            ++count;
        }
        return false;
    }
};

void ProcessEventsFor(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// The file name of this test program, as lock files and /proc name it.
QString ThisProgram() {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

// Port configuration as the port panel applies it before opening.
void Configure(mt::QtSerialPort& port, int number, const QString& settings) {
    QVERIFY(port.setPortNumber(number));
    port.setInputLength(0);
    port.clearInput();
    port.clearOutput();
    port.setReceiveThreshold(1);
    port.setInBufferSize(1024);
    port.setOutBufferSize(1024);
    QVERIFY(port.setSettings(settings));
}

}  // namespace

class TestQtSerialPort : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runtime_;

private slots:
    void initTestCase() {
        qRegisterMetaType<mt::CommEvent>();
        QVERIFY(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    }
    void cleanup() { QDir(mt::PortLinkFolder()).removeRecursively(); }

    void opensWithTheSettingsApplied_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("twoStopBits");
        QTest::newRow("9600,N,8,1") << "9600,N,8,1" << int(B9600) << false;
        QTest::newRow("19200,e,7,2") << "19200,e,7,2" << int(B19200) << true;
        QTest::newRow("38400,O,8,2") << "38400,O,8,2" << int(B38400) << true;
        QTest::newRow("4800,O,5,1.5") << "4800,O,5,1.5" << int(B4800) << true;
        QTest::newRow("1200,M,8,1") << "1200,M,8,1" << int(B1200) << false;
    }
    // The kernel keeps a pseudo-terminal at 8 bits without parity whatever is
    // asked, so speed and stop bits are what can be seen on the line here.
    void opensWithTheSettingsApplied() {
        QFETCH(QString, settings);
        QFETCH(int, speed);
        QFETCH(bool, twoStopBits);
        Pty pty;
        QVERIFY(pty.valid());
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, settings);
        const mt::PortResult opened = port.open();
        QVERIFY2(opened, qPrintable(opened.error().detail));
        QVERIFY(port.isOpen());
        QCOMPARE(port.deviceName(), pty.slavePath());
        QCOMPARE(port.settings(), settings);

        termios line{};
        QCOMPARE(::tcgetattr(pty.master(), &line), 0);
        QCOMPARE(int(::cfgetospeed(&line)), speed);
        QCOMPARE(int(::cfgetispeed(&line)), speed);
        QCOMPARE((line.c_cflag & CSTOPB) != 0, twoStopBits);
        QVERIFY(port.close());
        QVERIFY(!port.isOpen());
    }

    // A refused settings text names the first part that cannot be used.
    void refusedSettingsKeepThePrevious_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("setting");
        QTest::newRow("letters") << "abc,N,8,1" << int(Setting::Baud);
        QTest::newRow("blank") << "9600 ,N,8,1" << int(Setting::Baud);
        QTest::newRow("three fields") << "9600,N,8" << int(Setting::Format);
        QTest::newRow("nine bits") << "9600,N,9,1" << int(Setting::DataBits);
        QTest::newRow("non-Latin") << "九六〇〇,N,8,1" << int(Setting::Baud);
        QTest::newRow("empty") << "" << int(Setting::Format);
        QTest::newRow("parity X") << "9600,X,8,1" << int(Setting::Parity);
        QTest::newRow("stop 3") << "9600,N,8,3" << int(Setting::StopBits);
        QTest::newRow("baud and parity both bad") << "0,Q,8,1" << int(Setting::Baud);
        QTest::newRow("five fields") << "9600,N,8,1,1" << int(Setting::Format);
    }
    void refusedSettingsKeepThePrevious() {
        QFETCH(QString, text);
        QFETCH(int, setting);
        mt::QtSerialPort port;
        QVERIFY(port.setSettings("19200,E,7,2"));
        const mt::PortResult result = port.setSettings(text);
        QVERIFY(!result);
        QCOMPARE(result.error().kind, Kind::BadSettings);
        QCOMPARE(int(result.error().setting), setting);
        QCOMPARE(port.settings(), QStringLiteral("19200,E,7,2"));
    }

    void portNumbers_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("1") << 1 << true;
        QTest::newRow("16") << 16 << true;
        QTest::newRow("beyond the list") << 99 << true;
        QTest::newRow("0") << 0 << false;
        QTest::newRow("negative") << -3 << false;
    }
    void portNumbers() {
        QFETCH(int, number);
        QFETCH(bool, accepted);
        mt::QtSerialPort port;
        QVERIFY(port.setPortNumber(2));
        const mt::PortResult result = port.setPortNumber(number);
        QCOMPARE(result.ok(), accepted);
        QCOMPARE(port.portNumber(), accepted ? number : 2);
        if (!accepted) {
            QCOMPARE(result.error().kind, Kind::BadPortNumber);
        }
    }

    // Everything that stops an opening, each with its own kind of error.
    void openingFails_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("kind");
        QTest::newRow("no port number yet") << "unset" << int(Kind::BadPortNumber);
        QTest::newRow("nothing stands for the number") << "unmapped" << int(Kind::NoSuchPort);
        QTest::newRow("link to a missing device") << "dangling" << int(Kind::NoSuchPort);
        QTest::newRow("link to a non-device") << "regular file" << int(Kind::Other);
        QTest::newRow("1.5 stop bits with 8 data bits")
            << "1.5 on 8 bits" << int(Kind::BadSettings);
    }
    void openingFails() {
        QFETCH(QString, situation);
        QFETCH(int, kind);
        QTemporaryDir scratch;
        mt::QtSerialPort port;
        if (situation == "unmapped") {
            QVERIFY(port.setPortNumber(int(mt::SystemPortsInNameOrder().size()) + 1));
        } else if (situation == "dangling") {
            QVERIFY(LinkPort(4, scratch.filePath("unplugged")));
            QVERIFY(port.setPortNumber(4));
        } else if (situation == "regular file") {
            QFile file(scratch.filePath("notatty"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(LinkPort(4, file.fileName()));
            QVERIFY(port.setPortNumber(4));
        } else if (situation == "1.5 on 8 bits") {
            Pty pty;
            QVERIFY(LinkPort(4, pty.slavePath()));
            QVERIFY(port.setPortNumber(4));
            QVERIFY(port.setSettings("9600,N,8,1.5"));
            const mt::PortResult result = port.open();
            QVERIFY(!result);
            QCOMPARE(int(result.error().kind), kind);
            QCOMPARE(result.error().setting, Setting::StopBits);
            QVERIFY(!port.isOpen());
            return;
        }
        const mt::PortResult result = port.open();
        QVERIFY(!result);
        QCOMPARE(int(result.error().kind), kind);
        QVERIFY(!result.error().detail.isEmpty());
        QVERIFY(!port.isOpen());
    }

    void numberCannotChangeWhileOpen() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        QVERIFY(port.open());
        const mt::PortResult result = port.setPortNumber(2);
        QCOMPARE(result.error().kind, Kind::AlreadyOpen);
        QCOMPARE(port.portNumber(), 1);
        QCOMPARE(port.open().error().kind, Kind::PortInUse);
        QVERIFY(port.isOpen());
    }

    void secondOpeningOfTheSameDeviceIsRefused() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        QVERIFY(LinkPort(2, pty.slavePath()));
        mt::QtSerialPort first;
        Configure(first, 1, "9600,N,8,1");
        QVERIFY(first.open());
        for (const int number : {1, 2}) {
            mt::QtSerialPort second;
            Configure(second, number, "9600,N,8,1");
            const mt::PortResult result = second.open();
            QVERIFY(!result);
            QCOMPARE(result.error().kind, Kind::PortInUse);
            QVERIFY(!second.isOpen());
            // The lock file of the first opening names this program.
            QCOMPARE(result.error().holder.pid, QCoreApplication::applicationPid());
            QCOMPARE(result.error().holder.program, ThisProgram());
        }
        // Closing releases every lock.
        QVERIFY(first.close());
        mt::QtSerialPort third;
        Configure(third, 2, "9600,N,8,1");
        QVERIFY(third.open());
    }

    // Another program holding the device under a lock of its own, which no
    // lock file of ours knows about (and which root cannot pass either).
    void deviceLockedByAnotherProgramIsRefused() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        const int holder = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(holder >= 0);
        QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);

        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        const mt::PortResult result = port.open();
        QVERIFY(!result);
        QCOMPARE(result.error().kind, Kind::PortInUse);
        QVERIFY(!port.isOpen());
        // No lock file tells; the kernel's list of locks does.
        QCOMPARE(result.error().holder.pid, QCoreApplication::applicationPid());
        QCOMPARE(result.error().holder.program, ThisProgram());

        ::close(holder);
        QVERIFY(port.open());
    }

    // A device whose permissions shut this user out is told apart from a busy
    // one: the user needs to join the device's group, not to close a program.
    void deviceWithoutPermission_data() {
        QTest::addColumn<bool>("terminal");
        QTest::newRow("pseudo-terminal, mode 000") << true;
        QTest::newRow("plain file, mode 000") << false;
    }
    void deviceWithoutPermission() {
        QFETCH(bool, terminal);
        if (::geteuid() == 0) {
            QSKIP("runs as root, whom file permissions do not stop");
        }
        QTemporaryDir scratch;
        Pty pty;
        QVERIFY(pty.valid());
        QString device = pty.slavePath();
        if (!terminal) {
            device = scratch.filePath(QStringLiteral("ttyLOCKED"));
            QFile file(device);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(::chmod(device.toLocal8Bit().constData(), 0), 0);
        QVERIFY(LinkPort(3, device));
        mt::QtSerialPort port;
        Configure(port, 3, "9600,N,8,1");
        const mt::PortResult result = port.open();
        QVERIFY(!result);
        QCOMPARE(result.error().kind, Kind::NoPermission);
        QVERIFY(!result.error().detail.isEmpty());
        QVERIFY(!port.isOpen());
    }

    // The screens sleep right after writing a request: the bytes must be on
    // their way before any event processing.
    void writeGoesOutAtOnce() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        QVERIFY(port.open());
        const QByteArray request = QByteArray::fromHex("01040000000a700d");
        QVERIFY(port.write(request));
        QCOMPARE(pty.receive(request.size()), request);

        QByteArray all(256, '\0');
        for (int i = 0; i < all.size(); ++i) {
            all[i] = char(i);
        }
        QVERIFY(port.write(all));
        QCOMPARE(pty.receive(all.size()), all);
    }

    void writesAreRefused_data() {
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("kind");
        QTest::newRow("closed port") << false << 8 << int(Kind::NotOpen);
        QTest::newRow("closed port, nothing to write") << false << 0 << int(Kind::NotOpen);
        QTest::newRow("larger than the output buffer") << true << 1025 << int(Kind::Other);
    }
    void writesAreRefused() {
        QFETCH(bool, open);
        QFETCH(int, size);
        QFETCH(int, kind);
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        if (open) {
            QVERIFY(port.open());
        }
        const mt::PortResult result = port.write(QByteArray(size, 'x'));
        QVERIFY(!result);
        QCOMPARE(int(result.error().kind), kind);
        QVERIFY(!pty.hasPending());
    }

    void fullOutputBufferIsWritten() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        QVERIFY(port.open());
        const QByteArray block(1024, 'z');
        QVERIFY(port.write(block));
        QCOMPARE(pty.receive(block.size()), block);
    }

    // Nobody reads the other end: the output queue fills. That is no loss of
    // the device; the write fails, the port stays open and works again once
    // the other end reads.
    void fullOutputQueueIsNoLoss() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        QVERIFY(port.open());
        QSignalSpy lost(&port, &mt::SerialPort::deviceLost);

        mt::PortResult result;
        for (int i = 0; i < 10000 && result; ++i) {
            result = port.write(QByteArray(1024, 'q'));
        }
        QVERIFY(!result);
        QCOMPARE(result.error().kind, Kind::Other);
        QVERIFY(port.isOpen());

        while (pty.receive(1 << 20, 0).size() > 0) {
        }
        QVERIFY(port.write("ok"));
        QByteArray tail;
        while (!tail.endsWith("ok")) {
            const QByteArray more = pty.receive(1);
            if (more.isEmpty()) {
                break;
            }
            tail += more;
        }
        QVERIFY2(tail.endsWith("ok"), tail.right(16).constData());
        ProcessEventsFor(50);
        QCOMPARE(lost.size(), 0);
        QVERIFY(port.isOpen());
    }

    void receivedBytesRaiseReceiveEvents() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        QVERIFY(port.open());
        QSignalSpy events(&port, &mt::SerialPort::commEvent);

        const QByteArray answer = QByteArray::fromHex("0104020001 7930");
        QVERIFY(pty.send(answer));
        QTRY_COMPARE(port.bytesWaiting(), int(answer.size()));
        QVERIFY(!events.isEmpty());
        for (const QList<QVariant>& event : events) {
            QCOMPARE(event.at(0).value<CommEvent>(), CommEvent::Receive);
        }
        QCOMPARE(port.readAll(), answer);
        QCOMPARE(port.bytesWaiting(), 0);
        QCOMPARE(port.readAll(), QByteArray());
    }

    // The polling cycle's road: write a request, pause, and the answer's
    // receive event runs within that one pause, where the handler takes it.
    void answerArrivesWithinThePause() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        QVERIFY(port.open());
        QByteArray handled;
        connect(&port, &mt::SerialPort::commEvent, this, [&](CommEvent kind) {
            if (kind == CommEvent::Receive) {
                handled += port.readAll();
            }
        });
        const QByteArray request = QByteArray::fromHex("010100000004 3dc9");
        const QByteArray answer = QByteArray::fromHex("010101 05 9189");
        QVERIFY(port.write(request));
        QCOMPARE(pty.receive(request.size()), request);
        QVERIFY(pty.send(answer));
        mt::SleepThenProcessEvents(100);
        QCOMPARE(handled, answer);
    }

    void receiveThresholdHoldsEventsBack() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        port.setReceiveThreshold(4);
        QVERIFY(port.open());
        QSignalSpy events(&port, &mt::SerialPort::commEvent);

        QVERIFY(pty.send("abc"));
        QTRY_COMPARE(port.bytesWaiting(), 3);
        QCOMPARE(events.size(), 0);
        QVERIFY(pty.send("d"));
        QTRY_COMPARE(events.size(), 1);
        QCOMPARE(port.readAll(), QByteArray("abcd"));

        // Threshold 0: no receive events at all, the bytes still wait.
        port.setReceiveThreshold(0);
        QVERIFY(pty.send("efgh"));
        QTRY_COMPARE(port.bytesWaiting(), 4);
        QCOMPARE(events.size(), 1);
    }

    void inputLengthLimitsEachRead_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("reads");
        QTest::newRow("0 takes everything") << 0 << QStringList{"abcde", ""};
        QTest::newRow("2 at a time") << 2 << QStringList{"ab", "cd", "e", ""};
        QTest::newRow("exactly all") << 5 << QStringList{"abcde", ""};
        QTest::newRow("more than waits") << 64 << QStringList{"abcde", ""};
        QTest::newRow("negative keeps 0") << -1 << QStringList{"abcde", ""};
    }
    void inputLengthLimitsEachRead() {
        QFETCH(int, length);
        QFETCH(QStringList, reads);
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        port.setInputLength(length);
        QVERIFY(port.open());
        QVERIFY(pty.send("abcde"));
        QTRY_COMPARE(port.bytesWaiting(), 5);
        for (const QString& expected : reads) {
            QCOMPARE(port.readAll(), expected.toLatin1());
        }
    }

    void clearInputDropsWaitingBytes() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        QVERIFY(port.open());
        QVERIFY(pty.send("stale"));
        QTRY_COMPARE(port.bytesWaiting(), 5);
        port.clearInput();
        QCOMPARE(port.bytesWaiting(), 0);
        QCOMPARE(port.readAll(), QByteArray());

        QVERIFY(pty.send("fresh"));
        QTRY_COMPARE(port.bytesWaiting(), 5);
        QCOMPARE(port.readAll(), QByteArray("fresh"));
    }

    void closedPortIsQuiet() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        // Clearing and closing a port that is not open are harmless.
        port.clearInput();
        port.clearOutput();
        QVERIFY(port.close());
        QCOMPARE(port.readAll(), QByteArray());
        QCOMPARE(port.bytesWaiting(), 0);
        QCOMPARE(port.deviceName(), pty.slavePath());
    }

    void reopenAfterClose() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        for (int round = 0; round < 3; ++round) {
            QVERIFY(port.open());
            QVERIFY(port.write("ping"));
            QCOMPARE(pty.receive(4), QByteArray("ping"));
            QVERIFY(pty.send("pong"));
            QTRY_COMPARE(port.bytesWaiting(), 4);
            QCOMPARE(port.readAll(), QByteArray("pong"));
            QVERIFY(port.close());
            QVERIFY(!port.isOpen());
        }
    }

    // The other end goes away while nobody writes: the port notices it in the
    // event loop, closes, says so once, and then stays quiet.
    void lossInTheEventLoop() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        QVERIFY(port.open());
        QSignalSpy lost(&port, &mt::SerialPort::deviceLost);
        QSignalSpy events(&port, &mt::SerialPort::commEvent);

        pty.closeMaster();
        QTRY_COMPARE(lost.size(), 1);
        QVERIFY(!port.isOpen());
        QVERIFY(lost.at(0).at(0).toString().contains(pty.slavePath()));

        SocketActivity activity;
        QCoreApplication::instance()->installEventFilter(&activity);
        ProcessEventsFor(200);
        QCoreApplication::instance()->removeEventFilter(&activity);
        QCOMPARE(activity.count, 0);
        QCOMPARE(lost.size(), 1);
        QCOMPARE(events.size(), 0);

        QCOMPARE(port.write("x").error().kind, Kind::NotOpen);
        QCOMPARE(port.readAll(), QByteArray());
        QCOMPARE(lost.size(), 1);
    }

    // The other end goes away and the next thing that happens is a write: the
    // write fails, the port is closed when it returns, and the notice follows
    // in the next round of event processing, not inside the write.
    void lossMetByAWrite() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        QVERIFY(port.open());
        QSignalSpy lost(&port, &mt::SerialPort::deviceLost);

        pty.closeMaster();
        const mt::PortResult result = port.write(QByteArray::fromHex("01040000000a700d"));
        QVERIFY(!result);
        QCOMPARE(result.error().kind, Kind::DeviceLost);
        QVERIFY(!port.isOpen());
        QCOMPARE(lost.size(), 0);

        QTRY_COMPARE(lost.size(), 1);
        ProcessEventsFor(100);
        QCOMPARE(lost.size(), 1);
        QCOMPARE(port.write("x").error().kind, Kind::NotOpen);
    }

    // A loss notice that is still on its way when the port has been opened
    // again (on a new device) is stale and dropped; the new opening works.
    void staleLossNoticeIsDropped() {
        Pty first;
        QVERIFY(LinkPort(1, first.slavePath()));
        mt::QtSerialPort port;
        Configure(port, 1, "9600,N,8,1");
        QVERIFY(port.open());
        QSignalSpy lost(&port, &mt::SerialPort::deviceLost);

        first.closeMaster();
        QCOMPARE(port.write("x").error().kind, Kind::DeviceLost);
        Pty second;
        QVERIFY(LinkPort(1, second.slavePath()));
        QVERIFY(port.open());
        QCOMPARE(port.deviceName(), second.slavePath());

        ProcessEventsFor(100);
        QCOMPARE(lost.size(), 0);
        QVERIFY(port.isOpen());
        QVERIFY(port.write("ok"));
        QCOMPARE(second.receive(2), QByteArray("ok"));
    }

    // Each loss is reported: lose, reopen on a new device, lose again.
    void everyLossIsReportedOnce() {
        mt::QtSerialPort port;
        QSignalSpy lost(&port, &mt::SerialPort::deviceLost);
        for (int round = 1; round <= 3; ++round) {
            Pty pty;
            QVERIFY(LinkPort(1, pty.slavePath()));
            Configure(port, 1, "9600,N,8,1");
            QVERIFY(port.open());
            pty.closeMaster();
            QTRY_COMPARE(lost.size(), round);
            QVERIFY(!port.isOpen());
        }
    }

    // A port destroyed with a loss notice still queued must not deliver it.
    void destroyedPortSendsNothing() {
        Pty pty;
        QVERIFY(LinkPort(1, pty.slavePath()));
        int notices = 0;
        {
            mt::QtSerialPort port;
            connect(&port, &mt::SerialPort::deviceLost, this, [&notices] { ++notices; });
            Configure(port, 1, "9600,N,8,1");
            QVERIFY(port.open());
            pty.closeMaster();
            QCOMPARE(port.write("x").error().kind, Kind::DeviceLost);
        }
        ProcessEventsFor(50);
        QCOMPARE(notices, 0);
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
